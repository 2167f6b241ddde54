#pragma once
// The texts of the results list and the mapping of the filter range bar: pure functions,
// so that the rules can be checked without windows.
#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "kernel/xResults.h"

// The six rows of the results list: key and value, in the list's order.
std::array<std::pair<std::string, std::string>, 6> ResultsRows(const TAnalysisResults& r,
                                                                const std::string& unit);

// Filter range bar. The bar's columns 0 .. width - 1 cover the image's levels GrayMin to
// GrayMax: step = (GrayMax - GrayMin) / (width - 1).
double BarStep(std::int32_t grayMin, std::int32_t grayMax, std::int32_t width);
// The gray level a column stands for.
std::int32_t BarLevel(std::int32_t x, std::int32_t grayMin, double step);
// The column that marks a gray level (step > 0).
std::int32_t BarColumn(std::int32_t level, std::int32_t grayMin, double step);
