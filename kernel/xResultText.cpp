#include "kernel/xResultText.h"

#include "platform/NumberFormat.h"

std::string ThreeDecimalText(double v) { return FormatGeneral(RoundHalfEven(v * 1000) / 1000); }

std::string PercentText(double fraction) { return FormatGeneral(RoundHalfEven(fraction * 1000) / 10); }

std::string RatioText(double meanDistance, double meanRadius) {
    return FormatGeneral(RoundHalfEven(meanDistance * 100 / meanRadius) / 100);
}

std::string FilledAreaText(double zoneArea, double filling) {
    return FormatGeneral(RoundHalfEven(1000 * zoneArea * filling) / 1000);
}
