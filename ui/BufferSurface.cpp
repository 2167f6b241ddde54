#include "ui/BufferSurface.h"

#include <QCursor>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ui/ColorValues.h"

namespace {

// Dotted pens: two pixels on, two off, counted from the line's start.
inline bool DotOn(int i) { return ((i >> 1) & 1) == 0; }

}  // namespace

TBufferSurface::TBufferSurface(QWidget* target) : Target(target), Background(Qt::white) {
    if (target) Font = target->font();
}

TBufferSurface::~TBufferSurface() { EndPainter(); }

TPoint TBufferSurface::ClientSize() const {
    if (FHasClientSize) return FClientSize;
    return TPoint{Buffer.width(), Buffer.height()};
}

void TBufferSurface::Resize(int width, int height) {
    EndPainter();
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (Buffer.width() == width && Buffer.height() == height) return;
    Buffer = QImage(width, height, QImage::Format_RGB32);
    Buffer.fill(Background);
}

void TBufferSurface::Clear() {
    EndPainter();
    Buffer.fill(Background);
}

void TBufferSurface::Flush() { EndPainter(); }

const QImage& TBufferSurface::Image() {
    EndPainter();
    return Buffer;
}

void TBufferSurface::SetFont(const QFont& f) {
    EndPainter();
    Font = f;
}

QPainter& TBufferSurface::Painter() {
    if (!FPainter) {
        FPainter = std::make_unique<QPainter>(&Buffer);
        FPainter->setRenderHint(QPainter::Antialiasing, false);
        FPainter->translate(-Origin.x(), -Origin.y());
        FPainter->setFont(Font);
    }
    return *FPainter;
}

void TBufferSurface::EndPainter() {
    if (FPainter) {
        FPainter->end();
        FPainter.reset();
    }
}

void TBufferSurface::Touch() {
    if (Target && !InPaint) Target->update();
}

void TBufferSurface::SetPen(std::int32_t color, TPenStyle style, bool xorMode) {
    const std::optional<QColor> c = ColorValue::Resolve(color);
    PenVisible = c.has_value();
    PenArgb = c ? (c->rgb() | 0xFF000000u) : 0xFF000000u;
    PenStyle = style;
    PenXor = xorMode;
}

inline void TBufferSurface::Put(int x, int y, std::uint32_t argb, bool xorMode) {
    // x, y are buffer coordinates, already inside the buffer.
    std::uint32_t* p = reinterpret_cast<std::uint32_t*>(Buffer.scanLine(y)) + x;
    if (xorMode)
        *p ^= (argb & 0x00FFFFFFu);
    else
        *p = argb;
}

void TBufferSurface::HLine(int x0, int x1, int y, int phase) {
    // Pixels x0..x1 (x0 <= x1) of row y, pattern index phase at x0 stepping by one.
    const int by = y - Origin.y();
    if (by < 0 || by >= Buffer.height()) return;
    const int from = std::max(x0, Origin.x());
    const int to = std::min(x1, Origin.x() + Buffer.width() - 1);
    for (int x = from; x <= to; ++x) {
        if (PenStyle == TPenStyle::Dot && !DotOn(phase + (x - x0))) continue;
        Put(x - Origin.x(), by, PenArgb, PenXor);
    }
}

void TBufferSurface::VLine(int x, int y0, int y1, int phase) {
    const int bx = x - Origin.x();
    if (bx < 0 || bx >= Buffer.width()) return;
    const int from = std::max(y0, Origin.y());
    const int to = std::min(y1, Origin.y() + Buffer.height() - 1);
    for (int y = from; y <= to; ++y) {
        if (PenStyle == TPenStyle::Dot && !DotOn(phase + (y - y0))) continue;
        Put(bx, y - Origin.y(), PenArgb, PenXor);
    }
}

void TBufferSurface::Line(TPoint a, TPoint b) {
    if (!PenVisible || (a.x == b.x && a.y == b.y)) return;
    EndPainter();
    Touch();
    // The end point is excluded, as for a pen moved from a to b. The pattern of a dotted
    // line counts from a, whichever way the line runs.
    if (a.y == b.y) {
        if (a.x < b.x) {
            HLine(a.x, b.x - 1, a.y, 0);
        } else {
            // Run from b + 1 to a; pattern index is a.x - x.
            const int x0 = b.x + 1, x1 = a.x;
            const int by = a.y - Origin.y();
            if (by < 0 || by >= Buffer.height()) return;
            const int from = std::max(x0, Origin.x());
            const int to = std::min(x1, Origin.x() + Buffer.width() - 1);
            for (int x = from; x <= to; ++x) {
                if (PenStyle == TPenStyle::Dot && !DotOn(a.x - x)) continue;
                Put(x - Origin.x(), by, PenArgb, PenXor);
            }
        }
        return;
    }
    if (a.x == b.x) {
        if (a.y < b.y) {
            VLine(a.x, a.y, b.y - 1, 0);
        } else {
            const int y0 = b.y + 1, y1 = a.y;
            const int bx = a.x - Origin.x();
            if (bx < 0 || bx >= Buffer.width()) return;
            const int from = std::max(y0, Origin.y());
            const int to = std::min(y1, Origin.y() + Buffer.height() - 1);
            for (int y = from; y <= to; ++y) {
                if (PenStyle == TPenStyle::Dot && !DotOn(a.y - y)) continue;
                Put(bx, y - Origin.y(), PenArgb, PenXor);
            }
        }
        return;
    }
    // Any other direction: Bresenham from a, b excluded.
    long long x = a.x, y = a.y;
    const long long dx = std::llabs(static_cast<long long>(b.x) - a.x);
    const long long dy = -std::llabs(static_cast<long long>(b.y) - a.y);
    const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    long long err = dx + dy;
    const long long w = Buffer.width(), h = Buffer.height();
    for (int i = 0; x != b.x || y != b.y; ++i) {
        const long long bx = x - Origin.x(), by = y - Origin.y();
        if (bx >= 0 && by >= 0 && bx < w && by < h && (PenStyle == TPenStyle::Solid || DotOn(i)))
            Put(static_cast<int>(bx), static_cast<int>(by), PenArgb, PenXor);
        const long long e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
}

void TBufferSurface::Rectangle(TPoint a, TPoint b) {
    EndPainter();
    Touch();
    const int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x) - 1;
    const int y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y) - 1;
    if (x1 < x0 || y1 < y0) return;
    // Inside: the background colour (inverted with it in XOR mode).
    const std::uint32_t fill = Background.rgb() | 0xFF000000u;
    const int fx0 = std::max(x0 + 1, Origin.x()), fx1 = std::min(x1 - 1, Origin.x() + Buffer.width() - 1);
    const int fy0 = std::max(y0 + 1, Origin.y()), fy1 = std::min(y1 - 1, Origin.y() + Buffer.height() - 1);
    for (int y = fy0; y <= fy1; ++y)
        for (int x = fx0; x <= fx1; ++x) Put(x - Origin.x(), y - Origin.y(), fill, PenXor);
    if (!PenVisible) return;
    // Outline: every border pixel once, so that XOR twice restores it.
    const TPenStyle style = PenStyle;
    PenStyle = TPenStyle::Solid;
    HLine(x0, x1, y0, 0);
    if (y1 > y0) HLine(x0, x1, y1, 0);
    if (y1 - y0 > 1) {
        VLine(x0, y0 + 1, y1 - 1, 0);
        if (x1 > x0) VLine(x1, y0 + 1, y1 - 1, 0);
    }
    PenStyle = style;
}

void TBufferSurface::Ellipse(TPoint a, TPoint b) {
    if (!PenVisible) return;
    const int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    const int y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    if (x1 == x0 || y1 == y0) return;  // an empty box has no outline
    // Outlines wholly outside the buffer cost nothing.
    if (x1 < Origin.x() || y1 < Origin.y() || x0 >= Origin.x() + Buffer.width() ||
        y0 >= Origin.y() + Buffer.height())
        return;
    Touch();
    QPainter& p = Painter();
    QPen pen{QColor::fromRgb(PenArgb)};
    pen.setWidth(0);
    pen.setStyle(PenStyle == TPenStyle::Dot ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.setCompositionMode(PenXor ? QPainter::RasterOp_SourceXorDestination : QPainter::CompositionMode_SourceOver);
    // Qt's outline of a w x h rectangle covers w + 1 pixels: the box a .. b - 1.
    p.drawEllipse(QRect(x0, y0, x1 - x0 - 1, y1 - y0 - 1));
}

TPoint TBufferSurface::TextExtent(const std::string& text) const {
    const QFontMetrics fm(Font);
    const QString s = QString::fromStdString(text);
    return TPoint{fm.horizontalAdvance(s), fm.height()};
}

void TBufferSurface::TextOut(TPoint at, const std::string& text, std::int32_t color) {
    const std::optional<QColor> c = ColorValue::Resolve(color);
    if (!c || text.empty()) return;
    const QFontMetrics fm(Font);
    const QString s = QString::fromStdString(text);
    const QRect box(at.x, at.y, fm.horizontalAdvance(s), fm.height());
    if (!box.intersects(QRect(Origin, Buffer.size()))) return;
    Touch();
    QPainter& p = Painter();
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(*c);
    p.drawText(QPoint(at.x, at.y + fm.ascent()), s);
}

void TBufferSurface::DrawImage(const std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                               std::int32_t stride, TDrawRect src, TDrawRect dst) {
    if (!pixels || width <= 0 || height <= 0 || src.Width <= 0 || src.Height <= 0 || dst.Width <= 0 ||
        dst.Height <= 0)
        return;
    // Keep the source region inside the image.
    if (src.X < 0 || src.Y < 0 || src.X + src.Width > width || src.Y + src.Height > height) return;
    Touch();
    if (src.Width == dst.Width && src.Height == dst.Height) {
        // One to one: copy the visible rows straight into the buffer.
        EndPainter();
        const int bx0 = std::max(dst.X, Origin.x()), bx1 = std::min(dst.X + dst.Width, Origin.x() + Buffer.width());
        const int by0 = std::max(dst.Y, Origin.y()), by1 = std::min(dst.Y + dst.Height, Origin.y() + Buffer.height());
        if (bx0 >= bx1 || by0 >= by1) return;
        const std::size_t bytes = static_cast<std::size_t>(bx1 - bx0) * 4;
        for (int y = by0; y < by1; ++y) {
            const std::uint32_t* in =
                pixels + static_cast<std::size_t>(src.Y + (y - dst.Y)) * stride + (src.X + (bx0 - dst.X));
            std::uint32_t* out = reinterpret_cast<std::uint32_t*>(Buffer.scanLine(y - Origin.y())) + (bx0 - Origin.x());
            std::memcpy(out, in, bytes);
        }
        return;
    }
    // Stretched (the lens): nearest pixel, no smoothing.
    const QImage wrapped(reinterpret_cast<const uchar*>(pixels), width, height,
                         static_cast<qsizetype>(stride) * 4, QImage::Format_RGB32);
    QPainter& p = Painter();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(dst.X, dst.Y, dst.Width, dst.Height), wrapped, QRect(src.X, src.Y, src.Width, src.Height));
    EndPainter();  // the wrapped image must not outlive this call inside the painter
}

void TBufferSurface::FocusRect(TPoint a, TPoint b) {
    const int x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x) - 1;
    const int y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y) - 1;
    if (x1 < x0 || y1 < y0) return;
    EndPainter();
    Touch();
    // Every other border pixel inverted, on a checkerboard so the pattern does not depend
    // on the direction of the drag; each border pixel is visited once.
    auto invert = [&](int x, int y) {
        if (((x + y) & 1) != 0) return;
        const int bx = x - Origin.x(), by = y - Origin.y();
        if (bx < 0 || by < 0 || bx >= Buffer.width() || by >= Buffer.height()) return;
        Put(bx, by, 0xFFFFFFFFu, true);
    };
    const int cx0 = std::max(x0, Origin.x() - 1), cx1 = std::min(x1, Origin.x() + Buffer.width());
    for (int x = cx0; x <= cx1; ++x) {
        invert(x, y0);
        if (y1 > y0) invert(x, y1);
    }
    const int cy0 = std::max(y0 + 1, Origin.y() - 1), cy1 = std::min(y1 - 1, Origin.y() + Buffer.height());
    for (int y = cy0; y <= cy1; ++y) {
        invert(x0, y);
        if (x1 > x0) invert(x1, y);
    }
}

void TBufferSurface::SetCursor(TViewCursor cursor) {
    if (!Target) return;
    switch (cursor) {
    case TViewCursor::SizeWE: Target->setCursor(Qt::SizeHorCursor); break;
    case TViewCursor::SizeNS: Target->setCursor(Qt::SizeVerCursor); break;
    default: Target->unsetCursor(); break;
    }
}

void TBufferSurface::Invalidate() {
    if (OnInvalidate) OnInvalidate();
}
