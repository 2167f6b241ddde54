#include <gtest/gtest.h>

#include <cmath>

#include "kernel/KernelTestUtil.h"

TEST(Dot, CreatedEmptyWithDistanceMinusOne) {
    const TDot d;
    EXPECT_EQ(d.X, 0.0);
    EXPECT_EQ(d.Radius, 0.0);
    EXPECT_EQ(d.PixelCount, 0);
    EXPECT_EQ(d.Distance, -1.0);
    EXPECT_EQ(d.Area, 0.0);
    EXPECT_TRUE(d.Points.empty());
}

TEST(Dot, TwoByTwoSquare) {
    const std::vector<TPoint> pts = RectPoints(10, 20, 11, 21);
    TDot d;
    d.AssignPoints(pts.data(), 4);
    EXPECT_EQ(d.PixelCount, 4);
    EXPECT_EQ(d.X, 11.0);
    EXPECT_EQ(d.Y, 21.0);
    EXPECT_EQ(d.Radius, std::sqrt(0.5));
    EXPECT_EQ(d.Filling, 4.0 / (M_PI * (d.Radius * d.Radius)));
    EXPECT_NEAR(d.Filling, 2.546, 0.001);
    EXPECT_EQ(d.FillRadius, std::sqrt(4.0 / M_PI));
    EXPECT_NEAR(d.FillRadius, 1.128, 0.001);
    ASSERT_EQ(d.Points.size(), 4u);
    d.ReleasePoints();
    EXPECT_TRUE(d.Points.empty());
    EXPECT_EQ(d.PixelCount, 4);
    EXPECT_EQ(d.X, 11.0);
}

TEST(Dot, AssignCopiesOnlyTheFirstCount) {
    const std::vector<TPoint> pts = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {50, 50}};
    TDot d;
    d.AssignPoints(pts.data(), 4);
    EXPECT_EQ(d.Points.size(), 4u);
    EXPECT_EQ(d.X, 1.0);
}

TEST(Dot, AppendRecomputesFromAllPixels) {
    const std::vector<TPoint> a = RectPoints(0, 0, 3, 0);
    const std::vector<TPoint> b = RectPoints(0, 5, 3, 5);
    TDot d;
    d.AssignPoints(a.data(), 4);
    EXPECT_EQ(d.Radius, 1.5);  // centre 2.0, pixel centres 0.5 .. 3.5
    d.AppendPoints(b.data(), 4);
    std::vector<TPoint> all = a;
    all.insert(all.end(), b.begin(), b.end());
    const TDot whole = FromPoints(all);
    EXPECT_EQ(d.PixelCount, 8);
    EXPECT_EQ(d.Points.size(), 8u);
    EXPECT_EQ(Bits(d.X), Bits(whole.X));
    EXPECT_EQ(Bits(d.Y), Bits(whole.Y));
    EXPECT_EQ(Bits(d.Radius), Bits(whole.Radius));
    EXPECT_EQ(Bits(d.Filling), Bits(whole.Filling));
    EXPECT_EQ(d.Y, 3.0);
}

TEST(Dot, SinglePixelHasNoRadiusAndNoFilling) {
    const TPoint p{7, 7};
    TDot d;
    d.AssignPoints(&p, 1);
    EXPECT_EQ(d.X, 7.5);
    EXPECT_EQ(d.Radius, 0.0);
    EXPECT_EQ(d.Filling, 0.0);
    EXPECT_EQ(d.FillRadius, std::sqrt(1.0 / M_PI));
}

TEST(DotDeathTest, ComputeWithoutPointsIsFatal) {
    EXPECT_EXIT(
        {
            TDot d;
            d.Compute();
        },
        ::testing::ExitedWithCode(1), "952199A1-DE0C-11D7-8030-000102960A47");
}

TEST(DotDeathTest, AssignOfNothingIsFatal) {
    EXPECT_EXIT(
        {
            TDot d;
            d.AssignPoints(nullptr, 0);
        },
        ::testing::ExitedWithCode(1), "952199A1-DE0C-11D7-8030-000102960A47");
}

TEST(DotDeathTest, AppendToReleasedFeatureIsFatal) {
    EXPECT_EXIT(
        {
            const std::vector<TPoint> pts = RectPoints(0, 0, 1, 1);
            TDot d;
            d.AssignPoints(pts.data(), 4);
            d.ReleasePoints();
            d.AppendPoints(pts.data(), 4);
        },
        ::testing::ExitedWithCode(1), "952199A2-DE0C-11D7-8030-000102960A47");
}
