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

#include "kernel/xDetectAlloc.h"
#include "kernel/xDetectHull.h"
#include "kernel/xDetectIndex.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A horizontal run of band pixels, both ends included; its row is known from its place.
// Label is first the parent in the union-find, then the region number.
struct TRun {
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

class TDetector {
public:
    TDetector(const std::uint8_t* gray, std::int32_t width, std::int32_t left, std::int32_t top,
              std::int32_t right, std::int32_t bottom)
        : Gray(gray), Width(width), Left(left), Top(top), Right(right), Bottom(bottom) {}

    void Run(std::uint8_t lo, std::uint8_t hi, bool containment, std::vector<TDot>& dots) {
        Containment = containment;
        LabelRuns(lo, hi);
        FloodLargeRegions();
        MeasureAndBuild();
        dots.reserve(Features.size());
        for (const TDetectFeature& f : Features) {
            TDot& d = dots.emplace_back();
            d.X = f.X;
            d.Y = f.Y;
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

    // ---- the literal depth-first flood over every region of more than FloodLimit pixels ----

    void FloodLargeRegions() {
        std::vector<std::int32_t> largeOf(Regions.size(), -1);
        struct TLargeBox {
            std::int32_t X0, Y0, X1, Y1;
            std::int64_t RunCount;
        };
        std::vector<TLargeBox> boxes;
        for (std::size_t g = 0; g < Regions.size(); ++g) {
            if (!IsWhole(Regions[g])) {
                largeOf[g] = static_cast<std::int32_t>(boxes.size());
                boxes.push_back({std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                                 std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(), 0});
            }
        }
        if (boxes.empty()) return;
        ResolveLabels();
        // The runs of each large region in row-major order.
        std::vector<std::int64_t> offset(boxes.size() + 1, 0);
        for (std::size_t k = 0; k + 1 < RowStart.size(); ++k) {
            for (std::size_t i = RowStart[k]; i < RowStart[k + 1]; ++i) {
                const TRun& r = Runs[i];
                const std::int32_t l = largeOf[static_cast<std::size_t>(r.Label)];
                if (l < 0) continue;
                TLargeBox& b = boxes[static_cast<std::size_t>(l)];
                b.X0 = std::min(b.X0, r.X0);
                b.X1 = std::max(b.X1, r.X1);
                b.Y0 = std::min(b.Y0, RowOf(k));
                b.Y1 = std::max(b.Y1, RowOf(k));
                ++b.RunCount;
            }
        }
        for (std::size_t l = 0; l < boxes.size(); ++l) offset[l + 1] = offset[l] + boxes[l].RunCount;
        TBigVector<TSegment> largeRuns(static_cast<std::size_t>(offset.back()));
        {
            std::vector<std::int64_t> fill(offset.begin(), offset.end() - 1);
            for (std::size_t k = 0; k + 1 < RowStart.size(); ++k) {
                for (std::size_t i = RowStart[k]; i < RowStart[k + 1]; ++i) {
                    const TRun& r = Runs[i];
                    const std::int32_t l = largeOf[static_cast<std::size_t>(r.Label)];
                    if (l >= 0) largeRuns[static_cast<std::size_t>(fill[static_cast<std::size_t>(l)]++)] = {RowOf(k), r.X0, r.X1};
                }
            }
        }
        // One map per region, or one over all of them when their boxes overlap a lot; the
        // floods of different regions never meet, so sharing a map changes nothing.
        TLargeBox all = boxes[0];
        double boxSum = 0.0;
        for (const TLargeBox& b : boxes) {
            all.X0 = std::min(all.X0, b.X0);
            all.Y0 = std::min(all.Y0, b.Y0);
            all.X1 = std::max(all.X1, b.X1);
            all.Y1 = std::max(all.Y1, b.Y1);
            boxSum += (double(b.X1) - b.X0 + 3) * (double(b.Y1) - b.Y0 + 3);
        }
        const double allArea = (double(all.X1) - all.X0 + 3) * (double(all.Y1) - all.Y0 + 3);
        if (boxes.size() > 1 && boxSum > allArea) {
            PrepareMap(all.X0, all.Y0, all.X1, all.Y1, largeRuns.data(), largeRuns.data() + largeRuns.size());
            FloodRuns(largeRuns.data(), largeRuns.data() + largeRuns.size());
        } else {
            for (std::size_t l = 0; l < boxes.size(); ++l) {
                const TSegment* b = largeRuns.data() + offset[l];
                const TSegment* e = largeRuns.data() + offset[l + 1];
                PrepareMap(boxes[l].X0, boxes[l].Y0, boxes[l].X1, boxes[l].Y1, b, e);
                FloodRuns(b, e);
            }
        }
        std::sort(Subs.begin(), Subs.end(), [](const TSubGroup& a, const TSubGroup& b) { return a.Key < b.Key; });
        TBigVector<std::uint8_t>().swap(Map);
    }

    // The flood map: 0 for an unexamined band pixel of the regions, 1 for everything else,
    // with a frame of 1 around the box so that the flood needs no bounds test.
    void PrepareMap(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const TSegment* runBegin,
                    const TSegment* runEnd) {
        MapX0 = x0;
        MapY0 = y0;
        MapWidth = static_cast<std::size_t>(x1 - x0) + 3;
        Map.assign(MapWidth * (static_cast<std::size_t>(y1 - y0) + 3), 1);
        for (const TSegment* r = runBegin; r != runEnd; ++r)
            std::memset(Map.data() + MapIndex(r->X0, r->Y), 0, static_cast<std::size_t>(r->X1 - r->X0) + 1);
    }

    std::size_t MapIndex(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y - MapY0 + 1) * MapWidth + static_cast<std::size_t>(x - MapX0 + 1);
    }

    // Seeds in row-major order: every pixel of the runs still unexamined when the scan
    // reaches it.
    void FloodRuns(const TSegment* runBegin, const TSegment* runEnd) {
        if (Chains.empty()) Chains.resize(static_cast<std::size_t>(FloodLimit) + 1);
        for (const TSegment* r = runBegin; r != runEnd; ++r) {
            const std::size_t base = MapIndex(r->X0, r->Y);
            const std::size_t len = static_cast<std::size_t>(r->X1 - r->X0) + 1;
            std::size_t at = 0;
            while (at < len) {
                const void* z = std::memchr(Map.data() + base + at, 0, len - at);
                if (!z) break;
                at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - (Map.data() + base));
                Flood(base + at, std::int64_t{r->Y} * Width + r->X0 + static_cast<std::int64_t>(at));
                ++at;
            }
        }
    }

    // The depth-first flood from one seed, as the recursive flood runs it, a row piece at a
    // time. An accepted pixel first calls its left neighbour, so the free pixels to its left
    // are accepted one after the other: a left chain. Their remaining calls then run from the
    // chain's left end back to the entry pixel: below and above for each (the right
    // neighbour is where the chain came from), and for the entry pixel right, below, above.
    // A free pixel met by that right call starts a right chain the same way; its pixels'
    // calls below and above run from its right end back. Every call examines its pixel when
    // it runs, and the chains stop exactly at the pixel limit.
    struct TChain {
        std::size_t Lo, Hi;  // the pixels of the chain, in map positions
        std::size_t Next;    // the pixel whose calls run next
        std::uint8_t Stage;  // which of its calls
        bool Left;
    };

    void Flood(std::size_t seed, std::int64_t key) {
        TSubGroup g;
        g.Key = key;
        g.SegBegin = static_cast<std::int32_t>(Segments.size());
        FloodCount = 0;
        FloodDone = false;
        ChainCount = 0;
        EnterLeft(g, seed);
        const std::uint8_t* map = Map.data();
        const std::size_t w = MapWidth;
        while (ChainCount > 0 && !FloodDone) {
            TChain& t = Chains[ChainCount - 1];
            std::size_t c;
            bool right = false;
            if (t.Left && t.Next == t.Hi) {
                if (t.Stage == 0) {
                    c = t.Hi + 1;
                    right = true;
                    t.Stage = 1;
                } else if (t.Stage == 1) {
                    c = t.Hi + w;
                    t.Stage = 2;
                } else {
                    c = t.Hi - w;
                    --ChainCount;
                }
            } else if (t.Stage == 1) {
                c = t.Next - w;
                t.Stage = 0;
                if (t.Left) {
                    ++t.Next;
                } else if (t.Next == t.Lo) {
                    --ChainCount;
                } else {
                    --t.Next;
                }
            } else {
                // Calls that meet examined pixels change nothing: skip to the next pixel of
                // the chain with a free pixel below or above.
                if (t.Left) {
                    t.Next = NextFreeUpDown(t.Next, t.Hi);
                    if (t.Next == t.Hi) continue;
                } else {
                    const std::size_t j = PrevFreeUpDown(t.Lo, t.Next);
                    if (j == 0) {
                        --ChainCount;
                        continue;
                    }
                    t.Next = j;
                }
                c = t.Next + w;
                t.Stage = 1;
            }
            if (map[c] == 0) {
                if (right) {
                    EnterRight(g, c);
                } else {
                    EnterLeft(g, c);
                }
            }
        }
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

    // The map holds only 0 and 1, so eight pixels are tested at once: bit 0 of each byte of
    // ~(below & above) marks a pixel with a free neighbour below or above.
    static std::uint64_t FreeUpDown(const std::uint8_t* map, std::size_t j, std::size_t w) {
        std::uint64_t below, above;
        std::memcpy(&below, map + j + w, 8);
        std::memcpy(&above, map + j - w, 8);
        return ~(below & above) & 0x0101010101010101ull;
    }

    // The first pixel of [j, end) with a free pixel below or above, or end.
    std::size_t NextFreeUpDown(std::size_t j, std::size_t end) const {
        const std::uint8_t* map = Map.data();
        const std::size_t w = MapWidth;
        for (; j + 8 <= end; j += 8) {
            const std::uint64_t m = FreeUpDown(map, j, w);
            if (m) return j + static_cast<std::size_t>(__builtin_ctzll(m) >> 3);
        }
        for (; j < end; ++j)
            if (map[j + w] == 0 || map[j - w] == 0) return j;
        return end;
    }

    // The last pixel of [lo, j] with a free pixel below or above, or 0 (never a map pixel of
    // the zone: those lie inside the frame).
    std::size_t PrevFreeUpDown(std::size_t lo, std::size_t j) const {
        const std::uint8_t* map = Map.data();
        const std::size_t w = MapWidth;
        for (; j >= lo + 7; j -= 8) {
            const std::uint64_t m = FreeUpDown(map, j - 7, w);
            if (m) return j - 7 + static_cast<std::size_t>((63 - __builtin_clzll(m)) >> 3);
        }
        for (; j + 1 > lo; --j)
            if (map[j + w] == 0 || map[j - w] == 0) return j;
        return 0;
    }

    // Accepts free pixel c and the free pixels left of it, up to the limit.
    void EnterLeft(TSubGroup& g, std::size_t c) {
        std::uint8_t* map = Map.data();
        const std::size_t room = static_cast<std::size_t>(FloodLimit - FloodCount);
        std::size_t a = c;
        while (c - a + 1 < room && map[a - 1] == 0) --a;
        std::memset(map + a, 1, c - a + 1);
        AddSegment(g, a, c);
        FloodCount += static_cast<std::int32_t>(c - a + 1);
        if (FloodCount == FloodLimit) {
            FloodDone = true;
            return;
        }
        Chains[ChainCount++] = {a, c, a, 0, true};
    }

    // Accepts free pixel c and the free pixels right of it, up to the limit.
    void EnterRight(TSubGroup& g, std::size_t c) {
        std::uint8_t* map = Map.data();
        const std::size_t room = static_cast<std::size_t>(FloodLimit - FloodCount);
        std::size_t b = c;
        while (b - c + 1 < room && map[b + 1] == 0) ++b;
        std::memset(map + c, 1, b - c + 1);
        AddSegment(g, c, b);
        FloodCount += static_cast<std::int32_t>(b - c + 1);
        if (FloodCount == FloodLimit) {
            FloodDone = true;
            return;
        }
        Chains[ChainCount++] = {c, b, b, 0, false};
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
            Index = std::make_unique<TContainmentIndex>(Left, Top, Right, Bottom);
            GroupNext.assign(Regions.size() + Subs.size(), -1);
        }
        Features.reserve(Regions.size() + Subs.size());
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
                NextSub < Subs.size() && (frontier == Regions.size() || Subs[NextSub].Key < Regions[frontier].Key);
            if (!haveRegion && !haveSub) return;
            if (haveRegion && (!haveSub || Regions[NextRegion].Key < Subs[NextSub].Key)) {
                const TRegion& r = Regions[NextRegion];
                AddGroup(r.N, r.S2X, r.S2Y, r.X, r.Y, r.R2, r.Key, static_cast<std::int32_t>(NextRegion));
                ++NextRegion;
            } else {
                const TSubGroup& r = Subs[NextSub];
                AddGroup(r.N, r.S2X, r.S2Y, r.X, r.Y, r.R2, r.Key, static_cast<std::int32_t>(Regions.size() + NextSub));
                ++NextSub;
            }
        }
    }

    void AddGroup(std::int64_t pixels, std::int64_t s2x, std::int64_t s2y, double x, double y, double r2,
                  std::int64_t key, std::int32_t group) {
        TDetectFeature n;
        n.X = x;
        n.Y = y;
        n.R2 = r2;
        n.Radius = std::sqrt(r2);
        n.N = pixels;
        n.S2X = s2x;
        n.S2Y = s2y;
        n.SeedY = static_cast<std::int32_t>(key / Width);
        n.FirstGroup = n.LastGroup = group;
        if (Index) {
            const std::int32_t e = Index->FindFirst(n);
            if (e >= 0) {
                Merge(Features[static_cast<std::size_t>(e)], n);
                Index->Update(e, Features[static_cast<std::size_t>(e)]);
                return;
            }
            Index->Insert(static_cast<std::int32_t>(Features.size()), n);
        }
        Features.push_back(n);
    }

    // E takes N's pixels; its measures are formed again from all its pixels.
    void Merge(TDetectFeature& e, const TDetectFeature& n) {
        e.N += n.N;
        e.S2X += n.S2X;
        e.S2Y += n.S2Y;
        e.X = Centre(e.S2X, e.N);
        e.Y = Centre(e.S2Y, e.N);
        GroupNext[static_cast<std::size_t>(e.LastGroup)] = n.FirstGroup;
        e.LastGroup = n.LastGroup;
        e.Groups += 1;
        double r2 = 0.0;
        if (e.Hull < 0 && e.Groups <= 3 && e.N <= 4 * std::int64_t{FloodLimit}) {
            // A feature of a few small groups: its runs are few.
            for (std::int32_t g = e.FirstGroup; g >= 0; g = GroupNext[static_cast<std::size_t>(g)]) {
                const double q = GroupFarthest(g, e.X, e.Y);
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
                const double q = TDot::PixelDistance2(v.x, v.y, e.X, e.Y);
                if (q > r2) r2 = q;
            }
            if (!(r2 < HullExactLimit)) {
                r2 = 0.0;
                for (std::int32_t g = e.FirstGroup; g >= 0; g = GroupNext[static_cast<std::size_t>(g)]) {
                    const double q = GroupFarthest(g, e.X, e.Y);
                    if (q > r2) r2 = q;
                }
            }
        }
        e.R2 = r2;
        e.Radius = std::sqrt(r2);
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
        const TSubGroup& sg = Subs[static_cast<std::size_t>(g) - Regions.size()];
        for (std::int32_t s = sg.SegBegin; s < sg.SegEnd; ++s) {
            const TSegment& seg = Segments[static_cast<std::size_t>(s)];
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
    std::vector<TSubGroup> Subs;
    TBigVector<TSegment> Segments;      // of the flood groups
    TBigVector<TDetectFeature> Features;
    std::vector<std::int32_t> GroupNext;
    std::unique_ptr<TContainmentIndex> Index;
    std::size_t NextRegion = 0, NextSub = 0;  // the next groups to become features

    THullBuilder Hull;
    std::vector<std::vector<TPoint>> Hulls;  // of features grown large by merges
    std::vector<TPoint> HullPoints, HullScratch;
    std::vector<std::int32_t> RowLo, RowHi;

    TBigVector<std::uint8_t> Map;
    std::vector<TChain> Chains;  // at most one per accepted pixel
    std::size_t ChainCount = 0;
    std::int32_t FloodCount = 0;
    bool FloodDone = false;
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
