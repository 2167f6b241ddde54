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
// visiting order decide which pixels each group takes; those regions are flooded here in
// exactly the depth-first order (neighbours left, right, below, above), and their groups
// are slotted into the row-major order of all seeds.
//
// The containment merge compares each new feature with the existing ones through a grid
// index and takes the first match in list order, as a scan of the list would.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A horizontal run of band pixels, both ends included. Label is first the parent of the
// union-find, then the region number.
struct TRun {
    std::int32_t Y;
    std::int32_t X0;
    std::int32_t X1;
    std::int32_t Label;
};

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

// ---- runs of band pixels in one row ----

class TRowScanner {
public:
    TRowScanner(std::uint8_t lo, std::uint8_t hi) : Lo(lo), Span(static_cast<std::uint8_t>(hi - lo)) {}

    // Appends the runs of row y between columns left and right (row points at column 0).
    void Scan(const std::uint8_t* row, std::int32_t left, std::int32_t right, std::int32_t y,
              std::vector<TRun>& runs) const {
        const std::uint8_t* p = row + left;
        const std::int32_t n = right - left + 1;
        std::int32_t i = 0;
        bool open = false;
        std::int32_t start = 0;
#if defined(__SSE2__)
        for (; i + 64 <= n; i += 64) {
            const std::uint64_t m = Mask64(p + i);
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
                    runs.push_back({y, left + start, left + i + b - 1, static_cast<std::int32_t>(runs.size())});
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
                    runs.push_back({y, left + start, left + i - 1, static_cast<std::int32_t>(runs.size())});
                }
                open = in;
            }
        }
        if (open) runs.push_back({y, left + start, left + n - 1, static_cast<std::int32_t>(runs.size())});
    }

private:
#if defined(__SSE2__)
    // Bit j set when p[j] lies in the band.
    std::uint64_t Mask64(const std::uint8_t* p) const {
        const __m128i lo = _mm_set1_epi8(static_cast<char>(Lo));
        const __m128i span = _mm_set1_epi8(static_cast<char>(Span));
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
    std::int64_t Key = 0;  // row-major position of its first pixel
    double X = 0.0;
    double Y = 0.0;
    double R2 = 0.0;
};

// One group gathered by the literal flood in a region of more than FloodLimit pixels.
struct TSubGroup {
    std::int64_t Key = 0;  // row-major position of its seed
    std::int64_t N = 0;
    std::int64_t S2X = 0;
    std::int64_t S2Y = 0;
    std::int32_t SegBegin = 0;
    std::int32_t SegEnd = 0;
    double X = 0.0;
    double Y = 0.0;
    double R2 = 0.0;
};

struct TFeature {
    double X = 0.0;
    double Y = 0.0;
    double Radius = 0.0;
    double R2 = 0.0;
    std::int64_t N = 0;
    std::int64_t S2X = 0;
    std::int64_t S2Y = 0;
    std::int32_t FirstGroup = -1;  // groups merged into the feature, chained
    std::int32_t LastGroup = -1;
};

// The existing features by the position of their centres, in one grid per radius class:
// class k holds the features of radius up to BaseCell * 2^k in cells of that size, the last
// class everything larger in one cell. A feature E can match a new feature N only when the
// distance of their centres is at most the larger radius.
class TContainmentIndex {
public:
    TContainmentIndex(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
        const double extent = std::max(right - left + 1, bottom - top + 1) * 1.5 + 2.0;
        for (double size = BaseCell;; size *= 2.0) {
            TClass c;
            c.Size = size;
            c.Last = size >= extent;
            if (c.Last) {
                c.NX = c.NY = 1;
            } else {
                c.BaseX = FloorDiv(left, size);
                c.BaseY = FloorDiv(top, size);
                c.NX = static_cast<std::int32_t>(FloorDiv(right + 1, size) - c.BaseX + 1);
                c.NY = static_cast<std::int32_t>(FloorDiv(bottom + 1, size) - c.BaseY + 1);
            }
            Classes.push_back(std::move(c));
            if (Classes.back().Last) break;
        }
    }

    void Insert(std::int32_t f, const TFeature& e) {
        if (static_cast<std::size_t>(f) >= Next.size()) {
            const std::size_t n = std::max<std::size_t>(static_cast<std::size_t>(f) + 1, Next.size() * 2);
            Next.resize(n, -1);
            Prev.resize(n, -1);
            ClassOf.resize(n, -1);
            CellOf.resize(n, -1);
        }
        const std::int32_t k = ClassFor(e.Radius);
        TClass& c = Classes[static_cast<std::size_t>(k)];
        if (c.Head.empty()) c.Head.assign(static_cast<std::size_t>(c.NX) * static_cast<std::size_t>(c.NY), -1);
        const std::int64_t cell = c.Last ? 0 : CellIndex(c, e.X, e.Y);
        std::int32_t& head = c.Head[static_cast<std::size_t>(cell)];
        Next[static_cast<std::size_t>(f)] = head;
        Prev[static_cast<std::size_t>(f)] = -1;
        if (head >= 0) Prev[static_cast<std::size_t>(head)] = f;
        head = f;
        ClassOf[static_cast<std::size_t>(f)] = k;
        CellOf[static_cast<std::size_t>(f)] = cell;
        ++c.Count;
    }

    void Remove(std::int32_t f) {
        const std::size_t i = static_cast<std::size_t>(f);
        TClass& c = Classes[static_cast<std::size_t>(ClassOf[i])];
        if (Prev[i] >= 0) {
            Next[static_cast<std::size_t>(Prev[i])] = Next[i];
        } else {
            c.Head[static_cast<std::size_t>(CellOf[i])] = Next[i];
        }
        if (Next[i] >= 0) Prev[static_cast<std::size_t>(Next[i])] = Prev[i];
        --c.Count;
    }

    // The first feature in list order whose radius circle holds that of N or lies in it;
    // -1 when there is none.
    std::int32_t FindFirst(const TFeature& n, const std::vector<TFeature>& feats) const {
        struct TRange {
            std::int32_t K;
            std::int64_t X0, X1, Y0, Y1;
        };
        TRange ranges[64];
        std::int32_t count = 0;
        std::int64_t cells = 0;
        for (std::size_t k = 0; k < Classes.size(); ++k) {
            const TClass& c = Classes[k];
            if (c.Count == 0) continue;
            TRange r{static_cast<std::int32_t>(k), 0, 0, 0, 0};
            if (!c.Last) {
                const double reach = std::max(c.Size, n.Radius) * (1.0 + 1e-9) + 1e-6;
                r.X0 = std::max<std::int64_t>(0, FloorDiv(n.X - reach, c.Size) - c.BaseX);
                r.X1 = std::min<std::int64_t>(c.NX - 1, FloorDiv(n.X + reach, c.Size) - c.BaseX);
                r.Y0 = std::max<std::int64_t>(0, FloorDiv(n.Y - reach, c.Size) - c.BaseY);
                r.Y1 = std::min<std::int64_t>(c.NY - 1, FloorDiv(n.Y + reach, c.Size) - c.BaseY);
                if (r.X0 > r.X1 || r.Y0 > r.Y1) continue;
            }
            cells += (r.X1 - r.X0 + 1) * (r.Y1 - r.Y0 + 1);
            ranges[count++] = r;
        }
        if (cells > static_cast<std::int64_t>(feats.size())) {
            // Fewer features than cells to look at: the list itself is the cheaper index.
            for (std::size_t e = 0; e < feats.size(); ++e)
                if (Contains(feats[e], n)) return static_cast<std::int32_t>(e);
            return -1;
        }
        std::int32_t best = std::numeric_limits<std::int32_t>::max();
        for (std::int32_t i = 0; i < count; ++i) {
            const TRange& r = ranges[i];
            const TClass& c = Classes[static_cast<std::size_t>(r.K)];
            for (std::int64_t cy = r.Y0; cy <= r.Y1; ++cy) {
                for (std::int64_t cx = r.X0; cx <= r.X1; ++cx) {
                    for (std::int32_t e = c.Head[static_cast<std::size_t>(cy * c.NX + cx)]; e >= 0;
                         e = Next[static_cast<std::size_t>(e)]) {
                        if (e < best && Contains(feats[static_cast<std::size_t>(e)], n)) best = e;
                    }
                }
            }
        }
        return best == std::numeric_limits<std::int32_t>::max() ? -1 : best;
    }

    // The merge test: one radius circle inside the other, touching included, computed as
    // d + small <= big with d the rounded distance of the centres.
    static bool Contains(const TFeature& e, const TFeature& n) {
        double big, small;
        if (e.Radius > n.Radius) {
            big = e.Radius;
            small = n.Radius;
        } else {
            big = n.Radius;
            small = e.Radius;
        }
        const double dx = n.X - e.X;
        const double dy = n.Y - e.Y;
        const double dd = dx * dx + dy * dy;
        // Cheap rejection that never drops a match: a match has d <= big - small plus
        // half an ulp of big; the margins cover every rounding involved.
        const double lim = big - small;
        if (dd > lim * lim * (1.0 + 0x1p-20) + big * big * 0x1p-80) return false;
        return std::sqrt(dd) + small <= big;
    }

private:
    static constexpr double BaseCell = 8.0;

    struct TClass {
        double Size = 0.0;
        bool Last = false;
        std::int64_t BaseX = 0, BaseY = 0;
        std::int32_t NX = 1, NY = 1;
        std::int32_t Count = 0;
        std::vector<std::int32_t> Head;
    };

    // Sizes are powers of two, so v / size is exact and the cell of a point is exact.
    static std::int64_t FloorDiv(double v, double size) { return static_cast<std::int64_t>(std::floor(v / size)); }

    std::int64_t CellIndex(const TClass& c, double x, double y) const {
        const std::int64_t cx = std::clamp<std::int64_t>(FloorDiv(x, c.Size) - c.BaseX, 0, c.NX - 1);
        const std::int64_t cy = std::clamp<std::int64_t>(FloorDiv(y, c.Size) - c.BaseY, 0, c.NY - 1);
        return cy * c.NX + cx;
    }

    std::int32_t ClassFor(double radius) const {
        std::int32_t k = 0;
        while (!Classes[static_cast<std::size_t>(k)].Last && Classes[static_cast<std::size_t>(k)].Size < radius) ++k;
        return k;
    }

    std::vector<TClass> Classes;
    std::vector<std::int32_t> Next, Prev, ClassOf;
    std::vector<std::int64_t> CellOf;
};

class TDetector {
public:
    TDetector(const std::uint8_t* gray, std::int32_t width, std::int32_t left, std::int32_t top,
              std::int32_t right, std::int32_t bottom)
        : Gray(gray), Width(width), Left(left), Top(top), Right(right), Bottom(bottom) {}

    void Run(std::uint8_t lo, std::uint8_t hi, bool containment, std::vector<TDot>& dots) {
        LabelRuns(lo, hi);
        MeasureRegions();
        FloodLargeRegions();
        BuildFeatures(containment);
        dots.reserve(Features.size());
        for (const TFeature& f : Features) {
            TDot& d = dots.emplace_back();
            d.X = f.X;
            d.Y = f.Y;
            d.PixelCount = static_cast<std::int32_t>(f.N);
            d.SetShape(f.R2);
        }
    }

private:
    // Runs of the band in the zone, joined into 4-connected regions; regions numbered in
    // the row-major order of their first pixel, with pixel count and centre sums.
    void LabelRuns(std::uint8_t lo, std::uint8_t hi) {
        const TRowScanner scanner(lo, hi);
        std::size_t prevBegin = 0, prevEnd = 0;
        for (std::int32_t y = Top; y <= Bottom; ++y) {
            const std::size_t curBegin = Runs.size();
            scanner.Scan(Gray + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width), Left, Right, y, Runs);
            const std::size_t curEnd = Runs.size();
            std::size_t i = prevBegin, j = curBegin;
            while (i < prevEnd && j < curEnd) {
                const TRun& a = Runs[i];
                const TRun& b = Runs[j];
                if (a.X1 < b.X0) {
                    ++i;
                    continue;
                }
                if (b.X1 < a.X0) {
                    ++j;
                    continue;
                }
                Union(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j));
                if (a.X1 < b.X1) {
                    ++i;
                } else {
                    ++j;
                }
            }
            prevBegin = curBegin;
            prevEnd = curEnd;
        }
        // Every parent precedes its child, so one forward pass resolves the roots.
        for (std::size_t i = 0; i < Runs.size(); ++i) {
            TRun& r = Runs[i];
            std::int32_t reg;
            if (r.Label == static_cast<std::int32_t>(i)) {
                reg = static_cast<std::int32_t>(Regions.size());
                TRegion& g = Regions.emplace_back();
                g.Key = std::int64_t{r.Y} * Width + r.X0;
            } else {
                reg = Runs[static_cast<std::size_t>(r.Label)].Label;
            }
            r.Label = reg;
            TRegion& g = Regions[static_cast<std::size_t>(reg)];
            const std::int64_t len = std::int64_t{r.X1} - r.X0 + 1;
            g.N += len;
            g.S2X += TwiceSumX(r.X0, r.X1);
            g.S2Y += TwiceSumY(r.Y, len);
        }
    }

    std::int32_t Find(std::int32_t a) {
        while (Runs[static_cast<std::size_t>(a)].Label != a) {
            TRun& r = Runs[static_cast<std::size_t>(a)];
            r.Label = Runs[static_cast<std::size_t>(r.Label)].Label;
            a = r.Label;
        }
        return a;
    }

    // The root with the smaller index (the earlier run) stays the root.
    void Union(std::int32_t a, std::int32_t b) {
        const std::int32_t ra = Find(a), rb = Find(b);
        if (ra < rb) {
            Runs[static_cast<std::size_t>(rb)].Label = ra;
        } else if (rb < ra) {
            Runs[static_cast<std::size_t>(ra)].Label = rb;
        }
    }

    static bool IsWhole(const TRegion& g) { return g.N <= FloodLimit; }

    // Centre and farthest pixel of every region the flood would take whole.
    void MeasureRegions() {
        for (TRegion& g : Regions) {
            if (g.N >= 4 && IsWhole(g)) {
                g.X = Centre(g.S2X, g.N);
                g.Y = Centre(g.S2Y, g.N);
            }
        }
        for (const TRun& r : Runs) {
            TRegion& g = Regions[static_cast<std::size_t>(r.Label)];
            if (g.N < 4 || !IsWhole(g)) continue;
            const double q = SegmentFarthest(r.Y, r.X0, r.X1, g.X, g.Y);
            if (q > g.R2) g.R2 = q;
        }
    }

    // The literal depth-first flood over every region of more than FloodLimit pixels.
    void FloodLargeRegions() {
        std::vector<std::int32_t> largeOf(Regions.size(), -1);
        struct TBox {
            std::int32_t X0, Y0, X1, Y1;
            std::int64_t RunCount;
        };
        std::vector<TBox> boxes;
        for (std::size_t g = 0; g < Regions.size(); ++g) {
            if (!IsWhole(Regions[g])) {
                largeOf[g] = static_cast<std::int32_t>(boxes.size());
                boxes.push_back({std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                                 std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(), 0});
            }
        }
        if (boxes.empty()) return;
        for (const TRun& r : Runs) {
            const std::int32_t k = largeOf[static_cast<std::size_t>(r.Label)];
            if (k < 0) continue;
            TBox& b = boxes[static_cast<std::size_t>(k)];
            b.X0 = std::min(b.X0, r.X0);
            b.X1 = std::max(b.X1, r.X1);
            b.Y0 = std::min(b.Y0, r.Y);
            b.Y1 = std::max(b.Y1, r.Y);
            ++b.RunCount;
        }
        // Run indices of each large region in row-major order.
        std::vector<std::int64_t> offset(boxes.size() + 1, 0);
        for (std::size_t k = 0; k < boxes.size(); ++k) offset[k + 1] = offset[k] + boxes[k].RunCount;
        std::vector<std::int32_t> regionRuns(static_cast<std::size_t>(offset.back()));
        {
            std::vector<std::int64_t> fill(offset.begin(), offset.end() - 1);
            for (std::size_t i = 0; i < Runs.size(); ++i) {
                const std::int32_t k = largeOf[static_cast<std::size_t>(Runs[i].Label)];
                if (k >= 0) regionRuns[static_cast<std::size_t>(fill[static_cast<std::size_t>(k)]++)] = static_cast<std::int32_t>(i);
            }
        }
        // One map per region, or one over all of them when their boxes overlap a lot; the
        // floods of different regions never meet, so sharing a map changes nothing.
        TBox all = boxes[0];
        double boxSum = 0.0;
        for (const TBox& b : boxes) {
            all.X0 = std::min(all.X0, b.X0);
            all.Y0 = std::min(all.Y0, b.Y0);
            all.X1 = std::max(all.X1, b.X1);
            all.Y1 = std::max(all.Y1, b.Y1);
            boxSum += (double(b.X1) - b.X0 + 3) * (double(b.Y1) - b.Y0 + 3);
        }
        const double allArea = (double(all.X1) - all.X0 + 3) * (double(all.Y1) - all.Y0 + 3);
        if (boxes.size() > 1 && boxSum > allArea) {
            PrepareMap(all, regionRuns.data(), regionRuns.data() + regionRuns.size());
            FloodRuns(regionRuns.data(), regionRuns.data() + regionRuns.size());
        } else {
            for (std::size_t k = 0; k < boxes.size(); ++k) {
                const std::int32_t* b = regionRuns.data() + offset[k];
                const std::int32_t* e = regionRuns.data() + offset[k + 1];
                PrepareMap(boxes[k], b, e);
                FloodRuns(b, e);
            }
        }
        std::sort(Subs.begin(), Subs.end(), [](const TSubGroup& a, const TSubGroup& b) { return a.Key < b.Key; });
        std::vector<std::uint8_t>().swap(Map);
    }

    // The flood map: 0 for an unexamined band pixel of the regions, 1 for everything else,
    // with a frame of 1 around the box so that the flood needs no bounds test.
    template <typename TBoxT>
    void PrepareMap(const TBoxT& box, const std::int32_t* runBegin, const std::int32_t* runEnd) {
        MapX0 = box.X0;
        MapY0 = box.Y0;
        MapWidth = static_cast<std::size_t>(box.X1 - box.X0) + 3;
        const std::size_t h = static_cast<std::size_t>(box.Y1 - box.Y0) + 3;
        Map.assign(MapWidth * h, 1);
        for (const std::int32_t* p = runBegin; p != runEnd; ++p) {
            const TRun& r = Runs[static_cast<std::size_t>(*p)];
            std::memset(Map.data() + MapIndex(r.X0, r.Y), 0, static_cast<std::size_t>(r.X1 - r.X0) + 1);
        }
    }

    std::size_t MapIndex(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y - MapY0 + 1) * MapWidth + static_cast<std::size_t>(x - MapX0 + 1);
    }

    // Seeds in row-major order: every pixel of the runs still unexamined when the scan
    // reaches it.
    void FloodRuns(const std::int32_t* runBegin, const std::int32_t* runEnd) {
        if (Stack.empty()) Stack.resize(4 * static_cast<std::size_t>(FloodLimit) + 4);
        for (const std::int32_t* p = runBegin; p != runEnd; ++p) {
            const TRun& r = Runs[static_cast<std::size_t>(*p)];
            const std::size_t base = MapIndex(r.X0, r.Y);
            const std::size_t len = static_cast<std::size_t>(r.X1 - r.X0) + 1;
            std::size_t at = 0;
            while (at < len) {
                const void* z = std::memchr(Map.data() + base + at, 0, len - at);
                if (!z) break;
                at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - (Map.data() + base));
                Flood(base + at, std::int64_t{r.Y} * Width + r.X0 + static_cast<std::int64_t>(at));
                ++at;
            }
        }
    }

    // The depth-first flood from one seed. A pending visit is examined when it is taken up,
    // as the recursive flood examines a call when it runs; a neighbour already examined when
    // it would be pushed stays examined, so it is not pushed at all.
    void Flood(std::size_t seed, std::int64_t key) {
        std::uint8_t* map = Map.data();
        std::size_t* stack = Stack.data();
        const std::size_t w = MapWidth;
        std::size_t sp = 0;
        stack[sp++] = seed;
        TSubGroup g;
        g.Key = key;
        g.SegBegin = static_cast<std::int32_t>(Segments.size());
        std::int32_t count = 0;
        std::size_t lo = 0, hi = 0;
        bool haveSeg = false;
        while (sp > 0) {
            const std::size_t p = stack[--sp];
            if (map[p]) continue;
            map[p] = 1;
            // Pixels taken one after the other along a row form one segment.
            if (haveSeg && p == hi + 1) {
                hi = p;
            } else if (haveSeg && p + 1 == lo) {
                lo = p;
            } else {
                if (haveSeg) AddSegment(g, lo, hi);
                lo = hi = p;
                haveSeg = true;
            }
            if (++count == FloodLimit) break;
            // Taken up in the order left, right, below, above.
            if (!map[p - w]) stack[sp++] = p - w;
            if (!map[p + w]) stack[sp++] = p + w;
            if (!map[p + 1]) stack[sp++] = p + 1;
            if (!map[p - 1]) stack[sp++] = p - 1;
        }
        if (haveSeg) AddSegment(g, lo, hi);
        g.SegEnd = static_cast<std::int32_t>(Segments.size());
        if (g.N >= 4) {
            g.X = Centre(g.S2X, g.N);
            g.Y = Centre(g.S2Y, g.N);
            for (std::int32_t s = g.SegBegin; s < g.SegEnd; ++s) {
                const TSegment& sg = Segments[static_cast<std::size_t>(s)];
                const double q = SegmentFarthest(sg.Y, sg.X0, sg.X1, g.X, g.Y);
                if (q > g.R2) g.R2 = q;
            }
            Subs.push_back(g);
        } else {
            // A group under 4 pixels never becomes a feature; its pixels stay examined.
            Segments.resize(static_cast<std::size_t>(g.SegBegin));
        }
    }

    void AddSegment(TSubGroup& g, std::size_t lo, std::size_t hi) {
        const std::size_t row = lo / MapWidth;
        const std::int32_t y = static_cast<std::int32_t>(row) - 1 + MapY0;
        const std::int32_t x0 = static_cast<std::int32_t>(lo - row * MapWidth) - 1 + MapX0;
        const std::int32_t x1 = static_cast<std::int32_t>(hi - row * MapWidth) - 1 + MapX0;
        Segments.push_back({y, x0, x1});
        const std::int64_t len = std::int64_t{x1} - x0 + 1;
        g.N += len;
        g.S2X += TwiceSumX(x0, x1);
        g.S2Y += TwiceSumY(y, len);
    }

    // ---- features in seed order, with the containment merge ----

    void BuildFeatures(bool containment) {
        const std::int32_t regionCount = static_cast<std::int32_t>(Regions.size());
        std::unique_ptr<TContainmentIndex> index;
        if (containment) {
            index = std::make_unique<TContainmentIndex>(Left, Top, Right, Bottom);
            GroupNext.assign(Regions.size() + Subs.size(), -1);
        }
        std::size_t s = 0;
        std::int32_t g = 0;
        for (;;) {
            while (g < regionCount && !(Regions[static_cast<std::size_t>(g)].N >= 4 && IsWhole(Regions[static_cast<std::size_t>(g)]))) ++g;
            const bool haveRegion = g < regionCount;
            const bool haveSub = s < Subs.size();
            if (!haveRegion && !haveSub) break;
            TFeature n;
            std::int32_t groupId;
            if (haveRegion && (!haveSub || Regions[static_cast<std::size_t>(g)].Key < Subs[s].Key)) {
                const TRegion& r = Regions[static_cast<std::size_t>(g)];
                n.X = r.X;
                n.Y = r.Y;
                n.R2 = r.R2;
                n.N = r.N;
                n.S2X = r.S2X;
                n.S2Y = r.S2Y;
                groupId = g++;
            } else {
                const TSubGroup& r = Subs[s];
                n.X = r.X;
                n.Y = r.Y;
                n.R2 = r.R2;
                n.N = r.N;
                n.S2X = r.S2X;
                n.S2Y = r.S2Y;
                groupId = regionCount + static_cast<std::int32_t>(s++);
            }
            n.Radius = std::sqrt(n.R2);
            n.FirstGroup = n.LastGroup = groupId;
            if (index) {
                const std::int32_t e = index->FindFirst(n, Features);
                if (e >= 0) {
                    index->Remove(e);
                    Merge(Features[static_cast<std::size_t>(e)], n);
                    index->Insert(e, Features[static_cast<std::size_t>(e)]);
                    continue;
                }
                index->Insert(static_cast<std::int32_t>(Features.size()), n);
            }
            Features.push_back(n);
        }
    }

    // E takes N's pixels; its measures are formed again from all its pixels.
    void Merge(TFeature& e, const TFeature& n) {
        e.N += n.N;
        e.S2X += n.S2X;
        e.S2Y += n.S2Y;
        GroupNext[static_cast<std::size_t>(e.LastGroup)] = n.FirstGroup;
        e.LastGroup = n.LastGroup;
        e.X = Centre(e.S2X, e.N);
        e.Y = Centre(e.S2Y, e.N);
        double r2 = 0.0;
        for (std::int32_t g = e.FirstGroup; g >= 0; g = GroupNext[static_cast<std::size_t>(g)]) {
            const double q = GroupFarthest(g, e.X, e.Y);
            if (q > r2) r2 = q;
        }
        e.R2 = r2;
        e.Radius = std::sqrt(r2);
    }

    double GroupFarthest(std::int32_t g, double cx, double cy) {
        double r2 = 0.0;
        if (static_cast<std::size_t>(g) < Regions.size()) {
            if (RunNext.empty()) LinkRegionRuns();
            for (std::int32_t i = RunHead[static_cast<std::size_t>(g)]; i >= 0; i = RunNext[static_cast<std::size_t>(i)]) {
                const TRun& r = Runs[static_cast<std::size_t>(i)];
                const double q = SegmentFarthest(r.Y, r.X0, r.X1, cx, cy);
                if (q > r2) r2 = q;
            }
        } else {
            const TSubGroup& sg = Subs[static_cast<std::size_t>(g) - Regions.size()];
            for (std::int32_t s = sg.SegBegin; s < sg.SegEnd; ++s) {
                const TSegment& seg = Segments[static_cast<std::size_t>(s)];
                const double q = SegmentFarthest(seg.Y, seg.X0, seg.X1, cx, cy);
                if (q > r2) r2 = q;
            }
        }
        return r2;
    }

    // The runs of each region chained, made at the first merge.
    void LinkRegionRuns() {
        RunHead.assign(Regions.size(), -1);
        RunNext.assign(Runs.size(), -1);
        for (std::size_t i = Runs.size(); i-- > 0;) {
            std::int32_t& head = RunHead[static_cast<std::size_t>(Runs[i].Label)];
            RunNext[i] = head;
            head = static_cast<std::int32_t>(i);
        }
    }

    const std::uint8_t* Gray;
    std::int32_t Width;
    std::int32_t Left, Top, Right, Bottom;

    std::vector<TRun> Runs;
    std::vector<TRegion> Regions;
    std::vector<TSubGroup> Subs;
    std::vector<TSegment> Segments;
    std::vector<TFeature> Features;
    std::vector<std::int32_t> GroupNext;
    std::vector<std::int32_t> RunHead, RunNext;

    std::vector<std::uint8_t> Map;
    std::vector<std::size_t> Stack;
    std::int32_t MapX0 = 0, MapY0 = 0;
    std::size_t MapWidth = 0;
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
