#include "ui/ResultsText.h"

#include "platform/NumberFormat.h"

namespace {

std::string ThreeDecimals(double v) { return FormatGeneral(RoundHalfEven(v * 1000) / 1000); }
std::string Percent(double fraction) { return FormatGeneral(RoundHalfEven(fraction * 1000) / 10); }
std::string Ratio(double distance, double radius) {
    return FormatGeneral(RoundHalfEven(distance * 100 / radius) / 100);
}
std::string FilledArea(double zoneArea, double filling) {
    return FormatGeneral(RoundHalfEven(1000 * zoneArea * filling) / 1000);
}

}  // namespace

std::array<std::pair<std::string, std::string>, 6> ResultsRows(const TAnalysisResults& r,
                                                                const std::string& unit) {
    std::string distance = " " + ThreeDecimals(r.MeanDistance);
    if (r.MeanRadius > 0) distance += "  ( " + Ratio(r.MeanDistance, r.MeanRadius) + " )";
    distance += " " + unit;
    return {{
        {" Number", " " + std::to_string(r.Number)},
        {" Radius", " " + ThreeDecimals(r.MeanRadius) + " " + unit},
        {" Distance", distance},
        {" Filling", " " + Percent(r.Filling) + " %"},
        {" Zone Area", " " + ThreeDecimals(r.ZoneArea) + " " + unit + "^2"},
        {" Filled Area", " " + FilledArea(r.ZoneArea, r.Filling) + " " + unit + "^2"},
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
