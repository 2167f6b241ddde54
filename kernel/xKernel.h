#pragma once
// The analysis kernel: owns the picture, the scale, the feature list and the plug-ins;
// loads images, runs the detection, computes results, and carries out the image view's
// drawing and pointer tools through the drawing interface.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console/xConsole.h"
#include "kernel/xDot.h"
#include "kernel/xResults.h"
#include "kernel/xSeries.h"
#include "settings/xScale.h"

class TPic;
class TPlugLib;
class IPlugData;
class IStatusPanel;
class IDrawSurface;

// Mouse buttons and shift state handed to the pointer tools.
enum class TMouseButton : std::uint8_t { Left, Right, Middle };
struct TShiftState {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    bool Left = false;   // left button held
    bool Right = false;  // right button held
};

class TKernel : public TConClient {
public:
    // The surfaces may be null (batch use: nothing is drawn). pluginFolder empty means the
    // program's "Plugins/" folder; appHandle is handed to the plug-ins (the main window).
    TKernel(IDrawSurface* imageBox, IDrawSurface* lensBox, IDrawSurface* rangeBox,
            IStatusPanel* statusPanel, const std::string& pluginFolder = "",
            std::intptr_t appHandle = 0);
    ~TKernel() override;
    TKernel(const TKernel&) = delete;
    TKernel& operator=(const TKernel&) = delete;

    void RegisterCommands() override;
    bool ExecuteCommand(std::int32_t id, const TConArg* args, std::int32_t count) override;

    void LoadPicture(const std::string& name);
    void Analyse();
    void ComputeResults(TAnalysisResults& r, ISeries& radius, ISeries& distance, ISeries& area);
    bool DotPasses(const TDot& f) const;
    void ClearDots();
    std::int32_t ExecutePlugin(std::int32_t index);

    // View operations (the image view's painting and pointer tools).
    void PaintView();
    TPoint ViewSize() const;
    void DrawZone(bool xorMode);
    void DrawDots();
    void DrawScaleMark();
    void DrawMarkLine(TPoint p1, TPoint p2, bool xorMode);
    std::uint8_t HitTest(std::int32_t x, std::int32_t y) const;
    void MouseDown(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y);
    void MouseMove(TShiftState shift, std::int32_t x, std::int32_t y, bool lensRefresh);
    void MouseUp(std::int32_t x, std::int32_t y);
    void PaintLens();
    bool DetectScaleMark(TPoint p1, TPoint p2);
    // Widens MarkFrom/MarkTo over the pixels around (x, y) within 10 gray levels of
    // MarkLevel, depth first, at most 10000 pixels (FloodCount).
    void FloodMark(std::int32_t x, std::int32_t y);

    // Fields.
    std::unique_ptr<TPic> Picture;
    std::unique_ptr<TScale> Scale;
    IDrawSurface* ImageBox = nullptr;
    IDrawSurface* LensBox = nullptr;
    IDrawSurface* RangeBox = nullptr;
    IStatusPanel* StatusPanel = nullptr;
    std::uint8_t PointerMode = 0;
    TPoint DragStart;
    TPoint DragPos;
    std::uint8_t HitEdge = 0;
    std::string FileName;
    bool Preload = true;
    std::string PictureName;
    TPoint PointerPos;
    std::vector<TDot> Dots;
    bool ShowDots = true;
    bool FFilter = true;
    bool FillRad = true;
    std::int32_t FBarrier = 50;
    bool RFilter = true;
    std::int32_t RBarrier = 25;
    bool ZoneChanged = true;
    std::int32_t FloodCount = 0;
    double SmallestRadius = 1.0;
    double LargestRadius = 0.0;
    std::unique_ptr<TPlugLib> PlugLib;
    bool Analysed = false;
    IPlugData* PlugData = nullptr;  // counted reference
    TPoint MarkFrom;
    TPoint MarkTo;
    std::int32_t MarkLevel = 0;
    // Visited map of the scale-mark pick, one byte per picture pixel, row-major; empty
    // between picks.
    std::vector<std::uint8_t> MarkVisited;
};
