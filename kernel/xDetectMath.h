#pragma once
// Exact measures of pixel sets given as horizontal segments, shared by the parts of the
// detection. The results equal those of TDot::Compute over the same pixels in any order.
#include <cstdint>

#include "kernel/xDot.h"

namespace Detect {

// A horizontal piece of a pixel set, both ends included.
struct TSegment {
    std::int32_t Y;
    std::int32_t X0;
    std::int32_t X1;
};

// Twice the sums of the pixel centres x + 0.5 and y + 0.5 over a segment (integers).
inline std::int64_t TwiceSumX(std::int32_t x0, std::int32_t x1) {
    const std::int64_t len = std::int64_t{x1} - x0 + 1;
    return len * (2 * std::int64_t{x0} + len);
}
inline std::int64_t TwiceSumY(std::int32_t y, std::int64_t len) { return len * (2 * std::int64_t{y} + 1); }

// The centre as Compute forms it: the exact sum, one division by the pixel count.
inline double Centre(std::int64_t twiceSum, std::int64_t n) {
    return (static_cast<double>(twiceSum) * 0.5) / static_cast<double>(n);
}

// The largest squared distance over a segment: the distance grows monotonically away from
// the point nearest the centre, also after rounding, so one end holds the maximum.
inline double SegmentFarthest(std::int32_t y, std::int32_t x0, std::int32_t x1, double cx, double cy) {
    const double a = TDot::PixelDistance2(x0, y, cx, cy);
    const double b = TDot::PixelDistance2(x1, y, cx, cy);
    return a > b ? a : b;
}

}  // namespace Detect
