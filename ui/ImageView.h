#pragma once
// The scrollable image view: a paint box of any size inside a scroll box. Only the visible
// part has a back buffer; the kernel draws in view coordinates (the paint box's), the
// buffer's origin follows the scroll position.
#include <QAbstractScrollArea>
#include <functional>

#include "ui/BufferSurface.h"

class TImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TImageView(QWidget* parent = nullptr);

    TBufferSurface& Surface() { return FSurface; }

    // A full repaint through OnPaint at the next paint (results, picture, overlays).
    void Invalidate();
    // Size of the paint box, which the scroll bars cover.
    void SetViewSize(int width, int height);
    QSize ViewSize() const { return FViewSize; }
    // The paint box's left and top in the scroll box (negative when scrolled).
    int ViewLeft() const;
    int ViewTop() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void ScrollToTopLeft();
    // Sizes and clears the buffer for the visible part; the paint handler calls it right
    // before the picture is drawn.
    void PrepareBuffer();
    // Paints now what a paint event would (used where the view must be current at once).
    void RenderNow();

    std::function<void()> OnPaint;   // full repaint: must call PrepareBuffer, then draw
    std::function<void()> OnExpose;  // the buffer was cleared for a new visible part: draw
    std::function<void()> OnResize;
    // Pointer events in view coordinates.
    std::function<void(QMouseEvent*, QPoint)> OnMouseDown;
    std::function<void(QMouseEvent*, QPoint)> OnMouseMove;
    std::function<void(QMouseEvent*, QPoint)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void UpdateScrollBars();
    void Render();
    QPoint ToView(QMouseEvent* e) const;

    TBufferSurface FSurface;
    QSize FViewSize{8, 8};
    bool NeedFull = true;
    bool NeedExpose = true;
    bool Rendering = false;
};
