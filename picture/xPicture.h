#pragma once
// The picture: the image under analysis in gray, zoomed and band-coloured form, with its
// zoom, brightness band, zone and the conversion between image and view pixels.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "console/xConsole.h"
#include "picture/xBitmap.h"
#include "settings/xScale.h"  // TPoint

class IStatusPanel;

// A rectangle given by its edges, both included.
struct TViewRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

class TPic : public TConClient {
public:
    // statusPanel may be null: progress texts are then not shown.
    explicit TPic(IStatusPanel* statusPanel);  // reads ZONE and PICTURE, registers
    ~TPic() override;                          // writes ZONE and PICTURE, frees the images
    TPic(const TPic&) = delete;
    TPic& operator=(const TPic&) = delete;

    void RegisterCommands() override {}
    bool ExecuteCommand(std::int32_t, const TConArg*, std::int32_t) override { return true; }

    static constexpr std::array<double, 6> ZoomFactors{0.1, 0.25, 0.5, 1.0, 1.5, 2.0};
    static constexpr std::uint8_t DefaultZoom = 2;

    // True when the image was loaded; false when the file does not exist (any previous
    // image is gone either way). A file the reader cannot read raises TImageError and
    // leaves the picture without an image.
    bool LoadImage(const std::string& name);
    void Render(bool rescale);
    void SetZoom(std::uint8_t index);
    void SetFilter(bool on);
    void SetFilterMin(std::int32_t v);
    void SetFilterMax(std::int32_t v);
    void RefilterIfOn(bool rescale);
    void ClearImages();

    bool HasImage() const { return FDisplay != nullptr; }
    std::int32_t ImageWidth() const { return FDisplay ? FSource->Width : 0; }
    std::int32_t ImageHeight() const { return FSource ? FSource->Height : 0; }
    // Gray level of Source at (x, y); (x, y) must lie inside the image.
    std::int32_t GrayAt(std::int32_t x, std::int32_t y) const {
        return FSource->Pixels[static_cast<std::size_t>(y) * FSource->Width + x];
    }
    bool OutOfBand(std::int32_t x, std::int32_t y) const {
        const std::int32_t g = GrayAt(x, y);
        return g < FilterMin || g > FilterMax;
    }

    std::int32_t ToView(std::int32_t v, bool asLength = false) const;
    std::int32_t ToImage(std::int32_t v) const;
    TViewRect ZoneInView() const;
    void MoveZoneEdge(std::int32_t dx, std::int32_t dy, std::uint8_t edge);
    void BandFromRect(TPoint p1, TPoint p2);

    // The images; null when they do not exist. Callers only read them.
    const TGrayBitmap* Source() const { return FSource.get(); }
    const TGrayBitmap* Zoomed() const { return FZoomed.get(); }
    const TRgbBitmap* Display() const { return FDisplay.get(); }

    std::int32_t Margin = 8;
    std::uint8_t Zoom = DefaultZoom;
    double ZoomFactor = ZoomFactors[DefaultZoom];
    bool Filter = false;
    std::int32_t FilterMin = 0;
    std::int32_t FilterMax = 255;
    IStatusPanel* StatusPanel = nullptr;
    std::int32_t Left = 100;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    std::int32_t GrayMin = 0;
    std::int32_t GrayMax = 255;

private:
    void Status(const std::string& text);
    void FitZone();
    void Rescale();
    void RepaintPlain(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
    void ApplyZoom(std::uint8_t index);

    std::unique_ptr<TGrayBitmap> FSource;
    std::unique_ptr<TGrayBitmap> FZoomed;
    std::unique_ptr<TRgbBitmap> FDisplay;
    // Display pixels currently carrying the band overlay (display coordinates, both
    // included); outside it Display is Zoomed in plain gray. Empty when HasOverlay is false.
    bool FHasOverlay = false;
    TViewRect FOverlay;
};
