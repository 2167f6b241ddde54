#include "kernel/xDetectIndex.h"

#include <algorithm>
#include <limits>

namespace {

// floor(v) for finite v of moderate size, without a library call.
inline std::int64_t Floor(double v) {
    const std::int64_t i = static_cast<std::int64_t>(v);
    return static_cast<double>(i) > v ? i - 1 : i;
}

}  // namespace

TContainmentIndex::TContainmentIndex(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                                     std::size_t capacity)
    : Next(capacity, -1), Prev(capacity, -1), ClassOf(capacity, -1), MemberAt(capacity, -1), CellOf(capacity, -1) {
    Items.reserve(capacity);
    // Radii never exceed the zone's diagonal.
    const double extent = std::max(double(right) - left + 1, double(bottom) - top + 1) * 1.5 + 2.0;
    for (double size = BaseCell;; size *= ClassFactor) {
        TClass c;
        c.Size = size;
        c.Inv = 1.0 / size;
        c.Last = size >= extent;
        if (!c.Last) {
            c.BaseX = Floor(left * c.Inv);
            c.BaseY = Floor(top * c.Inv);
            c.NX = static_cast<std::int32_t>(Floor((right + 1) * c.Inv) - c.BaseX + 1);
            c.NY = static_cast<std::int32_t>(Floor((bottom + 1) * c.Inv) - c.BaseY + 1);
            c.BX = ((c.NX - 1) >> BlockShift) + 1;
        }
        Classes.push_back(std::move(c));
        if (Classes.back().Last) break;
    }
    CoverX0 = Floor(left / CoverBlock);
    CoverY0 = Floor(top / CoverBlock);
    CoverNX = static_cast<std::int32_t>(Floor((right + 1) / CoverBlock) - CoverX0 + 1);
    CoverNY = static_cast<std::int32_t>(Floor((bottom + 1) / CoverBlock) - CoverY0 + 1);
    CoverBits.assign((static_cast<std::size_t>(CoverNX) * static_cast<std::size_t>(CoverNY) + 63) / 64, 0);
}

void TContainmentIndex::Cover(double x, double y, double r) {
    const double m = r * (1.0 + 1e-9) + 1e-6;
    const std::int64_t x0 = std::max<std::int64_t>(0, Floor((x - m) / CoverBlock) - CoverX0);
    const std::int64_t x1 = std::min<std::int64_t>(CoverNX - 1, Floor((x + m) / CoverBlock) - CoverX0);
    const std::int64_t y0 = std::max<std::int64_t>(0, Floor((y - m) / CoverBlock) - CoverY0);
    const std::int64_t y1 = std::min<std::int64_t>(CoverNY - 1, Floor((y + m) / CoverBlock) - CoverY0);
    for (std::int64_t by = y0; by <= y1; ++by) {
        for (std::int64_t bx = x0; bx <= x1; ++bx) {
            const std::uint64_t bit = static_cast<std::uint64_t>(by * CoverNX + bx);
            CoverBits[bit >> 6] |= std::uint64_t{1} << (bit & 63);
        }
    }
}

bool TContainmentIndex::Covered(double x, double y) const {
    const std::int64_t bx = std::clamp<std::int64_t>(Floor(x / CoverBlock) - CoverX0, 0, CoverNX - 1);
    const std::int64_t by = std::clamp<std::int64_t>(Floor(y / CoverBlock) - CoverY0, 0, CoverNY - 1);
    const std::uint64_t bit = static_cast<std::uint64_t>(by * CoverNX + bx);
    return (CoverBits[bit >> 6] >> (bit & 63)) & 1;
}

std::size_t TContainmentIndex::BlockOf(const TClass& c, std::int64_t cell) {
    const std::uint32_t u = static_cast<std::uint32_t>(cell);
    const std::uint32_t nx = static_cast<std::uint32_t>(c.NX);
    const std::uint32_t cy = u / nx, cx = u - cy * nx;
    return static_cast<std::size_t>((cy >> BlockShift) * static_cast<std::uint32_t>(c.BX) + (cx >> BlockShift));
}

std::int32_t TContainmentIndex::ClassFor(double radius) const {
    std::int32_t k = 0;
    while (!Classes[static_cast<std::size_t>(k)].Last && Classes[static_cast<std::size_t>(k)].Size < radius) ++k;
    return k;
}

std::int64_t TContainmentIndex::CellOfPoint(const TClass& c, double x, double y) const {
    if (c.Last) return 0;
    const std::int64_t cx = std::clamp<std::int64_t>(Floor(x * c.Inv) - c.BaseX, 0, c.NX - 1);
    const std::int64_t cy = std::clamp<std::int64_t>(Floor(y * c.Inv) - c.BaseY, 0, c.NY - 1);
    return cy * c.NX + cx;
}

// Into the cell's list at its place in list order (new features come last).
void TContainmentIndex::Link(std::int32_t f, std::int32_t k, std::int64_t cell) {
    TClass& c = Classes[static_cast<std::size_t>(k)];
    if (c.Head.empty()) {
        c.Head.assign(static_cast<std::size_t>(c.NX) * static_cast<std::size_t>(c.NY), -1);
        c.Blocks.assign(static_cast<std::size_t>(c.BX) * static_cast<std::size_t>(((c.NY - 1) >> BlockShift) + 1), 0);
    }
    std::int32_t prev = -1;
    std::int32_t at = c.Head[static_cast<std::size_t>(cell)];
    while (at >= 0 && at < f) {
        prev = at;
        at = Next[static_cast<std::size_t>(at)];
    }
    Next[static_cast<std::size_t>(f)] = at;
    Prev[static_cast<std::size_t>(f)] = prev;
    if (at >= 0) Prev[static_cast<std::size_t>(at)] = f;
    if (prev >= 0) {
        Next[static_cast<std::size_t>(prev)] = f;
    } else {
        c.Head[static_cast<std::size_t>(cell)] = f;
    }
    ClassOf[static_cast<std::size_t>(f)] = k;
    CellOf[static_cast<std::size_t>(f)] = cell;
    MemberAt[static_cast<std::size_t>(f)] = static_cast<std::int32_t>(c.Members.size());
    c.Members.push_back(f);
    ++c.Count;
    ++c.Blocks[BlockOf(c, cell)];
    if (k >= 1 && k <= CoverClasses && !c.Last) {
        const TItem& t = Items[static_cast<std::size_t>(f)];
        Cover(t.X, t.Y, t.Radius);
    }
}

void TContainmentIndex::Unlink(std::int32_t f) {
    const std::size_t i = static_cast<std::size_t>(f);
    TClass& c = Classes[static_cast<std::size_t>(ClassOf[i])];
    if (Prev[i] >= 0) {
        Next[static_cast<std::size_t>(Prev[i])] = Next[i];
    } else {
        c.Head[static_cast<std::size_t>(CellOf[i])] = Next[i];
    }
    if (Next[i] >= 0) Prev[static_cast<std::size_t>(Next[i])] = Prev[i];
    const std::int32_t last = c.Members.back();
    c.Members[static_cast<std::size_t>(MemberAt[i])] = last;
    MemberAt[static_cast<std::size_t>(last)] = MemberAt[i];
    c.Members.pop_back();
    --c.Count;
    --c.Blocks[BlockOf(c, CellOf[i])];
}

void TContainmentIndex::Insert(std::int32_t f, const TDetectFeature& e) {
    Items.push_back({e.X, e.Y, e.Radius, e.SeedY});
    const std::int32_t k = ClassFor(e.Radius);
    Link(f, k, CellOfPoint(Classes[static_cast<std::size_t>(k)], e.X, e.Y));
}

void TContainmentIndex::Update(std::int32_t f, double x, double y, double radius) {
    TItem& t = Items[static_cast<std::size_t>(f)];
    t.X = x;
    t.Y = y;
    t.Radius = radius;
    const std::int32_t k = ClassFor(radius);
    const std::int64_t cell = CellOfPoint(Classes[static_cast<std::size_t>(k)], x, y);
    if (k == ClassOf[static_cast<std::size_t>(f)] && cell == CellOf[static_cast<std::size_t>(f)]) {
        // Same place; its circle may still have moved or grown.
        if (k >= 1 && k <= CoverClasses && !Classes[static_cast<std::size_t>(k)].Last) Cover(x, y, radius);
        return;
    }
    Unlink(f);
    Link(f, k, cell);
}

std::int32_t TContainmentIndex::FindFirst(const TDetectFeature& n) const {
    struct TRange {
        std::int32_t K;
        std::int64_t X0, X1, Y0, Y1;
    };
    TRange ranges[64];
    std::int32_t count = 0;
    std::int64_t cells = 0;
    // Classes 1 to CoverClasses whose features are all larger than N can only hold N, whose
    // centre then lies in a covered block.
    const bool outside = !Covered(n.X, n.Y);
    // Larger classes first: few cells, and a match there prunes the smaller classes.
    for (std::size_t k = Classes.size(); k-- > 0;) {
        const TClass& c = Classes[k];
        if (c.Count == 0) continue;
        if (outside && k >= 1 && k <= static_cast<std::size_t>(CoverClasses) && !c.Last && Classes[k - 1].Size >= n.Radius)
            continue;
        TRange r{static_cast<std::int32_t>(k), 0, 0, 0, 0};
        if (!c.Last) {
            // E of this class has a radius above the previous class's size and up to this
            // one's; a match needs d <= |E.Radius - N.Radius| (plus rounding).
            const double below = k == 0 ? 0.0 : Classes[k - 1].Size;
            const double reach = std::max(c.Size - n.Radius, n.Radius - below) * (1.0 + 1e-9) + 1e-6;
            r.X0 = std::max<std::int64_t>(0, Floor((n.X - reach) * c.Inv) - c.BaseX);
            r.X1 = std::min<std::int64_t>(c.NX - 1, Floor((n.X + reach) * c.Inv) - c.BaseX);
            r.Y0 = std::max<std::int64_t>(0, Floor((n.Y - reach) * c.Inv) - c.BaseY);
            r.Y1 = std::min<std::int64_t>(c.NY - 1, Floor((n.Y + reach) * c.Inv) - c.BaseY);
            if (r.X0 > r.X1 || r.Y0 > r.Y1) continue;
        }
        const std::int64_t area = (r.X1 - r.X0 + 1) * (r.Y1 - r.Y0 + 1);
        // A class with fewer features than cells to look at is looked at feature by feature.
        if (c.Count <= area) r.K = -1 - r.K;
        cells += std::min<std::int64_t>(area, c.Count);
        ranges[count++] = r;
    }
    if (cells > 4 * static_cast<std::int64_t>(Items.size()) + 64) {
        // Far more cells than features: the list itself is the cheaper index.
        for (std::size_t e = 0; e < Items.size(); ++e)
            if (Contains(Items[e].X, Items[e].Y, Items[e].Radius, n)) return static_cast<std::int32_t>(e);
        return -1;
    }
    std::int32_t best = std::numeric_limits<std::int32_t>::max();
    double bestSeed = std::numeric_limits<double>::infinity();
    for (std::int32_t i = 0; i < count; ++i) {
        const TRange& r = ranges[i];
        if (r.K < 0) {
            for (const std::int32_t e : Classes[static_cast<std::size_t>(-1 - r.K)].Members)
                if (e < best && Matches(e, n)) best = e;
            if (best != std::numeric_limits<std::int32_t>::max()) bestSeed = Items[static_cast<std::size_t>(best)].SeedY;
            continue;
        }
        const TClass& c = Classes[static_cast<std::size_t>(r.K)];
        for (std::int64_t cy = r.Y0; cy <= r.Y1; ++cy) {
            // A feature with its centre in this row of cells has its first pixel at least
            // this far down (it lies within the radius, at most the cell size, of the
            // centre); beyond the best match's first row it comes later in the list.
            if (!c.Last && static_cast<double>(c.BaseY + cy - 1) * c.Size - 2.0 > bestSeed) break;
            const std::int64_t by = cy >> BlockShift;
            // Blocks count features: worth a look for wide ranges and thinly filled classes.
            const bool wide = r.X1 - r.X0 > 8 || std::int64_t{c.Count} * 16 < std::int64_t{c.NX} * c.NY;
            for (std::int64_t cx = r.X0; cx <= r.X1; ++cx) {
                if (wide && c.Blocks[static_cast<std::size_t>(by * c.BX + (cx >> BlockShift))] == 0) {
                    cx |= (std::int64_t{1} << BlockShift) - 1;  // on to the next block
                    continue;
                }
                for (std::int32_t e = c.Head[static_cast<std::size_t>(cy * c.NX + cx)]; e >= 0 && e < best;
                     e = Next[static_cast<std::size_t>(e)]) {
                    if (Matches(e, n)) {
                        best = e;
                        bestSeed = Items[static_cast<std::size_t>(e)].SeedY;
                        break;
                    }
                }
            }
        }
    }
    return best == std::numeric_limits<std::int32_t>::max() ? -1 : best;
}
