#pragma once
// Convex hulls of pixel positions, for the farthest pixel of a merged feature.
//
// The largest rounded squared distance q of a feature's pixels from its centre is reached
// at a vertex of the convex hull of the pixel centres. A pixel p inside the hull that is not
// a vertex is a convex combination of vertices v_i, all at least 1 away from it (distinct
// lattice points), and |p - c|^2 = sum w_i |v_i - c|^2 - sum w_i |v_i - p|^2 <= R^2 - 1 for
// R the largest vertex distance. Rounding moves q by a few units in the last place of R^2,
// which stays below 1 while R^2 < 2^48, so no such p can exceed the farthest vertex.
#include <cstdint>
#include <vector>

#include "settings/xScale.h"  // TPoint

// Largest squared radius for which the hull vertices settle the farthest pixel.
inline constexpr double HullExactLimit = 0x1p48;

class THullBuilder {
public:
    // hull := the vertices of the convex hull of pts; both in row-major order (y, then x).
    void Build(const std::vector<TPoint>& pts, std::vector<TPoint>& hull);
    // hull := the hull of hull and more, all in row-major order.
    void Join(std::vector<TPoint>& hull, const std::vector<TPoint>& more);

    static bool RowMajorLess(const TPoint& a, const TPoint& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

private:
    std::vector<TPoint> Chain, Merged;
};
