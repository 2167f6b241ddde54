// The picture, the zone frame with its handles, grid and labels, the feature outlines and
// the scale mark, checked call by call.
#include "view/ViewFixture.h"

namespace {

constexpr std::int32_t ZoneBorder = 65535, ZoneGrid = 12639424, ZoneLabels = 16776960, FeatureBorder = 65280,
                       ScaleMark = 255;

// 100 % zoom, picture 200 x 120, zone 20..119 x 10..89, a horizontal mark 25 pixels long
// worth 10 units: grid and labels every 25 picture pixels.
const char* const ZoneSettings =
    "[PICTURE]\nZoom=3\n[ZONE]\nLeft=20\nRight=119\nTop=10\nBottom=89\n"
    "[SCALE]\nLMX=0\nRMX=24\nLMY=5\nRMY=5\nValue=1\n";

struct TLineExp {
    TPoint A, B;
};

void ExpectLine(const TDrawOp& o, TPoint a, TPoint b, std::int32_t color, TPenStyle style, bool x) {
    EXPECT_EQ(o.Kind, TDrawOp::kLine);
    EXPECT_EQ(o.A.x, a.x);
    EXPECT_EQ(o.A.y, a.y);
    EXPECT_EQ(o.B.x, b.x);
    EXPECT_EQ(o.B.y, b.y);
    EXPECT_EQ(o.Color, color);
    EXPECT_EQ(o.Style, style);
    EXPECT_EQ(o.Xor, x);
}

void ExpectText(const TDrawOp& o, TPoint at, const std::string& text, std::int32_t color) {
    EXPECT_EQ(o.Kind, TDrawOp::kText);
    EXPECT_EQ(o.A.x, at.x);
    EXPECT_EQ(o.A.y, at.y);
    EXPECT_EQ(o.Text, text);
    EXPECT_EQ(o.Color, color);
}

// The whole sequence of DrawZone for ZoneSettings: L 28, T 18, R 127, B 97 in the view.
void ExpectZoneSequence(const std::vector<TDrawOp>& ops, bool x) {
    std::size_t i = 0;
    auto next = [&]() -> const TDrawOp& {
        static const TDrawOp none = [] {
            TDrawOp o;
            o.Kind = TDrawOp::kInvalidate;
            return o;
        }();
        return i < ops.size() ? ops[i++] : none;
    };
    // Grid: columns 45, 70, 95; rows 64, 39, 14 (from the bottom up).
    for (int vx : {53, 78, 103}) ExpectLine(next(), {vx, 18}, {vx, 97}, ZoneGrid, TPenStyle::Dot, x);
    for (int vy : {72, 47, 22}) ExpectLine(next(), {28, vy}, {127, vy}, ZoneGrid, TPenStyle::Dot, x);
    // Frame, closed.
    ExpectLine(next(), {28, 18}, {127, 18}, ZoneBorder, TPenStyle::Solid, x);
    ExpectLine(next(), {127, 18}, {127, 97}, ZoneBorder, TPenStyle::Solid, x);
    ExpectLine(next(), {127, 97}, {28, 97}, ZoneBorder, TPenStyle::Solid, x);
    ExpectLine(next(), {28, 97}, {28, 18}, ZoneBorder, TPenStyle::Solid, x);
    // Handles 6 x 6 in the order left, right, top, bottom; mx 77, my 57.
    const TPoint centres[4] = {{28, 57}, {127, 57}, {77, 18}, {77, 97}};
    for (const TPoint& c : centres) {
        const TDrawOp& h = next();
        EXPECT_EQ(h.Kind, TDrawOp::kRect);
        EXPECT_EQ(h.A.x, c.x - 3);
        EXPECT_EQ(h.A.y, c.y - 3);
        EXPECT_EQ(h.B.x, c.x + 3);
        EXPECT_EQ(h.B.y, c.y + 3);
        EXPECT_EQ(h.Color, ZoneBorder);
        EXPECT_EQ(h.Xor, x);
    }
    // Bottom labels: ticks down from B, texts "10", "20", "30" centred under them.
    int k = 1;
    for (int vx : {53, 78, 103}) {
        ExpectLine(next(), {vx, 97}, {vx, 103}, ZoneBorder, TPenStyle::Solid, x);
        if (!x) {
            const std::string t = std::to_string(10 * k);
            ExpectText(next(), {vx - 7 + 1, 106 + 1}, t, 0);
            ExpectText(next(), {vx - 7, 106}, t, ZoneLabels);
        }
        ++k;
    }
    // Left labels (room: 14 + 9 < 28): ticks left from L, texts right-aligned 9 px away.
    k = 1;
    for (int vy : {72, 47, 22}) {
        ExpectLine(next(), {28, vy}, {22, vy}, ZoneBorder, TPenStyle::Solid, x);
        if (!x) {
            const std::string t = std::to_string(10 * k);
            ExpectText(next(), {5 + 1, vy - 6 + 1}, t, 0);
            ExpectText(next(), {5, vy - 6}, t, ZoneLabels);
        }
        ++k;
    }
    EXPECT_EQ(i, ops.size()) << "no further drawing";
}

}  // namespace

TEST_F(TViewTest, ZoneFrameHandlesGridAndLabelsInOrder) {
    Start(ZoneSettings);
    Load(200, 120, [](int, int) { return 128; });
    Kernel->DrawZone(false);
    ExpectZoneSequence(View.Ops, false);
    EXPECT_EQ(View.PenColor, 0);
    EXPECT_FALSE(View.PenXor);
}

TEST_F(TViewTest, XorZoneDrawsTheSameFiguresWithoutTextsAndRestoresTheNormalPen) {
    Start(ZoneSettings);
    Load(200, 120, [](int, int) { return 128; });
    Kernel->DrawZone(true);
    ExpectZoneSequence(View.Ops, true);
    EXPECT_FALSE(View.PenXor);
    EXPECT_EQ(View.PenColor, 0);
}

TEST_F(TViewTest, LeftLabelsNeedRoomLeftOfTheZone) {
    // Zone from column 0: L = 8, and "10" is 14 pixels wide: 14 + 9 is not less than 8.
    Start("[PICTURE]\nZoom=3\n[ZONE]\nLeft=0\nRight=119\nTop=10\nBottom=89\n"
          "[SCALE]\nLMX=0\nRMX=24\nLMY=5\nRMY=5\nValue=1\n");
    Load(200, 120, [](int, int) { return 128; });
    Kernel->DrawZone(false);
    for (const TDrawOp& o : View.Of(TDrawOp::kText)) EXPECT_GT(o.A.y, 97) << "only labels under the zone";
    EXPECT_EQ(View.Count(TDrawOp::kText), 2 * 4);  // x = 25, 50, 75, 100
}

TEST_F(TViewTest, GridAndLabelsFollowTheirFlagsAndAMarkWithoutLengthGivesNeither) {
    Start(ZoneSettings);
    Load(200, 120, [](int, int) { return 128; });
    Params->Flags[6] = false;  // no grid
    Kernel->DrawZone(false);
    for (const TDrawOp& o : View.Of(TDrawOp::kLine)) EXPECT_EQ(o.Style, TPenStyle::Solid);
    EXPECT_EQ(View.Count(TDrawOp::kText), 12);
    Clear();
    Params->Flags[6] = true;
    Params->Flags[5] = false;  // no labels
    Kernel->DrawZone(false);
    EXPECT_EQ(View.Count(TDrawOp::kText), 0);
    EXPECT_EQ(View.Count(TDrawOp::kLine), 6 + 4);  // grid and frame, no ticks
    Clear();
    // A mark ending left of its start (hand-edited file): negative length, no step.
    Params->Flags[5] = true;
    Kernel->Scale->RMX = -10;
    Kernel->DrawZone(false);
    EXPECT_EQ(View.Count(TDrawOp::kLine), 4) << "the frame only";
    EXPECT_EQ(View.Count(TDrawOp::kRect), 4);
    EXPECT_EQ(View.Count(TDrawOp::kText), 0);
}

TEST_F(TViewTest, PaintViewDrawsPictureZoneOutlinesAndMarkInThisOrder) {
    Start("[PICTURE]\nZoom=2\n[SCALE]\nLMX=10\nRMX=59\nLMY=20\nRMY=20\n");
    Load(200, 120, [](int x, int) { return x; });
    TDot d;
    d.X = 50.4;
    d.Y = 30.6;
    d.Radius = 6;
    d.FillRadius = 4;
    d.Filling = 1;
    Kernel->Dots = {d};
    Kernel->PaintView();
    ASSERT_FALSE(View.Ops.empty());
    const TDrawOp& image = View.Ops.front();
    ASSERT_EQ(image.Kind, TDrawOp::kImage);
    // Display at 50 %: 100 x 60, drawn one to one at the margin.
    EXPECT_EQ(image.Src.X, 0);
    EXPECT_EQ(image.Src.Width, 100);
    EXPECT_EQ(image.Src.Height, 60);
    EXPECT_EQ(image.Dst.X, 8);
    EXPECT_EQ(image.Dst.Y, 8);
    EXPECT_EQ(image.Dst.Width, 100);
    EXPECT_EQ(image.Dst.Height, 60);
    // Then the zone (ending with its handles and labels), the outline, the mark.
    std::size_t ellipse = 0, lastRect = 0, firstMark = 0;
    for (std::size_t i = 0; i < View.Ops.size(); ++i) {
        if (View.Ops[i].Kind == TDrawOp::kRect) lastRect = i;
        if (View.Ops[i].Kind == TDrawOp::kEllipse) ellipse = i;
        if (View.Ops[i].Kind == TDrawOp::kLine && View.Ops[i].Color == ScaleMark && !firstMark) firstMark = i;
    }
    EXPECT_LT(lastRect, ellipse);
    EXPECT_LT(ellipse, firstMark);
    EXPECT_EQ(View.Ops.back().Color, ScaleMark);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 0);
}

TEST_F(TViewTest, NothingIsDrawnOrHitWithoutAPicture) {
    Start();
    Kernel->PaintView();
    Kernel->DrawZone(false);
    Kernel->DrawDots();
    Kernel->DrawScaleMark();
    Kernel->PaintLens();
    EXPECT_TRUE(View.Ops.empty());
    EXPECT_TRUE(Lens.Ops.empty());
    EXPECT_EQ(Kernel->HitTest(8, 8), 0);
    EXPECT_FALSE(Kernel->DetectScaleMark({10, 10}, {12, 10}));
    const TPoint size = Kernel->ViewSize();
    EXPECT_EQ(size.x, 8);
    EXPECT_EQ(size.y, 8);
}

TEST_F(TViewTest, ViewSizeIsMarginDisplayAndThree) {
    Start("[PICTURE]\nZoom=2\n");
    Load(200, 121, [](int, int) { return 9; });
    const TPoint size = Kernel->ViewSize();
    const TRgbBitmap* d = Kernel->Picture->Display();
    EXPECT_EQ(d->Width, 100);
    EXPECT_EQ(size.x, 8 + 100 + 3);
    EXPECT_EQ(size.y, 8 + d->Height + 3);
}

TEST_F(TViewTest, OutlinesOfPassingFeaturesWithTheChosenRadius) {
    Start("[PICTURE]\nZoom=3\n");
    Load(200, 120, [](int, int) { return 100; });
    TDot a;  // passes
    a.X = 50.4;
    a.Y = 30.6;
    a.Radius = 6.5;
    a.FillRadius = 4.6;
    a.Filling = 0.9;
    TDot b = a;  // too little filling for a 50 % fill filter
    b.X = 120;
    b.Filling = 0.2;
    Kernel->Dots = {a, b};
    Kernel->FFilter = true;
    Kernel->FBarrier = 50;
    Kernel->RFilter = false;
    Kernel->FillRad = true;
    Kernel->DrawDots();
    auto ellipses = View.Of(TDrawOp::kEllipse);
    ASSERT_EQ(ellipses.size(), 1u);
    // Centre (Round(50.4), Round(30.6)) = (50, 31) -> view (58, 39); Round(4.6) = 5.
    EXPECT_EQ(ellipses[0].A.x, 53);
    EXPECT_EQ(ellipses[0].A.y, 34);
    EXPECT_EQ(ellipses[0].B.x, 63);
    EXPECT_EQ(ellipses[0].B.y, 44);
    EXPECT_EQ(ellipses[0].Color, FeatureBorder);
    Clear();
    Kernel->FillRad = false;  // Radius 6.5 rounds to 6 (halves to even)
    Kernel->DrawDots();
    ellipses = View.Of(TDrawOp::kEllipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].A.x, 52);
    EXPECT_EQ(ellipses[0].B.x, 64);
    Clear();
    Kernel->ShowDots = false;
    Kernel->DrawDots();
    EXPECT_TRUE(View.Ops.empty());
}

TEST_F(TViewTest, ScaleMarkIsDrawnOnlyWithBothEndRowsSet) {
    Start("[PICTURE]\nZoom=3\n[SCALE]\nVertical=1\nLMX=30\nRMX=30\nLMY=0\nRMY=40\n");
    Load(200, 120, [](int, int) { return 100; });
    EXPECT_TRUE(Kernel->Scale->IsPlaced());
    Kernel->DrawScaleMark();
    EXPECT_TRUE(View.Ops.empty()) << "an end on row 0 is placed but not drawn";
    Kernel->Scale->LMY = 10;
    Kernel->DrawScaleMark();
    ASSERT_EQ(View.Count(TDrawOp::kLine), 3);
    ExpectLine(View.Ops[0], {38, 18}, {38, 48}, ScaleMark, TPenStyle::Solid, false);
}

TEST(TMarkLineTest, TicksArePerpendicularOnTheSameSideAndShortLinesHaveNone) {
    TConsoleScope scope;
    TRecordingSurface view;
    Params = new TParams;
    {
        TKernel kernel(&view, nullptr, nullptr, nullptr, scope.Temp.File("Plugins/"));
        struct TCase {
            TPoint P1, P2;
            int Lines;
            TPoint Tick1, Tick2;
        };
        const TCase cases[] = {
            {{28, 50}, {60, 50}, 3, {28, 45}, {60, 45}},  // left to right: ticks point up
            {{0, 0}, {3, 4}, 3, {4, -3}, {7, 1}},          // length 5: (5 dy/len, -5 dx/len) = (4, -3)
            {{10, 10}, {12, 10}, 1, {}, {}},               // length 2: no ticks
        };
        for (const TCase& c : cases) {
            view.Ops.clear();
            kernel.DrawMarkLine(c.P1, c.P2, true);
            ASSERT_EQ(view.Count(TDrawOp::kLine), c.Lines);
            EXPECT_TRUE(view.Ops[0].Xor);
            EXPECT_EQ(view.Ops[0].Color, 255);
            if (c.Lines == 3) {
                EXPECT_EQ(view.Ops[1].A.x, c.P1.x);
                EXPECT_EQ(view.Ops[1].B.x, c.Tick1.x);
                EXPECT_EQ(view.Ops[1].B.y, c.Tick1.y);
                EXPECT_EQ(view.Ops[2].A.x, c.P2.x);
                EXPECT_EQ(view.Ops[2].B.x, c.Tick2.x);
                EXPECT_EQ(view.Ops[2].B.y, c.Tick2.y);
            }
            EXPECT_FALSE(view.PenXor);
        }
    }
    delete Params;
    Params = nullptr;
}
