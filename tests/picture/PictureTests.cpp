// The picture: loading, gray levels, zoom, band overlay, zone fitting and editing,
// band from a rectangle, settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "picture/xPicture.h"
#include "platform/ImageFile.h"
#include "platform/StatusPanel.h"
#include "settings/xParams.h"
#include "support/TestSupport.h"

namespace {

class TRecordingPanel : public IStatusPanel {
public:
    void SetText(const std::string& text) override { Texts.push_back(text); }
    std::vector<std::string> Texts;
};

// Text PGM of the given gray levels (row-major).
void WritePgm(const std::string& path, int w, int h, const std::vector<int>& gray) {
    std::string s = "P2\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int v : gray) s += std::to_string(v) + "\n";
    WriteFile(path, s);
}

// Text PPM of (r, g, b) triples (row-major).
void WritePpm(const std::string& path, int w, int h, const std::vector<int>& rgb) {
    std::string s = "P3\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int v : rgb) s += std::to_string(v) + "\n";
    WriteFile(path, s);
}

std::vector<int> RandomGray(int n, unsigned seed, int lo = 0, int hi = 255) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(lo, hi);
    std::vector<int> v(n);
    for (int& x : v) x = d(rng);
    return v;
}

std::uint32_t Gray(std::uint32_t g) { return PackRgb(g, g, g); }

// What Display must hold, computed pixel by pixel the plain way from Zoomed.
std::vector<std::uint32_t> ExpectedDisplay(const TPic& p) {
    const TGrayBitmap& z = *p.Zoomed();
    std::vector<std::uint32_t> out(z.Pixels.size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = Gray(z.Pixels[i]);
    if (!p.Filter) return out;
    const int x0 = static_cast<int>(std::nearbyint(p.Left * p.ZoomFactor));
    const int y0 = static_cast<int>(std::nearbyint(p.Top * p.ZoomFactor));
    int x1 = static_cast<int>(std::nearbyint(p.Right * p.ZoomFactor));
    int y1 = static_cast<int>(std::nearbyint(p.Bottom * p.ZoomFactor));
    if (x1 > z.Width - 1) x1 = z.Width - 1;
    if (y1 > z.Height - 1) y1 = z.Height - 1;
    const auto k = static_cast<std::uint32_t>(Params->Colors[3]);
    const auto s = static_cast<std::uint32_t>(Params->Colors[4]);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const std::uint32_t v = z.Pixels[static_cast<std::size_t>(y) * z.Width + x];
            std::uint32_t& d = out[static_cast<std::size_t>(y) * z.Width + x];
            if (p.FilterMin <= static_cast<int>(v) && static_cast<int>(v) <= p.FilterMax)
                d = PackRgb(s & 0xFF, (s >> 8) & 0xFF, (s >> 16) & 0xFF);
            else
                d = PackRgb(((k & 0xFF) + 3 * v) / 4, (((k >> 8) & 0xFF) + 3 * v) / 4,
                            (((k >> 16) & 0xFF) + 3 * v) / 4);
        }
    return out;
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override { Params = new TParams(); }
    void TearDown() override {
        Pic.reset();
        delete Params;
        Params = nullptr;
    }
    // Settings file content written before the picture reads it.
    void Settings(const std::string& text) { WriteFile(Scope.SettingsFile, text); }
    TPic& Make() {
        Pic = std::make_unique<TPic>(&Panel);
        return *Pic;
    }
    std::string Image(const std::string& name) const { return Files.File(name); }

    TConsoleScope Scope;
    TTempDir Files;
    TRecordingPanel Panel;
    std::unique_ptr<TPic> Pic;
};

TEST_F(PictureTest, FirstImageWithoutSettingsFileTakesWholeImageAndNarrowsBand) {
    TPic& p = Make();
    EXPECT_NE(std::find(Scope.Sink.Lines.begin(), Scope.Sink.Lines.end(), " > creating Picture"),
              Scope.Sink.Lines.end());
    EXPECT_FALSE(p.HasImage());
    EXPECT_EQ(p.ImageWidth(), 0);
    EXPECT_EQ(p.ImageHeight(), 0);
    EXPECT_EQ(p.GrayMin, 0);
    EXPECT_EQ(p.GrayMax, 255);
    EXPECT_EQ(p.Zoom, 2);
    EXPECT_EQ(p.ZoomFactor, 0.5);
    EXPECT_FALSE(p.Filter);

    std::vector<int> gray = RandomGray(10 * 6, 1, 30, 200);
    gray[7] = 30;
    gray[20] = 200;
    WritePgm(Image("a.pgm"), 10, 6, gray);
    ASSERT_TRUE(p.LoadImage(Image("a.pgm")));

    EXPECT_TRUE(p.HasImage());
    EXPECT_EQ(p.ImageWidth(), 10);
    EXPECT_EQ(p.ImageHeight(), 6);
    EXPECT_EQ(p.Left, 0);
    EXPECT_EQ(p.Top, 0);
    EXPECT_EQ(p.Right, 9);
    EXPECT_EQ(p.Bottom, 5);
    EXPECT_EQ(p.GrayMin, 30);
    EXPECT_EQ(p.GrayMax, 200);
    EXPECT_EQ(p.FilterMin, 30);
    EXPECT_EQ(p.FilterMax, 200);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(p.GrayAt(x, y), gray[y * 10 + x]);
    ASSERT_EQ(p.Zoomed()->Width, 5);
    ASSERT_EQ(p.Zoomed()->Height, 3);
    ASSERT_EQ(p.Display()->Width, 5);
    ASSERT_EQ(p.Display()->Height, 3);
    EXPECT_EQ(p.Display()->Pixels, ExpectedDisplay(p));  // overlay off: plain gray
}

TEST_F(PictureTest, ColourPixelsBecomeTheIntegerMeanOfTheirChannels) {
    TPic& p = Make();
    WritePpm(Image("c.ppm"), 2, 1, {10, 20, 31, 255, 255, 254});
    ASSERT_TRUE(p.LoadImage(Image("c.ppm")));
    EXPECT_EQ(p.GrayAt(0, 0), 20);   // (10 + 20 + 31) div 3
    EXPECT_EQ(p.GrayAt(1, 0), 254);  // 764 div 3, truncated
    EXPECT_EQ(p.GrayMin, 20);
    EXPECT_EQ(p.GrayMax, 254);
}

TEST_F(PictureTest, OverlayTintsOutOfBandAndPaintsInBandInsideTheZoneOnly) {
    Settings("[PICTURE]\nZoom=3\nFilter=1\n[ZONE]\nLeft=1\nRight=2\nTop=0\nBottom=0\n");
    Params->Colors[3] = static_cast<std::int32_t>(0x7F302010);  // high byte is ignored
    Params->Colors[4] = 0x00ABCDEF;
    TPic& p = Make();
    WritePgm(Image("o.pgm"), 4, 2, {100, 100, 150, 100, 0, 255, 255, 0});
    ASSERT_TRUE(p.LoadImage(Image("o.pgm")));
    p.SetFilterMin(120);
    p.SetFilterMax(200);

    const TRgbBitmap& d = *p.Display();
    EXPECT_EQ(d.Row(0)[0], Gray(100));  // left of the zone
    EXPECT_EQ(d.Row(0)[1], PackRgb((0x10 + 300) / 4, (0x20 + 300) / 4, (0x30 + 300) / 4));
    EXPECT_EQ(d.Row(0)[2], PackRgb(0xEF, 0xCD, 0xAB));  // in the band: exactly the colour
    EXPECT_EQ(d.Row(0)[3], Gray(100));                  // right of the zone
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.Row(1)[x], Gray(p.GrayAt(x, 1)));  // below it

    p.SetFilter(false);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(d.Row(0)[x], Gray(p.GrayAt(x, 0)));
}

// Band drags, zone edits, colour changes, filter toggles and zoom changes in any order:
// Display always equals Zoomed with the overlay over the current zone, nothing stale.
TEST_F(PictureTest, DisplayFollowsEveryChangeWithoutStaleOverlay) {
    Settings("[PICTURE]\nZoom=3\nFilter=1\n");
    TPic& p = Make();
    WritePgm(Image("r.pgm"), 37, 23, RandomGray(37 * 23, 7));
    ASSERT_TRUE(p.LoadImage(Image("r.pgm")));
    ASSERT_EQ(p.Display()->Pixels, ExpectedDisplay(p));

    std::mt19937 rng(42);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int step = 0; step < 400; ++step) {
        switch (pick(0, 6)) {
        case 0: p.SetFilterMin(pick(-10, 270)); break;
        case 1: p.SetFilterMax(pick(-10, 270)); break;
        case 2: p.SetFilter(!p.Filter); break;
        case 3:
        case 4:
            p.MoveZoneEdge(pick(-40, 40), pick(-40, 40), static_cast<std::uint8_t>(pick(1, 4)));
            p.RefilterIfOn(false);
            break;
        case 5:
            Params->Colors[pick(3, 4)] = pick(0, 0x7FFFFFFF);
            p.RefilterIfOn(false);
            break;
        case 6: p.SetZoom(static_cast<std::uint8_t>(pick(0, 5))); break;
        }
        ASSERT_EQ(p.Display()->Pixels, ExpectedDisplay(p)) << "after step " << step;
    }
}

TEST_F(PictureTest, ZoomHundredCopiesSourceOtherZoomsResampleToRoundedSize) {
    Settings("[PICTURE]\nZoom=3\n");
    TPic& p = Make();
    const std::vector<int> gray = RandomGray(5 * 7, 3);
    WritePgm(Image("z.pgm"), 5, 7, gray);
    ASSERT_TRUE(p.LoadImage(Image("z.pgm")));
    EXPECT_EQ(p.Zoomed()->Pixels, p.Source()->Pixels);

    struct Case { std::uint8_t zoom; int w, h; };
    // Sizes are Round(5 * f) x Round(7 * f), halves to even, at least 1.
    for (const Case c : {Case{2, 2, 4}, Case{0, 1, 1}, Case{1, 1, 2}, Case{4, 8, 10}, Case{5, 10, 14}}) {
        p.SetZoom(c.zoom);
        EXPECT_EQ(p.ZoomFactor, TPic::ZoomFactors[c.zoom]);
        EXPECT_EQ(p.Zoomed()->Width, c.w) << int(c.zoom);
        EXPECT_EQ(p.Zoomed()->Height, c.h) << int(c.zoom);
        EXPECT_EQ(p.Display()->Width, c.w);
        EXPECT_EQ(p.Display()->Height, c.h);
        EXPECT_EQ(p.Source()->Pixels.size(), 35u);  // Source is never changed
    }
    p.SetZoom(3);
    EXPECT_EQ(p.Zoomed()->Pixels, p.Source()->Pixels);
}

TEST_F(PictureTest, StoredZoomIndexIsAppliedAndAnOutOfRangeOneFallsBackWithAWarning) {
    for (int zoom = 0; zoom <= 5; ++zoom) {
        Settings("[PICTURE]\nZoom=" + std::to_string(zoom) + "\n");
        TPic& p = Make();
        EXPECT_EQ(p.Zoom, zoom);
        EXPECT_EQ(p.ZoomFactor, TPic::ZoomFactors[zoom]);
        Pic.reset();
    }
    EXPECT_EQ(TPic::ZoomFactors[0], 0.1);

    for (const char* bad : {"9", "-1", "258"}) {
        Settings(std::string("[PICTURE]\nZoom=") + bad + "\n");
        Scope.Sink.Lines.clear();
        TPic& p = Make();
        EXPECT_EQ(p.Zoom, 2) << bad;
        EXPECT_EQ(p.ZoomFactor, 0.5);
        bool warned = false;
        for (const std::string& line : Scope.Sink.Lines) warned |= line.rfind(" WARNING: ", 0) == 0;
        EXPECT_TRUE(warned) << bad;
        Pic.reset();
    }
}

TEST_F(PictureTest, BandSettersClampAndKeepMinBelowMax) {
    TPic& p = Make();
    WritePgm(Image("b.pgm"), 3, 1, {20, 120, 230});
    ASSERT_TRUE(p.LoadImage(Image("b.pgm")));
    ASSERT_EQ(p.FilterMin, 20);
    ASSERT_EQ(p.FilterMax, 230);

    p.FilterMax = 200;
    p.SetFilterMin(300);
    EXPECT_EQ(p.FilterMin, 199);
    p.FilterMin = 10;
    p.SetFilterMax(5);
    EXPECT_EQ(p.FilterMax, 11);
    p.FilterMax = 200;
    p.SetFilterMin(-5);
    EXPECT_EQ(p.FilterMin, 20);  // GrayMin
    p.SetFilterMax(999);
    EXPECT_EQ(p.FilterMax, 230);  // GrayMax
    p.SetFilterMin(100);
    p.SetFilterMax(150);
    EXPECT_EQ(p.FilterMin, 100);
    EXPECT_EQ(p.FilterMax, 150);
}

TEST_F(PictureTest, SettersWithoutImageOnlyClamp) {
    TPic& p = Make();  // GrayMin 0, GrayMax 255 before any load
    p.SetFilterMin(-5);
    EXPECT_EQ(p.FilterMin, 0);
    p.SetFilterMax(300);
    EXPECT_EQ(p.FilterMax, 255);
    p.SetFilter(true);
    p.SetZoom(4);
    EXPECT_EQ(p.ZoomFactor, 1.5);
    EXPECT_FALSE(p.HasImage());
}

// 10 x 8 image at 100 % (view = image + 8): gray = 10 * x + y, with a uniform 120 block.
class BandFromRectTest : public PictureTest {
protected:
    void SetUp() override {
        PictureTest::SetUp();
        Settings("[PICTURE]\nZoom=3\nFilterMin=0\nFilterMax=100\n");
        std::vector<int> gray(80);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) gray[y * 10 + x] = 10 * x + y;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) gray[y * 10 + x] = 120;
        WritePgm(Image("g.pgm"), 10, 8, gray);
        ASSERT_TRUE(Make().LoadImage(Image("g.pgm")));
        ASSERT_EQ(Pic->FilterMin, 2);  // GrayMin: pixel (0, 2)
        ASSERT_EQ(Pic->FilterMax, 100);
    }
    static TPoint V(int x, int y) { return {x + 8, y + 8}; }  // image pixel to view point
};

TEST_F(BandFromRectTest, UniformRectangleAboveTheOldBandGivesOldMaxMinusOne) {
    Pic->BandFromRect(V(2, 1), V(0, 0));  // corners in any order
    EXPECT_EQ(Pic->FilterMin, 99);
    EXPECT_EQ(Pic->FilterMax, 120);
}

TEST_F(BandFromRectTest, RectanglePartlyBeyondTheImageReadsUpToItsLastColumnAndRow) {
    Pic->BandFromRect(V(6, 4), V(60, 40));
    EXPECT_EQ(Pic->FilterMin, 64);  // (6, 4)
    EXPECT_EQ(Pic->FilterMax, 97);  // (9, 7)
    Pic->BandFromRect(V(-20, -20), V(4, 5));  // partly beyond the top-left corner
    EXPECT_EQ(Pic->FilterMin, 2);
    EXPECT_EQ(Pic->FilterMax, 120);
}

TEST_F(BandFromRectTest, RectangleWhollyOutsideChangesNothing) {
    struct Case { TPoint a, b; };
    for (const Case c : {Case{V(-9, 2), V(0, 6)},     // x2 <= 0: left of the image
                         Case{V(2, -9), V(6, 0)},     // y2 <= 0: above it
                         Case{V(10, 2), V(30, 6)},    // right of it
                         Case{V(2, 8), V(6, 30)}}) {  // below it
        Pic->BandFromRect(c.a, c.b);
        EXPECT_EQ(Pic->FilterMin, 2);
        EXPECT_EQ(Pic->FilterMax, 100);
    }
}

TEST_F(PictureTest, MoveZoneEdgeClampsToImageAndOppositeEdge) {
    struct Case {
        std::uint8_t zoom, edge;
        int dx, dy;
        int left, top, right, bottom;  // zone afterwards, from 2, 3, 15, 10
    };
    const Case cases[] = {
        {3, 1, 100, 0, 14, 3, 15, 10},   // left past right: one left of it
        {3, 1, -50, 0, 0, 3, 15, 10},    // left past the border: 0
        {3, 2, 0, 100, 2, 9, 15, 10},    // top past bottom
        {3, 2, 0, -50, 2, 0, 15, 10},
        {3, 3, 0, 100, 2, 3, 15, 11},    // bottom beyond the image: last row
        {3, 3, 0, -100, 2, 3, 15, 4},    // bottom past top: one below it
        {3, 4, 100, 0, 2, 3, 19, 10},    // right beyond the image: last column
        {3, 4, -100, 0, 2, 3, 3, 10},
        {5, 4, 1, 0, 2, 3, 15, 10},      // 200 %: one view pixel is Round(0.5) = 0
        {5, 4, 3, 0, 2, 3, 17, 10},      // 200 %: three are Round(1.5) = 2
        {5, 4, -5, 0, 2, 3, 13, 10},     // Round(-2.5) = -2
        {0, 1, 1, 0, 12, 3, 15, 10},     // 10 %: one view pixel is ten image pixels
        {3, 0, 5, 5, 2, 3, 15, 10},      // unknown edges change nothing
        {3, 5, 5, 5, 2, 3, 15, 10},
    };
    Settings("[ZONE]\nLeft=2\nTop=3\nRight=15\nBottom=10\n");
    WritePgm(Image("m.pgm"), 20, 12, RandomGray(240, 5));
    for (const Case& c : cases) {
        TPic& p = Make();
        ASSERT_TRUE(p.LoadImage(Image("m.pgm")));
        p.SetZoom(c.zoom);
        p.MoveZoneEdge(c.dx, c.dy, c.edge);
        EXPECT_EQ(p.Left, c.left) << int(c.edge) << " " << c.dx << " " << c.dy;
        EXPECT_EQ(p.Top, c.top) << int(c.edge) << " " << c.dx << " " << c.dy;
        EXPECT_EQ(p.Right, c.right) << int(c.edge) << " " << c.dx << " " << c.dy;
        EXPECT_EQ(p.Bottom, c.bottom) << int(c.edge) << " " << c.dx << " " << c.dy;
        p.Left = 2, p.Top = 3, p.Right = 15, p.Bottom = 10;  // written back at destruction
        Pic.reset();
    }
}

TEST_F(PictureTest, DraggedEdgeNeverLeavesAOneRowOrOneColumnImage) {
    TPic& p = Make();
    WritePgm(Image("line.pgm"), 1, 4, {1, 2, 3, 4});
    ASSERT_TRUE(p.LoadImage(Image("line.pgm")));
    p.SetZoom(3);
    p.MoveZoneEdge(5, 0, 4);  // right edge of a one-column image
    EXPECT_EQ(p.Left, 0);
    EXPECT_EQ(p.Right, 0);
    p.MoveZoneEdge(0, -10, 2);
    p.MoveZoneEdge(0, 10, 3);
    EXPECT_EQ(p.Bottom, 3);

    WritePgm(Image("row.pgm"), 4, 1, {1, 2, 3, 4});
    ASSERT_TRUE(p.LoadImage(Image("row.pgm")));
    p.MoveZoneEdge(0, 5, 3);
    EXPECT_EQ(p.Top, 0);
    EXPECT_EQ(p.Bottom, 0);
}

TEST_F(PictureTest, ZoneStoredForALargerImageIsFitted) {
    struct Case {
        const char* zone;
        int left, top, right, bottom;
    };
    const Case cases[] = {
        {"Left=5\nRight=500\nTop=4\nBottom=400", 5, 4, 19, 14},  // cut to the last column, row
        {"Left=-3\nRight=10\nTop=-1\nBottom=9", 0, 0, 10, 9},
        {"Left=50\nRight=60\nTop=2\nBottom=3", 0, 0, 19, 14},    // Left beyond the image
        {"Left=2\nRight=6\nTop=40\nBottom=50", 0, 0, 19, 14},    // Top beyond the image
        {"Left=2\nRight=6\nTop=9\nBottom=3", 0, 0, 19, 14},      // Top > Bottom as stored
        {"Left=-9\nRight=-5\nTop=1\nBottom=3", 0, 0, 19, 14},    // wholly left of it
    };
    WritePgm(Image("f.pgm"), 20, 15, RandomGray(300, 9));
    for (const Case& c : cases) {
        Settings(std::string("[ZONE]\n") + c.zone + "\n");
        TPic& p = Make();
        ASSERT_TRUE(p.LoadImage(Image("f.pgm")));
        EXPECT_EQ(p.Left, c.left) << c.zone;
        EXPECT_EQ(p.Top, c.top) << c.zone;
        EXPECT_EQ(p.Right, c.right) << c.zone;
        EXPECT_EQ(p.Bottom, c.bottom) << c.zone;
        Pic.reset();
    }
}

TEST_F(PictureTest, BandOverlayOfALoadCoversTheFittedZone) {
    Settings("[PICTURE]\nZoom=3\nFilter=1\n");  // unset zone: Left 100 > Right 0
    TPic& p = Make();
    WritePgm(Image("w.pgm"), 6, 4, RandomGray(24, 11));
    ASSERT_TRUE(p.LoadImage(Image("w.pgm")));
    EXPECT_EQ(p.Right, 5);
    EXPECT_EQ(p.Display()->Pixels, ExpectedDisplay(p));
}

TEST_F(PictureTest, MissingFileReturnsFalseAndDropsThePreviousImage) {
    TPic& p = Make();
    WritePgm(Image("a.pgm"), 2, 2, {1, 2, 3, 4});
    ASSERT_TRUE(p.LoadImage(Image("a.pgm")));
    EXPECT_FALSE(p.LoadImage(Image("missing.pgm")));
    EXPECT_FALSE(p.HasImage());
    EXPECT_EQ(p.Source(), nullptr);
    EXPECT_EQ(p.Zoomed(), nullptr);
    EXPECT_EQ(p.ImageWidth(), 0);
    EXPECT_EQ(p.ImageHeight(), 0);
    EXPECT_FALSE(p.LoadImage(Files.Path().string()));  // a folder is not an image file
}

TEST_F(PictureTest, UnreadableFileRaisesAndLeavesNoImage) {
    TPic& p = Make();
    WritePgm(Image("a.pgm"), 2, 2, {1, 2, 3, 4});
    ASSERT_TRUE(p.LoadImage(Image("a.pgm")));
    WriteFile(Image("bad.png"), "this is not an image");
    WriteFile(Image("cut.pgm"), "P2\n4 4\n255\n1 2 3\n");  // pixel data cut short
    for (const char* name : {"bad.png", "cut.pgm"}) {
        EXPECT_THROW(p.LoadImage(Image(name)), TImageError) << name;
        EXPECT_FALSE(p.HasImage());
        EXPECT_EQ(p.Source(), nullptr);
        EXPECT_EQ(p.Zoomed(), nullptr);
        EXPECT_EQ(p.ImageHeight(), 0);
        // Nothing works on a half-made image afterwards.
        p.SetFilter(true);
        p.SetFilterMin(3);
        p.BandFromRect({0, 0}, {100, 100});
        p.SetFilter(false);
    }
    ASSERT_TRUE(p.LoadImage(Image("a.pgm")));  // the picture recovers with a good file
    EXPECT_EQ(p.ImageWidth(), 2);
}

TEST_F(PictureTest, ProgressTextsAreShownAndCleared) {
    Settings("[PICTURE]\nFilter=1\n");
    TPic& p = Make();
    WritePgm(Image("s.pgm"), 4, 4, RandomGray(16, 2));
    const int pendingBefore = Scope.Sink.PendingCalls;
    ASSERT_TRUE(p.LoadImage(Image("s.pgm")));
    const std::vector<std::string> expected = {" Converting to grayscale ...", "", " Scaling image ...", "",
                                               " Filtering ...", ""};
    EXPECT_EQ(Panel.Texts, expected);
    EXPECT_EQ(Scope.Sink.PendingCalls - pendingBefore, 6);  // messages run after each text

    Panel.Texts.clear();
    p.SetFilter(false);
    p.SetFilterMin(p.FilterMin + 1);  // overlay off: nothing long runs
    EXPECT_TRUE(Panel.Texts.empty());
}

TEST_F(PictureTest, WithoutStatusPanelNothingIsShown) {
    Pic = std::make_unique<TPic>(nullptr);
    WritePgm(Image("s.pgm"), 4, 4, RandomGray(16, 2));
    Pic->SetFilter(true);
    ASSERT_TRUE(Pic->LoadImage(Image("s.pgm")));
    EXPECT_TRUE(Pic->HasImage());
}

TEST_F(PictureTest, ViewConversionsRoundHalvesToEven) {
    TPic& p = Make();
    struct Case { std::uint8_t zoom; int v; int view, length; };
    for (const Case c : {Case{5, 3, 14, 6}, Case{2, 1, 8, 0}, Case{2, 3, 10, 2}, Case{2, 5, 10, 2},
                         Case{1, 2, 8, 0}, Case{1, 6, 10, 2}, Case{4, 1, 10, 2}, Case{4, 3, 12, 4}}) {
        p.SetZoom(c.zoom);
        EXPECT_EQ(p.ToView(c.v), c.view) << int(c.zoom) << " " << c.v;
        EXPECT_EQ(p.ToView(c.v, true), c.length) << int(c.zoom) << " " << c.v;
    }
    p.SetZoom(5);  // (v - 8) / 2
    EXPECT_EQ(p.ToImage(9), 0);    // 0.5
    EXPECT_EQ(p.ToImage(11), 2);   // 1.5
    EXPECT_EQ(p.ToImage(7), 0);    // -0.5
    EXPECT_EQ(p.ToImage(5), -2);   // -1.5
    p.SetZoom(0);
    EXPECT_EQ(p.ToImage(10), 20);

    p.Left = 2, p.Top = 3, p.Right = 11, p.Bottom = 5;
    p.SetZoom(4);  // 1.5: 3 + 8 = 11, 4.5 + 8 = 12.5 -> 12, 16.5 + 8 = 24.5 -> 24, 7.5 + 8 = 15.5 -> 16
    const TViewRect r = p.ZoneInView();
    EXPECT_EQ(r.Left, 11);
    EXPECT_EQ(r.Top, 12);
    EXPECT_EQ(r.Right, 24);
    EXPECT_EQ(r.Bottom, 16);
}

TEST_F(PictureTest, SettingsAreWrittenAtDestructionAndReadAtCreation) {
    {
        TPic& p = Make();
        WritePgm(Image("a.pgm"), 30, 20, RandomGray(600, 4));
        ASSERT_TRUE(p.LoadImage(Image("a.pgm")));
        p.SetZoom(0);
        p.SetFilter(true);
        p.SetFilterMin(40);
        p.SetFilterMax(210);
        p.MoveZoneEdge(2, 0, 1);  // 10 %: Left += 20
        Pic.reset();
    }
    const std::string ini = ReadFile(Scope.SettingsFile);
    for (const char* key : {"Left=20", "Right=29", "Top=0", "Bottom=19", "Filter=1", "Zoom=0", "FilterMin=40",
                            "FilterMax=210"})
        EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;

    TPic& q = Make();
    EXPECT_EQ(q.Left, 20);
    EXPECT_EQ(q.Right, 29);
    EXPECT_EQ(q.Bottom, 19);
    EXPECT_TRUE(q.Filter);
    EXPECT_EQ(q.Zoom, 0);
    EXPECT_EQ(q.ZoomFactor, 0.1);
    EXPECT_EQ(q.FilterMin, 40);
    EXPECT_EQ(q.FilterMax, 210);
}

using PictureDeathTest = PictureTest;

TEST_F(PictureDeathTest, RenderWithoutImageAndBadZoomIndexAreFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string ini = Scope.SettingsFile;
    EXPECT_EXIT(
        {
            TPic p(nullptr);
            p.Render(false);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            TPic p(nullptr);
            p.SetZoom(6);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_FALSE(std::filesystem::exists(ini));  // nothing was written on the way out
}

}  // namespace
