#pragma once
// A kernel on recording surfaces, with a picture made by the test.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "settings/xParams.h"
#include "support/TestSupport.h"
#include "view/RecordingSurface.h"

inline void WritePgm(const std::string& path, int w, int h, const std::function<int(int, int)>& gray) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.put(static_cast<char>(gray(x, y)));
}

class TViewTest : public ::testing::Test {
protected:
    // settings: INI text in force when the kernel is created (zoom, zone, scale, ...).
    void Start(const std::string& settings = "") {
        if (!settings.empty()) WriteFile(Scope.SettingsFile, settings);
        Params = new TParams;
        Kernel = std::make_unique<TKernel>(&View, &Lens, &Range, nullptr, Scope.Temp.File("Plugins/"));
    }
    // Loads a generated picture (gray(x, y) gives each pixel) and forgets what was drawn.
    void Load(int w, int h, const std::function<int(int, int)>& gray) {
        const std::string path = Scope.Temp.File("picture.pgm");
        WritePgm(path, w, h, gray);
        Kernel->LoadPicture(path);
        ASSERT_TRUE(Kernel->Picture->HasImage());
        Clear();
    }
    void Clear() {
        View.Ops.clear();
        Lens.Ops.clear();
        Range.Ops.clear();
    }
    void TearDown() override {
        Kernel.reset();
        delete Params;
        Params = nullptr;
    }

    TConsoleScope Scope;
    TRecordingSurface View;
    TRecordingSurface Lens{142, 142};
    TRecordingSurface Range{133, 14};
    std::unique_ptr<TKernel> Kernel;
};

inline TShiftState Keys(bool shift, bool ctrl, bool alt) {
    TShiftState s;
    s.Shift = shift;
    s.Ctrl = ctrl;
    s.Alt = alt;
    return s;
}
