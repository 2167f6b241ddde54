#include "kernel/xResults.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

bool DotPasses(const TDot& f, const TFilterSettings& filter, double largestRadius) {
    if (filter.FFilter && static_cast<double>(filter.FBarrier) / 100.0 > f.Filling) return false;
    if (filter.RFilter &&
        (static_cast<double>(filter.RBarrier) / 100.0) * largestRadius >= DotRadius(f, filter.FillRad))
        return false;
    return true;
}

namespace {

// Beyond this many unit steps from 0 the counting starts next to the lower limit instead.
constexpr double MaxCountSteps = 100000.0;

}  // namespace

void ChooseBins(double& lo, double& hi, double& step) {
    const double r = hi - lo;
    if (r < 0 || !std::isfinite(r)) {
        step = 0;
        return;
    }
    if (r == 0) {
        lo = std::ceil(hi) - 1;
        hi = lo + 1;
        step = 1;
        return;
    }
    double unit = std::pow(10.0, std::ceil(std::log10(r / 10))) * 0.1;
    double start = 0.0;
    if (hi / unit > MaxCountSteps) {
        // Counting from 0 would take more than MaxCountSteps steps (values far from 0
        // compared with their spread) and, once the unit falls below the resolution of
        // double there, would never end. Count from the largest multiple of the unit not
        // above the lower limit instead, with a unit of at least 2^12 units in the last
        // place of the limits so that every step advances.
        const double minUnit = std::ldexp(std::fabs(hi), -40);
        if (unit < minUnit) unit = std::pow(10.0, std::ceil(std::log10(minUnit * 10))) * 0.1;
        start = std::floor(lo / unit) * unit;
        while (start > lo) start -= unit;
    }
    double e = start;
    std::int32_t n = 0;
    do {
        ++n;
        e = e + unit;
        if (std::fabs(e - hi) < 1e-7) e = hi;
    } while (!(e >= hi));
    if (n > 30) {
        unit = unit * (n > 60 ? 4.0 : 2.0);
        if (e - unit >= hi) e = e - unit;
    } else if (n < 15) {
        unit = unit * 0.5;
        if (e - unit >= hi) e = e - unit;
    }
    lo = start;
    hi = e;
    step = unit;
}

namespace {

// "None seen yet" is a minimum above the maximum; the first value sets both.
struct TRange {
    double Min = 1.0;
    double Max = 0.0;
    void Widen(double v) {
        if (Min > Max) {
            Min = Max = v;
        } else {
            if (v < Min) Min = v;
            if (v > Max) Max = v;
        }
    }
};

struct TScratch {
    std::vector<double> Edges;
    std::vector<std::int32_t> Counts;
};

// One distribution: bins from lo in steps of step while the edge is below hi, the edge
// accumulated as e := e + step; bin (e, e + step] gets the share of the values in it, in per
// cent with one decimal; then the closing point. The edges rise strictly, so a value lies in
// at most one bin, found by bisection.
void FillSeries(ISeries& series, double lo, double hi, const std::vector<double>& values, std::int32_t number,
                TScratch& s) {
    double step = 0.0;
    ChooseBins(lo, hi, step);
    s.Edges.clear();
    double e = lo;
    while (e < hi) {
        const double next = e + step;
        if (!(next > e)) break;  // no progress possible; ChooseBins never gives such limits
        s.Edges.push_back(e);
        e = next;
    }
    const std::size_t bins = s.Edges.size();
    s.Edges.push_back(e);
    s.Counts.assign(bins, 0);
    if (bins > 0) {
        // The bin of a value from its distance to the origin in steps, then moved until the
        // accumulated edges (which drift from lo + i * step by rounding) confirm it.
        const double* edges = s.Edges.data();
        const double inv = 1.0 / step;
        for (const double v : values) {
            if (!(v > edges[0] && v <= edges[bins])) continue;
            double guess = std::floor((v - lo) * inv);
            std::size_t i = guess < 0 ? 0 : guess >= static_cast<double>(bins) ? bins - 1 : static_cast<std::size_t>(guess);
            while (i > 0 && !(edges[i] < v)) --i;
            while (i + 1 < bins && edges[i + 1] < v) ++i;
            ++s.Counts[i];
        }
    }
    for (std::size_t i = 0; i < bins; ++i) {
        const double share = static_cast<double>(std::int64_t{s.Counts[i]} * 1000) / static_cast<double>(number);
        series.AddPoint(s.Edges[i], std::nearbyint(share) / 10.0);
    }
    series.AddPoint(e, 0.0);
}

// ---- nearest neighbours ----
//
// The distance of feature f is what the loop over all other passing features in list order
// leaves: g := d while g is 0, else g := d when d < g. A distance of 0 (an identical centre)
// therefore resets g and the next distance replaces it, so g ends as the smallest distance
// to the features after the last one with f's centre, or 0 when that one is the last, or the
// plain minimum when no other feature shares the centre. The square root is monotone, so
// the minimum of the roots is the root of the smallest squared distance.

double Distance2(double x0, double y0, double x1, double y1) {
    const double dx = x0 - x1;
    const double dy = y0 - y1;
    return dx * dx + dy * dy;
}

// The loop itself, for few features.
void NearestLiteral(const std::vector<double>& xs, const std::vector<double>& ys, std::vector<double>& g) {
    const std::size_t m = xs.size();
    for (std::size_t i = 0; i < m; ++i) {
        double v = 0.0;
        for (std::size_t h = 0; h < m; ++h) {
            if (h == i) continue;
            const double d = std::sqrt(Distance2(xs[i], ys[i], xs[h], ys[h]));
            if (v > 0) {
                if (v > d) v = d;
            } else {
                v = d;
            }
        }
        g[i] = v;
    }
}

// Features binned by centre in square cells whose size is a power of two, so that the cell
// of a point is exact and every point outside a block of cells is provably farther than the
// block's border.
class TNearestGrid {
public:
    TNearestGrid(const std::vector<double>& xs, const std::vector<double>& ys) : Xs(xs), Ys(ys) {}

    bool Build() {
        const std::size_t m = Xs.size();
        double minX = Xs[0], maxX = Xs[0], minY = Ys[0], maxY = Ys[0];
        for (std::size_t i = 0; i < m; ++i) {
            if (!std::isfinite(Xs[i]) || !std::isfinite(Ys[i])) return false;
            minX = std::min(minX, Xs[i]);
            maxX = std::max(maxX, Xs[i]);
            minY = std::min(minY, Ys[i]);
            maxY = std::max(maxY, Ys[i]);
        }
        // About one feature per cell: the power of two at or below the side of a square of
        // the average area per feature.
        const double area = std::max(maxX - minX, 1e-6) * std::max(maxY - minY, 1e-6);
        int exp = 0;
        std::frexp(std::sqrt(area / static_cast<double>(m)), &exp);
        Size = std::ldexp(1.0, exp - 1);
        const double maxAbs = std::max({std::fabs(minX), std::fabs(maxX), std::fabs(minY), std::fabs(maxY)});
        while (maxAbs / Size > 0x1p52) Size *= 2.0;
        const double maxCells = 4.0 * static_cast<double>(m) + 64.0;
        for (;;) {
            BaseX = Floor(minX);
            BaseY = Floor(minY);
            NX = Floor(maxX) - BaseX + 1;
            NY = Floor(maxY) - BaseY + 1;
            if (static_cast<double>(NX) * static_cast<double>(NY) <= maxCells) break;
            Size *= 2.0;
        }
        Start.assign(static_cast<std::size_t>(NX * NY) + 1, 0);
        CellOf.resize(m);
        for (std::size_t i = 0; i < m; ++i) {
            CellOf[i] = (Floor(Ys[i]) - BaseY) * NX + (Floor(Xs[i]) - BaseX);
            ++Start[static_cast<std::size_t>(CellOf[i]) + 1];
        }
        for (std::size_t c = 1; c < Start.size(); ++c) Start[c] += Start[c - 1];
        Order.resize(m);
        std::vector<std::int64_t> fill(Start.begin(), Start.end() - 1);
        for (std::size_t i = 0; i < m; ++i) {
            const std::size_t at = static_cast<std::size_t>(fill[static_cast<std::size_t>(CellOf[i])]++);
            Order[at] = {Xs[i], Ys[i], static_cast<std::int32_t>(i)};
        }
        return true;
    }

    // Visits the features cell by cell, for locality.
    template <typename TFunc>
    void ForEachInCellOrder(TFunc f) const {
        for (const TEntry& e : Order) f(e.Index);
    }

    // The distance the list loop gives feature i.
    double Nearest(std::int32_t i) const {
        const std::int64_t cell = CellOf[static_cast<std::size_t>(i)];
        const std::int64_t cx = cell % NX, cy = cell / NX;
        std::int32_t lastTwin = -1;
        double best = Search(i, cx, cy, -1, &lastTwin, std::numeric_limits<std::int64_t>::max());
        if (lastTwin < 0) return best < std::numeric_limits<double>::infinity() ? std::sqrt(best) : 0.0;
        // Only the features after the last twin count.
        const std::int64_t eligible = static_cast<std::int64_t>(Xs.size()) - 1 - lastTwin - (i > lastTwin ? 1 : 0);
        if (eligible <= 0) return 0.0;
        best = Search(i, cx, cy, lastTwin, nullptr, eligible);
        if (best < 0) {
            // The block grew past the number of candidates: scan them in list order.
            best = std::numeric_limits<double>::infinity();
            for (std::size_t h = static_cast<std::size_t>(lastTwin) + 1; h < Xs.size(); ++h) {
                if (h == static_cast<std::size_t>(i)) continue;
                best = std::min(best, Distance2(Xs[static_cast<std::size_t>(i)], Ys[static_cast<std::size_t>(i)], Xs[h], Ys[h]));
            }
        }
        return std::sqrt(best);
    }

private:
    struct TEntry {
        double X, Y;
        std::int32_t Index;
    };

    std::int64_t Floor(double v) const { return static_cast<std::int64_t>(std::floor(v / Size)); }

    // Smallest squared distance from feature i to the features with index above after,
    // other than i and (when twins is given) other than those at distance 0, whose last
    // index goes to *twins. Rings of cells grow around i's cell until the border of the
    // block lies farther than the best distance. Returns -1 when more than cellCap cells
    // were looked at, infinity when nothing qualifies.
    double Search(std::int32_t i, std::int64_t cx, std::int64_t cy, std::int32_t after, std::int32_t* twins,
                  std::int64_t cellCap) const {
        const double x = Xs[static_cast<std::size_t>(i)], y = Ys[static_cast<std::size_t>(i)];
        double best = std::numeric_limits<double>::infinity();
        std::int64_t cells = 0;
        for (std::int64_t k = 0;; ++k) {
            const std::int64_t x0 = cx - k, x1 = cx + k, y0 = cy - k, y1 = cy + k;
            for (std::int64_t yy = std::max<std::int64_t>(y0, 0); yy <= std::min(y1, NY - 1); ++yy) {
                const bool edgeRow = yy == y0 || yy == y1;
                for (std::int64_t xx = std::max<std::int64_t>(x0, 0); xx <= std::min(x1, NX - 1); ++xx) {
                    if (!edgeRow && xx != x0 && xx != x1) {
                        xx = x1 - 1;  // inner cells were looked at in earlier rings
                        continue;
                    }
                    ++cells;
                    const std::size_t c = static_cast<std::size_t>(yy * NX + xx);
                    for (std::int64_t p = Start[c]; p < Start[c + 1]; ++p) {
                        const TEntry& h = Order[static_cast<std::size_t>(p)];
                        if (h.Index == i || h.Index <= after) continue;
                        const double dd = Distance2(x, y, h.X, h.Y);
                        if (dd == 0 && twins) {
                            *twins = std::max(*twins, h.Index);
                        } else if (dd < best) {
                            best = dd;
                        }
                    }
                }
            }
            if (cells > cellCap) return -1.0;
            // Twins lie in i's cell; the first ring settles them and every later one only
            // narrows the minimum.
            const double inf = std::numeric_limits<double>::infinity();
            const double gapL = x0 <= 0 ? inf : x - static_cast<double>(x0 + BaseX) * Size;
            const double gapR = x1 >= NX - 1 ? inf : static_cast<double>(x1 + 1 + BaseX) * Size - x;
            const double gapT = y0 <= 0 ? inf : y - static_cast<double>(y0 + BaseY) * Size;
            const double gapB = y1 >= NY - 1 ? inf : static_cast<double>(y1 + 1 + BaseY) * Size - y;
            const double gap = std::min({gapL, gapR, gapT, gapB});
            if (gap == inf) return best;
            if (gap * gap > best) return best;
        }
    }

    const std::vector<double>& Xs;
    const std::vector<double>& Ys;
    double Size = 1.0;
    std::int64_t BaseX = 0, BaseY = 0, NX = 1, NY = 1;
    std::vector<std::int64_t> Start;
    std::vector<std::int64_t> CellOf;
    std::vector<TEntry> Order;
};

void NearestDistances(const std::vector<double>& xs, const std::vector<double>& ys, std::vector<double>& g) {
    g.assign(xs.size(), 0.0);
    if (xs.size() <= 32) {
        NearestLiteral(xs, ys, g);
        return;
    }
    TNearestGrid grid(xs, ys);
    if (!grid.Build()) {
        NearestLiteral(xs, ys, g);
        return;
    }
    grid.ForEachInCellOrder([&](std::int32_t i) { g[static_cast<std::size_t>(i)] = grid.Nearest(i); });
}

}  // namespace

void ComputeResults(std::vector<TDot>& dots, const TResultsInput& in, double& smallestRadius, double& largestRadius,
                    TAnalysisResults& r, ISeries& radiusSeries, ISeries& distanceSeries, ISeries& areaSeries) {
    r.Number = 0;
    r.MeanRadius = 0.0;
    r.Filling = 0.0;
    r.MeanDistance = 0.0;
    for (ISeries* s : {&radiusSeries, &distanceSeries, &areaSeries}) {
        s->Clear();
        s->SetAreaColor(in.GraphsColor);
    }
    if (dots.empty()) return;

    const bool fillRad = in.Filter.FillRad;
    smallestRadius = 1.0;
    largestRadius = 0.0;
    for (const TDot& f : dots) {
        const double rf = DotRadius(f, fillRad);
        if (smallestRadius > largestRadius) {
            smallestRadius = largestRadius = rf;
        } else {
            if (rf < smallestRadius) smallestRadius = rf;
            if (rf > largestRadius) largestRadius = rf;
        }
    }

    // The passing features in list order, with what the totals and the radius and area
    // distributions need; their distances follow once all of them are known. Each sum
    // still runs in list order.
    const double factor = in.Factor;
    std::vector<std::size_t> passing;
    std::vector<double> xs, ys, radii, areas;
    passing.reserve(dots.size());
    xs.reserve(dots.size());
    ys.reserve(dots.size());
    radii.reserve(dots.size());
    areas.reserve(dots.size());
    double radiusSum = 0.0, pixelSum = 0.0;
    TRange areaRange;
    for (std::size_t i = 0; i < dots.size(); ++i) {
        TDot& f = dots[i];
        if (!DotPasses(f, in.Filter, largestRadius)) continue;
        passing.push_back(i);
        xs.push_back(f.X);
        ys.push_back(f.Y);
        r.Number += 1;
        const double rf = DotRadius(f, fillRad);
        radiusSum += rf;
        radii.push_back(factor * rf);
        pixelSum += ((M_PI * f.Filling) * f.Radius) * f.Radius;
        const double s = factor * f.Radius;
        f.Area = ((M_PI * f.Filling) * s) * s;
        areaRange.Widen(f.Area);
        areas.push_back(f.Area);
    }
    std::vector<double> distances;
    NearestDistances(xs, ys, distances);
    double distanceSum = 0.0;
    TRange distanceRange;
    for (std::size_t k = 0; k < passing.size(); ++k) {
        TDot& f = dots[passing[k]];
        f.Distance = factor * distances[k];
        distances[k] = f.Distance;
        distanceRange.Widen(f.Distance);
        distanceSum += f.Distance;
    }
    if (r.Number >= 1) {
        r.MeanDistance = distanceSum / r.Number;
        r.MeanRadius = factor * (radiusSum / r.Number);
    }
    const std::int64_t w = std::int64_t{in.Right} - in.Left + 1;
    const std::int64_t h = std::int64_t{in.Bottom} - in.Top + 1;
    r.ZoneArea = (factor * static_cast<double>(w)) * (factor * static_cast<double>(h));
    const double p = static_cast<double>(w * h);
    r.Filling = std::fabs(p) <= 1e-12 ? 0.0 : pixelSum / p;
    if (r.Number < 1) return;

    TScratch scratch;
    FillSeries(radiusSeries, 0.0, factor * largestRadius, radii, r.Number, scratch);
    FillSeries(distanceSeries, 0.0, distanceRange.Max, distances, r.Number, scratch);
    FillSeries(areaSeries, areaRange.Min, areaRange.Max, areas, r.Number, scratch);
}
