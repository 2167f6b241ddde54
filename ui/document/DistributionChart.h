#pragma once
// A distribution chart drawn from its points with QPainter alone (no widgets), so that
// documents can be made without a window system: the stair area of the points in the
// graphs colour, a value mark over every point, a value axis with grid lines on the
// left and a bottom axis without them, on white.
#include <QByteArray>
#include <QPainter>
#include <QColor>
#include <QRectF>
#include <QSize>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QPaintDevice;
class QPainter;

struct TDistributionChart {
    // (x, y) in ascending x, as the results computation adds them; each y holds up to
    // the next point's x.
    std::vector<std::pair<double, double>> Points;
    // Fill of the stair area; none leaves it unfilled.
    std::optional<QColor> AreaColor;
};

// Round tick values covering [lo, hi]: first tick <= lo, last >= hi, about `count` steps.
struct TAxisTicks {
    double First = 0;
    double Step = 1;
    int Count = 1;  // number of steps; ticks are First + i * Step for i = 0..Count
    double Last() const { return First + Count * Step; }
};
TAxisTicks NiceTicks(double lo, double hi, int count);

// Where the chart's plot lies in its box and how data map onto it.
struct TChartFrame {
    QRectF Plot;
    TAxisTicks X;
    TAxisTicks Y;
    QPointF Map(double x, double y) const;
};
// The frame of chart in box on device (the labels' fonts decide the margins).
TChartFrame DistributionChartFrame(const QPaintDevice* device, const QRectF& box, const TDistributionChart& chart);

// Paints the chart into box (logical units of the painter's device).
void PaintDistributionChart(QPainter& painter, const QRectF& box, const TDistributionChart& chart);
// The chart as an SVG picture of size logical pixels (96 per inch).
QByteArray DistributionChartSvg(const TDistributionChart& chart, QSize size);

// An SVG picture of the given size (96 dpi, view box in pixels) of what paint draws into
// the rectangle it is handed.
QByteArray SvgPicture(QSize size, const std::function<void(QPainter&, const QRectF&)>& paint);

