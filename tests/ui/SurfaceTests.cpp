// The back-buffer drawing surface: pixel rules of its primitives, XOR and focus rectangles
// that undo themselves, clipping in a scrolled view, colour values; and the image view's
// split between full repaints and exposure.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QWidget>
#include <random>

#include "ui/BufferSurface.h"
#include "ui/ColorValues.h"
#include "ui/ImageView.h"

namespace {

class TSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        S.SetBackground(QColor(10, 20, 30));
        S.Resize(40, 30);
        S.Clear();
    }
    QRgb At(int x, int y) { return S.Image().pixel(x, y); }
    void Noise() {
        std::mt19937 rng(3);
        QImage& img = const_cast<QImage&>(S.Image());
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFF));
    }

    QWidget Target;
    TBufferSurface S{&Target};
};

const QRgb Bg = qRgb(10, 20, 30);

}  // namespace

TEST_F(TSurfaceTest, LinesLeaveOutTheirEndPoint) {
    S.SetPen(ColorValue::Rgb(255, 0, 0), TPenStyle::Solid, false);
    S.Line({2, 5}, {6, 5});
    for (int x = 2; x <= 5; ++x) EXPECT_EQ(At(x, 5), qRgb(255, 0, 0)) << x;
    EXPECT_EQ(At(6, 5), Bg);
    EXPECT_EQ(At(1, 5), Bg);
    S.Line({8, 9}, {8, 3});  // upwards: 9 down to 4
    EXPECT_EQ(At(8, 9), qRgb(255, 0, 0));
    EXPECT_EQ(At(8, 4), qRgb(255, 0, 0));
    EXPECT_EQ(At(8, 3), Bg);
    S.Line({0, 0}, {3, 3});  // diagonal
    EXPECT_EQ(At(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(At(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(At(3, 3), Bg);
}

TEST_F(TSurfaceTest, DottedLinesLeaveTheirGapsUntouched) {
    S.SetPen(ColorValue::Rgb(0, 255, 0), TPenStyle::Dot, false);
    S.Line({0, 1}, {12, 1});
    int on = 0;
    for (int x = 0; x < 12; ++x) {
        const QRgb p = At(x, 1);
        EXPECT_TRUE(p == qRgb(0, 255, 0) || p == Bg);
        on += p != Bg;
    }
    EXPECT_EQ(on, 6);
    EXPECT_EQ(At(0, 1), qRgb(0, 255, 0));
    EXPECT_EQ(At(2, 1), Bg);
}

TEST_F(TSurfaceTest, RectangleCoversItsBoxWithoutTheFarEdges) {
    S.SetPen(ColorValue::Rgb(255, 255, 0), TPenStyle::Solid, false);
    const QImage before = S.Image().copy();
    QImage& img = const_cast<QImage&>(S.Image());
    img.fill(qRgb(1, 1, 1));
    S.Rectangle({5, 5}, {11, 11});  // 6 x 6: columns and rows 5..10
    EXPECT_EQ(At(5, 5), qRgb(255, 255, 0));
    EXPECT_EQ(At(10, 10), qRgb(255, 255, 0));
    EXPECT_EQ(At(10, 7), qRgb(255, 255, 0));
    EXPECT_EQ(At(7, 7), Bg) << "filled with the background colour";
    EXPECT_EQ(At(11, 7), qRgb(1, 1, 1));
    EXPECT_EQ(At(7, 11), qRgb(1, 1, 1));
}

TEST_F(TSurfaceTest, EllipseIsInscribedInItsBoxWithoutTheFarEdges) {
    S.SetPen(ColorValue::Rgb(0, 255, 0), TPenStyle::Solid, false);
    S.Ellipse({5, 5}, {15, 15});  // columns and rows 5..14
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if (At(x, y) != Bg) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    EXPECT_EQ(minX, 5);
    EXPECT_EQ(maxX, 14);
    EXPECT_EQ(minY, 5);
    EXPECT_EQ(maxY, 14);
    EXPECT_EQ(At(10, 10), Bg) << "outline only";
    const QImage before = S.Image().copy();
    S.Ellipse({20, 20}, {20, 20});  // empty box
    EXPECT_EQ(S.Image(), before);
}

TEST_F(TSurfaceTest, XorFiguresAndFocusRectanglesUndoThemselves) {
    Noise();
    const QImage before = S.Image().copy();
    auto figures = [&] {
        S.SetPen(65535, TPenStyle::Dot, true);
        S.Line({-5, 3}, {50, 3});
        S.Line({7, -2}, {7, 40});
        S.Line({1, 1}, {30, 22});
        S.SetPen(255, TPenStyle::Solid, true);
        S.Line({0, 10}, {39, 10});
        S.Line({20, 0}, {20, 29});  // crosses the line above
        S.Rectangle({17, 7}, {23, 13});
        S.Rectangle({-2, -2}, {4, 4});
        S.FocusRect({30, 25}, {3, 2});
    };
    figures();
    EXPECT_NE(S.Image(), before);
    figures();
    EXPECT_EQ(S.Image(), before);
}

TEST_F(TSurfaceTest, ScrolledOriginClipsAndPlacesImages) {
    // The buffer shows surface points (100, 50) .. (139, 79).
    S.SetOrigin(QPoint(100, 50));
    std::vector<std::uint32_t> px(60 * 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) px[static_cast<std::size_t>(y * 60 + x)] = 0xFF000000u | (x << 8) | y;
    // Drawn at (90, 45): picture pixel (px, py) lands on buffer (px - 10, py - 5).
    S.DrawImage(px.data(), 60, 40, 60, TDrawRect{0, 0, 60, 40}, TDrawRect{90, 45, 60, 40});
    EXPECT_EQ(At(0, 0), 0xFF000000u | (10 << 8) | 5);
    EXPECT_EQ(At(39, 29), 0xFF000000u | (49 << 8) | 34);
    S.SetPen(ColorValue::Rgb(255, 0, 0), TPenStyle::Solid, false);
    S.Line({100, 60}, {200, 60});
    EXPECT_EQ(At(0, 10), qRgb(255, 0, 0));
    EXPECT_EQ(At(39, 10), qRgb(255, 0, 0));
    // Stretched (the lens): 2 x 2 pixels to 6 x 6.
    S.SetOrigin(QPoint(0, 0));
    const std::uint32_t four[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
    S.DrawImage(four, 2, 2, 2, TDrawRect{0, 0, 2, 2}, TDrawRect{4, 4, 6, 6});
    EXPECT_EQ(At(4, 4), 0xFF0000FFu);
    EXPECT_EQ(At(6, 6), 0xFF0000FFu);
    EXPECT_EQ(At(7, 4), 0xFF00FF00u);
    EXPECT_EQ(At(9, 9), 0xFFFFFFFFu);
    EXPECT_EQ(At(10, 12), 0xFF000000u | (20 << 8) | 17) << "outside the target: unchanged";
}

TEST_F(TSurfaceTest, ColourValues) {
    EXPECT_EQ(ColorValue::ToArgb(255), 0xFFFF0000u) << "red in the low byte";
    EXPECT_EQ(ColorValue::ToArgb(ColorValue::Rgb(1, 2, 3) | 0x05000000), 0xFF010203u) << "high byte ignored";
    EXPECT_FALSE(ColorValue::Resolve(ColorValue::None).has_value());
    const QColor face = QApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(*ColorValue::Resolve(ColorValue::SystemBase | 15), face);
    // Drawing in "no colour" leaves everything as it was.
    const QImage before = S.Image().copy();
    S.SetPen(ColorValue::None, TPenStyle::Solid, false);
    S.Line({0, 0}, {30, 0});
    S.TextOut({2, 2}, "abc", ColorValue::None);
    S.Ellipse({5, 5}, {20, 20});
    EXPECT_EQ(S.Image(), before);
}

TEST(TImageViewTest, InvalidationsCoalesceAndScrollingOnlyExposes) {
    TImageView view;
    view.resize(200, 150);
    int full = 0, exposed = 0;
    view.OnPaint = [&] {
        ++full;
        view.SetViewSize(1000, 800);
        view.PrepareBuffer();
    };
    view.OnExpose = [&] { ++exposed; };
    view.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_EQ(full, 1);
    for (int i = 0; i < 5; ++i) view.Invalidate();
    view.repaint();
    EXPECT_EQ(full, 2) << "five invalidations, one repaint";
    const int before = full;
    view.horizontalScrollBar()->setValue(300);
    view.repaint();
    EXPECT_EQ(full, before) << "scrolling does not recompute the results";
    EXPECT_GE(exposed, 1);
    EXPECT_EQ(view.ViewLeft(), -300);
    EXPECT_EQ(view.Surface().GetOrigin(), QPoint(300, 0));
}
