// Pointer tools: handle hits, modifier priority, edge drags with their rounding, the scale
// line, the scale-mark pick, the band rectangle, and the right button.
#include "view/ViewFixture.h"

namespace {

const TMouseButton Left = TMouseButton::Left;
const TShiftState None{};

}  // namespace

TEST_F(TViewTest, HandlePriorityLeftTopRightBottom) {
    // A zone of three pixels: L 58, R 60, T 58, B 60 at 100 %; handles at (58, 59) left,
    // (59, 58) top, (60, 59) right, (59, 60) bottom.
    Start("[PICTURE]\nZoom=3\n[ZONE]\nLeft=50\nRight=52\nTop=50\nBottom=52\n");
    Load(120, 120, [](int, int) { return 10; });
    struct TCase {
        int X, Y;
        std::uint8_t Edge;
    };
    const TCase cases[] = {
        {59, 59, 1},  // all four in reach: left wins
        {62, 59, 2},  // left out of reach (4): top
        {63, 60, 4},  // left and top out of reach: right
        {59, 63, 3},  // only the bottom handle
        {58, 66, 0},  // none
        {56, 55, 2},  // the far corner of the top handle's reach (|3|, |3|)
    };
    for (const TCase& c : cases) EXPECT_EQ(Kernel->HitTest(c.X, c.Y), c.Edge) << c.X << "," << c.Y;
}

TEST_F(TViewTest, ModifierPriorityAwayFromTheHandles) {
    Start("[PICTURE]\nZoom=3\n");
    Load(100, 80, [](int, int) { return 10; });
    struct TCase {
        bool Shift, Ctrl, Alt;
        std::uint8_t Mode;
    };
    const TCase cases[] = {
        {false, true, false, 2}, {true, false, false, 3}, {true, true, false, 3},
        {false, true, true, 4},  {true, true, true, 4},   {true, false, true, 4},
    };
    for (const TCase& c : cases) {
        Kernel->PointerMode = 0;
        Kernel->MouseDown(Left, Keys(c.Shift, c.Ctrl, c.Alt), 40, 40);
        EXPECT_EQ(Kernel->PointerMode, c.Mode);
        EXPECT_EQ(Kernel->DragStart.x, 40);
        EXPECT_EQ(Kernel->DragPos.y, 40);
    }
    // No handle and no modifier: the mode stays as it was.
    Kernel->PointerMode = 2;
    Kernel->MouseDown(Left, None, 41, 41);
    EXPECT_EQ(Kernel->PointerMode, 2);
    EXPECT_EQ(Kernel->HitEdge, 0);
    // A handle wins over every modifier (left handle of the whole-picture zone: (8, 47)).
    Kernel->PointerMode = 0;
    Kernel->MouseDown(Left, Keys(true, true, true), 8, 47);
    EXPECT_EQ(Kernel->PointerMode, 1);
    EXPECT_EQ(Kernel->HitEdge, 1);
    // The right button ends any tool, completing nothing.
    Kernel->MouseDown(TMouseButton::Right, None, 8, 47);
    EXPECT_EQ(Kernel->PointerMode, 0);
    Kernel->MouseUp(30, 47);
    EXPECT_EQ(Kernel->Picture->Left, 0);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 0);
}

TEST_F(TViewTest, NoToolStartsWithoutAPicture) {
    Start();
    Kernel->MouseDown(Left, Keys(false, true, false), 20, 20);
    EXPECT_EQ(Kernel->PointerMode, 0);
    Kernel->MouseMove(None, 30, 30, true);
    EXPECT_EQ(Kernel->PointerPos.x, 30);
    EXPECT_EQ(View.Count(TDrawOp::kCursor), 0);
    EXPECT_EQ(Lens.Count(TDrawOp::kInvalidate), 1);
}

TEST_F(TViewTest, CursorFollowsTheHandlesWhileIdle) {
    Start("[PICTURE]\nZoom=3\n");
    Load(100, 80, [](int, int) { return 10; });
    // Whole-picture zone: L 8, R 107, T 8, B 87; mx 57, my 47.
    const std::pair<TPoint, TViewCursor> cases[] = {
        {{8, 47}, TViewCursor::SizeWE}, {{107, 47}, TViewCursor::SizeWE}, {{57, 8}, TViewCursor::SizeNS},
        {{57, 87}, TViewCursor::SizeNS}, {{50, 50}, TViewCursor::Arrow}};
    for (const auto& [p, cursor] : cases) {
        View.Ops.clear();
        Kernel->MouseMove(None, p.x, p.y, false);
        const auto set = View.Of(TDrawOp::kCursor);
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0].CursorShape, cursor);
    }
    EXPECT_EQ(Lens.Count(TDrawOp::kInvalidate), 0) << "the lens follows only when asked";
}

TEST_F(TViewTest, EdgeDragAt200PercentFollowsTheSumOfRoundedSteps) {
    Start("[PICTURE]\nZoom=5\n");
    Load(200, 120, [](int, int) { return 10; });
    // L 8, T 8, R 406, B 246: left handle at (8, 127).
    Kernel->MouseDown(Left, None, 8, 127);
    ASSERT_EQ(Kernel->PointerMode, 1);
    Kernel->ZoneChanged = false;
    int x = 8;
    for (int i = 0; i < 10; ++i) Kernel->MouseMove(None, ++x, 127, false);
    EXPECT_EQ(Kernel->Picture->Left, 0) << "each step of one view pixel rounds to 0";
    for (int i = 0; i < 3; ++i) {
        x += 3;
        Kernel->MouseMove(None, x, 127, false);
        EXPECT_EQ(Kernel->Picture->Left, 2 * (i + 1)) << "three view pixels: Round(1.5) = 2";
    }
    EXPECT_TRUE(Kernel->ZoneChanged);
    EXPECT_FALSE(Kernel->Analysed);
    // The drag only inverts: no picture, no repaint, all in XOR.
    EXPECT_EQ(View.Count(TDrawOp::kImage), 0);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 0);
    EXPECT_EQ(View.Count(TDrawOp::kText), 0);
    for (const TDrawOp& o : View.Of(TDrawOp::kLine)) EXPECT_TRUE(o.Xor);
    // 13 moves, two XOR passes each: erase and draw of the same frame number.
    EXPECT_EQ(View.Count(TDrawOp::kRect), 13 * 2 * 4);
    Kernel->MouseUp(x, 127);
    EXPECT_EQ(Kernel->PointerMode, 0);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 1);
}

TEST_F(TViewTest, EdgeDragAt10PercentMovesTenPixelsPerViewPixel) {
    Start("[PICTURE]\nZoom=0\n");
    Load(1000, 600, [](int, int) { return 10; });
    // R = Round(999 * 0.1 + 8) = 108; my = (8 + 68) / 2 = 38.
    const TViewRect z = Kernel->Picture->ZoneInView();
    const int my = (z.Top + z.Bottom) / 2;
    Kernel->MouseDown(Left, None, z.Right, my);
    ASSERT_EQ(Kernel->HitEdge, 4);
    Kernel->MouseMove(None, z.Right - 1, my, false);
    EXPECT_EQ(Kernel->Picture->Right, 989);
    Kernel->MouseMove(None, z.Right - 1, my, false);  // same point: nothing
    EXPECT_EQ(Kernel->Picture->Right, 989);
    Kernel->MouseMove(None, z.Right + 50, my, false);  // beyond the picture: the last column
    EXPECT_EQ(Kernel->Picture->Right, 999);
    Kernel->MouseUp(z.Right + 50, my);
}

TEST_F(TViewTest, LeftEdgeStopsOneColumnLeftOfTheRightEdge) {
    Start("[PICTURE]\nZoom=3\n[ZONE]\nLeft=10\nRight=40\nTop=10\nBottom=40\n");
    Load(100, 80, [](int, int) { return 10; });
    Kernel->MouseDown(Left, None, 18, 33);
    ASSERT_EQ(Kernel->HitEdge, 1);
    Kernel->MouseMove(None, 90, 33, false);
    EXPECT_EQ(Kernel->Picture->Left, 39);
    Kernel->MouseMove(None, -200, 33, false);
    EXPECT_EQ(Kernel->Picture->Left, 0);
    Kernel->MouseUp(-200, 33);
    EXPECT_TRUE(Kernel->ZoneChanged);
}

TEST_F(TViewTest, ScaleLineOffersItsEndsToTheScaleOnRelease) {
    Start("[PICTURE]\nZoom=2\n");
    Load(200, 120, [](int, int) { return 10; });
    Kernel->MouseDown(Left, Keys(false, true, false), 28, 50);
    Kernel->MouseMove(None, 60, 50, false);
    Kernel->MouseMove(None, 68, 51, false);
    // Each move erases the previous line and draws the new one, in XOR.
    for (const TDrawOp& o : View.Of(TDrawOp::kLine)) EXPECT_TRUE(o.Xor);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 0);
    Kernel->MouseUp(200, 200);  // the release point is not used, the last move is
    EXPECT_EQ(Kernel->Scale->LMX, 40);  // ToImage(28) = (28 - 8) / 0.5
    EXPECT_EQ(Kernel->Scale->LMY, 84);
    EXPECT_EQ(Kernel->Scale->RMX, 120);
    EXPECT_EQ(Kernel->Scale->RMY, 86);
    EXPECT_EQ(Kernel->Scale->MarkLength(), 81);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 1);
}

TEST_F(TViewTest, ScaleLineDrawnLeftwardsKeepsTheOldMarkAndOneColumnGivesLengthOne) {
    Start("[PICTURE]\nZoom=3\n[SCALE]\nLMX=5\nRMX=54\nLMY=7\nRMY=7\n");
    Load(200, 120, [](int, int) { return 10; });
    Kernel->MouseDown(Left, Keys(false, true, false), 60, 50);
    Kernel->MouseMove(None, 28, 50, false);
    Kernel->MouseUp(28, 50);
    EXPECT_EQ(Kernel->Scale->LMX, 5);
    EXPECT_EQ(Kernel->Scale->MarkLength(), 50);
    Kernel->MouseDown(Left, Keys(false, true, false), 40, 50);
    Kernel->MouseMove(None, 40, 70, false);
    Kernel->MouseUp(40, 70);
    EXPECT_EQ(Kernel->Scale->MarkLength(), 1);
}

TEST_F(TViewTest, ScaleMarkPickFindsTheBarOnItsLowestRow) {
    // Background 200, a bar of level 50 (+-5) over columns 10..49, rows 30..32.
    Start("[PICTURE]\nZoom=3\n");
    Load(60, 40, [](int x, int y) { return x >= 10 && x <= 49 && y >= 30 && y <= 32 ? 45 + (x % 11) : 200; });
    Kernel->MouseDown(Left, Keys(true, false, false), 28, 39);  // picture (20, 31)
    ASSERT_EQ(Kernel->PointerMode, 3);
    Kernel->MouseMove(None, 50, 39, false);
    Kernel->MouseUp(53, 39);  // picture (45, 31), on the bar
    EXPECT_EQ(Kernel->Scale->LMX, 10);
    EXPECT_EQ(Kernel->Scale->RMX, 49);
    EXPECT_EQ(Kernel->Scale->LMY, 32);
    EXPECT_EQ(Kernel->Scale->RMY, 32);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 1);
    EXPECT_TRUE(Kernel->MarkVisited.empty()) << "the visited map is freed";
}

TEST_F(TViewTest, ScaleMarkPickVerticalTakesTheRightmostColumn) {
    Start("[PICTURE]\nZoom=3\n[SCALE]\nVertical=1\nLMX=1\nRMX=1\nLMY=1\nRMY=20\n");
    Load(60, 40, [](int x, int y) { return x >= 30 && x <= 32 && y >= 5 && y <= 34 ? 50 : 200; });
    EXPECT_TRUE(Kernel->DetectScaleMark({8 + 31, 8 + 10}, {8 + 30, 8 + 30}));
    EXPECT_EQ(Kernel->Scale->LMY, 5);
    EXPECT_EQ(Kernel->Scale->RMY, 34);
    EXPECT_EQ(Kernel->Scale->LMX, 32);
    EXPECT_EQ(Kernel->Scale->RMX, 32);
}

TEST_F(TViewTest, ScaleMarkPickLimits) {
    Start("[PICTURE]\nZoom=3\n[SCALE]\nLMX=3\nRMX=7\nLMY=2\nRMY=2\n");
    Load(60, 40, [](int x, int y) { return y == 20 && x >= 5 && x <= 50 ? 100 : 111; });
    // Release 11 levels away from the press: nothing.
    EXPECT_FALSE(Kernel->DetectScaleMark({8 + 10, 8 + 20}, {8 + 10, 8 + 21}));
    // Release outside the picture: nothing.
    EXPECT_FALSE(Kernel->DetectScaleMark({8 + 10, 8 + 20}, {8 + 70, 8 + 20}));
    EXPECT_FALSE(Kernel->DetectScaleMark({2, 8 + 20}, {8 + 10, 8 + 20}));
    EXPECT_EQ(Kernel->Scale->LMX, 3);
    EXPECT_EQ(Kernel->Scale->RMX, 7);
    // Within 10 levels: found.
    EXPECT_TRUE(Kernel->DetectScaleMark({8 + 10, 8 + 20}, {8 + 40, 8 + 20}));
    EXPECT_EQ(Kernel->Scale->LMX, 5);
    EXPECT_EQ(Kernel->Scale->RMX, 50);
}

TEST_F(TViewTest, ScaleMarkPickStopsAfter10000Pixels) {
    // One bar row 20000 pixels long. From x = 5000 the flood goes left to column 0
    // (5001 pixels), then right until 10000 pixels are taken: up to column 9999.
    Start("[PICTURE]\nZoom=3\n");
    Load(20000, 3, [](int, int y) { return y == 1 ? 50 : 200; });
    EXPECT_TRUE(Kernel->DetectScaleMark({8 + 5000, 9}, {8 + 15000, 9}));
    EXPECT_EQ(Kernel->FloodCount, 10000);
    EXPECT_EQ(Kernel->Scale->LMX, 0);
    EXPECT_EQ(Kernel->Scale->RMX, 9999);
    EXPECT_EQ(Kernel->Scale->LMY, 1);
}

TEST_F(TViewTest, BandRectangleFollowsByInversionAndSetsTheBandOnRelease) {
    Start("[PICTURE]\nZoom=3\n");
    Load(100, 80, [](int x, int y) { return x < 50 ? 60 + (x + y) % 20 : 200; });
    Kernel->MouseDown(Left, Keys(false, false, true), 18, 18);
    Kernel->MouseMove(None, 30, 25, false);
    Kernel->MouseMove(None, 30, 25, false);  // same point: nothing
    Kernel->MouseMove(None, 40, 38, false);
    const auto rects = View.Of(TDrawOp::kFocus);
    ASSERT_EQ(rects.size(), 4u);  // erase and draw for each of the two moves
    EXPECT_EQ(rects[0].B.x, 18);  // the first erase is of the empty start rectangle
    EXPECT_EQ(rects[1].B.x, 30);
    EXPECT_EQ(rects[2].B.x, 30);  // erased exactly where it was drawn
    EXPECT_EQ(rects[3].B.y, 38);
    Kernel->MouseUp(40, 38);
    // Picture (10, 10)..(32, 30): levels 60 + (x + y) % 20 over all 20 residues.
    EXPECT_EQ(Kernel->Picture->FilterMin, 60);
    EXPECT_EQ(Kernel->Picture->FilterMax, 79);
    EXPECT_EQ(View.Count(TDrawOp::kInvalidate), 1);
    EXPECT_EQ(Range.Count(TDrawOp::kInvalidate), 1);
}

TEST_F(TViewTest, BandRectangleOutsideThePictureChangesNothing) {
    Start("[PICTURE]\nZoom=3\n");
    Load(100, 80, [](int, int) { return 90; });
    const int lo = Kernel->Picture->FilterMin, hi = Kernel->Picture->FilterMax;
    Kernel->MouseDown(Left, Keys(false, false, true), 1, 1);
    Kernel->MouseMove(None, 7, 200, false);
    Kernel->MouseUp(7, 200);
    EXPECT_EQ(Kernel->Picture->FilterMin, lo);
    EXPECT_EQ(Kernel->Picture->FilterMax, hi);
}
