#include "ui/ImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

TImageView::TImageView(QWidget* parent) : QAbstractScrollArea(parent), FSurface(viewport()) {
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    FSurface.SetBackground(palette().color(QPalette::Window));
    FSurface.SetFont(font());
    FSurface.OnInvalidate = [this] { Invalidate(); };
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void TImageView::Invalidate() {
    NeedFull = true;
    viewport()->update();
}

int TImageView::ViewLeft() const { return -horizontalScrollBar()->value(); }
int TImageView::ViewTop() const { return -verticalScrollBar()->value(); }
int TImageView::ClientWidth() const { return viewport()->width(); }
int TImageView::ClientHeight() const { return viewport()->height(); }

void TImageView::SetViewSize(int width, int height) {
    const QSize s(width, height);
    if (s == FViewSize) return;
    FViewSize = s;
    UpdateScrollBars();
}

void TImageView::UpdateScrollBars() {
    const QSize client = viewport()->size();
    horizontalScrollBar()->setPageStep(client.width());
    verticalScrollBar()->setPageStep(client.height());
    horizontalScrollBar()->setRange(0, std::max(0, FViewSize.width() - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, FViewSize.height() - client.height()));
}

void TImageView::ScrollToTopLeft() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TImageView::PrepareBuffer() {
    FSurface.Resize(viewport()->width(), viewport()->height());
    FSurface.SetOrigin(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
    FSurface.SetClientSize(TPoint{FViewSize.width(), FViewSize.height()});
    FSurface.Clear();
}

void TImageView::Render() {
    if (Rendering) return;  // a progress text let messages run inside a repaint
    Rendering = true;
    FSurface.InPaint = true;
    const bool full = NeedFull;
    NeedFull = false;
    NeedExpose = false;
    if (full && OnPaint) {
        OnPaint();
    } else {
        PrepareBuffer();
        if (OnExpose) OnExpose();
    }
    FSurface.Flush();
    // Scrolling caused by the paint handler itself (fitting the view) was drawn already.
    NeedExpose = false;
    FSurface.InPaint = false;
    Rendering = false;
}

void TImageView::RenderNow() {
    Render();
    viewport()->update();
}

void TImageView::paintEvent(QPaintEvent*) {
    const QImage& img = FSurface.Image();
    if (NeedFull || NeedExpose || img.size() != viewport()->size()) Render();
    QPainter p(viewport());
    p.drawImage(0, 0, FSurface.Image());
}

void TImageView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
    NeedExpose = true;
    if (OnResize) OnResize();
}

void TImageView::scrollContentsBy(int, int) {
    NeedExpose = true;
    viewport()->update();
}

QPoint TImageView::ToView(QMouseEvent* e) const {
    const QPoint p = e->position().toPoint();
    return QPoint(p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value());
}

void TImageView::mousePressEvent(QMouseEvent* e) {
    if (OnMouseDown) OnMouseDown(e, ToView(e));
}

void TImageView::mouseMoveEvent(QMouseEvent* e) {
    if (OnMouseMove) OnMouseMove(e, ToView(e));
}

void TImageView::mouseReleaseEvent(QMouseEvent* e) {
    if (OnMouseUp) OnMouseUp(e, ToView(e));
}
