// Cubic B-spline resampling: against a direct two-dimensional evaluation of the filter, and
// the properties the zoomed picture relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/Resample.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Resample(const TBytes& src, int sw, int sh, int dw, int dh) {
    TBytes dst(std::size_t(dw) * dh, 0xA5);
    ResampleBSpline(src.data(), sw, sh, dst.data(), dw, dh);
    return dst;
}

TBytes Random(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    TBytes v(std::size_t(w) * h);
    for (auto& p : v) p = std::uint8_t(rng());
    return v;
}

double B(double t) {
    t = std::fabs(t);
    return t < 1 ? 2.0 / 3 - t * t + t * t * t / 2 : t < 2 ? (2 - t) * (2 - t) * (2 - t) / 6 : 0;
}

// The filter written out per destination pixel over all source pixels, in double: weight
// B((i - c)·f) per axis with c = (d + 0.5)/s - 0.5 and f = min(s, 1), edge pixels repeated
// (a clamped index), weights normalised.
double Direct(const TBytes& src, int sw, int sh, int dw, int dh, int dx, int dy) {
    auto axis = [](int d, int sn, int dn, int i) {
        const double s = double(dn) / sn, f = std::min(s, 1.0);
        return B((i - ((d + 0.5) / s - 0.5)) * f);
    };
    const int reachX = int(4 / std::min(double(dw) / sw, 1.0)) + 2, reachY = int(4 / std::min(double(dh) / sh, 1.0)) + 2;
    double sum = 0, weights = 0;
    for (int i = -reachY; i < sh + reachY; ++i)
        for (int j = -reachX; j < sw + reachX; ++j) {
            const double w = axis(dx, sw, dw, j) * axis(dy, sh, dh, i);
            if (w == 0) continue;
            sum += w * src[std::size_t(std::clamp(i, 0, sh - 1)) * sw + std::clamp(j, 0, sw - 1)];
            weights += w;
        }
    return sum / weights;
}

TEST(ResampleTest, MatchesTheFilterEvaluatedDirectly) {
    struct TCase { int Sw, Sh, Dw, Dh; };
    const TCase cases[] = {
        {9, 7, 4, 3},    // shrink
        {40, 30, 4, 3},  // shrink to 10 %
        {5, 4, 12, 9},   // enlarge
        {6, 6, 9, 9},    // enlarge by 1.5
        {10, 10, 10, 10},
        {1, 1, 3, 2},    // a single source pixel
        {17, 3, 5, 1},
    };
    unsigned seed = 1;
    for (const TCase& c : cases) {
        const TBytes src = Random(c.Sw, c.Sh, seed++);
        const TBytes dst = Resample(src, c.Sw, c.Sh, c.Dw, c.Dh);
        for (int y = 0; y < c.Dh; ++y)
            for (int x = 0; x < c.Dw; ++x) {
                const double exact = Direct(src, c.Sw, c.Sh, c.Dw, c.Dh, x, y);
                // Float accumulation may round the other way only next to a half.
                const int got = dst[std::size_t(y) * c.Dw + x];
                EXPECT_LE(std::fabs(got - exact), 0.5 + 1e-3)
                    << c.Sw << "x" << c.Sh << " -> " << c.Dw << "x" << c.Dh << " at (" << x << ", " << y << ")";
            }
    }
}

// At the same size the B-spline smooths: an impulse spreads as 1/6, 2/3, 1/6.
TEST(ResampleTest, SameSizeSpreadsAnImpulseByTheKernel) {
    const TBytes src = {0, 0, 240, 0, 0};
    EXPECT_EQ(Resample(src, 5, 1, 5, 1), (TBytes{0, 40, 160, 40, 0}));
    EXPECT_EQ(Resample(src, 1, 5, 1, 5), (TBytes{0, 40, 160, 40, 0}));
}

TEST(ResampleTest, ConstantImageStaysConstant) {
    struct TCase { int Sw, Sh, Dw, Dh; };
    const TCase cases[] = {{100, 80, 10, 8}, {100, 80, 25, 20}, {100, 80, 50, 40}, {100, 80, 150, 120},
                           {100, 80, 200, 160}, {7, 3, 1, 1}, {3, 2, 301, 3}};
    for (std::uint8_t level : {0, 1, 128, 254, 255})
        for (const TCase& c : cases) {
            const TBytes dst = Resample(TBytes(std::size_t(c.Sw) * c.Sh, level), c.Sw, c.Sh, c.Dw, c.Dh);
            EXPECT_EQ(dst, TBytes(std::size_t(c.Dw) * c.Dh, level)) << int(level) << " " << c.Dw << "x" << c.Dh;
        }
}

// Mirroring the source mirrors the result exactly, along either axis.
TEST(ResampleTest, MirroredSourceGivesMirroredResult) {
    const int sw = 61, sh = 47;
    const TBytes src = Random(sw, sh, 9);
    TBytes flipX(src.size()), flipY(src.size());
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) {
            flipX[std::size_t(y) * sw + (sw - 1 - x)] = src[std::size_t(y) * sw + x];
            flipY[std::size_t(sh - 1 - y) * sw + x] = src[std::size_t(y) * sw + x];
        }
    for (double zoom : {0.1, 0.25, 0.5, 1.5, 2.0}) {
        const int dw = int(std::nearbyint(sw * zoom)), dh = int(std::nearbyint(sh * zoom));
        const TBytes a = Resample(src, sw, sh, dw, dh);
        const TBytes bx = Resample(flipX, sw, sh, dw, dh), by = Resample(flipY, sw, sh, dw, dh);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x) {
                ASSERT_EQ(a[std::size_t(y) * dw + x], bx[std::size_t(y) * dw + (dw - 1 - x)]) << zoom;
                ASSERT_EQ(a[std::size_t(y) * dw + x], by[std::size_t(dh - 1 - y) * dw + x]) << zoom;
            }
    }
}

// A dark-to-bright step stays a monotone ramp from black to white with no over- or undershoot
// (B-spline weights are never negative).
TEST(ResampleTest, StepEdgeIsMonotone) {
    const int sw = 40, sh = 6;
    TBytes src(std::size_t(sw) * sh);
    for (int y = 0; y < sh; ++y)
        for (int x = 0; x < sw; ++x) src[std::size_t(y) * sw + x] = x < 17 ? 10 : 250;
    for (int dw : {4, 10, 20, 60, 80}) {
        const TBytes dst = Resample(src, sw, sh, dw, sh);
        for (int y = 0; y < sh; ++y) {
            const std::uint8_t* row = dst.data() + std::size_t(y) * dw;
            // Far from the step (beyond the filter's reach) the levels are kept exactly.
            if (dw >= 20) {
                EXPECT_EQ(row[0], 10) << dw;
                EXPECT_EQ(row[dw - 1], 250) << dw;
            }
            EXPECT_GE(row[0], 10) << dw;
            EXPECT_LE(row[dw - 1], 250) << dw;
            EXPECT_LT(row[0], row[dw - 1]) << dw;
            for (int x = 1; x < dw; ++x) EXPECT_LE(row[x - 1], row[x]) << dw << " at " << x;
        }
    }
}

TEST(ResampleTest, WritesExactlyTheDestination) {
    const TBytes src = Random(20, 10, 3);
    // Guard bytes around the destination stay untouched; the destination is fully written
    // (0xA5 fill replaced by the constant result).
    TBytes buffer(8 + 7 * 3 + 8, 0xEE);
    ResampleBSpline(TBytes(200, 77).data(), 20, 10, buffer.data() + 8, 7, 3);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(buffer[i], 0xEE);
        EXPECT_EQ(buffer[buffer.size() - 1 - i], 0xEE);
    }
    for (int i = 0; i < 21; ++i) EXPECT_EQ(buffer[8 + i], 77);
    // A zero-sized destination is no work and no write.
    TBytes none(4, 0xEE);
    ResampleBSpline(src.data(), 20, 10, none.data(), 0, 5);
    ResampleBSpline(src.data(), 20, 10, none.data(), 5, 0);
    EXPECT_EQ(none, TBytes(4, 0xEE));
}

}  // namespace
