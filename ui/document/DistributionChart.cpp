#include "ui/document/DistributionChart.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "platform/NumberFormat.h"

namespace {

constexpr double MarkArrow = 8;  // length of the line from a point to its value mark

QString Text(double v) { return QString::fromStdString(FormatGeneral(v)); }

}  // namespace

TAxisTicks NiceTicks(double lo, double hi, int count) {
    if (!(hi > lo)) hi = lo + 1;
    count = std::max(count, 1);
    const double raw = (hi - lo) / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / magnitude;
    const double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 2.5 ? 2.5 : fraction <= 5 ? 5 : 10;
    TAxisTicks t;
    t.Step = nice * magnitude;
    // A hair of slack so that a limit on a tick does not add a tick for rounding noise.
    const double first = std::floor(lo / t.Step + 1e-9);
    const double last = std::ceil(hi / t.Step - 1e-9);
    t.First = first * t.Step;
    t.Count = std::max(1, static_cast<int>(last - first));
    return t;
}

namespace {

QFont AxisFont(const QRectF& box) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(std::clamp(box.height() / 20, 8.0, 12.0)));
    return font;
}

QFont MarkFont(const QFont& axis) {
    QFont font = axis;
    font.setPixelSize(std::max(7, axis.pixelSize() - 1));
    return font;
}

}  // namespace

QPointF TChartFrame::Map(double x, double y) const {
    return {Plot.left() + (x - X.First) / (X.Last() - X.First) * Plot.width(),
            Plot.bottom() - (y - Y.First) / (Y.Last() - Y.First) * Plot.height()};
}

TChartFrame DistributionChartFrame(const QPaintDevice* device, const QRectF& box, const TDistributionChart& chart) {
    const QFont font = AxisFont(box);
    const QFontMetricsF fm(font, device);
    const QFontMetricsF mfm(MarkFont(font), device);
    const auto& pts = chart.Points;
    double xmin = 0, xmax = 1, ymax = 0;
    if (!pts.empty()) {
        xmin = xmax = pts.front().first;
        for (const auto& [x, y] : pts) {
            xmin = std::min(xmin, x);
            xmax = std::max(xmax, x);
            ymax = std::max(ymax, y);
        }
    }
    TChartFrame f;
    f.X = NiceTicks(xmin, xmax, 8);
    f.Y = NiceTicks(0, ymax > 0 ? ymax * 1.1 : 1, 5);
    double yLabelWidth = 0;
    for (int i = 0; i <= f.Y.Count; ++i)
        yLabelWidth = std::max(yLabelWidth, fm.horizontalAdvance(Text(f.Y.First + i * f.Y.Step)));
    const double xLastWidth = fm.horizontalAdvance(Text(f.X.Last()));
    const double top = mfm.height() + MarkArrow + 6;  // room for the marks over the highest step
    const double left = yLabelWidth + 10, right = std::max(8.0, xLastWidth / 2 + 2), bottom = fm.height() + 10;
    f.Plot = QRectF(box.left() + left, box.top() + top, box.width() - left - right, box.height() - top - bottom);
    return f;
}

void PaintDistributionChart(QPainter& painter, const QRectF& box, const TDistributionChart& chart) {
    painter.save();
    painter.fillRect(box, Qt::white);
    const QFont font = AxisFont(box);
    const QFont markFont = MarkFont(font);
    const QFontMetricsF fm(font, painter.device());
    const QFontMetricsF mfm(markFont, painter.device());
    const auto& pts = chart.Points;
    const TChartFrame frame = DistributionChartFrame(painter.device(), box, chart);
    const QRectF& plot = frame.Plot;
    const TAxisTicks& xt = frame.X;
    const TAxisTicks& yt = frame.Y;
    if (plot.width() <= 1 || plot.height() <= 1) {
        painter.restore();
        return;
    }
    auto px = [&](double x) { return frame.Map(x, 0).x(); };
    auto py = [&](double y) { return frame.Map(0, y).y(); };

    // Grid lines of the value axis only.
    painter.setPen(QPen(QColor(210, 210, 210), 1));
    for (int i = 1; i <= yt.Count; ++i) painter.drawLine(QPointF(plot.left(), py(yt.First + i * yt.Step)), QPointF(plot.right(), py(yt.First + i * yt.Step)));

    // The stairs: each value holds until the next point; the area reaches down to 0.
    if (!pts.empty()) {
        QPolygonF area;
        area << QPointF(px(pts.front().first), py(0));
        for (std::size_t i = 0; i < pts.size(); ++i) {
            area << QPointF(px(pts[i].first), py(pts[i].second));
            if (i + 1 < pts.size()) area << QPointF(px(pts[i + 1].first), py(pts[i].second));
        }
        area << QPointF(px(pts.back().first), py(0));
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(chart.AreaColor ? QBrush(*chart.AreaColor) : QBrush(Qt::NoBrush));
        painter.drawPolygon(area);
        painter.setBrush(Qt::NoBrush);
    }

    // Axes with their ticks and labels.
    painter.setPen(QPen(Qt::black, 1));
    painter.setFont(font);
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    for (int i = 0; i <= yt.Count; ++i) {
        const double v = yt.First + i * yt.Step, y = py(v);
        painter.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
        const QString t = Text(v);
        painter.drawText(QPointF(plot.left() - 6 - fm.horizontalAdvance(t), y + fm.ascent() / 2 - 1), t);
    }
    for (int i = 0; i <= xt.Count; ++i) {
        const double v = xt.First + i * xt.Step, x = px(v);
        painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        const QString t = Text(v);
        painter.drawText(QPointF(x - fm.horizontalAdvance(t) / 2, plot.bottom() + 6 + fm.ascent()), t);
    }

    // A value mark over every point; upright when the marks would run into each other.
    if (!pts.empty()) {
        double widest = 0, closest = plot.width();
        for (std::size_t i = 0; i < pts.size(); ++i) {
            widest = std::max(widest, mfm.horizontalAdvance(Text(pts[i].second)));
            if (i > 0) closest = std::min(closest, px(pts[i].first) - px(pts[i - 1].first));
        }
        const bool upright = closest < widest + 3;
        painter.setFont(markFont);
        for (const auto& [x, y] : pts) {
            const QPointF at(px(x), py(y));
            painter.setPen(QPen(QColor(96, 96, 96), 1));
            painter.drawLine(at, at - QPointF(0, MarkArrow));
            painter.setPen(Qt::black);
            const QString t = Text(y);
            if (upright) {
                painter.save();
                painter.translate(at.x() + mfm.ascent() / 2 - 1, at.y() - MarkArrow - 2);
                painter.rotate(-90);
                painter.drawText(QPointF(0, 0), t);
                painter.restore();
            } else {
                painter.drawText(QPointF(at.x() - mfm.horizontalAdvance(t) / 2, at.y() - MarkArrow - 2 - mfm.descent()), t);
            }
        }
    }
    painter.restore();
}

QByteArray SvgPicture(QSize size, const std::function<void(QPainter&, const QRectF&)>& paint) {
    QByteArray svg;
    QBuffer buffer(&svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(96);
    {
        QPainter painter(&generator);
        paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return svg;
}

QByteArray DistributionChartSvg(const TDistributionChart& chart, QSize size) {
    return SvgPicture(size, [&](QPainter& painter, const QRectF& area) { PaintDistributionChart(painter, area, chart); });
}
