#include "kernel/xKernel.h"

#include <filesystem>

#include "console/xInfo.h"
#include "kernel/xDetect.h"
#include "picture/xPicture.h"
#include "platform/ImageFile.h"
#include "platform/StatusPanel.h"
#include "plugins/host/xPlugData.h"
#include "plugins/host/xPlugExec.h"
#include "plugins/host/xPlugLib.h"
#include "settings/xParams.h"

namespace {
const char* const KernelSection = "KERNEL";
}

TKernel::TKernel(IDrawSurface* imageBox, IDrawSurface* lensBox, IDrawSurface* rangeBox,
                 IStatusPanel* statusPanel, const std::string& pluginFolder, std::intptr_t appHandle)
    : StatusPanel(statusPanel) {
    Console->Information("creating Kernel");
    Scale = std::make_unique<TScale>();
    ImageBox = imageBox;
    LensBox = lensBox;
    RangeBox = rangeBox;
    Picture = std::make_unique<TPic>(statusPanel);

    auto* data = new TPlugData(*Scale);
    data->AddRef();
    PlugData = data;
    Analysed = false;

    const std::string folder = pluginFolder.empty() ? Console->Info->AppDir + "Plugins/" : pluginFolder;
    PlugLib = std::make_unique<TPlugLib>(folder, "*.mvx", appHandle);

    IniOpen(Console);
    FileName = IniReadString(Console, KernelSection, "FileName", "");
    Preload = IniReadBool(Console, KernelSection, "Preload", true);
    ShowDots = IniReadBool(Console, KernelSection, "ShowDots", true);
    FFilter = IniReadBool(Console, KernelSection, "FFilter", true);
    FBarrier = IniReadInteger(Console, KernelSection, "FBarrier", 50);
    RFilter = IniReadBool(Console, KernelSection, "RFilter", true);
    RBarrier = IniReadInteger(Console, KernelSection, "RBarrier", 25);
    FillRad = IniReadBool(Console, KernelSection, "FillRad", true);
    IniClose(Console);

    Console->RegisterClient(this);

    std::error_code ec;
    if (Preload && !FileName.empty() && std::filesystem::is_regular_file(FileName, ec)) {
        // A remembered image that cannot be read any more: start without an image and
        // forget it, with the reader's message in the log.
        try {
            LoadPicture(FileName);
        } catch (const TImageError& e) {
            Console->Error(e.what());
            FileName.clear();
            PictureName.clear();
        }
        PaintView();
    } else {
        FileName.clear();
    }
}

TKernel::~TKernel() {
    Console->UnregisterClient(this);
    IniOpen(Console);
    IniWriteString(Console, KernelSection, "FileName", FileName);
    IniWriteBool(Console, KernelSection, "Preload", Preload);
    IniWriteBool(Console, KernelSection, "ShowDots", ShowDots);
    IniWriteBool(Console, KernelSection, "FFilter", FFilter);
    IniWriteInteger(Console, KernelSection, "FBarrier", FBarrier);
    IniWriteBool(Console, KernelSection, "RFilter", RFilter);
    IniWriteInteger(Console, KernelSection, "RBarrier", RBarrier);
    IniWriteBool(Console, KernelSection, "FillRad", FillRad);
    IniClose(Console);

    if (PlugData) {
        PlugData->Release();
        PlugData = nullptr;
    }
    PlugLib.reset();
    ClearDots();
    Picture.reset();
    Scale.reset();
}

void TKernel::RegisterCommands() {
    const std::int32_t root = Console->RegisterRoot("picture");
    Console->RegisterCommand(root, 1, "refresh");
    Console->RegisterVariable(root, -1, "preload", &Preload, kindBool, false);
}

bool TKernel::ExecuteCommand(std::int32_t id, const TConArg*, std::int32_t) {
    if (id == 1) PaintView();
    return true;
}

void TKernel::LoadPicture(const std::string& name) {
    if (!Picture->LoadImage(name)) return;
    FileName = name;
    PictureName = std::filesystem::path(name).filename().string();
    ClearDots();
    Console->Information("picture \"" + PictureName + "\" loaded");
}

void TKernel::Analyse() {
    if (StatusPanel) StatusPanel->SetText(" Analysing ...");
    Console->ProcessPendingMessages();
    FatalCheck(Picture->HasImage(), "{7CCC1BC0-DDFB-11D7-8030-000102960A47}", "");

    const TGrayBitmap& source = *Picture->Source();
    DetectDots(source.Pixels.data(), source.Width, source.Height, Picture->Left, Picture->Top,
               Picture->Right, Picture->Bottom, Picture->FilterMin, Picture->FilterMax, Params->Flags[7],
               Dots);
    // The new features have not been through a results pass yet.
    SmallestRadius = 1.0;
    LargestRadius = 0.0;

    if (StatusPanel) StatusPanel->SetText("");
    Console->Information(std::to_string(Dots.size()) + " dots found");
    Analysed = true;
}

void TKernel::ComputeResults(TAnalysisResults& r, ISeries& radius, ISeries& distance, ISeries& area) {
    TResultsInput in;
    in.Filter = {FFilter, FBarrier, RFilter, RBarrier, FillRad};
    in.Factor = Scale->Factor;
    in.Left = Picture->Left;
    in.Top = Picture->Top;
    in.Right = Picture->Right;
    in.Bottom = Picture->Bottom;
    in.GraphsColor = Params->Colors[5];
    ::ComputeResults(Dots, in, SmallestRadius, LargestRadius, r, radius, distance, area);
}

bool TKernel::DotPasses(const TDot& f) const {
    return ::DotPasses(f, {FFilter, FBarrier, RFilter, RBarrier, FillRad}, LargestRadius);
}

void TKernel::ClearDots() {
    Dots.clear();
    SmallestRadius = 1.0;
    LargestRadius = 0.0;
}

std::int32_t TKernel::ExecutePlugin(std::int32_t index) {
    const TZoneRect zone{Picture->Left, Picture->Top, Picture->Right, Picture->Bottom};
    const std::int32_t status = ExecutePluginOn(*PlugLib, *PlugData, index, Analysed, zone, Dots,
                                                [this](const TDot& f) { return DotPasses(f); });
    return status;
}
