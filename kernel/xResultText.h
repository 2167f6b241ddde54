#pragma once
// Number texts of the results, shared by the results list and the report.
#include <string>

// Value rounded to three decimals (halves to even), general format.
std::string ThreeDecimalText(double v);
// A fraction as per cent with one decimal: 0.12345 -> "12.3".
std::string PercentText(double fraction);
// Mean distance over mean radius with two decimals.
std::string RatioText(double meanDistance, double meanRadius);
// Zone area times filling with three decimals.
std::string FilledAreaText(double zoneArea, double filling);
