#include "kernel/xDetectFlood.h"

#include <algorithm>
#include <cstring>
#include <limits>

using Detect::TSegment;

void TLiteralFlood::FloodRegions(const TBigVector<TSegment>& runs, const std::vector<std::int64_t>& offsets) {
    struct TBox {
        std::int32_t X0, Y0, X1, Y1;
    };
    const std::size_t count = offsets.size() - 1;
    std::vector<TBox> boxes(count, {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()});
    TBox all = boxes[0];
    double boxSum = 0.0;
    for (std::size_t l = 0; l < count; ++l) {
        TBox& b = boxes[l];
        for (std::int64_t i = offsets[l]; i < offsets[l + 1]; ++i) {
            const TSegment& r = runs[static_cast<std::size_t>(i)];
            b.X0 = std::min(b.X0, r.X0);
            b.X1 = std::max(b.X1, r.X1);
            b.Y0 = std::min(b.Y0, r.Y);
            b.Y1 = std::max(b.Y1, r.Y);
        }
        all.X0 = std::min(all.X0, b.X0);
        all.Y0 = std::min(all.Y0, b.Y0);
        all.X1 = std::max(all.X1, b.X1);
        all.Y1 = std::max(all.Y1, b.Y1);
        boxSum += (double(b.X1) - b.X0 + 3) * (double(b.Y1) - b.Y0 + 3);
    }
    if (Chains.empty()) Chains.resize(static_cast<std::size_t>(FloodLimit) + 1);
    // One map per region, or one over all of them when their boxes overlap a lot; the
    // floods of different regions never meet, so sharing a map changes nothing.
    const double allArea = (double(all.X1) - all.X0 + 3) * (double(all.Y1) - all.Y0 + 3);
    if (count > 1 && boxSum > allArea) {
        PrepareMap(all.X0, all.Y0, all.X1, all.Y1, runs.data(), runs.data() + runs.size());
        FloodRuns(runs.data(), runs.data() + runs.size());
    } else {
        for (std::size_t l = 0; l < count; ++l) {
            const TSegment* b = runs.data() + offsets[l];
            const TSegment* e = runs.data() + offsets[l + 1];
            PrepareMap(boxes[l].X0, boxes[l].Y0, boxes[l].X1, boxes[l].Y1, b, e);
            FloodRuns(b, e);
        }
    }
    std::sort(Groups.begin(), Groups.end(), [](const TFloodGroup& a, const TFloodGroup& b) { return a.Key < b.Key; });
    TBigVector<std::uint8_t>().swap(Map);
}

// The flood map: 0 for an unexamined band pixel of the regions, 1 for everything else,
// with a frame of 1 around the box so that the flood needs no bounds test.
void TLiteralFlood::PrepareMap(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const TSegment* runBegin,
                const TSegment* runEnd) {
    MapX0 = x0;
    MapY0 = y0;
    MapWidth = static_cast<std::size_t>(x1 - x0) + 3;
    Map.assign(MapWidth * (static_cast<std::size_t>(y1 - y0) + 3), 1);
    for (const TSegment* r = runBegin; r != runEnd; ++r)
        std::memset(Map.data() + MapIndex(r->X0, r->Y), 0, static_cast<std::size_t>(r->X1 - r->X0) + 1);
}

std::size_t TLiteralFlood::MapIndex(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y - MapY0 + 1) * MapWidth + static_cast<std::size_t>(x - MapX0 + 1);
}

// Seeds in row-major order: every pixel of the runs still unexamined when the scan
// reaches it.
void TLiteralFlood::FloodRuns(const TSegment* runBegin, const TSegment* runEnd) {
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
void TLiteralFlood::Flood(std::size_t seed, std::int64_t key) {
    TFloodGroup g;
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
        g.X = Detect::Centre(g.S2X, g.N);
        g.Y = Detect::Centre(g.S2Y, g.N);
        for (std::int32_t s = g.SegBegin; s < g.SegEnd; ++s) {
            const TSegment& sg = Segments[static_cast<std::size_t>(s)];
            const double q = Detect::SegmentFarthest(sg.Y, sg.X0, sg.X1, g.X, g.Y);
            if (q > g.R2) g.R2 = q;
        }
        Groups.push_back(g);
    } else {
        // A group under 4 pixels never becomes a feature; its pixels stay examined.
        Segments.resize(static_cast<std::size_t>(g.SegBegin));
    }
}

// The map holds only 0 and 1, so eight pixels are tested at once: bit 0 of each byte of
// ~(below & above) marks a pixel with a free neighbour below or above.
std::uint64_t TLiteralFlood::FreeUpDown(const std::uint8_t* map, std::size_t j, std::size_t w) {
    std::uint64_t below, above;
    std::memcpy(&below, map + j + w, 8);
    std::memcpy(&above, map + j - w, 8);
    return ~(below & above) & 0x0101010101010101ull;
}

// The first pixel of [j, end) with a free pixel below or above, or end.
std::size_t TLiteralFlood::NextFreeUpDown(std::size_t j, std::size_t end) const {
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
std::size_t TLiteralFlood::PrevFreeUpDown(std::size_t lo, std::size_t j) const {
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
void TLiteralFlood::EnterLeft(TFloodGroup& g, std::size_t c) {
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
void TLiteralFlood::EnterRight(TFloodGroup& g, std::size_t c) {
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

void TLiteralFlood::AddSegment(TFloodGroup& g, std::size_t lo, std::size_t hi) {
    const std::size_t row = lo / MapWidth;
    const std::int32_t y = static_cast<std::int32_t>(row) - 1 + MapY0;
    const std::int32_t x0 = static_cast<std::int32_t>(lo - row * MapWidth) - 1 + MapX0;
    const std::int32_t x1 = static_cast<std::int32_t>(hi - row * MapWidth) - 1 + MapX0;
    Segments.push_back({y, x0, x1});
    const std::int64_t len = std::int64_t{x1} - x0 + 1;
    g.N += len;
    g.S2X += Detect::TwiceSumX(x0, x1);
    g.S2Y += Detect::TwiceSumY(y, len);
}
