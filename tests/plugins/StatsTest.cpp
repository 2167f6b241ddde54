// The statistics plug-in without its window: number texts, statistics, data file, sheet and
// the plug-in object.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "FakeData.h"
#include "support/TestSupport.h"
#include "xStats.h"

namespace {

struct TTextCase {
    double Value;
    const char* Text;
};

TEST(StatsNumbers, Real23Form) {
    const TTextCase cases[] = {
        {0.0, " 0.00000000000000E+0000"},
        {-0.0, " 0.00000000000000E+0000"},
        {1.5, " 1.50000000000000E+0000"},
        {-2.5e-7, "-2.50000000000000E-0007"},
        {1.0 / 3.0, " 3.33333333333333E-0001"},
        {14.137166941154069, " 1.41371669411541E+0001"},
        {9.9999999999999995e22, " 1.00000000000000E+0023"},  // rounding carries
        {1e300, " 1.00000000000000E+0300"},
        {5e-324, " 4.94065645841247E-0324"},
        // From the exact binary value, not from the shortest decimal text:
        // 2.000000000000005 is stored as 2.00000000000000488..., 5.000000000000005 as 5.0...0533.
        {2.000000000000005, " 2.00000000000000E+0000"},
        {5.000000000000005, " 5.00000000000001E+0000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatReal23(c.Value), c.Text) << c.Value;
        EXPECT_EQ(FormatReal23(c.Value).size(), 23u);
    }
}

TEST(StatsNumbers, RoundTextRoundsHalvesToEvenAndDropsTrailingZeros) {
    struct TCase {
        int D;
        double X;
        const char* Text;
    };
    const TCase cases[] = {
        {3, 2.34567, "2.346"},
        {3, 0.5, "0.5"},
        {3, 12.0, "12"},
        {0, 2.5, "2"},
        {0, 3.5, "4"},
        {3, -0.0001, "0"},  // rounds to -0, shown as 0
        {8, 1e-9, "0"},
        {8, 2.5e-8, "0.00000002"},  // 2.5 exactly, to even
        {8, 1.5e-8, "0.00000001"},  // 1.4999999999999998 after scaling
        {3, 1234567.891, "1234567.891"},
        {3, -7.25, "-7.25"},
        {0, 1e15, "1E+15"},
        {0, 123456789012345.0, "123456789012345"},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundText(c.D, c.X), c.Text) << c.X;
    EXPECT_EQ(RoundText(3, 2.34567, ","), "2,346");
}

// One feature: fill radius 2.5, max radius 3, filling 0.5, on a 10 x 20 zone.
TFakeData OneFeature() {
    TFakeData data;
    data.Features.push_back({2.5, 3.0, 0.0, 0.5, 1, 1});
    return data;
}

TEST(StatsValues, OneFeatureHasNoDeviation) {
    TFakeData data = OneFeature();
    TStatsValues v;
    ASSERT_TRUE(ComputeStats(data, v));
    const double area = (0.5 * M_PI) * (3.0 * 3.0);
    EXPECT_EQ(v.Count, 1);
    EXPECT_DOUBLE_EQ(v.ZoneArea, 200.0);
    EXPECT_EQ(v.FilledArea, area);
    EXPECT_EQ(v.Filling, area / 200.0);
    EXPECT_EQ(v.MeanRadius, 2.5);
    EXPECT_EQ(v.MeanMaxRadius, 3.0);
    EXPECT_EQ(v.SdRadius, 0.0);
    EXPECT_EQ(v.SdArea, 0.0);

    const auto texts = StatsValueTexts(v, "um", ".");
    const std::array<std::string, 10> expected = {
        " 1", " 10 um", " 20 um", " 200 um^2", " 14.137 um^2", " 7.069 %",
        " 2.5 [ 0 ] um", " 3 [ 0 ] um", " 0 [ 0 ] um", " 14.137 [ 0 ] um^2"};
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(DataFileText(data),
              " 2.50000000000000E+0000\t 3.00000000000000E+0000\t"
              " 0.00000000000000E+0000\t 1.41371669411541E+0001\r\n");
}

TEST(StatsValues, RadiusZeroAddsNoAreaAndDeviationsArePopulationForm) {
    TFakeData data;
    data.Features.push_back({1.0, 0.0, 4.0, 0.0, 0, 0});  // radius 0: filling 0, area 0
    data.Features.push_back({2.0, 3.0, 4.0, 0.5, 0, 0});
    TStatsValues v;
    ASSERT_TRUE(ComputeStats(data, v));
    const double area = (0.5 * M_PI) * 9.0;
    EXPECT_EQ(v.FilledArea, area);
    EXPECT_EQ(v.MeanMaxRadius, 1.5);
    EXPECT_EQ(v.SdMaxRadius, 1.5);  // divisor Count; with Count - 1 it would be 2.12
    EXPECT_EQ(v.SdRadius, 0.5);
    EXPECT_EQ(v.SdDistance, 0.0);
    EXPECT_EQ(v.MeanArea, area / 2);
    EXPECT_EQ(v.SdArea, area / 2);
    EXPECT_EQ(DataFileText(data).substr(0, 97),
              " 1.00000000000000E+0000\t 0.00000000000000E+0000\t"
              " 4.00000000000000E+0000\t 0.00000000000000E+0000\r\n");
}

TEST(StatsValues, NoFeaturesComputeNothingAndWriteAnEmptyFile) {
    TFakeData data;
    TStatsValues v;
    v.MeanRadius = 99;
    EXPECT_FALSE(ComputeStats(data, v));
    EXPECT_EQ(v.Count, 0);
    EXPECT_EQ(v.ZoneArea, 200.0);  // the zone is still taken
    EXPECT_EQ(v.MeanRadius, 0.0);
    EXPECT_EQ(v.Filling, 0.0);

    TTempDir dir;
    const std::string path = dir.File("empty.txt");
    WriteFile(path, "old contents");
    std::string error;
    ASSERT_TRUE(WriteDataFile(path, data, error)) << error;
    EXPECT_EQ(ReadFile(path), "");
}

TEST(StatsDataFile, ReplacesAnExistingFileAndReportsAFileThatCannotBeCreated) {
    TFakeData data = OneFeature();
    data.Features.push_back({1.0, 2.0, 3.0, 0.25, 0, 0});
    TTempDir dir;
    const std::string path = dir.File("data.txt");
    std::string error;
    ASSERT_TRUE(WriteDataFile(path, data, error));
    data.Features.pop_back();
    ASSERT_TRUE(WriteDataFile(path, data, error));
    EXPECT_EQ(ReadFile(path), DataFileText(data));
    EXPECT_EQ(ReadFile(path).size(), 4 * 23 + 3 + 2u);

    const std::string bad = dir.File("missing/data.txt");
    EXPECT_FALSE(WriteDataFile(bad, data, error));
    EXPECT_NE(error.find(bad), std::string::npos) << error;
}

TEST(StatsSheet, KeepsItsDataAndTheEarlierTextsWhenARunHasNoFeatures) {
    TFakeData first = OneFeature();
    TFakeData empty;
    {
        TStatsSheet sheet(",");
        EXPECT_FALSE(sheet.CanSave());
        EXPECT_EQ(sheet.Values[0], "");
        sheet.ShowData(&first);
        EXPECT_EQ(first.Refs, 1u);
        EXPECT_TRUE(sheet.CanSave());
        EXPECT_EQ(sheet.Values[6], " 2,5 [ 0 ] um");  // the runtime's separator before a save
        EXPECT_EQ(sheet.Header[4], " Area [um^2]");
        EXPECT_EQ(sheet.Cell(0, 0), " 1");
        EXPECT_EQ(sheet.Cell(0, 4), " 14,13716694");
        EXPECT_EQ(sheet.Cell(1, 0), "");

        sheet.ShowData(&empty);
        EXPECT_EQ(first.Refs, 0u);  // the earlier reference is dropped
        EXPECT_EQ(empty.Refs, 1u);
        EXPECT_FALSE(sheet.CanSave());
        EXPECT_EQ(sheet.Values[0], " 1");  // earlier values and grid stay
        EXPECT_EQ(sheet.Rows.size(), 1u);
        EXPECT_EQ(sheet.Stats.Count, 0);
    }
    EXPECT_EQ(empty.Refs, 0u);  // dropped with the sheet
}

TEST(StatsSheet, SavingSwitchesToThePointForLaterTexts) {
    TFakeData data = OneFeature();
    TStatsSheet sheet(",");
    sheet.ShowData(&data);
    TTempDir dir;
    std::string error;
    ASSERT_TRUE(sheet.Save(dir.File("d.txt"), error)) << error;
    EXPECT_EQ(ReadFile(dir.File("d.txt")), DataFileText(data));
    EXPECT_EQ(sheet.Values[6], " 2,5 [ 0 ] um");  // shown texts are not redone
    sheet.ShowData(&data);
    EXPECT_EQ(sheet.Values[6], " 2.5 [ 0 ] um");
    EXPECT_EQ(sheet.Cell(0, 1), " 2.5");
}

// A window that records what the plug-in object asks of it.
struct TWindowLog {
    int Made = 0;
    int Shown = 0;
    int ModalRuns = 0;
    bool Destroyed = false;
    IData* LastData = nullptr;
};

class TFakeWindow final : public IStatsWindow {
public:
    explicit TFakeWindow(TWindowLog& log) : Log(log) { ++Log.Made; }
    ~TFakeWindow() override { Log.Destroyed = true; }
    void ShowData(IData* data) override {
        ++Log.Shown;
        Log.LastData = data;
    }
    void ShowModal() override { ++Log.ModalRuns; }
    TWindowLog& Log;
};

TEST(StatsPlugin, MakesItsWindowOnTheFirstRunAndFreesItWithTheObject) {
    TWindowLog log;
    auto* stats = new TStats([&log] { return std::make_unique<TFakeWindow>(log); });
    stats->AddRef();
    EXPECT_EQ(log.Made, 0);
    EXPECT_STREQ(stats->GetName(), "Statistics");
    EXPECT_EQ(stats->GetName(), stats->GetName());  // one constant
    EXPECT_STREQ(stats->GetID(), "{76AAF380-E858-11D7-8030-000102960A47}");

    void* other = nullptr;
    EXPECT_EQ(stats->QueryInterface(IID_IData, &other), MVX_E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    TFakeData data = OneFeature();
    EXPECT_EQ(stats->Execute(&data), 0);
    EXPECT_EQ(stats->Execute(&data), 0);
    EXPECT_EQ(log.Made, 1);
    EXPECT_EQ(log.Shown, 2);
    EXPECT_EQ(log.ModalRuns, 2);
    EXPECT_EQ(log.LastData, &data);
    EXPECT_FALSE(log.Destroyed);
    EXPECT_EQ(stats->Release(), 0u);
    EXPECT_TRUE(log.Destroyed);
}

TEST(StatsPlugin, WithoutAWindowARunFails) {
    auto* stats = new TStats([] { return std::unique_ptr<IStatsWindow>(); });
    stats->AddRef();
    TFakeData data;
    EXPECT_EQ(stats->Execute(&data), MVX_E_FAIL);
    EXPECT_EQ(data.Refs, 0u);
    stats->Release();
}

}  // namespace
