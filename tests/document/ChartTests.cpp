// The distribution chart drawn without widgets: axis ticks, the stair area, the SVG form.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include "ui/document/DistributionChart.h"

TEST(TNiceTicks, RoundStepsCoverTheRange) {
    struct TCase {
        double Lo, Hi;
        int Count;
        double First, Step, Last;
    };
    const TCase cases[] = {
        {0, 37.3, 8, 0, 5, 40},    {0, 1, 5, 0, 0.2, 1},       {0, 110, 5, 0, 25, 125},
        {0.05, 1.2, 8, 0, 0.2, 1.2}, {-1, 0, 8, -1, 0.2, 0},   {12, 3000, 6, 0, 500, 3000},
        {5, 5, 4, 5, 0.25, 6},     // an empty range becomes one unit wide
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Lo) + ".." + std::to_string(c.Hi));
        const TAxisTicks t = NiceTicks(c.Lo, c.Hi, c.Count);
        EXPECT_DOUBLE_EQ(t.First, c.First);
        EXPECT_DOUBLE_EQ(t.Step, c.Step);
        EXPECT_NEAR(t.Last(), c.Last, 1e-9);
        EXPECT_LE(t.First, c.Lo);
        EXPECT_GE(t.Last() + 1e-9, c.Hi);
    }
}

TEST(TDistributionChart, EachValueHoldsUntilTheNextPointAndTheAreaReachesDownToZero) {
    TDistributionChart chart;
    chart.Points = {{0, 50}, {1, 100}, {2, 0}};
    chart.AreaColor = QColor(255, 0, 0);
    QImage image(400, 300, QImage::Format_RGB32);
    const QRectF box(0, 0, 400, 300);
    {
        QPainter p(&image);
        PaintDistributionChart(p, box, chart);
    }
    const TChartFrame f = DistributionChartFrame(&image, box, chart);
    auto at = [&](double x, double y) { return image.pixelColor(f.Map(x, y).toPoint()); };
    const QColor red(255, 0, 0), white(255, 255, 255);
    EXPECT_EQ(at(0.5, 30), red);
    EXPECT_EQ(at(0.5, 60), white) << "the first step is 50 high";
    EXPECT_EQ(at(1.5, 60), red);
    EXPECT_EQ(at(1.5, 90), red);
    EXPECT_EQ(at(0.5, 90), white);
    EXPECT_EQ(image.pixelColor(2, 2), white) << "white background";

    chart.AreaColor.reset();  // "no colour": the area stays unfilled
    {
        QPainter p(&image);
        PaintDistributionChart(p, box, chart);
    }
    EXPECT_EQ(at(0.5, 30), white);
}

TEST(TDistributionChart, SvgOfAnEmptyAndOfAFullChart) {
    for (const auto& points : {std::vector<std::pair<double, double>>{},
                               std::vector<std::pair<double, double>>{{-1, 100}, {0, 0}}}) {
        TDistributionChart chart;
        chart.Points = points;
        const QByteArray svg = DistributionChartSvg(chart, QSize(560, 240));
        ASSERT_TRUE(svg.startsWith("<?xml")) << svg.left(40).toStdString();
        QSvgRenderer renderer(svg);
        EXPECT_TRUE(renderer.isValid());
        EXPECT_EQ(renderer.viewBoxF(), QRectF(0, 0, 560, 240));
        // Its physical size at 96 pixels to the inch: 148.2 mm wide.
        const QRegularExpressionMatch width = QRegularExpression(QStringLiteral("width=\"([0-9.]+)mm\"")).match(QString::fromUtf8(svg));
        ASSERT_TRUE(width.hasMatch());
        EXPECT_NEAR(width.captured(1).toDouble(), 560 / 96.0 * 25.4, 0.1);
    }
}
