#pragma once
#include <cstdint>

// Separable cubic B-spline resampling of an 8-bit gray image, support radius 2 source
// pixels (scaled by the factor when shrinking). dst must hold dstWidth * dstHeight bytes.
void ResampleBSpline(const std::uint8_t* src, std::int32_t srcWidth, std::int32_t srcHeight,
                     std::uint8_t* dst, std::int32_t dstWidth, std::int32_t dstHeight);
