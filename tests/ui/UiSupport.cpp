#include "UiSupport.h"

#include <fstream>

#include "console/xConsole.h"
#include "settings/xParams.h"
#include "ui/uMain.h"

TUiEnv::TUiEnv(const std::string& settings) : Ini(Temp.File("morvex.ini")) {
    if (!settings.empty()) WriteFile(Ini, settings);
    ConsoleWindow = std::make_unique<TfrmConsole>();
    ConsoleWindow->ProgramFolder = QString::fromStdString(Temp.Path().string());
    Console = new TConsole(ConsoleWindow.get(), Ini);
    Params = new TParams;
}

TUiEnv::~TUiEnv() {
    if (!Finished) {
        delete Params;
        Params = nullptr;
        delete Console;
        Console = nullptr;
    }
    ConsoleWindow.reset();
}

std::unique_ptr<TfrmMain> TUiEnv::CreateMain() { return std::make_unique<TfrmMain>(ConsoleWindow.get()); }

void TUiEnv::Finish(std::unique_ptr<TfrmMain>& main) {
    main.reset();
    delete Params;
    Params = nullptr;
    delete Console;
    Console = nullptr;
    Finished = true;
}

void WriteTestPicture(const std::string& path, int w, int h, int (*gray)(int, int)) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n" << w << " " << h << "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.put(static_cast<char>(gray(x, y)));
}

std::string SampleFolder() { return std::string(MORVEX_SOURCE_DIR) + "/samples/"; }
