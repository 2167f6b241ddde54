#include "picture/xPicture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>

#include "platform/ImageFile.h"
#include "platform/Resample.h"
#include "platform/StatusPanel.h"
#include "settings/xParams.h"

namespace {

const char* const IdZoomFactor = "{7C557000-DC99-11D7-8030-000102960A47}";
const char* const IdZoomIndex = "{7C557001-DC99-11D7-8030-000102960A47}";
const char* const IdNoSource = "{7C557002-DC99-11D7-8030-000102960A47}";

// Nearest integer, halves to even, saturated to the 32-bit range (NaN gives 0), so that
// absurd settings values can never make a cast overflow.
std::int32_t Round(double v) {
    if (!(v == v)) return 0;
    const double r = std::nearbyint(v);
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(r);
}

std::int32_t SaturatedAdd(std::int32_t a, std::int32_t b) {
    const std::int64_t s = static_cast<std::int64_t>(a) + b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        s, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Gray level to an opaque gray display pixel.
struct TPlainLut {
    std::array<std::uint32_t, 256> Value{};
    constexpr TPlainLut() {
        for (std::uint32_t g = 0; g < 256; ++g) Value[g] = PackRgb(g, g, g);
    }
};
constexpr TPlainLut PlainLut;

// Writes lut[src[x]] for x in [x0, x1] of one row; nothing when x0 > x1.
inline void MapRow(const std::uint8_t* src, std::uint32_t* dst, std::int32_t x0, std::int32_t x1,
                   const std::uint32_t* lut) {
    for (std::int32_t x = x0; x <= x1; ++x) dst[x] = lut[src[x]];
}

std::int32_t ColorValue(int index) {
    return Params ? Params->Colors[index] : TParams::DefaultColors[index];
}

}  // namespace

TPic::TPic(IStatusPanel* statusPanel) {
    Console->Information("creating Picture");
    StatusPanel = statusPanel;
    GrayMin = 0;
    GrayMax = 255;
    Margin = 8;

    IniOpen(Console);
    Left = IniReadInteger(Console, "ZONE", "Left", 100);
    Right = IniReadInteger(Console, "ZONE", "Right", 0);
    Top = IniReadInteger(Console, "ZONE", "Top", 0);
    Bottom = IniReadInteger(Console, "ZONE", "Bottom", 0);
    Filter = IniReadBool(Console, "PICTURE", "Filter", false);
    const std::int32_t zoom = IniReadInteger(Console, "PICTURE", "Zoom", DefaultZoom);
    FilterMin = IniReadInteger(Console, "PICTURE", "FilterMin", 0);
    FilterMax = IniReadInteger(Console, "PICTURE", "FilterMax", 255);
    IniClose(Console);

    // The stored index is applied whatever it is (0 included). An index outside the table
    // can only come from a hand-edited file: fall back to the default, do not stop.
    if (zoom < 0 || zoom >= static_cast<std::int32_t>(ZoomFactors.size())) {
        Console->Warning("Zoom " + std::to_string(zoom) + " in the settings file is out of range 0 to 5; using " +
                         std::to_string(DefaultZoom));
        ApplyZoom(DefaultZoom);
    } else {
        ApplyZoom(static_cast<std::uint8_t>(zoom));
    }

    Console->RegisterClient(this);
}

TPic::~TPic() {
    IniOpen(Console);
    IniWriteInteger(Console, "ZONE", "Left", Left);
    IniWriteInteger(Console, "ZONE", "Right", Right);
    IniWriteInteger(Console, "ZONE", "Top", Top);
    IniWriteInteger(Console, "ZONE", "Bottom", Bottom);
    IniWriteBool(Console, "PICTURE", "Filter", Filter);
    IniWriteInteger(Console, "PICTURE", "Zoom", Zoom);
    IniWriteInteger(Console, "PICTURE", "FilterMin", FilterMin);
    IniWriteInteger(Console, "PICTURE", "FilterMax", FilterMax);
    IniClose(Console);
    ClearImages();
}

void TPic::Status(const std::string& text) {
    if (StatusPanel) StatusPanel->SetText(text);
    Console->ProcessPendingMessages();
}

void TPic::ApplyZoom(std::uint8_t index) {
    FatalCheck(index < ZoomFactors.size(), IdZoomIndex, "");
    if (index >= ZoomFactors.size()) return;  // not reached: the check ends the process
    Zoom = index;
    ZoomFactor = ZoomFactors[index];
}

void TPic::SetZoom(std::uint8_t index) {
    if (index == Zoom) return;
    ApplyZoom(index);
    if (FSource) Render(true);
}

void TPic::SetFilter(bool on) {
    Filter = on;
    if (FSource) Render(false);
}

void TPic::SetFilterMin(std::int32_t v) {
    v = std::max(v, GrayMin);
    FilterMin = v < FilterMax ? v : FilterMax - 1;
    if (FSource) Render(false);
}

void TPic::SetFilterMax(std::int32_t v) {
    v = std::min(v, GrayMax);
    FilterMax = v > FilterMin ? v : FilterMin + 1;
    if (FSource) Render(false);
}

void TPic::RefilterIfOn(bool rescale) {
    if (Filter) Render(rescale);
}

void TPic::ClearImages() {
    FZoomed.reset();
    FSource.reset();
    FDisplay.reset();
    FHasOverlay = false;
}

bool TPic::LoadImage(const std::string& name) {
    if (FSource) ClearImages();
    std::error_code ec;
    if (name.empty() || !std::filesystem::is_regular_file(name, ec)) return false;

    // The reader gives gray = (r + g + b) div 3 already; a failure raises before any
    // image of ours exists, so no half-made Source can remain.
    TGrayImage image = ReadGrayImage(name);
    if (image.Width <= 0 || image.Height <= 0 ||
        image.Pixels.size() != static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height))
        throw TImageError(name + ": the image has no pixels");

    Status(" Converting to grayscale ...");
    auto source = std::make_unique<TGrayBitmap>();
    source->Width = image.Width;
    source->Height = image.Height;
    source->Pixels = std::move(image.Pixels);
    const auto [lo, hi] = std::minmax_element(source->Pixels.begin(), source->Pixels.end());
    GrayMin = *lo;
    GrayMax = *hi;
    FSource = std::move(source);

    // Narrow the band to the image (the order of the limits is not tested here).
    if (FilterMin < GrayMin) FilterMin = GrayMin;
    if (FilterMax > GrayMax) FilterMax = GrayMax;
    Status("");

    // The zone is fitted before rendering so that the band colouring covers the zone
    // the view then shows (rendering first would colour the stale, unfitted zone).
    FitZone();
    try {
        Render(true);
    } catch (...) {
        ClearImages();
        throw;
    }
    return true;
}

void TPic::FitZone() {
    const std::int32_t w = FSource->Width;
    const std::int32_t h = FSource->Height;
    auto whole = [&] {
        Left = 0;
        Right = w - 1;
        Top = 0;
        Bottom = h - 1;
    };
    if (Left > Right) whole();  // the unset zone of a first start
    if (Right >= w) Right = w - 1;
    if (Left < 0) Left = 0;
    if (Bottom >= h) Bottom = h - 1;
    if (Top < 0) Top = 0;
    // A zone stored for a larger image can end up inverted after the cut; the analysis
    // needs a zone inside the image, so it becomes the whole image as well.
    if (Left > Right || Top > Bottom) whole();
}

void TPic::Rescale() {
    Status(" Scaling image ...");
    auto zoomed = std::make_unique<TGrayBitmap>();
    if (Zoom == 3) {
        *zoomed = *FSource;
    } else {
        const std::int32_t w = std::max(1, Round(FSource->Width * ZoomFactor));
        const std::int32_t h = std::max(1, Round(FSource->Height * ZoomFactor));
        *zoomed = TGrayBitmap(w, h);
        ResampleBSpline(FSource->Pixels.data(), FSource->Width, FSource->Height, zoomed->Pixels.data(), w,
                        h);
    }
    FZoomed = std::move(zoomed);
    Status("");
}

void TPic::RepaintPlain(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    for (std::int32_t y = y0; y <= y1; ++y) MapRow(FZoomed->Row(y), FDisplay->Row(y), x0, x1, PlainLut.Value.data());
}

void TPic::Render(bool rescale) {
    FatalCheck(FSource != nullptr, IdNoSource, "");
    if (!FSource) return;  // not reached: the check ends the process

    // Display outside the overlay rectangle is always Zoomed in plain gray; only a new
    // Zoomed (or a missing Display) needs the whole of it converted.
    const bool rescaled = rescale || !FZoomed;
    if (rescaled) Rescale();
    if (!FDisplay || FDisplay->Width != FZoomed->Width || FDisplay->Height != FZoomed->Height) {
        FDisplay.reset();
        FHasOverlay = false;
        auto display = std::make_unique<TRgbBitmap>(FZoomed->Width, FZoomed->Height);
        FDisplay = std::move(display);
        RepaintPlain(0, 0, FZoomed->Width - 1, FZoomed->Height - 1);
    } else if (rescaled) {
        FHasOverlay = false;
        RepaintPlain(0, 0, FZoomed->Width - 1, FZoomed->Height - 1);
    }

    if (!Filter) {
        if (FHasOverlay) RepaintPlain(FOverlay.Left, FOverlay.Top, FOverlay.Right, FOverlay.Bottom);
        FHasOverlay = false;
        return;
    }
    Status(" Filtering ...");

    // The zone in display pixels (bitmap coordinates, no margin), cut to the bitmap.
    TViewRect zone;
    zone.Left = std::max(0, Round(Left * ZoomFactor));
    zone.Right = std::min(Round(Right * ZoomFactor), FDisplay->Width - 1);
    zone.Top = std::max(0, Round(Top * ZoomFactor));
    zone.Bottom = std::min(Round(Bottom * ZoomFactor), FDisplay->Height - 1);
    const bool hasZone = zone.Left <= zone.Right && zone.Top <= zone.Bottom;

    // Undo the previous overlay where the new one will not overwrite it.
    if (FHasOverlay) {
        const TViewRect& o = FOverlay;
        for (std::int32_t y = o.Top; y <= o.Bottom; ++y) {
            const std::uint8_t* src = FZoomed->Row(y);
            std::uint32_t* dst = FDisplay->Row(y);
            if (hasZone && y >= zone.Top && y <= zone.Bottom) {
                MapRow(src, dst, o.Left, std::min(o.Right, zone.Left - 1), PlainLut.Value.data());
                MapRow(src, dst, std::max(o.Left, zone.Right + 1), o.Right, PlainLut.Value.data());
            } else {
                MapRow(src, dst, o.Left, o.Right, PlainLut.Value.data());
            }
        }
        FHasOverlay = false;
    }

    if (hasZone) {
        // In the band: the selected-pixels colour; outside: three parts image, one part
        // zone colour, per channel, truncated. Colour values hold red in the low byte.
        const auto zoneColor = static_cast<std::uint32_t>(ColorValue(3));
        const auto selColor = static_cast<std::uint32_t>(ColorValue(4));
        const std::uint32_t kr = zoneColor & 0xFF, kg = (zoneColor >> 8) & 0xFF, kb = (zoneColor >> 16) & 0xFF;
        const std::uint32_t selected = PackRgb(selColor & 0xFF, (selColor >> 8) & 0xFF, (selColor >> 16) & 0xFF);
        std::array<std::uint32_t, 256> lut{};
        for (std::int32_t v = 0; v < 256; ++v) {
            const auto c = static_cast<std::uint32_t>(v);
            lut[v] = (FilterMin <= v && v <= FilterMax)
                         ? selected
                         : PackRgb((kr + 3 * c) / 4, (kg + 3 * c) / 4, (kb + 3 * c) / 4);
        }
        for (std::int32_t y = zone.Top; y <= zone.Bottom; ++y)
            MapRow(FZoomed->Row(y), FDisplay->Row(y), zone.Left, zone.Right, lut.data());
        FOverlay = zone;
        FHasOverlay = true;
    }
    Status("");
}

std::int32_t TPic::ToView(std::int32_t v, bool asLength) const {
    return asLength ? Round(v * ZoomFactor) : Round(v * ZoomFactor + Margin);
}

std::int32_t TPic::ToImage(std::int32_t v) const {
    if (!(ZoomFactor > 0)) return 0;
    return Round((static_cast<double>(v) - Margin) / ZoomFactor);
}

TViewRect TPic::ZoneInView() const {
    return {ToView(Left), ToView(Top), ToView(Right), ToView(Bottom)};
}

void TPic::MoveZoneEdge(std::int32_t dx, std::int32_t dy, std::uint8_t edge) {
    FatalCheck(ZoomFactor > 0, IdZoomFactor, "");
    if (!(ZoomFactor > 0)) return;  // not reached: the check ends the process
    const std::int32_t Dx = Round(dx / ZoomFactor);
    const std::int32_t Dy = Round(dy / ZoomFactor);
    switch (edge) {
    case 1:
        Left = SaturatedAdd(Left, Dx);
        if (Right <= Left) Left = Right - 1;
        if (Left < 0) Left = 0;
        break;
    case 2:
        Top = SaturatedAdd(Top, Dy);
        if (Bottom <= Top) Top = Bottom - 1;
        if (Top < 0) Top = 0;
        break;
    case 3:
        Bottom = SaturatedAdd(Bottom, Dy);
        if (Bottom >= ImageHeight()) Bottom = ImageHeight() - 1;
        if (Top >= Bottom) Bottom = Top + 1;
        // With Top on the last row (a one-row image or zone) the step above would put
        // Bottom below the image; the zone must stay inside it.
        if (ImageHeight() > 0 && Bottom >= ImageHeight()) Bottom = ImageHeight() - 1;
        break;
    case 4:
        Right = SaturatedAdd(Right, Dx);
        if (Right >= ImageWidth()) Right = ImageWidth() - 1;
        if (Left >= Right) Right = Left + 1;
        if (ImageWidth() > 0 && Right >= ImageWidth()) Right = ImageWidth() - 1;
        break;
    default:
        break;
    }
}

void TPic::BandFromRect(TPoint p1, TPoint p2) {
    std::int32_t x1 = ToImage(p1.x), y1 = ToImage(p1.y);
    std::int32_t x2 = ToImage(p2.x), y2 = ToImage(p2.y);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (x2 <= 0 || y2 <= 0 || x1 >= ImageWidth() || y1 >= ImageHeight()) return;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, ImageWidth() - 1);
    y2 = std::min(y2, ImageHeight() - 1);

    std::int32_t lo = 1, hi = 0;  // none seen yet
    for (std::int32_t y = y1; y <= y2; ++y) {
        const std::uint8_t* row = FSource->Row(y);
        for (std::int32_t x = x1; x <= x2; ++x) {
            const std::int32_t g = row[x];
            if (hi < lo) {
                lo = hi = g;
            } else {
                lo = std::min(lo, g);
                hi = std::max(hi, g);
            }
        }
    }
    if (lo <= hi) {
        SetFilterMin(lo);
        SetFilterMax(hi);
    }
}
