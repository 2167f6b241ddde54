#include "kernel/xDetect.h"

// How the detection gets the results of the pixel-by-pixel flood without flooding every
// pixel.
//
// The flood from a seed gathers the unexamined band pixels 4-connected to it, depth first,
// at most FloodLimit of them. All measures of a group follow from its pixel set alone: the
// sums of the half-integer pixel centres are exact in double whatever their order, and the
// farthest pixel of a horizontal run from the centre is one of the run's two ends. A
// connected region of the band of at most FloodLimit pixels is taken whole by the flood
// from its first pixel in row-major order, so such regions are found by labelling runs of
// band pixels and measured from their runs. Only in a region of more pixels does the
// visiting order decide which pixels each group takes; those regions are flooded in exactly
// the depth-first order (kernel/xDetectFlood.h), and their groups are slotted into the
// row-major order of all seeds.
//
// The containment merge compares each new feature with the existing ones through an index
// of their centres (kernel/xDetectIndex.h) and takes the first match in list order, as a
// scan of the list would; a merged feature's farthest pixel is found from its runs, or once
// it has grown, from the convex hull of its pixels (kernel/xDetectHull.h).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "kernel/xDetectAlloc.h"
#include "kernel/xDetectFlood.h"
#include "kernel/xDetectHull.h"
#include "kernel/xDetectIndex.h"
#include "kernel/xDetectMath.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using namespace Detect;

// A horizontal run of band pixels, both ends included; its row is known from its place.
// Label is first the parent in the union-find, then the region number.
struct TRun {
    std::int32_t X0;
    std::int32_t X1;
    std::int32_t Label;
};

// ---- runs of band pixels in one row ----

class TRowScanner {
public:
    TRowScanner(std::uint8_t lo, std::uint8_t hi) : Lo(lo), Span(static_cast<std::uint8_t>(hi - lo)) {}

    // Appends the runs between columns left and right of a row (row points at column 0).
    void Scan(const std::uint8_t* row, std::int32_t left, std::int32_t right, TBigVector<TRun>& runs) const {
        const std::uint8_t* p = row + left;
        const std::int32_t n = right - left + 1;
        std::int32_t i = 0;
        bool open = false;
        std::int32_t start = 0;
#if defined(__SSE2__)
        const __m128i lo = _mm_set1_epi8(static_cast<char>(Lo));
        const __m128i span = _mm_set1_epi8(static_cast<char>(Span));
        for (; i + 64 <= n; i += 64) {
            const std::uint64_t m = Mask64(p + i, lo, span);
            if (open ? m == ~std::uint64_t{0} : m == 0) continue;
            std::int32_t b = 0;
            while (b < 64) {
                if (!open) {
                    const std::uint64_t rest = m >> b;
                    if (rest == 0) break;
                    b += __builtin_ctzll(rest);
                    start = i + b;
                    open = true;
                } else {
                    const std::uint64_t rest = ~m >> b;
                    if (rest == 0) break;
                    b += __builtin_ctzll(rest);
                    Add(runs, left + start, left + i + b - 1);
                    open = false;
                }
            }
        }
#endif
        for (; i < n; ++i) {
            const bool in = static_cast<std::uint8_t>(p[i] - Lo) <= Span;
            if (in != open) {
                if (in) {
                    start = i;
                } else {
                    Add(runs, left + start, left + i - 1);
                }
                open = in;
            }
        }
        if (open) Add(runs, left + start, left + n - 1);
    }

private:
    static void Add(TBigVector<TRun>& runs, std::int32_t x0, std::int32_t x1) {
        runs.push_back({x0, x1, static_cast<std::int32_t>(runs.size())});
    }

#if defined(__SSE2__)
    // Bit j set when p[j] lies in the band: (p[j] - lo) mod 256 <= span.
    static std::uint64_t Mask64(const std::uint8_t* p, __m128i lo, __m128i span) {
        std::uint64_t m = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k)), lo);
            const __m128i in = _mm_cmpeq_epi8(_mm_min_epu8(v, span), v);
            m |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(in)) & 0xFFFFu) << (16 * k);
        }
        return m;
    }
#endif
    std::uint8_t Lo;
    std::uint8_t Span;
};

// ---- the detection ----

struct TRegion {
    std::int64_t N = 0;
    std::int64_t S2X = 0;
    std::int64_t S2Y = 0;
    std::int64_t Key = 0;        // row-major position of its first pixel
    double X = 0.0;
    double Y = 0.0;
    double R2 = 0.0;
    std::int32_t LastRow = 0;    // zone row of its last run
    std::int32_t MinX = 0;       // columns its runs span
    std::int32_t MaxX = 0;
    std::int32_t FirstRun = 0;   // its first run in row-major order
};

// What the detection keeps of a feature while the scan runs; its centre follows from the
// sums, its radius from R2.
struct TFeature {
    std::int64_t N = 0;
    std::int64_t S2X = 0;
    std::int64_t S2Y = 0;
    double R2 = 0.0;
    std::int32_t FirstGroup = -1;  // the groups merged into it, chained by GroupNext
    std::int32_t LastGroup = -1;
    std::int32_t Groups = 1;
    std::int32_t Hull = -1;        // its convex hull, kept once it has grown by merges
};

class TDetector {
public:
    TDetector(const std::uint8_t* gray, std::int32_t width, std::int32_t left, std::int32_t top,
              std::int32_t right, std::int32_t bottom)
        : Gray(gray), Width(width), Left(left), Top(top), Right(right), Bottom(bottom), Flood(width) {}

    void Run(std::uint8_t lo, std::uint8_t hi, bool containment, std::vector<TDot>& dots) {
        Containment = containment;
        LabelRuns(lo, hi);
        FloodLargeRegions();
        MeasureAndBuild();
        dots.reserve(Features.size());
        for (const TFeature& f : Features) {
            TDot& d = dots.emplace_back();
            d.X = Centre(f.S2X, f.N);
            d.Y = Centre(f.S2Y, f.N);
            d.PixelCount = static_cast<std::int32_t>(f.N);
            d.SetShape(f.R2);
        }
    }

private:
    static bool IsWhole(const TRegion& g) { return g.N <= FloodLimit; }
    static bool IsFeature(const TRegion& g) { return g.N >= 4 && IsWhole(g); }

    std::int32_t RowOf(std::size_t k) const { return Top + static_cast<std::int32_t>(k); }

    // Runs of the band in the zone, joined into 4-connected regions (union-find over runs,
    // the earlier run staying the root); regions numbered in the row-major order of their
    // first pixel, with pixel count, centre sums and extent. The sums gather in a slot per
    // root as runs join; the slots of roots that survive are the regions, already in order.
    void LabelRuns(std::uint8_t lo, std::uint8_t hi) {
        const TRowScanner scanner(lo, hi);
        const std::size_t rows = static_cast<std::size_t>(Bottom - Top) + 1;
        const std::size_t pixels = static_cast<std::size_t>(Right - Left + 1) * rows;
        // Address space only: pages are touched as runs and slots arrive.
        Runs.reserve(pixels / 4 + 64);
        Regions.reserve(pixels / 16 + 64);
        RowStart.assign(rows + 1, 0);
        for (std::size_t k = 0; k < rows; ++k) {
            const std::int32_t y = RowOf(k);
            const std::size_t prevBegin = k > 0 ? RowStart[k - 1] : 0;
            const std::size_t curBegin = Runs.size();
            RowStart[k] = curBegin;
            scanner.Scan(Gray + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width), Left, Right, Runs);
            const std::size_t curEnd = Runs.size();
            std::size_t i = prevBegin;
            for (std::size_t j = curBegin; j < curEnd; ++j) {
                const std::int32_t x0 = Runs[j].X0, x1 = Runs[j].X1;
                while (i < curBegin && Runs[i].X1 < x0) ++i;
                std::int32_t root = -1;
                for (std::size_t a = i; a < curBegin && Runs[a].X0 <= x1; ++a) {
                    const std::int32_t ra = Find(static_cast<std::int32_t>(a));
                    if (root < 0) {
                        root = ra;
                    } else if (ra != root) {
                        root = Unite(root, ra);
                    }
                }
                TRegion* g;
                if (root < 0) {
                    Runs[j].Label = -1 - static_cast<std::int32_t>(Regions.size());
                    g = &Regions.emplace_back();
                    g->Key = std::int64_t{y} * Width + x0;
                    g->MinX = x0;
                    g->MaxX = x1;
                    g->FirstRun = static_cast<std::int32_t>(j);
                } else {
                    Runs[j].Label = root;
                    g = &Regions[SlotOf(root)];
                    g->MinX = std::min(g->MinX, x0);
                    g->MaxX = std::max(g->MaxX, x1);
                }
                const std::int64_t len = std::int64_t{x1} - x0 + 1;
                g->N += len;
                g->S2X += TwiceSumX(x0, x1);
                g->S2Y += TwiceSumY(y, len);
                g->LastRow = static_cast<std::int32_t>(k);
            }
        }
        RowStart[rows] = Runs.size();
        // A slot emptied by a union is no region.
        SlotRegion.resize(Regions.size());
        std::size_t live = 0;
        for (std::size_t slot = 0; slot < Regions.size(); ++slot) {
            if (Regions[slot].N == 0) {
                SlotRegion[slot] = -1;
                continue;
            }
            SlotRegion[slot] = static_cast<std::int32_t>(live);
            if (live != slot) Regions[live] = Regions[slot];
            ++live;
        }
        Regions.resize(live);
    }

    // A root run's label is -1 - its slot; every other run's is its parent, an earlier run.
    std::size_t SlotOf(std::int32_t root) const {
        return static_cast<std::size_t>(-1 - Runs[static_cast<std::size_t>(root)].Label);
    }

    std::int32_t Find(std::int32_t a) {
        for (;;) {
            const std::int32_t p = Runs[static_cast<std::size_t>(a)].Label;
            if (p < 0) return a;
            const std::int32_t pp = Runs[static_cast<std::size_t>(p)].Label;
            if (pp < 0) return p;
            Runs[static_cast<std::size_t>(a)].Label = pp;
            a = pp;
        }
    }

    // Joins two roots: the earlier run stays the root and takes the other's slot.
    std::int32_t Unite(std::int32_t a, std::int32_t b) {
        if (b < a) std::swap(a, b);
        TRegion& ga = Regions[SlotOf(a)];
        TRegion& gb = Regions[SlotOf(b)];
        ga.N += gb.N;
        ga.S2X += gb.S2X;
        ga.S2Y += gb.S2Y;
        ga.LastRow = std::max(ga.LastRow, gb.LastRow);
        ga.MinX = std::min(ga.MinX, gb.MinX);
        ga.MaxX = std::max(ga.MaxX, gb.MaxX);
        gb.N = 0;
        Runs[static_cast<std::size_t>(b)].Label = a;
        return a;
    }

    // Turns run i's label into its region number; every earlier run is done already.
    void ResolveLabel(std::size_t i) {
        TRun& r = Runs[i];
        r.Label = r.Label < 0 ? SlotRegion[static_cast<std::size_t>(-1 - r.Label)] : Runs[static_cast<std::size_t>(r.Label)].Label;
    }

    void ResolveLabels() {
        if (LabelsResolved) return;
        for (std::size_t i = 0; i < Runs.size(); ++i) ResolveLabel(i);
        LabelsResolved = true;
    }

    // ---- regions of more than FloodLimit pixels: the literal flood (kernel/xDetectFlood.h) ----

    void FloodLargeRegions() {
        std::vector<std::int32_t> largeOf(Regions.size(), -1);
        std::vector<std::int64_t> offset(1, 0);
        for (std::size_t g = 0; g < Regions.size(); ++g) {
            if (!IsWhole(Regions[g])) {
                largeOf[g] = static_cast<std::int32_t>(offset.size() - 1);
                offset.push_back(0);
            }
        }
        if (offset.size() == 1) return;
        ResolveLabels();
        // The runs of each large region in row-major order.
        for (const TRun& r : Runs) {
            const std::int32_t l = largeOf[static_cast<std::size_t>(r.Label)];
            if (l >= 0) ++offset[static_cast<std::size_t>(l) + 1];
        }
        for (std::size_t l = 1; l < offset.size(); ++l) offset[l] += offset[l - 1];
        TBigVector<TSegment> largeRuns(static_cast<std::size_t>(offset.back()));
        std::vector<std::int64_t> fill(offset.begin(), offset.end() - 1);
        for (std::size_t k = 0; k + 1 < RowStart.size(); ++k) {
            for (std::size_t i = RowStart[k]; i < RowStart[k + 1]; ++i) {
                const TRun& r = Runs[i];
                const std::int32_t l = largeOf[static_cast<std::size_t>(r.Label)];
                if (l >= 0) largeRuns[static_cast<std::size_t>(fill[static_cast<std::size_t>(l)]++)] = {RowOf(k), r.X0, r.X1};
            }
        }
        Flood.FloodRegions(largeRuns, offset);
    }

    // ---- measures, and features in seed order with the containment merge ----

    // One more pass over the runs gives each whole region its farthest pixel. A region is
    // complete once the pass is beyond its last row, and all regions before it in row-major
    // order of their first pixels are complete soon after; the features are made and
    // merged right then, while their runs are still at hand.
    void MeasureAndBuild() {
        for (TRegion& g : Regions) {
            if (IsFeature(g)) {
                g.X = Centre(g.S2X, g.N);
                g.Y = Centre(g.S2Y, g.N);
            }
        }
        if (Containment) {
            Index = std::make_unique<TContainmentIndex>(Left, Top, Right, Bottom, Regions.size() + Flood.Groups.size());
            GroupNext.assign(Regions.size() + Flood.Groups.size(), -1);
        }
        Features.reserve(Regions.size() + Flood.Groups.size());
        std::size_t frontier = 0;
        for (std::size_t k = 0; k + 1 < RowStart.size(); ++k) {
            const std::int32_t y = RowOf(k);
            for (std::size_t i = RowStart[k]; i < RowStart[k + 1]; ++i) {
                if (!LabelsResolved) ResolveLabel(i);
                const TRun& r = Runs[i];
                TRegion& g = Regions[static_cast<std::size_t>(r.Label)];
                if (!IsFeature(g)) continue;
                const double q = SegmentFarthest(y, r.X0, r.X1, g.X, g.Y);
                if (q > g.R2) g.R2 = q;
            }
            while (frontier < Regions.size() && Regions[frontier].LastRow <= static_cast<std::int32_t>(k)) ++frontier;
            BuildUpTo(frontier);
        }
        BuildUpTo(Regions.size());
        LabelsResolved = true;
    }

    // Makes the features of the groups whose seeds come before the first region that is
    // not complete yet (frontier), in row-major order of the seeds.
    void BuildUpTo(std::size_t frontier) {
        for (;;) {
            while (NextRegion < frontier && !IsFeature(Regions[NextRegion])) ++NextRegion;
            const bool haveRegion = NextRegion < frontier;
            const bool haveSub =
                NextSub < Flood.Groups.size() && (frontier == Regions.size() || Flood.Groups[NextSub].Key < Regions[frontier].Key);
            if (!haveRegion && !haveSub) return;
            if (haveRegion && (!haveSub || Regions[NextRegion].Key < Flood.Groups[NextSub].Key)) {
                const TRegion& r = Regions[NextRegion];
                AddGroup(r.N, r.S2X, r.S2Y, r.X, r.Y, r.R2, r.Key, static_cast<std::int32_t>(NextRegion));
                ++NextRegion;
            } else {
                const TFloodGroup& r = Flood.Groups[NextSub];
                AddGroup(r.N, r.S2X, r.S2Y, r.X, r.Y, r.R2, r.Key, static_cast<std::int32_t>(Regions.size() + NextSub));
                ++NextSub;
            }
        }
    }

    void AddGroup(std::int64_t pixels, std::int64_t s2x, std::int64_t s2y, double x, double y, double r2,
                  std::int64_t key, std::int32_t group) {
        TFeature n;
        n.R2 = r2;
        n.N = pixels;
        n.S2X = s2x;
        n.S2Y = s2y;
        n.FirstGroup = n.LastGroup = group;
        if (Index) {
            const TDetectFeature circle{x, y, std::sqrt(r2), static_cast<std::int32_t>(key / Width)};
            const std::int32_t e = Index->FindFirst(circle);
            if (e >= 0) {
                TFeature& f = Features[static_cast<std::size_t>(e)];
                Merge(f, n);
                Index->Update(e, Centre(f.S2X, f.N), Centre(f.S2Y, f.N), std::sqrt(f.R2));
                return;
            }
            Index->Insert(static_cast<std::int32_t>(Features.size()), circle);
        }
        Features.push_back(n);
    }

    // E takes N's pixels; its measures are formed again from all its pixels.
    void Merge(TFeature& e, const TFeature& n) {
        e.N += n.N;
        e.S2X += n.S2X;
        e.S2Y += n.S2Y;
        const double x = Centre(e.S2X, e.N);
        const double y = Centre(e.S2Y, e.N);
        GroupNext[static_cast<std::size_t>(e.LastGroup)] = n.FirstGroup;
        e.LastGroup = n.LastGroup;
        e.Groups += 1;
        double r2 = 0.0;
        if (e.Hull < 0 && e.Groups <= 3 && e.N <= 4 * std::int64_t{FloodLimit}) {
            // A feature of a few small groups: its runs are few.
            for (std::int32_t g = e.FirstGroup; g >= 0; g = GroupNext[static_cast<std::size_t>(g)]) {
                const double q = GroupFarthest(g, x, y);
                if (q > r2) r2 = q;
            }
        } else {
            // A large one keeps the convex hull of its pixels, whose vertices hold the
            // farthest pixel (kernel/xDetectHull.h).
            if (e.Hull < 0) {
                e.Hull = static_cast<std::int32_t>(Hulls.size());
                Hulls.emplace_back();
                for (std::int32_t g = e.FirstGroup; g != n.FirstGroup; g = GroupNext[static_cast<std::size_t>(g)]) {
                    GroupHull(g, HullScratch);
                    Hull.Join(Hulls.back(), HullScratch);
                }
            }
            std::vector<TPoint>& hull = Hulls[static_cast<std::size_t>(e.Hull)];
            GroupHull(n.FirstGroup, HullScratch);
            Hull.Join(hull, HullScratch);
            for (const TPoint& v : hull) {
                const double q = TDot::PixelDistance2(v.x, v.y, x, y);
                if (q > r2) r2 = q;
            }
            if (!(r2 < HullExactLimit)) {
                r2 = 0.0;
                for (std::int32_t g = e.FirstGroup; g >= 0; g = GroupNext[static_cast<std::size_t>(g)]) {
                    const double q = GroupFarthest(g, x, y);
                    if (q > r2) r2 = q;
                }
            }
        }
        e.R2 = r2;
    }

    // Calls f(y, x0, x1) for each run of a region or segment of a flood group. The runs of
    // a region are found row by row within the columns it spans.
    template <typename TFunc>
    void ForEachSegment(std::int32_t g, TFunc f) const {
        if (static_cast<std::size_t>(g) < Regions.size()) {
            const TRegion& r = Regions[static_cast<std::size_t>(g)];
            std::size_t k = static_cast<std::size_t>(r.Key / Width - Top);
            // In its first row the region starts with its first run; in each further row the
            // search starts at the same place among the row's runs.
            std::size_t at = static_cast<std::size_t>(r.FirstRun);
            for (;;) {
                const TRun* run = Runs.data() + at;
                const TRun* end = Runs.data() + RowStart[k + 1];
                for (; run != end && run->X0 <= r.MaxX; ++run)
                    if (run->Label == g) f(RowOf(k), run->X0, run->X1);
                if (k == static_cast<std::size_t>(r.LastRow)) return;
                const std::size_t offset = at - RowStart[k];
                ++k;
                at = FirstRunFrom(RowStart[k], RowStart[k + 1], RowStart[k] + offset, r.MinX);
            }
        }
        const TFloodGroup& sg = Flood.Groups[static_cast<std::size_t>(g) - Regions.size()];
        for (std::int32_t s = sg.SegBegin; s < sg.SegEnd; ++s) {
            const TSegment& seg = Flood.Segments[static_cast<std::size_t>(s)];
            f(seg.Y, seg.X0, seg.X1);
        }
    }

    // The first run of [begin, end) that ends at or right of column x, searched outwards
    // from hint.
    std::size_t FirstRunFrom(std::size_t begin, std::size_t end, std::size_t hint, std::int32_t x) const {
        const TRun* runs = Runs.data();
        hint = std::min(std::max(hint, begin), end);
        std::size_t lo, hi;  // the answer lies in [lo, hi]
        if (hint < end && runs[hint].X1 < x) {
            lo = hint + 1;
            std::size_t step = 1;
            hi = hint + 1;
            while (hi < end && runs[hi].X1 < x) {
                lo = hi + 1;
                hi += step;
                step *= 2;
            }
            hi = std::min(hi, end);
        } else {
            hi = hint;
            std::size_t step = 1;
            lo = hint;
            while (lo > begin && runs[lo - 1].X1 >= x) {
                hi = lo - 1;
                lo = lo > begin + step ? lo - step : begin;
                step *= 2;
            }
        }
        return static_cast<std::size_t>(
            std::partition_point(runs + lo, runs + hi, [x](const TRun& a) { return a.X1 < x; }) - runs);
    }

    double GroupFarthest(std::int32_t g, double cx, double cy) const {
        double r2 = 0.0;
        ForEachSegment(g, [&](std::int32_t y, std::int32_t x0, std::int32_t x1) {
            const double q = SegmentFarthest(y, x0, x1, cx, cy);
            if (q > r2) r2 = q;
        });
        return r2;
    }

    // The hull of one group, from the first and last pixel of each of its rows.
    void GroupHull(std::int32_t g, std::vector<TPoint>& hull) {
        std::int32_t y0, y1;
        if (static_cast<std::size_t>(g) < Regions.size()) {
            y0 = static_cast<std::int32_t>(Regions[static_cast<std::size_t>(g)].Key / Width);
            y1 = RowOf(static_cast<std::size_t>(Regions[static_cast<std::size_t>(g)].LastRow));
        } else {
            y0 = std::numeric_limits<std::int32_t>::max();
            y1 = std::numeric_limits<std::int32_t>::min();
            ForEachSegment(g, [&](std::int32_t y, std::int32_t, std::int32_t) {
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            });
        }
        const std::size_t rows = static_cast<std::size_t>(y1 - y0) + 1;
        RowLo.assign(rows, std::numeric_limits<std::int32_t>::max());
        RowHi.assign(rows, std::numeric_limits<std::int32_t>::min());
        ForEachSegment(g, [&](std::int32_t y, std::int32_t x0, std::int32_t x1) {
            const std::size_t row = static_cast<std::size_t>(y - y0);
            RowLo[row] = std::min(RowLo[row], x0);
            RowHi[row] = std::max(RowHi[row], x1);
        });
        HullPoints.clear();
        for (std::size_t row = 0; row < rows; ++row) {
            if (RowLo[row] > RowHi[row]) continue;
            const std::int32_t y = y0 + static_cast<std::int32_t>(row);
            HullPoints.push_back({RowLo[row], y});
            if (RowHi[row] != RowLo[row]) HullPoints.push_back({RowHi[row], y});
        }
        Hull.Build(HullPoints, hull);
    }

    const std::uint8_t* Gray;
    std::int32_t Width;
    std::int32_t Left, Top, Right, Bottom;
    bool Containment = false;

    TBigVector<TRun> Runs;
    std::vector<std::size_t> RowStart;   // runs of zone row k: [RowStart[k], RowStart[k + 1])
    std::vector<std::int32_t> SlotRegion;  // region of each slot, -1 for emptied ones
    bool LabelsResolved = false;
    TBigVector<TRegion> Regions;
    TLiteralFlood Flood;                 // the groups of the large regions
    TBigVector<TFeature> Features;
    std::vector<std::int32_t> GroupNext;
    std::unique_ptr<TContainmentIndex> Index;
    std::size_t NextRegion = 0, NextSub = 0;  // the next groups to become features

    THullBuilder Hull;
    std::vector<std::vector<TPoint>> Hulls;  // of features grown large by merges
    std::vector<TPoint> HullPoints, HullScratch;
    std::vector<std::int32_t> RowLo, RowHi;

};

}  // namespace

void DetectDots(const std::uint8_t* gray, std::int32_t width, std::int32_t height, std::int32_t left,
                std::int32_t top, std::int32_t right, std::int32_t bottom, std::int32_t filterMin,
                std::int32_t filterMax, bool containment, std::vector<TDot>& dots) {
    dots.clear();
    // The zone is clipped to the image; nothing outside it is ever read.
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width - 1);
    bottom = std::min(bottom, height - 1);
    const std::int32_t lo = std::max(filterMin, 0);
    const std::int32_t hi = std::min(filterMax, 255);
    if (!gray || left > right || top > bottom || lo > hi) return;
    TDetector detector(gray, width, left, top, right, bottom);
    detector.Run(static_cast<std::uint8_t>(lo), static_cast<std::uint8_t>(hi), containment, dots);
}
