#pragma once
// A distribution series of the results panel: the points the results computation adds,
// shown as a filled stair chart (an area over a stepped line) with a value mark on
// every point.
#include <utility>
#include <vector>

#include "kernel/xSeries.h"

class QChart;
class QChartView;
class QAreaSeries;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QWidget;

class TChartSeries : public ISeries {
public:
    // Creates the chart with its series inside a chart view.
    explicit TChartSeries(QWidget* parent);

    void Clear() override;
    void SetAreaColor(std::int32_t color) override;
    void AddPoint(double x, double y) override;

    // Shows the points collected since the last Clear on the chart.
    void Flush();

    QChartView* View() const { return FView; }
    QChart* Chart() const { return FChart; }
    const std::vector<std::pair<double, double>>& Points() const { return FPoints; }
    std::int32_t AreaColor() const { return FAreaColor; }
    // The stair outline actually shown (two corners per step).
    int ShownOutlineCount() const;

private:
    QChartView* FView;
    QChart* FChart;
    QLineSeries* FUpper;
    QAreaSeries* FArea;
    QScatterSeries* FMarks;
    QValueAxis* FAxisX;
    QValueAxis* FAxisY;
    std::vector<std::pair<double, double>> FPoints;
    std::int32_t FAreaColor = 0;
    bool FShownDirty = true;
};
