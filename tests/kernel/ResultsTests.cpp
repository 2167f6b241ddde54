#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>

#include "kernel/KernelTestUtil.h"
#include "kernel/xResults.h"

namespace {

using TPoints = std::vector<std::pair<double, double>>;

// A feature with the given centre, maximum radius and pixel count, measures as Compute
// would derive them.
TDot MakeDot(double x, double y, double radius, std::int32_t pixels) {
    TDot d;
    d.X = x;
    d.Y = y;
    d.PixelCount = pixels;
    d.SetShape(radius * radius);
    d.Radius = radius;
    return d;
}

TResultsInput Input(bool filters = false, bool fillRad = false, double factor = 1.0) {
    TResultsInput in;
    in.Filter.FFilter = filters;
    in.Filter.RFilter = filters;
    in.Filter.FillRad = fillRad;
    in.Factor = factor;
    in.Left = 0;
    in.Top = 0;
    in.Right = 99;
    in.Bottom = 49;
    in.GraphsColor = 12639424;
    return in;
}

struct TOutcome {
    TAnalysisResults R;
    TSeriesData Radius, Distance, Area;
    double Smallest = -7.0, Largest = -7.0;
    std::vector<TDot> Dots;
};

TOutcome Compute(std::vector<TDot> dots, const TResultsInput& in, bool literal = false) {
    TOutcome o;
    o.Dots = std::move(dots);
    if (literal) {
        Reference::ComputeResults(o.Dots, in, o.Smallest, o.Largest, o.R, o.Radius, o.Distance, o.Area);
    } else {
        ComputeResults(o.Dots, in, o.Smallest, o.Largest, o.R, o.Radius, o.Distance, o.Area);
    }
    return o;
}

::testing::AssertionResult SamePoints(const TPoints& a, const TPoints& b) {
    if (a.size() != b.size()) return ::testing::AssertionFailure() << "point counts " << a.size() << " and " << b.size();
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Bits(a[i].first) != Bits(b[i].first) || Bits(a[i].second) != Bits(b[i].second))
            return ::testing::AssertionFailure() << "point " << i << ": (" << a[i].first << ", " << a[i].second
                                                 << ") vs (" << b[i].first << ", " << b[i].second << ")";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameOutcome(const TOutcome& a, const TOutcome& b) {
    if (a.R.Number != b.R.Number || Bits(a.R.MeanRadius) != Bits(b.R.MeanRadius) ||
        Bits(a.R.Filling) != Bits(b.R.Filling) || Bits(a.R.MeanDistance) != Bits(b.R.MeanDistance) ||
        Bits(a.R.ZoneArea) != Bits(b.R.ZoneArea))
        return ::testing::AssertionFailure() << "records differ: number " << a.R.Number << "/" << b.R.Number
                                             << " radius " << a.R.MeanRadius << "/" << b.R.MeanRadius << " distance "
                                             << a.R.MeanDistance << "/" << b.R.MeanDistance;
    if (Bits(a.Smallest) != Bits(b.Smallest) || Bits(a.Largest) != Bits(b.Largest))
        return ::testing::AssertionFailure() << "radius range differs";
    if (auto s = SameDots(a.Dots, b.Dots); !s) return s;
    if (auto s = SamePoints(a.Radius.Points, b.Radius.Points); !s) return s << " (radius series)";
    if (auto s = SamePoints(a.Distance.Points, b.Distance.Points); !s) return s << " (distance series)";
    if (auto s = SamePoints(a.Area.Points, b.Area.Points); !s) return s << " (area series)";
    if (a.Radius.AreaColor != b.Radius.AreaColor || a.Area.AreaColor != b.Area.AreaColor)
        return ::testing::AssertionFailure() << "colours differ";
    return ::testing::AssertionSuccess();
}

}  // namespace

// ---- ChooseBins ----

TEST(ChooseBins, WorkedExamplesAndSpecialCases) {
    struct TCase {
        double Lo, Hi;
        double ExpLo, ExpHi, ExpStep;
    };
    const TCase cases[] = {
        {0, 37.3, 0, 38, 2},   // unit 1, 38 steps, doubled
        {0, 1.2, 0, 1.2, 0.05},  // unit 0.1 snapped at 1.2 after 12 steps, halved
        {0, 0, -1, 0, 1},      // no spread
        {2.5, 2.5, 2, 3, 1},
        {3, 3, 2, 3, 1},
    };
    for (const TCase& c : cases) {
        double lo = c.Lo, hi = c.Hi, step = -1;
        ChooseBins(lo, hi, step);
        EXPECT_EQ(lo, c.ExpLo) << c.Lo << ".." << c.Hi;
        EXPECT_EQ(hi, c.ExpHi) << c.Lo << ".." << c.Hi;
        EXPECT_EQ(step, c.ExpStep) << c.Lo << ".." << c.Hi;
    }
    double lo = 5, hi = 3, step = -1;
    ChooseBins(lo, hi, step);
    EXPECT_EQ(step, 0.0);
    EXPECT_EQ(lo, 5.0);
    EXPECT_EQ(hi, 3.0);
}

TEST(ChooseBins, UnitIsTheLiteralPowerTimesATenth) {
    // r = 0.5: k = ceil(log10(0.05)) = -1, unit = 0.1 * 0.1 = 0.010000000000000002, not 0.01.
    double lo = 0, hi = 0.5, step = 0;
    ChooseBins(lo, hi, step);
    EXPECT_EQ(step, 0.010000000000000002 * 2);
}

TEST(ChooseBins, AgreesWithTheLiteralCountFromZero) {
    std::mt19937 rng(5);
    std::int32_t compared = 0;
    for (int i = 0; i < 20000; ++i) {
        const double hi = std::exp(std::uniform_real_distribution<double>(-12, 14)(rng));
        const double lo = std::bernoulli_distribution(0.5)(rng) ? 0.0 : hi * std::uniform_real_distribution<double>(0, 1)(rng);
        double a = lo, b = hi, s = 0, la = lo, lb = hi, ls = 0;
        if (!Reference::ChooseBinsLiteral(la, lb, ls)) continue;
        ChooseBins(a, b, s);
        ASSERT_EQ(Bits(a), Bits(la)) << lo << ".." << hi;
        ASSERT_EQ(Bits(b), Bits(lb)) << lo << ".." << hi;
        ASSERT_EQ(Bits(s), Bits(ls)) << lo << ".." << hi;
        ++compared;
    }
    EXPECT_GT(compared, 10000);
}

// Values far from 0 compared with their spread used to make the count run from 0 in tiny
// steps: millions of steps, or for ever once the unit is below the resolution of double.
TEST(ChooseBins, NarrowSpreadFarFromZeroCountsNearTheLowerLimit) {
    struct TCase {
        double Lo, Hi;
    };
    const TCase cases[] = {{1e6, 1e6 + 1},
                           {4.0e9, 4.0e9 + 3.5},
                           {1234.5, 1234.5 + 1e-4},
                           {0.098, std::nextafter(0.098, 1.0)},  // same pixel count, rounding apart
                           {5e13, 5e13 + 0.125},
                           {7.0, 7.0 + 1e-9}};
    for (const TCase& c : cases) {
        double lo = c.Lo, hi = c.Hi, step = 0;
        const auto t0 = std::chrono::steady_clock::now();
        ChooseBins(lo, hi, step);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
        EXPECT_GT(step, 0.0) << c.Lo;
        EXPECT_LE(lo, c.Lo) << c.Lo;
        EXPECT_GE(hi, c.Hi) << c.Lo;
        EXPECT_LE((hi - lo) / step, 250.0) << c.Lo;
        EXPECT_GT(lo + step, lo) << c.Lo;
    }
    // A spread of 1 at one million: unit 0.01 counted from 1e6, 100 steps, so 0.04.
    double lo = 1e6, hi = 1e6 + 1, step = 0;
    ChooseBins(lo, hi, step);
    EXPECT_EQ(step, 0.010000000000000002 * 4);
    EXPECT_NEAR(lo, 1e6, 0.011);
    EXPECT_NEAR(hi, 1e6 + 1, 1e-6);
}

// ---- DotPasses ----

TEST(DotPasses, FillAndRadialThresholds) {
    TFilterSettings s;
    s.FFilter = true;
    s.FBarrier = 50;
    s.RFilter = true;
    s.RBarrier = 25;
    s.FillRad = false;
    TDot d = MakeDot(5, 5, 4.0, 30);
    d.Filling = 0.5;
    EXPECT_TRUE(DotPasses(d, s, 15.0));   // filling at the barrier passes
    EXPECT_FALSE(DotPasses(d, s, 16.0));  // 0.25 * 16 = 4 >= 4
    d.Filling = 0.49;
    EXPECT_FALSE(DotPasses(d, s, 0.0));
    s.FFilter = false;
    EXPECT_TRUE(DotPasses(d, s, 0.0));
    s.FBarrier = 0;
    s.FFilter = true;
    d.Filling = 0.0;
    EXPECT_TRUE(DotPasses(d, s, 0.0));
    s.RBarrier = 0;
    EXPECT_TRUE(DotPasses(d, s, 100.0));  // any positive radius passes
    d.Radius = 0.0;
    EXPECT_FALSE(DotPasses(d, s, 100.0));
    s.FillRad = true;  // the fill radius is tested instead
    EXPECT_TRUE(DotPasses(d, s, 100.0));
}

// ---- ComputeResults ----

TEST(ComputeResults, NoFeaturesLeavesTheCallersZoneAreaAndEmptySeries) {
    TOutcome o;
    o.R.Number = 9;
    o.R.MeanRadius = 3;
    o.R.ZoneArea = 123.0;
    o.Radius.AddPoint(1, 1);
    o.Distance.AddPoint(1, 1);
    ComputeResults(o.Dots, Input(), o.Smallest, o.Largest, o.R, o.Radius, o.Distance, o.Area);
    EXPECT_EQ(o.R.Number, 0);
    EXPECT_EQ(o.R.MeanRadius, 0.0);
    EXPECT_EQ(o.R.ZoneArea, 123.0);
    EXPECT_TRUE(o.Radius.Points.empty());
    EXPECT_TRUE(o.Distance.Points.empty());
    EXPECT_EQ(o.Radius.AreaColor, 12639424);
    EXPECT_EQ(o.Area.AreaColor, 12639424);
    EXPECT_EQ(o.Smallest, -7.0);  // untouched
}

TEST(ComputeResults, OnePassingFeature) {
    const TOutcome o = Compute({MakeDot(10, 10, 3, 20)}, Input(false, false, 0.5));
    EXPECT_EQ(o.R.Number, 1);
    EXPECT_EQ(o.Dots[0].Distance, 0.0);
    EXPECT_EQ(o.R.MeanDistance, 0.0);
    EXPECT_EQ(o.R.MeanRadius, 1.5);
    EXPECT_TRUE(SamePoints(o.Distance.Points, {{-1.0, 100.0}, {0.0, 0.0}}));
    EXPECT_EQ(o.R.ZoneArea, 50.0 * 25.0);
    EXPECT_EQ(o.Smallest, 3.0);
    EXPECT_EQ(o.Largest, 3.0);
    EXPECT_TRUE(SameOutcome(o, Compute({MakeDot(10, 10, 3, 20)}, Input(false, false, 0.5), true)));
}

TEST(ComputeResults, TwoFeaturesTenPixelsApart) {
    const TOutcome o = Compute({MakeDot(10, 10, 2, 10), MakeDot(16, 18, 2, 10)}, Input(false, false, 0.5));
    EXPECT_EQ(o.Dots[0].Distance, 5.0);
    EXPECT_EQ(o.Dots[1].Distance, 5.0);
    EXPECT_EQ(o.R.MeanDistance, 5.0);
    EXPECT_EQ(o.Dots[0].Area, ((M_PI * o.Dots[0].Filling) * 1.0) * 1.0);
    EXPECT_EQ(o.R.Filling, (((M_PI * o.Dots[0].Filling) * 2.0) * 2.0 * 2) / 5000.0);
}

// A distance of 0 replaces a positive running minimum, and the next distance replaces a 0.
TEST(ComputeResults, IdenticalCentresFollowTheListOrder) {
    struct TCase {
        const char* Order;
        std::vector<double> Expected;
    };
    // A and B share a centre; C lies 5 from it.
    const TCase cases[] = {{"ABC", {5, 5, 5}}, {"ACB", {0, 5, 5}}, {"CAB", {5, 0, 0}}, {"AB", {0, 0}}};
    for (const TCase& c : cases) {
        std::vector<TDot> dots;
        for (const char* p = c.Order; *p; ++p)
            dots.push_back(*p == 'C' ? MakeDot(13, 14, 2, 10) : MakeDot(10, 10, *p == 'A' ? 2 : 3, 10));
        const TOutcome o = Compute(dots, Input());
        ASSERT_EQ(o.Dots.size(), c.Expected.size());
        for (std::size_t i = 0; i < c.Expected.size(); ++i) EXPECT_EQ(o.Dots[i].Distance, c.Expected[i]) << c.Order << " " << i;
        EXPECT_TRUE(SameOutcome(o, Compute(dots, Input(), true))) << c.Order;
    }
}

TEST(ComputeResults, PercentagesWithOneDecimal) {
    // Radii 10, 10, 5: largest 10, bins of 0.4 from 0; two features in the last bin.
    const TOutcome o = Compute({MakeDot(10, 10, 10, 300), MakeDot(40, 10, 5, 70), MakeDot(70, 30, 10, 300)}, Input());
    ASSERT_EQ(o.R.Number, 3);
    std::int32_t third = 0, twoThirds = 0;
    double total = 0;
    for (const auto& [x, y] : o.Radius.Points) {
        third += y == 33.3;
        twoThirds += y == 66.7;
        total += y;
    }
    EXPECT_EQ(third, 1);
    EXPECT_EQ(twoThirds, 1);
    EXPECT_DOUBLE_EQ(total, 100.0);
    EXPECT_EQ(o.Radius.Points.front().first, 0.0);
    EXPECT_EQ(o.Radius.Points.back().second, 0.0);
    EXPECT_TRUE(SameOutcome(o, Compute(o.Dots, Input(), true)));
}

TEST(ComputeResults, RadialBarrierOfAHundredPassesNothing) {
    TResultsInput in = Input(true);
    in.Filter.FBarrier = 0;
    in.Filter.RBarrier = 100;
    const TOutcome o = Compute({MakeDot(10, 10, 3, 20), MakeDot(30, 10, 5, 60)}, in);
    EXPECT_EQ(o.R.Number, 0);
    EXPECT_EQ(o.R.MeanRadius, 0.0);
    EXPECT_EQ(o.R.MeanDistance, 0.0);
    EXPECT_EQ(o.R.Filling, 0.0);
    EXPECT_EQ(o.R.ZoneArea, 5000.0);
    EXPECT_TRUE(o.Radius.Points.empty());
    EXPECT_TRUE(o.Distance.Points.empty());
    EXPECT_TRUE(o.Area.Points.empty());
    EXPECT_EQ(o.Dots[0].Distance, -1.0);  // features that do not pass keep their values
    EXPECT_EQ(o.Largest, 5.0);
}

TEST(ComputeResults, FillRadiusSwitchChangesRadiiOnly) {
    const std::vector<TDot> dots = {MakeDot(10, 10, 6, 40), MakeDot(30, 12, 3, 25), MakeDot(22, 40, 4, 45)};
    const TOutcome maxR = Compute(dots, Input(false, false, 0.25));
    const TOutcome fillR = Compute(dots, Input(false, true, 0.25));
    EXPECT_NE(maxR.R.MeanRadius, fillR.R.MeanRadius);
    EXPECT_FALSE(SamePoints(maxR.Radius.Points, fillR.Radius.Points));
    EXPECT_EQ(maxR.R.Filling, fillR.R.Filling);
    EXPECT_EQ(maxR.R.MeanDistance, fillR.R.MeanDistance);
    EXPECT_TRUE(SamePoints(maxR.Distance.Points, fillR.Distance.Points));
    EXPECT_TRUE(SamePoints(maxR.Area.Points, fillR.Area.Points));
    for (std::size_t i = 0; i < dots.size(); ++i) EXPECT_EQ(maxR.Dots[i].Area, fillR.Dots[i].Area);
    EXPECT_EQ(maxR.Largest, 6.0);
    EXPECT_EQ(fillR.Largest, dots[2].FillRadius);
}

// Areas of features with one pixel count differ only by rounding; the area chart still comes
// out at once and sensibly.
TEST(ComputeResults, NearlyEqualAreasGiveAFewBins) {
    std::vector<TDot> dots;
    for (int i = 0; i < 5; ++i) dots.push_back(MakeDot(10 + 20 * i, 10, 2.0 + 0.37 * i, 12));
    const TOutcome o = Compute(dots, Input(false, false, 1.0 / 101));
    ASSERT_EQ(o.R.Number, 5);
    ASSERT_FALSE(o.Area.Points.empty());
    EXPECT_LE(o.Area.Points.size(), 250u);
    double total = 0;
    for (const auto& p : o.Area.Points) total += p.second;
    EXPECT_NEAR(total, 100.0, 0.2);
}

// ---- against the literal computation ----

namespace {

std::vector<TDot> RandomDots(std::mt19937& rng, std::int32_t n, double span) {
    std::vector<TDot> dots;
    std::uniform_real_distribution<double> pos(0, span);
    std::uniform_int_distribution<std::int32_t> half(1, static_cast<std::int32_t>(span * 2));
    for (std::int32_t i = 0; i < n; ++i) {
        // Centres on the half-pixel lattice of real features, often repeated.
        double x, y;
        if (!dots.empty() && std::bernoulli_distribution(0.1)(rng)) {
            const TDot& twin = dots[std::uniform_int_distribution<std::size_t>(0, dots.size() - 1)(rng)];
            x = twin.X;
            y = twin.Y;
        } else if (std::bernoulli_distribution(0.5)(rng)) {
            x = half(rng) * 0.5;
            y = half(rng) * 0.5;
        } else {
            x = pos(rng);
            y = pos(rng);
        }
        const double r = std::exp(std::uniform_real_distribution<double>(-1, 3.5)(rng));
        const std::int32_t pixels = std::max<std::int32_t>(
            4, static_cast<std::int32_t>(M_PI * r * r * std::uniform_real_distribution<double>(0.1, 1.2)(rng)));
        dots.push_back(MakeDot(x, y, r, pixels));
        if (std::bernoulli_distribution(0.05)(rng)) dots.back().Distance = 17.0;
    }
    return dots;
}

}  // namespace

TEST(ComputeResults, MatchesTheLiteralComputation) {
    std::mt19937 rng(99);
    for (int run = 0; run < 400; ++run) {
        const std::int32_t n = run % 10 == 0 ? std::uniform_int_distribution<std::int32_t>(200, 3000)(rng)
                                             : std::uniform_int_distribution<std::int32_t>(0, 120)(rng);
        const double span = std::exp(std::uniform_real_distribution<double>(1, 8)(rng));
        const std::vector<TDot> dots = RandomDots(rng, n, span);
        TResultsInput in = Input(std::bernoulli_distribution(0.7)(rng), std::bernoulli_distribution(0.5)(rng),
                                 std::exp(std::uniform_real_distribution<double>(-6, 3)(rng)));
        in.Filter.FBarrier = std::uniform_int_distribution<std::int32_t>(0, 100)(rng);
        in.Filter.RBarrier = std::uniform_int_distribution<std::int32_t>(0, 100)(rng);
        in.Right = std::uniform_int_distribution<std::int32_t>(0, 5000)(rng);
        in.Bottom = std::uniform_int_distribution<std::int32_t>(0, 5000)(rng);
        const TOutcome fast = Compute(dots, in);
        const TOutcome literal = Compute(dots, in, true);
        ASSERT_TRUE(SameOutcome(fast, literal)) << "run " << run << " with " << n << " features";
    }
}

// Many features at few centres: the grid search meets long runs of coincident centres.
TEST(ComputeResults, ClusteredCentresMatchTheLiteralComputation) {
    std::mt19937 rng(7);
    for (int run = 0; run < 20; ++run) {
        std::vector<TDot> dots;
        const std::int32_t sites = std::uniform_int_distribution<std::int32_t>(1, 40)(rng);
        for (int i = 0; i < 400; ++i) {
            const std::int32_t s = std::uniform_int_distribution<std::int32_t>(0, sites - 1)(rng);
            dots.push_back(MakeDot(10.5 + (s % 7) * 3.0, 20.0 + (s / 7) * 2.5, 1.0 + (i % 5), 10 + i % 7));
        }
        const TOutcome fast = Compute(dots, Input());
        const TOutcome literal = Compute(dots, Input(), true);
        ASSERT_TRUE(SameOutcome(fast, literal)) << "run " << run;
    }
}
