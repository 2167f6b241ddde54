// The filter range bar: mapping between columns and gray levels, clamping of drags, the
// re-entry guard, its painting, and the "Filtering" switch.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "UiSupport.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "ui/PaintBox.h"
#include "ui/ResultsText.h"
#include "ui/uMain.h"

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Levels 40 to 200 across the picture.
int Ramp(int x, int) { return 40 + x; }

class TRangeBarTest : public ::testing::Test {
protected:
    void Open(int (*gray)(int, int), int w) {
        const std::string path = Env.Temp.File("bar.pgm");
        WriteTestPicture(path, w, 20, gray);
        ASSERT_TRUE(Main->OpenPicture(QString::fromStdString(path)));
        Settle();
    }
    void SetUp() override {
        Main = Env.CreateMain();
        Main->show();
        Settle();
    }
    void TearDown() override { Env.Finish(Main); }
    void Press(Qt::MouseButton b, int x) { QTest::mousePress(Main->PaintBox1, b, Qt::NoModifier, QPoint(x, 7)); }
    void Release(Qt::MouseButton b, int x) { QTest::mouseRelease(Main->PaintBox1, b, Qt::NoModifier, QPoint(x, 7)); }
    TPic& Pic() { return *Main->Kernel->Picture; }

    TUiEnv Env{"[PICTURE]\nZoom=3\nFilter=1\n"};
    std::unique_ptr<TfrmMain> Main;
};

}  // namespace

TEST(TRangeBarMapping, ColumnsAndLevels) {
    // No picture: levels 0 to 255 over 133 columns, step 255 / 132.
    const double step = BarStep(0, 255, 133);
    EXPECT_DOUBLE_EQ(step, 255.0 / 132.0);
    EXPECT_EQ(BarLevel(10, 0, step), 19);   // Round(19.318...)
    EXPECT_EQ(BarLevel(132, 0, step), 255);
    EXPECT_EQ(BarLevel(66, 0, step), 128);  // Round(127.5): halves to even
    EXPECT_EQ(BarColumn(255, 0, step), 132);
    // Levels 40 to 200: the bar spans the picture's own levels.
    const double s2 = BarStep(40, 200, 133);
    EXPECT_EQ(BarLevel(0, 40, s2), 40);
    EXPECT_EQ(BarLevel(132, 40, s2), 200);
    EXPECT_EQ(BarColumn(120, 40, s2), 66);
    EXPECT_EQ(BarStep(90, 90, 133), 0.0);
}

TEST_F(TRangeBarTest, ClicksWithoutAPicture) {
    EXPECT_EQ(Main->PaintBox1->width(), 133);
    Press(Qt::LeftButton, 10);
    EXPECT_EQ(Main->BandDrag, 1);
    Release(Qt::LeftButton, 10);
    EXPECT_EQ(Main->BandDrag, 0);
    EXPECT_EQ(Pic().FilterMin, 19);
    EXPECT_EQ(Main->txtBmin->text(), QStringLiteral("19"));
    Press(Qt::RightButton, 66);
    Release(Qt::RightButton, 66);
    EXPECT_EQ(Pic().FilterMax, 128);
    Press(Qt::RightButton, 132);
    Release(Qt::RightButton, 132);
    EXPECT_EQ(Pic().FilterMax, 255);
    EXPECT_EQ(Main->txtBmax->text(), QStringLiteral("255"));
    // The middle button sets nothing.
    Press(Qt::MiddleButton, 50);
    EXPECT_EQ(Main->BandDrag, 0);
    Release(Qt::MiddleButton, 50);
    EXPECT_EQ(Pic().FilterMin, 19);
}

TEST_F(TRangeBarTest, BarCoversThePicturesLevels) {
    Open(Ramp, 161);
    EXPECT_EQ(Pic().GrayMin, 40);
    EXPECT_EQ(Pic().GrayMax, 200);
    Press(Qt::RightButton, 132);
    Release(Qt::RightButton, 132);
    EXPECT_EQ(Pic().FilterMax, 200) << "the last column is the brightest level";
    Press(Qt::LeftButton, 0);
    Release(Qt::LeftButton, 0);
    EXPECT_EQ(Pic().FilterMin, 40);
    Press(Qt::LeftButton, 66);
    Release(Qt::LeftButton, 66);
    EXPECT_EQ(Pic().FilterMin, 120);
}

TEST_F(TRangeBarTest, DragsAreClampedAgainstTheOtherBound) {
    Open(Ramp, 161);
    Press(Qt::LeftButton, 40);
    const int lo = Pic().FilterMin;
    Release(Qt::LeftButton, 40);
    // Right-drag below the lower bound, and beyond the bar's left end.
    Press(Qt::RightButton, 100);
    QTest::mouseMove(Main->PaintBox1, QPoint(5, 7));
    EXPECT_EQ(Pic().FilterMax, lo + 1);
    QTest::mouseMove(Main->PaintBox1, QPoint(-50, 7));
    EXPECT_EQ(Pic().FilterMax, lo + 1);
    Release(Qt::RightButton, -50);
    // Left-drag above the upper bound.
    Press(Qt::RightButton, 90);
    Release(Qt::RightButton, 90);
    const int hi = Pic().FilterMax;
    Press(Qt::LeftButton, 10);
    QTest::mouseMove(Main->PaintBox1, QPoint(130, 7));
    EXPECT_EQ(Pic().FilterMin, hi - 1);
    QTest::mouseMove(Main->PaintBox1, QPoint(400, 7));  // beyond the bar: clamped
    EXPECT_EQ(Pic().FilterMin, hi - 1);
    Release(Qt::LeftButton, 400);
    EXPECT_EQ(Main->BandDrag, 0);
}

TEST_F(TRangeBarTest, LeftPressDuringARightDragStartsTheLowerBoundAndBusyDropsEvents) {
    Open(Ramp, 161);
    Main->PaintBox1MouseDown(Qt::RightButton, 100);
    EXPECT_EQ(Main->BandDrag, 2);
    Main->PaintBox1MouseDown(Qt::LeftButton, 20);
    EXPECT_EQ(Main->BandDrag, 1);
    const int lo = Pic().FilterMin;
    Main->Busy = true;
    Main->PaintBox1MouseMove(60);
    Main->PaintBox1MouseDown(Qt::RightButton, 10);
    EXPECT_EQ(Pic().FilterMin, lo) << "dropped while busy";
    EXPECT_EQ(Main->BandDrag, 1);
    Main->Busy = false;
    Main->PaintBox1MouseMove(60);
    EXPECT_NE(Pic().FilterMin, lo);
    Main->PaintBox1MouseUp();
}

TEST_F(TRangeBarTest, PaintingTintsOnlyBetweenTheMarkers) {
    // Before any picture: levels 0..255, band 0..255 narrowed by clicks to 19..128.
    Main->PaintBox1MouseDown(Qt::LeftButton, 10);
    Main->PaintBox1MouseUp();
    Main->PaintBox1MouseDown(Qt::RightButton, 66);
    Main->PaintBox1MouseUp();
    Main->PaintBox1->RenderNow();
    const QImage& img = Main->PaintBox1->Surface().Image();
    const double step = 255.0 / 132;
    const int lo = BarColumn(19, 0, step), hi = BarColumn(128, 0, step);
    EXPECT_EQ(lo, 10);
    EXPECT_EQ(hi, 66);
    for (int y : {0, 13}) {
        EXPECT_EQ(img.pixel(lo, y), qRgb(0, 255, 0));
        EXPECT_EQ(img.pixel(hi, y), qRgb(0, 255, 0));
    }
    auto gray = [&](int x) { return BarLevel(x, 0, step); };
    const int g9 = gray(9), g11 = gray(11), g67 = gray(67);
    EXPECT_EQ(img.pixel(9, 5), qRgb(g9, g9, g9));
    EXPECT_EQ(img.pixel(11, 5), qRgb(g11, (g11 + 255) / 2, g11));
    EXPECT_EQ(img.pixel(67, 5), qRgb(g67, g67, g67));
    EXPECT_EQ(Main->txtBmin->text(), QStringLiteral("19"));
}

TEST_F(TRangeBarTest, FilteringSwitchRendersTheBandColouringAndKeepsTheBounds) {
    Open(Ramp, 161);
    ASSERT_TRUE(Pic().Filter);
    const int lo = Pic().FilterMin, hi = Pic().FilterMax;
    const std::uint32_t filtered = Pic().Display()->Pixels[5];
    QTest::mouseClick(Main->chkFilter, Qt::LeftButton);
    EXPECT_FALSE(Pic().Filter);
    EXPECT_NE(Pic().Display()->Pixels[5], filtered);
    EXPECT_EQ(Pic().Display()->Pixels[5] & 0xFFu, static_cast<std::uint32_t>(40 + 5));
    EXPECT_EQ(Pic().FilterMin, lo);
    EXPECT_EQ(Pic().FilterMax, hi);
}
