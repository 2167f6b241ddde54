#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kernel/KernelTestUtil.h"

namespace {

constexpr std::uint8_t Dark = 20;
constexpr std::uint8_t Light = 200;

}  // namespace

TEST(Detect, ZoneWithoutBandPixelsGivesNoFeatures) {
    TGrayImage img = MakeImage(40, 30, Light);
    FillRect(img, 5, 5, 10, 10, 120);
    EXPECT_TRUE(Detect(img, Whole(img), 0, 100, true).empty());
    EXPECT_TRUE(Detect(img, Whole(img), 130, 100, true).empty());  // empty band
}

TEST(Detect, SpecksUnderFourPixelsAreDroppedAndASquareIsKept) {
    TGrayImage img = MakeImage(30, 20, Light);
    SetPixel(img, 2, 2, Dark);                 // 1 pixel
    FillRect(img, 6, 2, 7, 2, Dark);           // 2 pixels
    FillRect(img, 10, 2, 12, 2, Dark);         // 3 pixels
    FillRect(img, 20, 10, 21, 11, Dark);       // 2 x 2
    const std::vector<TDot> dots = Detect(img, Whole(img), 0, 100, true);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].PixelCount, 4);
    EXPECT_EQ(dots[0].X, 21.0);
    EXPECT_EQ(dots[0].Y, 11.0);
    EXPECT_EQ(dots[0].Radius, std::sqrt(0.5));
    EXPECT_EQ(dots[0].Filling, 4.0 / (M_PI * (std::sqrt(0.5) * std::sqrt(0.5))));
    EXPECT_EQ(dots[0].FillRadius, std::sqrt(4.0 / M_PI));
    EXPECT_EQ(dots[0].Distance, -1.0);
    EXPECT_EQ(dots[0].Area, 0.0);
    EXPECT_TRUE(dots[0].Points.empty());
}

TEST(Detect, CornerNeighboursBelongToDifferentFeatures) {
    TGrayImage img = MakeImage(20, 20, Light);
    FillRect(img, 4, 4, 5, 5, Dark);
    FillRect(img, 6, 6, 7, 7, Dark);  // touches the first square at one corner
    for (const bool containment : {false, true}) {
        const std::vector<TDot> dots = Detect(img, Whole(img), 0, 100, containment);
        ASSERT_EQ(dots.size(), 2u);
        EXPECT_EQ(dots[0].X, 5.0);
        EXPECT_EQ(dots[1].X, 7.0);
    }
}

TEST(Detect, BandLimitsAreIncluded) {
    struct TCase {
        std::uint8_t Level;
        bool InBand;
    };
    // Band 50..90.
    const TCase cases[] = {{49, false}, {50, true}, {70, true}, {90, true}, {91, false}, {0, false}, {255, false}};
    TGrayImage img = MakeImage(80, 10, 150);
    std::int32_t x = 1;
    for (const TCase& c : cases) {
        FillRect(img, x, 2, x + 2, 4, c.Level);
        x += 8;
    }
    const std::vector<TDot> dots = Detect(img, Whole(img), 50, 90, false);
    std::size_t k = 0;
    x = 1;
    for (const TCase& c : cases) {
        if (c.InBand) {
            ASSERT_LT(k, dots.size());
            EXPECT_EQ(dots[k].X, x + 1.5) << int(c.Level);
            EXPECT_EQ(dots[k].PixelCount, 9);
            ++k;
        }
        x += 8;
    }
    EXPECT_EQ(k, dots.size());
    // Band edges at the ends of the gray scale.
    EXPECT_EQ(Detect(img, Whole(img), 0, 0, false).size(), 1u);
    EXPECT_EQ(Detect(img, Whole(img), 255, 255, false).size(), 1u);
    EXPECT_EQ(Detect(img, Whole(img), -5, 300, false).size(), 1u);  // the whole image is one region
}

TEST(Detect, ParticleCrossingTheZoneIsMeasuredInside) {
    TGrayImage img = MakeImage(40, 40, Light);
    FillRect(img, 5, 10, 14, 19, Dark);  // 10 x 10, the zone starts at column 10
    const TZone zone{10, 0, 39, 39};
    const std::vector<TDot> dots = Detect(img, zone, 0, 100, true);
    ASSERT_EQ(dots.size(), 1u);
    const TDot inside = FromPoints(RectPoints(10, 10, 14, 19));
    EXPECT_EQ(dots[0].PixelCount, 50);
    EXPECT_EQ(dots[0].X, inside.X);
    EXPECT_EQ(dots[0].X, 12.5);
    EXPECT_EQ(dots[0].Radius, inside.Radius);
    // Zone edges are inclusive: a zone of exactly the particle's rows takes all of them.
    const std::vector<TDot> exact = Detect(img, {5, 10, 14, 19}, 0, 100, true);
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(exact[0].PixelCount, 100);
}

// 250 x 100 pixels: the flood runs row by row in alternating directions, so the limit cuts
// it after rows 0-39 and 40-79; rows 80-99 are the rest.
TEST(Detect, LargeRectangleSplitsAtTheFloodLimit) {
    TGrayImage img = MakeImage(270, 120, Light);
    FillRect(img, 10, 7, 259, 106, Dark);
    for (const bool containment : {false, true}) {
        const std::vector<TDot> dots = Detect(img, Whole(img), 0, 100, containment);
        ASSERT_EQ(dots.size(), 3u);
        const TDot expected[3] = {FromPoints(RectPoints(10, 7, 259, 46)), FromPoints(RectPoints(10, 47, 259, 86)),
                                  FromPoints(RectPoints(10, 87, 259, 106))};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(dots[i].PixelCount, expected[i].PixelCount);
            EXPECT_EQ(Bits(dots[i].X), Bits(expected[i].X));
            EXPECT_EQ(Bits(dots[i].Y), Bits(expected[i].Y));
            EXPECT_EQ(Bits(dots[i].Radius), Bits(expected[i].Radius));
            EXPECT_EQ(Bits(dots[i].Filling), Bits(expected[i].Filling));
        }
        EXPECT_EQ(dots[0].PixelCount, 10000);
        EXPECT_EQ(dots[1].PixelCount, 10000);
        EXPECT_EQ(dots[2].PixelCount, 5000);
        EXPECT_EQ(dots[0].Y, 27.0);
        EXPECT_EQ(dots[2].Y, 97.0);
        EXPECT_TRUE(SameDots(dots, DetectLiteral(img, Whole(img), 0, 100, containment)));
    }
}

TEST(Detect, RegionOfExactlyTheLimitStaysWhole) {
    TGrayImage img = MakeImage(120, 120, Light);
    FillRect(img, 5, 5, 104, 104, Dark);  // 100 x 100
    const std::vector<TDot> dots = Detect(img, Whole(img), 0, 100, false);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].PixelCount, 10000);
    EXPECT_EQ(dots[0].X, 55.0);
}

// A disc, a one-pixel ring of out-of-band pixels, an outer annulus.
TEST(Detect, DiscInsideRingIsMergedUnderContainment) {
    TGrayImage img = MakeImage(60, 60, Light);
    FillRing(img, 30.0, 30.0, 0.0, 12.0, Dark);
    FillRing(img, 30.0, 30.0, 6.0, 7.0, Light);
    const std::vector<TDot> apart = Detect(img, Whole(img), 0, 100, false);
    ASSERT_EQ(apart.size(), 2u);
    // The annulus has the first pixel in row-major order.
    EXPECT_GT(apart[0].Radius, apart[1].Radius);
    EXPECT_TRUE(SameDots(apart, DetectLiteral(img, Whole(img), 0, 100, false)));

    const std::vector<TDot> merged = Detect(img, Whole(img), 0, 100, true);
    ASSERT_EQ(merged.size(), 1u);
    std::vector<TPoint> all;
    for (std::int32_t y = 0; y < 60; ++y)
        for (std::int32_t x = 0; x < 60; ++x)
            if (img.At(x, y) == Dark) all.push_back({x, y});
    const TDot whole = FromPoints(all);
    EXPECT_EQ(merged[0].PixelCount, apart[0].PixelCount + apart[1].PixelCount);
    EXPECT_EQ(Bits(merged[0].X), Bits(whole.X));
    EXPECT_EQ(Bits(merged[0].Y), Bits(whole.Y));
    EXPECT_EQ(Bits(merged[0].Radius), Bits(whole.Radius));
    EXPECT_EQ(Bits(merged[0].Filling), Bits(whole.Filling));
    EXPECT_TRUE(SameDots(merged, DetectLiteral(img, Whole(img), 0, 100, true)));
}

// A later, larger group around an earlier small feature is merged into the earlier one.
TEST(Detect, LaterEnclosingGroupMergesIntoEarlierFeature) {
    TGrayImage img = MakeImage(60, 60, Light);
    FillRect(img, 29, 17, 30, 18, Dark);          // small square, first in row-major order
    FillRing(img, 30.0, 20.0, 8.0, 12.0, Dark);   // a bowl below it whose circle holds it
    FillRect(img, 0, 0, 59, 19, Light);
    FillRect(img, 29, 17, 30, 18, Dark);
    const std::vector<TDot> dots = Detect(img, Whole(img), 0, 100, true);
    const std::vector<TDot> literal = DetectLiteral(img, Whole(img), 0, 100, true);
    EXPECT_TRUE(SameDots(dots, literal));
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_GT(dots[0].PixelCount, 4);
    EXPECT_EQ(Detect(img, Whole(img), 0, 100, false).size(), 2u);
}

TEST(Detect, FeaturesFollowTheRowMajorOrderOfTheirFirstPixel) {
    TGrayImage img = MakeImage(50, 50, Light);
    FillRect(img, 30, 5, 33, 20, Dark);  // first pixel (30, 5)
    FillRect(img, 5, 8, 9, 9, Dark);     // (5, 8)
    FillRect(img, 40, 8, 41, 9, Dark);   // (40, 8)
    FillRect(img, 2, 30, 3, 31, Dark);   // (2, 30)
    const std::vector<TDot> first = Detect(img, Whole(img), 0, 100, true);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first[0].X, 32.0);
    EXPECT_EQ(first[1].X, 7.5);
    EXPECT_EQ(first[2].X, 41.0);
    EXPECT_EQ(first[3].X, 3.0);
    EXPECT_TRUE(SameDots(first, Detect(img, Whole(img), 0, 100, true)));
}

// ---- the fast detection against the literal one ----

namespace {

enum class TScene { Blobs, Noise, Large, Rings, Stripes, Combs };

TGrayImage MakeScene(TScene scene, std::mt19937& rng) {
    std::uniform_int_distribution<std::int32_t> size(40, 220);
    std::int32_t w = size(rng), h = size(rng);
    if (scene == TScene::Combs) {
        w = 180 + w % 80;
        h = 180 + h % 80;
    }
    TGrayImage img = MakeImage(w, h, 0);
    std::uniform_int_distribution<std::int32_t> level(0, 255);
    switch (scene) {
        case TScene::Blobs: {
            for (auto& p : img.Pixels) p = static_cast<std::uint8_t>(150 + level(rng) % 100);
            std::uniform_int_distribution<std::int32_t> count(5, 120);
            const std::int32_t n = count(rng);
            for (std::int32_t i = 0; i < n; ++i) {
                const double cx = std::uniform_real_distribution<double>(0, w)(rng);
                const double cy = std::uniform_real_distribution<double>(0, h)(rng);
                const double r = std::uniform_real_distribution<double>(0.5, 18)(rng);
                const double r0 = std::bernoulli_distribution(0.2)(rng) ? r * 0.6 : 0.0;
                FillRing(img, cx, cy, r0, r, static_cast<std::uint8_t>(level(rng) % 120));
            }
            break;
        }
        case TScene::Noise:
            for (auto& p : img.Pixels) p = static_cast<std::uint8_t>(level(rng));
            break;
        case TScene::Large: {
            for (auto& p : img.Pixels) p = static_cast<std::uint8_t>(level(rng) < 40 ? 250 : 30);
            const std::int32_t holes = std::uniform_int_distribution<std::int32_t>(0, 30)(rng);
            for (std::int32_t i = 0; i < holes; ++i) {
                const double cx = std::uniform_real_distribution<double>(0, w)(rng);
                const double cy = std::uniform_real_distribution<double>(0, h)(rng);
                FillRing(img, cx, cy, 0, std::uniform_real_distribution<double>(1, 12)(rng), 250);
            }
            break;
        }
        case TScene::Rings: {
            for (auto& p : img.Pixels) p = 240;
            const double cx = w / 2.0 + std::uniform_real_distribution<double>(-3, 3)(rng);
            const double cy = h / 2.0 + std::uniform_real_distribution<double>(-3, 3)(rng);
            for (double r = 0; r < w; r += std::uniform_real_distribution<double>(2, 6)(rng))
                FillRing(img, cx, cy, r, r + std::uniform_real_distribution<double>(0.5, 3)(rng), 10);
            break;
        }
        case TScene::Stripes: {
            const std::int32_t period = std::uniform_int_distribution<std::int32_t>(2, 7)(rng);
            for (std::int32_t y = 0; y < h; ++y)
                for (std::int32_t x = 0; x < w; ++x)
                    SetPixel(img, x, y, static_cast<std::uint8_t>((x % period == 0 || y % 37 == 0) ? 10 : 200));
            for (std::int32_t i = 0; i < w * h / 50; ++i)
                SetPixel(img, std::uniform_int_distribution<std::int32_t>(0, w - 1)(rng),
                         std::uniform_int_distribution<std::int32_t>(0, h - 1)(rng), 200);
            break;
        }
        case TScene::Combs: {
            // Two interleaved combs of more than FloodLimit pixels each whose boxes cover
            // the whole image, with a little noise cutting them.
            for (std::int32_t y = 0; y < h; ++y) {
                for (std::int32_t x = 0; x < w; ++x) {
                    std::uint8_t v = 200;
                    if (y < 2 || (x % 4 == 0 && y < h - 3)) v = 10;
                    if (y >= h - 2 || (x % 4 == 2 && y > 2)) v = 60;
                    SetPixel(img, x, y, v);
                }
            }
            for (std::int32_t i = 0; i < w * h / 4000; ++i)
                SetPixel(img, std::uniform_int_distribution<std::int32_t>(0, w - 1)(rng),
                         std::uniform_int_distribution<std::int32_t>(0, h - 1)(rng), 200);
            break;
        }
    }
    return img;
}

struct TSceneCase {
    TScene Scene;
    const char* Name;
    std::uint32_t Seed;
    std::int32_t Runs;
};

class DetectMatchesLiteral : public ::testing::TestWithParam<TSceneCase> {};

}  // namespace

TEST_P(DetectMatchesLiteral, OnRandomImages) {
    const TSceneCase& c = GetParam();
    std::mt19937 rng(c.Seed);
    std::int32_t largeSeen = 0, mergesSeen = 0;
    for (std::int32_t run = 0; run < c.Runs; ++run) {
        const TGrayImage img = MakeScene(c.Scene, rng);
        TZone zone = Whole(img);
        if (std::bernoulli_distribution(0.6)(rng)) {
            std::uniform_int_distribution<std::int32_t> ux(0, img.Width - 1), uy(0, img.Height - 1);
            std::int32_t a = ux(rng), b = ux(rng), p = uy(rng), q = uy(rng);
            zone = {std::min(a, b), std::min(p, q), std::max(a, b), std::max(p, q)};
        }
        std::int32_t lo = 0, hi = 100;
        if (c.Scene == TScene::Noise) {
            lo = std::uniform_int_distribution<std::int32_t>(0, 120)(rng);
            hi = lo + std::uniform_int_distribution<std::int32_t>(0, 200)(rng);
        } else if (std::bernoulli_distribution(0.3)(rng)) {
            lo = std::uniform_int_distribution<std::int32_t>(0, 60)(rng);
            hi = lo + std::uniform_int_distribution<std::int32_t>(0, 150)(rng);
        }
        for (const bool containment : {false, true}) {
            const std::vector<TDot> fast = Detect(img, zone, lo, hi, containment);
            const std::vector<TDot> literal = DetectLiteral(img, zone, lo, hi, containment);
            ASSERT_TRUE(SameDots(fast, literal)) << c.Name << " run " << run << " image " << img.Width << "x"
                                                 << img.Height << " band " << lo << ".." << hi
                                                 << " containment " << containment;
            for (const TDot& d : literal) largeSeen += d.PixelCount >= 10000;
            if (containment) {
                const std::vector<TDot> apart = DetectLiteral(img, zone, lo, hi, false);
                mergesSeen += static_cast<std::int32_t>(apart.size() - literal.size());
            }
        }
    }
    // The scenes are made to exercise these paths; a generator that stops doing so would
    // make the comparison hollow.
    if (c.Scene == TScene::Large || c.Scene == TScene::Combs) {
        EXPECT_GT(largeSeen, 0);
    }
    if (c.Scene == TScene::Rings || c.Scene == TScene::Blobs) {
        EXPECT_GT(mergesSeen, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, DetectMatchesLiteral,
                         ::testing::Values(TSceneCase{TScene::Blobs, "blobs", 11, 60},
                                           TSceneCase{TScene::Noise, "noise", 12, 60},
                                           TSceneCase{TScene::Large, "large", 13, 40},
                                           TSceneCase{TScene::Rings, "rings", 14, 30},
                                           TSceneCase{TScene::Stripes, "stripes", 15, 30},
                                           TSceneCase{TScene::Combs, "combs", 16, 24}),
                         [](const ::testing::TestParamInfo<TSceneCase>& info) { return std::string(info.param.Name); });
