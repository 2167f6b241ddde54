#include "kernel/xDetectHull.h"

#include <algorithm>

namespace {

std::int64_t Cross(const TPoint& o, const TPoint& a, const TPoint& b) {
    return (std::int64_t{a.x} - o.x) * (std::int64_t{b.y} - o.y) - (std::int64_t{a.y} - o.y) * (std::int64_t{b.x} - o.x);
}

}  // namespace

// Andrew's monotone chain over points in row-major order: the first chain rises in that
// order, the second falls; merging the two gives the vertices in row-major order again.
void THullBuilder::Build(const std::vector<TPoint>& pts, std::vector<TPoint>& hull) {
    hull.clear();
    const std::size_t n = pts.size();
    if (n < 3) {
        hull = pts;
        return;
    }
    Chain.resize(2 * n);
    std::size_t k = 0;
    for (std::size_t i = 0; i < n; ++i) {
        while (k >= 2 && Cross(Chain[k - 2], Chain[k - 1], pts[i]) <= 0) --k;
        Chain[k++] = pts[i];
    }
    const std::size_t first = k;
    for (std::size_t i = n - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && Cross(Chain[k - 2], Chain[k - 1], pts[i]) <= 0) --k;
        Chain[k++] = pts[i];
    }
    // Chain[first .. k - 1) falls; Chain[k - 1] repeats the first point.
    std::size_t a = 0, b = k - 1;
    while (a < first && b > first) {
        if (RowMajorLess(Chain[a], Chain[b - 1])) {
            hull.push_back(Chain[a++]);
        } else {
            hull.push_back(Chain[--b]);
        }
    }
    while (a < first) hull.push_back(Chain[a++]);
    while (b > first) hull.push_back(Chain[--b]);
}

void THullBuilder::Join(std::vector<TPoint>& hull, const std::vector<TPoint>& more) {
    Merged.resize(hull.size() + more.size());
    std::merge(hull.begin(), hull.end(), more.begin(), more.end(), Merged.begin(), RowMajorLess);
    Build(Merged, hull);
}
