#pragma once
// A fixed paint box with a back buffer: the lens and the filter range bar. Its paint
// handler draws into the buffer when the box was invalidated; otherwise the buffer is
// shown as it is.
#include <QWidget>
#include <functional>

#include "ui/BufferSurface.h"

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    TBufferSurface& Surface() { return FSurface; }
    // Draws the buffer afresh through OnPaint at the next paint.
    void Invalidate();
    // Draws the buffer afresh now (without waiting for the paint event).
    void RenderNow();

    // Draws the box's content into the cleared buffer.
    std::function<void()> OnPaint;
    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;
    std::function<void(QMouseEvent*)> OnMouseUp;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    TBufferSurface FSurface;
    bool Dirty = true;
};
