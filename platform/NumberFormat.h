#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Number texts use "." as decimal separator whatever the locale.

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double v);
std::int32_t RoundToInt32(double v);

// General format: up to 15 significant digits from the exact binary value, no trailing
// zeros, no exponent below 1e15 in magnitude ("2.5", "3", "0.125").
std::string FormatGeneral(double v);

// Signed 32-bit integer: decimal, or hexadecimal after "$", "x" or "0x"; optional sign;
// the whole text must convert, without overflow.
bool ParseInt32(std::string_view text, std::int32_t& value);

// Floating-point: optional sign, digits, optional "." and fraction, optional exponent
// after "e"; the whole text must convert.
bool ParseDouble(std::string_view text, double& value);
