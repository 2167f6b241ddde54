#include "ui/ChartPicture.h"

#include <QBuffer>
#include <QChartView>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "ui/document/DistributionChart.h"

namespace {

QSize PictureSize(QChartView& view) { return view.size().expandedTo(QSize(1, 1)); }

// Draws the chart's scene as the view shows it into target.
void RenderChart(QChartView& view, QPainter& painter, const QRectF& target) {
    painter.fillRect(target, Qt::white);
    view.QGraphicsView::render(&painter, target, view.viewport()->rect(), Qt::IgnoreAspectRatio);
}

QByteArray Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? bytes : QByteArray();
}

}  // namespace

QImage ChartBitmap(QChartView& view) {
    QImage image(PictureSize(view), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    RenderChart(view, painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    return image;
}

QByteArray ChartSvg(QChartView& view) {
    return SvgPicture(PictureSize(view),
                      [&](QPainter& painter, const QRectF& area) { RenderChart(view, painter, area); });
}

QByteArray ChartPdf(QChartView& view) {
    const QSize size = PictureSize(view);
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(96);
    // One page the size of the chart (96 pixels to the inch), without margins.
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    RenderChart(view, painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return pdf;
}

QMimeData* ChartBitmapData(QChartView& view) {
    auto* data = new QMimeData;
    data->setImageData(ChartBitmap(view));
    return data;
}

QMimeData* ChartVectorData(QChartView& view) {
    auto* data = new QMimeData;
    const QImage image = ChartBitmap(view);
    data->setData(QStringLiteral("image/svg+xml"), ChartSvg(view));
    data->setData(QStringLiteral("image/png"), Encoded(image, "png"));
    data->setImageData(image);
    return data;
}

QStringList ChartFileFilters() {
    return {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("SVG (*.svg)"), QStringLiteral("PNG (*.png)"),
            QStringLiteral("PDF (*.pdf)")};
}

QString ChartFileExtension(TChartFormat format) {
    switch (format) {
    case TChartFormat::Bitmap: return QStringLiteral(".bmp");
    case TChartFormat::Svg: return QStringLiteral(".svg");
    case TChartFormat::Png: return QStringLiteral(".png");
    case TChartFormat::Pdf: return QStringLiteral(".pdf");
    }
    return {};
}

QString WithChartExtension(const QString& path, TChartFormat format) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    QString stem = path;
    if (!suffix.isEmpty()) stem.chop(suffix.size() + 1);
    return stem + ChartFileExtension(format);
}

QString SaveChartFile(QChartView& view, const QString& path, TChartFormat format) {
    QByteArray bytes;
    switch (format) {
    case TChartFormat::Bitmap: bytes = Encoded(ChartBitmap(view), "bmp"); break;
    case TChartFormat::Png: bytes = Encoded(ChartBitmap(view), "png"); break;
    case TChartFormat::Svg: bytes = ChartSvg(view); break;
    case TChartFormat::Pdf: bytes = ChartPdf(view); break;
    }
    if (bytes.isEmpty()) return QStringLiteral("Cannot draw the chart for %1").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("Cannot create %1: %2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("Cannot write %1: %2").arg(path, reason);
    }
    if (!file.commit()) return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}
