#pragma once
// The features found so far by the detection, indexed by the position of their centres, to
// find for a new feature the first one in list order whose radius circle lies inside the new
// one's or holds it (the containment merge) without comparing it with every feature.
#include <cmath>
#include <cstdint>
#include <vector>

// A feature as the containment test sees it.
struct TDetectFeature {
    double X = 0.0;
    double Y = 0.0;
    double Radius = 0.0;
    std::int32_t SeedY = 0;  // row of its first pixel: list order is row-major seed order
};

// The merge test: one radius circle inside the other, touching included, computed as
// d + small <= big with d the rounded distance of the centres.
inline bool Contains(double ex, double ey, double er, const TDetectFeature& n) {
    double big, small;
    if (er > n.Radius) {
        big = er;
        small = n.Radius;
    } else {
        big = n.Radius;
        small = er;
    }
    const double dx = n.X - ex;
    const double dy = n.Y - ey;
    const double dd = dx * dx + dy * dy;
    // Cheap rejection that never drops a match: a match has d <= big - small plus half an
    // ulp of big, and the margins cover every rounding involved.
    const double lim = big - small;
    if (dd > lim * lim * (1.0 + 0x1p-20) + big * big * 0x1p-80) return false;
    return std::sqrt(dd) + small <= big;
}

// One grid per radius class: class k holds the features of radius up to 8 * 4^k in cells of
// that size (the last class everything larger, in one cell). A feature E can match a new
// feature N only when their centres lie at most max(E.Radius, N.Radius) apart, so class k is
// searched within max(8 * 4^k, N.Radius) of N's centre. Each cell lists its features in list
// order, so the first match in a cell ends the cell; and a feature whose first pixel lies in
// a later row than that of the best match so far comes later in the list, so rows of cells
// too far down are skipped. A new feature can lie inside a larger one only if its centre lies
// in that one's circle, which a coarse map of covered blocks rules out quickly for most.
class TContainmentIndex {
public:
    // The zone, and at most how many features there will be.
    TContainmentIndex(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                      std::size_t capacity);

    // f is the feature's list position, the next one after those inserted; e its measures.
    void Insert(std::int32_t f, const TDetectFeature& e);
    // After the centre and radius of feature f changed (its first pixel stays).
    void Update(std::int32_t f, double x, double y, double radius);

    // The list position of the first indexed feature that matches n, or -1.
    std::int32_t FindFirst(const TDetectFeature& n) const;

private:
    static constexpr double BaseCell = 8.0;
    static constexpr double ClassFactor = 4.0;
    static constexpr std::int32_t BlockShift = 4;  // blocks of 16 x 16 cells count their features

    struct TClass {
        double Size = 0.0;
        double Inv = 0.0;  // 1 / Size, exact: sizes are powers of two
        bool Last = false;
        std::int64_t BaseX = 0, BaseY = 0;
        std::int32_t NX = 1, NY = 1;
        std::int32_t BX = 1;  // blocks per row
        std::int32_t Count = 0;
        std::vector<std::int32_t> Head;
        std::vector<std::int32_t> Blocks;
        std::vector<std::int32_t> Members;  // in no order
    };

    // What the search reads of each feature, by list position, packed.
    struct TItem {
        double X, Y, Radius;
        std::int32_t SeedY;
    };
    bool Matches(std::int32_t e, const TDetectFeature& n) const {
        const TItem& t = Items[static_cast<std::size_t>(e)];
        return Contains(t.X, t.Y, t.Radius, n);
    }

    std::int32_t ClassFor(double radius) const;
    static std::size_t BlockOf(const TClass& c, std::int64_t cell);
    std::int64_t CellOfPoint(const TClass& c, double x, double y) const;
    void Link(std::int32_t f, std::int32_t k, std::int64_t cell);
    void Cover(double x, double y, double r);
    bool Covered(double x, double y) const;
    void Unlink(std::int32_t f);

    std::vector<TClass> Classes;
    // Blocks of CoverBlock x CoverBlock pixels touched by the bounding square of the radius
    // circle of some feature of the classes 1 to CoverClasses (marks are never taken back).
    // A centre in an unmarked block lies in no circle of those classes.
    static constexpr double CoverBlock = 8.0;
    static constexpr std::int32_t CoverClasses = 2;
    std::int64_t CoverX0 = 0, CoverY0 = 0;
    std::int32_t CoverNX = 0, CoverNY = 0;
    std::vector<std::uint64_t> CoverBits;

    std::vector<TItem> Items;
    std::vector<std::int32_t> Next, Prev, ClassOf, MemberAt;
    std::vector<std::int64_t> CellOf;
};
