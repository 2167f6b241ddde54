#include "ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent), FSurface(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FSurface.SetBackground(palette().color(QPalette::Window));
    FSurface.OnInvalidate = [this] { Invalidate(); };
}

void TPaintBox::Invalidate() {
    Dirty = true;
    update();
}

void TPaintBox::RenderNow() {
    FSurface.Resize(width(), height());
    FSurface.InPaint = true;
    FSurface.Clear();
    if (OnPaint) OnPaint();
    FSurface.Flush();
    FSurface.InPaint = false;
    Dirty = false;
}

void TPaintBox::paintEvent(QPaintEvent*) {
    if (Dirty || FSurface.Image().size() != size()) RenderNow();
    QPainter p(this);
    p.drawImage(0, 0, FSurface.Image());
}

void TPaintBox::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Dirty = true;
}

void TPaintBox::mousePressEvent(QMouseEvent* e) {
    if (OnMouseDown) OnMouseDown(e);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* e) {
    if (OnMouseMove) OnMouseMove(e);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* e) {
    if (OnMouseUp) OnMouseUp(e);
}
