#pragma once
// What the results computation needs of a distribution chart series.
#include <cstdint>
#include <utility>
#include <vector>

class ISeries {
public:
    virtual ~ISeries() = default;
    virtual void Clear() = 0;
    virtual void SetAreaColor(std::int32_t color) = 0;
    virtual void AddPoint(double x, double y) = 0;
};

// A series that only keeps its points (reports, the command line, tests).
class TSeriesData : public ISeries {
public:
    void Clear() override { Points.clear(); }
    void SetAreaColor(std::int32_t color) override { AreaColor = color; }
    void AddPoint(double x, double y) override { Points.emplace_back(x, y); }
    std::vector<std::pair<double, double>> Points;
    std::int32_t AreaColor = 0;
};
