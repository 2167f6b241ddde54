#include "ui/ChartSeries.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>

#include "ui/ColorValues.h"

TChartSeries::TChartSeries(QWidget* parent)
    : FChart(new QChart()), FUpper(new QLineSeries()), FMarks(new QScatterSeries()),
      FAxisX(new QValueAxis()), FAxisY(new QValueAxis()) {
    FChart->setBackgroundBrush(Qt::white);
    FChart->setPlotAreaBackgroundBrush(Qt::white);
    FChart->setPlotAreaBackgroundVisible(true);
    FChart->setTitle(QString());
    FChart->legend()->hide();
    FChart->setDropShadowEnabled(false);
    FChart->setBackgroundRoundness(0);
    FChart->setMargins(QMargins(2, 2, 2, 2));
    FChart->setAnimationOptions(QChart::NoAnimation);

    FArea = new QAreaSeries(FUpper);
    FUpper->setParent(FArea);  // an area series does not own its line
    FArea->setPen(QPen(Qt::black, 1));
    FMarks->setMarkerSize(1);
    FMarks->setColor(Qt::transparent);
    FMarks->setBorderColor(Qt::transparent);
    FMarks->setPointLabelsVisible(true);
    FMarks->setPointLabelsFormat(QStringLiteral("@yPoint"));
    FMarks->setPointLabelsClipping(false);

    FChart->addSeries(FArea);
    FChart->addSeries(FMarks);
    FAxisX->setGridLineVisible(false);
    FAxisX->setLabelFormat(QStringLiteral("%g"));
    FAxisY->setLabelFormat(QStringLiteral("%g"));
    FChart->addAxis(FAxisX, Qt::AlignBottom);
    FChart->addAxis(FAxisY, Qt::AlignLeft);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(FArea), static_cast<QAbstractSeries*>(FMarks)}) {
        s->attachAxis(FAxisX);
        s->attachAxis(FAxisY);
    }
    FAxisX->setRange(0, 1);
    FAxisY->setRange(0, 1);

    FView = new QChartView(FChart, parent);
    FView->setRenderHint(QPainter::Antialiasing, false);
    FView->setFrameShape(QFrame::NoFrame);
    SetAreaColor(ColorValue::Rgb(192, 220, 192));
}

void TChartSeries::Clear() {
    FPoints.clear();
    FShownDirty = true;
}

void TChartSeries::SetAreaColor(std::int32_t color) {
    FAreaColor = color;
    const std::optional<QColor> c = ColorValue::Resolve(color);
    FArea->setBrush(c ? QBrush(*c) : QBrush(Qt::NoBrush));
}

void TChartSeries::AddPoint(double x, double y) {
    FPoints.emplace_back(x, y);
    FShownDirty = true;
}

void TChartSeries::Flush() {
    if (!FShownDirty) return;
    FShownDirty = false;
    // Stairs: each point's value holds until the next point's x.
    QList<QPointF> outline;
    QList<QPointF> marks;
    outline.reserve(static_cast<qsizetype>(FPoints.size()) * 2);
    for (std::size_t i = 0; i < FPoints.size(); ++i) {
        const QPointF p(FPoints[i].first, FPoints[i].second);
        outline.append(p);
        if (i + 1 < FPoints.size()) outline.append(QPointF(FPoints[i + 1].first, p.y()));
        marks.append(p);
    }
    FUpper->replace(outline);
    FMarks->replace(marks);
    if (FPoints.empty()) {
        FAxisX->setRange(0, 1);
        FAxisY->setRange(0, 1);
        return;
    }
    double xmin = FPoints.front().first, xmax = FPoints.front().first, ymax = 0;
    for (const auto& [x, y] : FPoints) {
        xmin = std::min(xmin, x);
        xmax = std::max(xmax, x);
        ymax = std::max(ymax, y);
    }
    if (xmax <= xmin) xmax = xmin + 1;
    FAxisX->setRange(xmin, xmax);
    FAxisX->applyNiceNumbers();
    // Room above the highest step for its value mark; round tick values.
    FAxisY->setRange(0, ymax > 0 ? ymax * 1.15 : 1);
    FAxisY->applyNiceNumbers();
}

int TChartSeries::ShownOutlineCount() const { return static_cast<int>(FUpper->count()); }
