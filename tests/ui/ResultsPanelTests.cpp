// The results list and charts: value texts, the unit switch, the threshold track bars and
// the stair series.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QLineSeries>
#include <QAreaSeries>

#include "UiSupport.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "settings/xParams.h"
#include "ui/ChartSeries.h"
#include "ui/ImageView.h"
#include "ui/ResultsText.h"
#include "ui/uMain.h"

namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

std::vector<std::string> Values(const std::array<std::pair<std::string, std::string>, 6>& rows) {
    std::vector<std::string> v;
    for (const auto& r : rows) v.push_back(r.second);
    return v;
}

// Discs of growing radius (1 to 9) in rows, and squares of varying filling.
int Shapes(int x, int y) {
    const int i = x / 24, j = y / 24;
    const int cx = i * 24 + 12, cy = j * 24 + 12;
    const int r = 1 + (i + j) % 9;
    if (j % 2 == 0) return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r ? 220 : 20;
    // Odd rows: hollow squares (their filling falls with the size).
    const int dx = std::abs(x - cx), dy = std::abs(y - cy);
    return std::max(dx, dy) == r ? 220 : 20;
}

}  // namespace

TEST(TResultsRows, KeysOrderAndFormats) {
    TAnalysisResults none;
    const auto rows = ResultsRows(none, "um");
    const char* keys[6] = {" Number", " Radius", " Distance", " Filling", " Zone Area", " Filled Area"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(rows[i].first, keys[i]);
    EXPECT_EQ(Values(rows), (std::vector<std::string>{" 0", " 0 um", " 0 um", " 0 %", " 0 um^2", " 0 um^2"}));

    TAnalysisResults r;
    r.Number = 12;
    r.MeanRadius = 2.5;
    r.MeanDistance = 7;
    r.Filling = 0.12345;
    r.ZoneArea = 1000;
    const auto v = Values(ResultsRows(r, "um"));
    EXPECT_EQ(v[0], " 12");
    EXPECT_EQ(v[1], " 2.5 um");
    EXPECT_EQ(v[2], " 7  ( 2.8 ) um") << "in the list the unit follows the ratio";
    EXPECT_EQ(v[3], " 12.3 %");
    EXPECT_EQ(v[4], " 1000 um^2");
    EXPECT_EQ(v[5], " 123.45 um^2");

    r.MeanRadius = 0.0625;  // halves to even: 0.062
    r.MeanDistance = 0.1875;
    r.Filling = 0.5;
    const auto w = Values(ResultsRows(r, "nm"));
    EXPECT_EQ(w[1], " 0.062 nm");
    EXPECT_EQ(w[2], " 0.188  ( 3 ) nm");
    EXPECT_EQ(w[5], " 500 nm^2");

    r.MeanRadius = 0;  // no ratio without a radius
    EXPECT_EQ(Values(ResultsRows(r, "um"))[2], " 0.188 um");
}

class TResultsPanelTest : public ::testing::Test {
protected:
    void Start(const std::string& settings) {
        Env = std::make_unique<TUiEnv>(settings);
        Main = Env->CreateMain();
        Main->resize(900, 700);
        Main->show();
        Settle();
        const std::string path = Env->Temp.File("shapes.pgm");
        WriteTestPicture(path, 240, 192, Shapes);
        ASSERT_TRUE(Main->OpenPicture(QString::fromStdString(path)));
        Main->ScrollBox->RenderNow();
    }
    void TearDown() override {
        if (Env) Env->Finish(Main);
    }
    QString Value(int row) { return Main->vleStats->item(row, 1)->text(); }
    int Number() { return Value(0).trimmed().toInt(); }

    std::unique_ptr<TUiEnv> Env;
    std::unique_ptr<TfrmMain> Main;
};

TEST_F(TResultsPanelTest, ListBeforeAnalysisAndTheUnitSwitch) {
    Start("[PICTURE]\nZoom=3\nFilterMin=100\n[SCALE]\nLMX=0\nRMX=9\nLMY=5\nRMY=5\nValue=1\n");
    EXPECT_EQ(Value(0), QStringLiteral(" 0"));
    EXPECT_EQ(Value(4), QStringLiteral(" 0 um^2")) << "no features: the zone area stays 0";
    EXPECT_TRUE(Main->Series1->Points().empty());
    Main->actAnalyseExecute();
    Main->ScrollBox->RenderNow();
    ASSERT_GT(Number(), 0);
    std::vector<QString> um;
    for (int i = 0; i < 6; ++i) um.push_back(Value(i));
    EXPECT_TRUE(um[4].endsWith(QStringLiteral(" um^2")));
    // Nanometre: the same numbers, other unit names; the view is not repainted.
    Main->cmbDims->setCurrentIndex(0);
    Main->cmbDimsChange(0);
    for (int i = 0; i < 6; ++i) {
        QString expected = um[i];
        expected.replace(QStringLiteral(" um"), QStringLiteral(" nm"));
        EXPECT_EQ(Value(i), expected);
    }
    // A mark worth 100 instead of 10 multiplies the lengths by ten.
    const double radius = Value(1).trimmed().split(QLatin1Char(' ')).first().toDouble();
    Main->cmbValueChange(2);
    const double radius100 = Value(1).trimmed().split(QLatin1Char(' ')).first().toDouble();
    EXPECT_NEAR(radius100, radius * 10, 0.02);
}

TEST_F(TResultsPanelTest, ThresholdStepsRepaintAndNeverAddFeatures) {
    Start("[PICTURE]\nZoom=3\nFilterMin=100\n[SCALE]\nLMX=0\nRMX=9\nLMY=5\nRMY=5\n"
          "[KERNEL]\nFBarrier=20\nRFilter=0\n");
    EXPECT_FALSE(Main->trkRBarrier->isEnabled()) << "radial filter off at start";
    Main->actAnalyseExecute();
    Main->ScrollBox->RenderNow();
    int last = Number();
    ASSERT_GT(last, 0);
    bool fell = false;
    for (int v = 21; v <= 90; ++v) {
        Main->trkDBarrier->setValue(v);
        EXPECT_EQ(Main->Kernel->FBarrier, v);
        EXPECT_EQ(Main->txtDBarrier->text(), QString::number(v) + QStringLiteral(" %"));
        Main->ScrollBox->RenderNow();
        const int n = Number();
        EXPECT_LE(n, last) << "at " << v;
        fell = fell || n < last;
        last = n;
    }
    EXPECT_TRUE(fell) << "hollow squares fail a high fill threshold";
    // Checking "Rad Filter" enables its track bar.
    QTest::mouseClick(Main->chkRFilter, Qt::LeftButton);
    EXPECT_TRUE(Main->Kernel->RFilter);
    EXPECT_TRUE(Main->trkRBarrier->isEnabled());
    QTest::mouseClick(Main->chkDFilter, Qt::LeftButton);
    EXPECT_FALSE(Main->Kernel->FFilter);
    EXPECT_FALSE(Main->trkDBarrier->isEnabled());
}

TEST_F(TResultsPanelTest, ChartsShowStairsInTheGraphsColour) {
    Start("[PICTURE]\nZoom=3\nFilterMin=100\n[SCALE]\nLMX=0\nRMX=9\nLMY=5\nRMY=5\n[KERNEL]\nFFilter=0\nRFilter=0\n"
          "[COLORS]\nCL_5=255\n");
    Main->actAnalyseExecute();
    Main->ScrollBox->RenderNow();
    for (TChartSeries* s : {Main->Series1.get(), Main->Series2.get(), Main->Series3.get()}) {
        const auto& p = s->Points();
        ASSERT_GE(p.size(), 2u);
        EXPECT_EQ(p.back().second, 0.0) << "closing point";
        double sum = 0;
        for (const auto& [x, y] : p) sum += y;
        EXPECT_NEAR(sum, 100.0, 2.0) << "percentages of the passing features";
        EXPECT_EQ(s->AreaColor(), 255);
        // Two corners per step, the closing point once.
        EXPECT_EQ(s->ShownOutlineCount(), static_cast<int>(2 * p.size() - 1));
    }
    EXPECT_EQ(Main->PageControl1->tabText(0), QStringLiteral(" Radius "));
    EXPECT_EQ(Main->PageControl1->tabText(1), QStringLiteral(" Distance "));
    EXPECT_EQ(Main->PageControl1->tabText(2), QStringLiteral(" Area "));
}

TEST_F(TResultsPanelTest, VerticalSwitchStoresOnlyTheFlag) {
    Start("[PICTURE]\nZoom=3\n[SCALE]\nLMX=0\nRMX=9\nLMY=5\nRMY=5\n");
    const double factor = Main->Kernel->Scale->Factor;
    QTest::mouseClick(Main->chkVScale, Qt::LeftButton);
    EXPECT_TRUE(Main->Kernel->Scale->Vertical);
    EXPECT_EQ(Main->Kernel->Scale->Factor, factor) << "the factor follows at the next recalculation";
}
