// The image view's drawing and pointer tools: the picture with its zone frame, handles,
// grid and labels, the feature outlines and the scale mark; edge drags, the scale line,
// the scale-mark pick, the band rectangle and the lens. Everything is drawn through
// IDrawSurface; rubber bands are drawn and erased by XOR, so a drag never repaints the
// picture nor recomputes the results.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "kernel/IDrawSurface.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "platform/NumberFormat.h"
#include "settings/xParams.h"

namespace {

constexpr std::int32_t ColorBlack = 0;
constexpr std::int32_t ColorYellow = 0x00FFFF;  // red 255, green 255

// Colour indexes of the display parameters used here.
constexpr int ClZoneBorder = 1;
constexpr int ClFeatureBorder = 2;
constexpr int ClZoneGrid = 6;
constexpr int ClZoneLabels = 7;
constexpr int ClScaleMark = 8;
// Flag indexes.
constexpr int FlZoneLabels = 5;
constexpr int FlZoneGrid = 6;

constexpr std::int32_t HandleReach = 3;    // a handle is hit within 3 view pixels
constexpr std::int32_t MarkTolerance = 10; // gray levels of a scale bar
constexpr std::int32_t FloodLimit = 10000;

// Lens: 48 x 48 picture pixels magnified three times.
constexpr std::int32_t LensHalf = 24;
constexpr std::int32_t LensSpan = 48;
constexpr std::int32_t LensScale = 3;

std::int32_t ColorOf(int index) { return Params ? Params->Colors[index] : TParams::DefaultColors[index]; }
bool FlagOf(int index) { return Params ? Params->Flags[index] : true; }

// The label of the k-th grid step; empty when the product does not fit.
std::string StepLabel(std::int64_t markValue, std::int64_t k) {
    std::int64_t v = 0;
    if (__builtin_mul_overflow(markValue, k, &v)) return {};
    return std::to_string(v);
}

}  // namespace

void TKernel::PaintView() {
    if (!ImageBox || !Picture || !Picture->HasImage()) return;
    const TRgbBitmap* d = Picture->Display();
    const std::int32_t m = Picture->Margin;
    ImageBox->DrawImage(d->Pixels.data(), d->Width, d->Height, d->Width,
                        TDrawRect{0, 0, d->Width, d->Height}, TDrawRect{m, m, d->Width, d->Height});
    DrawZone(false);
    DrawDots();
    DrawScaleMark();
}

TPoint TKernel::ViewSize() const {
    const std::int32_t m = Picture ? Picture->Margin : 8;
    if (!Picture || !Picture->HasImage()) return TPoint{m, m};
    const TRgbBitmap* d = Picture->Display();
    return TPoint{m + d->Width + 3, m + d->Height + 3};
}

void TKernel::DrawZone(bool xorMode) {
    if (!ImageBox || !Picture || !Picture->HasImage()) return;
    IDrawSurface& s = *ImageBox;
    TPic& p = *Picture;
    const TViewRect z = p.ZoneInView();
    const std::int32_t L = z.Left, T = z.Top, R = z.Right, B = z.Bottom;
    // The grid step is the mark length in picture pixels; a mark of no or negative length
    // (only from a hand-edited settings file) gives neither grid nor labels.
    const std::int64_t step = Scale->MarkLength();
    const bool stepUsable = step > 0;

    if (FlagOf(FlZoneGrid) && stepUsable) {
        s.SetPen(ColorOf(ClZoneGrid), TPenStyle::Dot, xorMode);
        for (std::int64_t x = std::int64_t(p.Left) + step; x <= p.Right; x += step) {
            const std::int32_t vx = p.ToView(static_cast<std::int32_t>(x));
            s.Line({vx, T}, {vx, B});
        }
        for (std::int64_t y = std::int64_t(p.Bottom) - step; y >= p.Top; y -= step) {
            const std::int32_t vy = p.ToView(static_cast<std::int32_t>(y));
            s.Line({L, vy}, {R, vy});
        }
    }

    s.SetPen(ColorOf(ClZoneBorder), TPenStyle::Solid, xorMode);
    s.Line({L, T}, {R, T});
    s.Line({R, T}, {R, B});
    s.Line({R, B}, {L, B});
    s.Line({L, B}, {L, T});

    const std::int32_t mx = (L + R) / 2;
    const std::int32_t my = (T + B) / 2;
    const TPoint handles[4] = {{L, my}, {R, my}, {mx, T}, {mx, B}};  // left, right, top, bottom
    for (const TPoint& h : handles)
        s.Rectangle({h.x - HandleReach, h.y - HandleReach}, {h.x + HandleReach, h.y + HandleReach});

    if (FlagOf(FlZoneLabels) && stepUsable) {
        const std::int64_t markValue = Scale->MarkValue();
        std::int64_t k = 1;
        for (std::int64_t x = std::int64_t(p.Left) + step; x <= p.Right; x += step, ++k) {
            const std::int32_t vx = p.ToView(static_cast<std::int32_t>(x));
            s.SetPen(ColorOf(ClZoneBorder), TPenStyle::Solid, xorMode);
            s.Line({vx, B}, {vx, B + 6});
            if (!xorMode) {
                const std::string text = StepLabel(markValue, k);
                const TPoint size = s.TextExtent(text);
                const TPoint at{vx - size.x / 2, B + 9};
                s.TextOut({at.x + 1, at.y + 1}, text, ColorBlack);
                s.TextOut(at, text, ColorOf(ClZoneLabels));
            }
        }
        // Labels up the left side only when there is room left of the zone.
        if (s.TextExtent(StepLabel(markValue, 1)).x + 9 < L) {
            k = 1;
            for (std::int64_t y = std::int64_t(p.Bottom) - step; y >= p.Top; y -= step, ++k) {
                const std::int32_t vy = p.ToView(static_cast<std::int32_t>(y));
                s.SetPen(ColorOf(ClZoneBorder), TPenStyle::Solid, xorMode);
                s.Line({L, vy}, {L - 6, vy});
                if (!xorMode) {
                    const std::string text = StepLabel(markValue, k);
                    const TPoint size = s.TextExtent(text);
                    const TPoint at{L - 9 - size.x, vy - size.y / 2};
                    s.TextOut({at.x + 1, at.y + 1}, text, ColorBlack);
                    s.TextOut(at, text, ColorOf(ClZoneLabels));
                }
            }
        }
    }

    s.SetPen(ColorBlack, TPenStyle::Solid, false);
}

void TKernel::DrawDots() {
    if (!ImageBox || !ShowDots || !Picture || !Picture->HasImage()) return;
    IDrawSurface& s = *ImageBox;
    const TPic& p = *Picture;
    s.SetPen(ColorOf(ClFeatureBorder), TPenStyle::Solid, false);
    for (const TDot& f : Dots) {
        if (!DotPasses(f)) continue;
        const std::int32_t cx = p.ToView(RoundToInt32(f.X));
        const std::int32_t cy = p.ToView(RoundToInt32(f.Y));
        const double r = FillRad ? f.FillRadius : f.Radius;
        const std::int32_t d = p.ToView(RoundToInt32(r), true);
        s.Ellipse({cx - d, cy - d}, {cx + d, cy + d});
    }
    s.SetPen(ColorBlack, TPenStyle::Solid, false);
}

void TKernel::DrawScaleMark() {
    if (!ImageBox || !Picture || !Picture->HasImage()) return;
    const TScale& sc = *Scale;
    if (sc.LMY == 0 || sc.RMY == 0) return;
    const TPic& p = *Picture;
    DrawMarkLine({p.ToView(sc.LMX), p.ToView(sc.LMY)}, {p.ToView(sc.RMX), p.ToView(sc.RMY)}, false);
}

void TKernel::DrawMarkLine(TPoint p1, TPoint p2, bool xorMode) {
    if (!ImageBox) return;
    IDrawSurface& s = *ImageBox;
    s.SetPen(ColorOf(ClScaleMark), TPenStyle::Solid, xorMode);
    s.Line(p1, p2);
    const double dx = double(p2.x) - double(p1.x);
    const double dy = double(p2.y) - double(p1.y);
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len > 2) {
        // End ticks 5 pixels long, perpendicular, on the same side (up for a line drawn
        // from left to right).
        const double tx = 5 * dy / len;
        const double ty = 5 * dx / len;
        s.Line(p1, {RoundToInt32(p1.x + tx), RoundToInt32(p1.y - ty)});
        s.Line(p2, {RoundToInt32(p2.x + tx), RoundToInt32(p2.y - ty)});
    }
    s.SetPen(ColorBlack, TPenStyle::Solid, false);
}

std::uint8_t TKernel::HitTest(std::int32_t x, std::int32_t y) const {
    if (!Picture || !Picture->HasImage()) return 0;
    const TViewRect z = Picture->ZoneInView();
    const std::int32_t mx = (z.Left + z.Right) / 2;
    const std::int32_t my = (z.Top + z.Bottom) / 2;
    struct THandle { std::uint8_t Edge; TPoint At; };
    // Tested in this order, the first hit wins: left, top, right, bottom.
    const THandle handles[4] = {{1, {z.Left, my}}, {2, {mx, z.Top}}, {4, {z.Right, my}}, {3, {mx, z.Bottom}}};
    for (const THandle& h : handles) {
        if (std::abs(std::int64_t(x) - h.At.x) <= HandleReach &&
            std::abs(std::int64_t(y) - h.At.y) <= HandleReach)
            return h.Edge;
    }
    return 0;
}

void TKernel::MouseDown(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y) {
    if (button == TMouseButton::Right) {
        PointerMode = 0;  // nothing is erased, undone or completed
        return;
    }
    if (button != TMouseButton::Left || !Picture || !Picture->HasImage()) return;
    const TPoint at{x, y};
    HitEdge = HitTest(x, y);
    if (HitEdge >= 1 && HitEdge <= 4) {
        PointerMode = 1;
        DragStart = DragPos = at;
    }
    if (HitEdge == 0) {
        // Later tests override earlier ones: Alt beats Shift, Shift beats Ctrl.
        if (shift.Ctrl) { PointerMode = 2; DragStart = DragPos = at; }
        if (shift.Shift) { PointerMode = 3; DragStart = DragPos = at; }
        if (shift.Alt) { PointerMode = 4; DragStart = DragPos = at; }
    }
}

void TKernel::MouseMove(TShiftState /*shift*/, std::int32_t x, std::int32_t y, bool lensRefresh) {
    PointerPos = TPoint{x, y};
    const bool hasImage = Picture && Picture->HasImage();
    switch (PointerMode) {
    case 0:
        if (hasImage) {
            HitEdge = HitTest(x, y);
            if (ImageBox) {
                ImageBox->SetCursor(HitEdge == 1 || HitEdge == 4   ? TViewCursor::SizeWE
                                    : HitEdge == 2 || HitEdge == 3 ? TViewCursor::SizeNS
                                                                   : TViewCursor::Arrow);
            }
        }
        break;
    case 1:
        if (hasImage && (x != DragStart.x || y != DragStart.y)) {
            DrawZone(true);
            Picture->MoveZoneEdge(x - DragStart.x, y - DragStart.y, HitEdge);
            DrawZone(true);
            ZoneChanged = true;
            Analysed = false;
            DragStart = TPoint{x, y};
        }
        break;
    case 2:
        DrawMarkLine(DragStart, DragPos, true);
        DragPos = TPoint{x, y};
        DrawMarkLine(DragStart, DragPos, true);
        break;
    case 4:
        if (x != DragPos.x || y != DragPos.y) {
            if (ImageBox) ImageBox->FocusRect(DragStart, DragPos);
            DragPos = TPoint{x, y};
            if (ImageBox) ImageBox->FocusRect(DragStart, DragPos);
        }
        break;
    default:
        break;
    }
    if (lensRefresh && LensBox) LensBox->Invalidate();
}

void TKernel::MouseUp(std::int32_t x, std::int32_t y) {
    switch (PointerMode) {
    case 1:
        PointerMode = 0;
        Picture->RefilterIfOn(false);  // the band colouring follows the new zone
        if (ImageBox) ImageBox->Invalidate();
        ZoneChanged = true;
        Analysed = false;
        break;
    case 2:
        Scale->SetMark({Picture->ToImage(DragStart.x), Picture->ToImage(DragStart.y)},
                       {Picture->ToImage(DragPos.x), Picture->ToImage(DragPos.y)});
        PointerMode = 0;
        if (ImageBox) ImageBox->Invalidate();
        break;
    case 3:
        PointerMode = 0;
        if (DetectScaleMark(DragStart, TPoint{x, y}) && ImageBox) ImageBox->Invalidate();
        break;
    case 4:
        PointerMode = 0;
        Picture->BandFromRect(DragStart, TPoint{x, y});
        if (ImageBox) ImageBox->Invalidate();
        if (RangeBox) RangeBox->Invalidate();
        break;
    default:
        break;
    }
}

bool TKernel::DetectScaleMark(TPoint p1, TPoint p2) {
    if (!Picture || !Picture->HasImage()) return false;
    const TPic& p = *Picture;
    const std::int32_t w = p.ImageWidth(), h = p.ImageHeight();
    const std::int32_t px = p.ToImage(p1.x), py = p.ToImage(p1.y);
    const std::int32_t qx = p.ToImage(p2.x), qy = p.ToImage(p2.y);
    auto inside = [&](std::int32_t x, std::int32_t y) { return x >= 0 && y >= 0 && x < w && y < h; };
    if (!inside(px, py) || !inside(qx, qy)) return false;
    MarkLevel = p.GrayAt(px, py);
    // Press and release must both lie on the bar.
    if (std::abs(p.GrayAt(qx, qy) - MarkLevel) > MarkTolerance) return false;

    MarkVisited.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    MarkFrom = TPoint{1, 1};
    MarkTo = TPoint{0, 0};
    FloodCount = 0;
    FloodMark(px, py);
    Scale->SetMark(MarkFrom, MarkTo);
    std::vector<std::uint8_t>().swap(MarkVisited);
    return true;
}

void TKernel::FloodMark(std::int32_t x, std::int32_t y) {
    // Depth first, neighbours left, right, below, above, each examined when it is taken
    // up: the order of the recursive flood, on an explicit stack so that a bar of 10000
    // pixels does not need 10000 stack frames.
    const TPic& p = *Picture;
    const std::int32_t w = p.ImageWidth(), h = p.ImageHeight();
    if (MarkVisited.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
        MarkVisited.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);

    struct TFrame { std::int32_t X, Y; std::uint8_t Next; };
    std::vector<TFrame> stack;
    auto visit = [&](std::int32_t vx, std::int32_t vy) {
        if (FloodCount >= FloodLimit) return;
        if (vx < 0 || vy < 0 || vx >= w || vy >= h) return;
        std::uint8_t& seen = MarkVisited[static_cast<std::size_t>(vy) * w + vx];
        if (seen) return;
        seen = 1;
        if (std::abs(p.GrayAt(vx, vy) - MarkLevel) > MarkTolerance) return;
        if (Scale->Vertical) {
            if (MarkFrom.y > MarkTo.y) {
                MarkFrom = MarkTo = TPoint{vx, vy};
            } else {
                if (vy < MarkFrom.y) MarkFrom.y = vy;
                if (vy > MarkTo.y) MarkTo.y = vy;
                if (vx > MarkFrom.x) MarkFrom.x = MarkTo.x = vx;
            }
        } else {
            if (MarkFrom.x > MarkTo.x) {
                MarkFrom = MarkTo = TPoint{vx, vy};
            } else {
                if (vx < MarkFrom.x) MarkFrom.x = vx;
                if (vx > MarkTo.x) MarkTo.x = vx;
                if (vy > MarkFrom.y) MarkFrom.y = MarkTo.y = vy;
            }
        }
        ++FloodCount;
        stack.push_back(TFrame{vx, vy, 0});
    };
    static constexpr std::int32_t StepX[4] = {-1, 1, 0, 0};
    static constexpr std::int32_t StepY[4] = {0, 0, 1, -1};

    visit(x, y);
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next == 4) {
            stack.pop_back();
            continue;
        }
        const std::int32_t nx = f.X + StepX[f.Next];
        const std::int32_t ny = f.Y + StepY[f.Next];
        ++f.Next;
        visit(nx, ny);  // may grow the stack: f is not used after this
    }
}

void TKernel::PaintLens() {
    if (!LensBox || !Picture) return;
    const TGrayBitmap* src = Picture->Source();
    if (!src) return;
    const TPic& p = *Picture;
    const std::int32_t cx = p.ToImage(PointerPos.x);
    const std::int32_t cy = p.ToImage(PointerPos.y);

    std::int32_t sx = cx - LensHalf, sy = cy - LensHalf, sw = LensSpan, sh = LensSpan;
    std::int32_t dx = 0, dy = 0;
    if (sx < 0) { sw += sx; dx = -LensScale * sx; sx = 0; }
    if (sy < 0) { sh += sy; dy = -LensScale * sy; sy = 0; }
    const TPoint size = LensBox->ClientSize();
    std::int32_t dw = size.x - dx, dh = size.y - dy;
    if (p.ImageWidth() <= sx + sw) { sw = p.ImageWidth() - sx; dw = LensScale * sw; }
    if (p.ImageHeight() <= sy + sh) { sh = p.ImageHeight() - sy; dh = LensScale * sh; }

    if (dw > 0 && dh > 0 && sw > 0 && sh > 0 && sx + sw <= src->Width && sy + sh <= src->Height) {
        // The gray source, without zoom, band colouring or overlays.
        std::vector<std::uint32_t> patch(static_cast<std::size_t>(sw) * sh);
        for (std::int32_t row = 0; row < sh; ++row) {
            const std::uint8_t* in = src->Row(sy + row) + sx;
            std::uint32_t* out = patch.data() + static_cast<std::size_t>(row) * sw;
            for (std::int32_t col = 0; col < sw; ++col) out[col] = PackRgb(in[col], in[col], in[col]);
        }
        LensBox->DrawImage(patch.data(), sw, sh, sw, TDrawRect{0, 0, sw, sh}, TDrawRect{dx, dy, dw, dh});
    }

    LensBox->SetPen(ColorYellow, TPenStyle::Solid, true);
    LensBox->Line({size.x / 2, 0}, {size.x / 2, size.y});
    LensBox->Line({0, size.y / 2}, {size.x, size.y / 2});
    LensBox->SetPen(ColorBlack, TPenStyle::Solid, false);
}
