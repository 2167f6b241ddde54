#include "ui/ResultsText.h"

#include "kernel/xResultText.h"
#include "platform/NumberFormat.h"

std::array<std::pair<std::string, std::string>, 6> ResultsRows(const TAnalysisResults& r,
                                                                const std::string& unit) {
    std::string distance = " " + ThreeDecimalText(r.MeanDistance);
    if (r.MeanRadius > 0) distance += "  ( " + RatioText(r.MeanDistance, r.MeanRadius) + " )";
    distance += " " + unit;
    return {{
        {" Number", " " + std::to_string(r.Number)},
        {" Radius", " " + ThreeDecimalText(r.MeanRadius) + " " + unit},
        {" Distance", distance},
        {" Filling", " " + PercentText(r.Filling) + " %"},
        {" Zone Area", " " + ThreeDecimalText(r.ZoneArea) + " " + unit + "^2"},
        {" Filled Area", " " + FilledAreaText(r.ZoneArea, r.Filling) + " " + unit + "^2"},
    }};
}

double BarStep(std::int32_t grayMin, std::int32_t grayMax, std::int32_t width) {
    if (width < 2) return 0.0;
    return static_cast<double>(grayMax - grayMin) / static_cast<double>(width - 1);
}

std::int32_t BarLevel(std::int32_t x, std::int32_t grayMin, double step) {
    return grayMin + RoundToInt32(x * step);
}

std::int32_t BarColumn(std::int32_t level, std::int32_t grayMin, double step) {
    return RoundToInt32((level - grayMin) / step);
}
