#pragma once
// IDrawSurface on a back buffer: the kernel draws into a 32-bit image, which the owning
// widget copies to the screen. XOR pens and the focus rectangle invert buffer pixels, so a
// rubber band is erased exactly by drawing it again and never needs a full repaint.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <functional>
#include <memory>

#include "kernel/IDrawSurface.h"

class QPainter;
class QWidget;

class TBufferSurface : public IDrawSurface {
public:
    explicit TBufferSurface(QWidget* target);
    ~TBufferSurface() override;
    TBufferSurface(const TBufferSurface&) = delete;
    TBufferSurface& operator=(const TBufferSurface&) = delete;

    // IDrawSurface
    TPoint ClientSize() const override;
    void SetPen(std::int32_t color, TPenStyle style, bool xorMode) override;
    void Line(TPoint a, TPoint b) override;
    void Rectangle(TPoint a, TPoint b) override;
    void Ellipse(TPoint a, TPoint b) override;
    TPoint TextExtent(const std::string& text) const override;
    void TextOut(TPoint p, const std::string& text, std::int32_t color) override;
    void DrawImage(const std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                   std::int32_t stride, TDrawRect src, TDrawRect dst) override;
    void FocusRect(TPoint a, TPoint b) override;
    void SetCursor(TViewCursor cursor) override;
    void Invalidate() override;

    // The buffer covers the surface points Origin .. Origin + size - 1.
    void Resize(int width, int height);
    void SetOrigin(QPoint origin) {
        EndPainter();
        Origin = origin;
    }
    QPoint GetOrigin() const { return Origin; }
    // Size of the whole surface when it is larger than the buffer (a scrolled view).
    void SetClientSize(TPoint size) { FClientSize = size; FHasClientSize = true; }
    void Clear();  // fills the buffer with the background colour
    // Ends pending painter work; the buffer is then complete.
    void Flush();
    const QImage& Image();

    void SetBackground(const QColor& c) { Background = c; }
    QColor GetBackground() const { return Background; }
    void SetFont(const QFont& f);

    // Called by Invalidate: the owner repaints through its paint handler.
    std::function<void()> OnInvalidate;
    // While set, drawing does not ask the target widget to update (its paint runs already).
    bool InPaint = false;

private:
    QPainter& Painter();
    void EndPainter();
    void Touch();
    void Put(int x, int y, std::uint32_t argb, bool xorMode);
    void HLine(int x0, int x1, int y, int phase);  // x0..x1 inclusive, surface coordinates
    void VLine(int x, int y0, int y1, int phase);

    QWidget* Target;
    QImage Buffer;
    QPoint Origin;
    QColor Background;
    QFont Font;
    TPoint FClientSize;
    bool FHasClientSize = false;
    std::unique_ptr<QPainter> FPainter;

    bool PenVisible = true;
    std::uint32_t PenArgb = 0xFF000000u;
    TPenStyle PenStyle = TPenStyle::Solid;
    bool PenXor = false;
};
