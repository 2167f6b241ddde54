// The kernel's life cycle, settings and console entries, and the text report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "kernel/xKernel.h"
#include "kernel/xReport.h"
#include "picture/xPicture.h"
#include "settings/IniText.h"
#include "settings/xParams.h"
#include "support/TestSupport.h"

namespace {

// A binary PGM with the given rows of gray levels.
void WritePgm(const std::string& path, const std::vector<std::string>& rows, char on = '#') {
    std::string data = "P5\n" + std::to_string(rows[0].size()) + " " + std::to_string(rows.size()) + "\n255\n";
    for (const auto& row : rows)
        for (char c : row) data += static_cast<char>(c == on ? 200 : 20);
    WriteFile(path, data);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class KernelTest : public ::testing::Test {
protected:
    void SetUp() override { Params = new TParams; }
    void TearDown() override {
        Kernel.reset();
        delete Params;
        Params = nullptr;
    }
    void Create() { Kernel = std::make_unique<TKernel>(nullptr, nullptr, nullptr, nullptr, Scope.Temp.File("Plugins/")); }
    bool Logged(const std::string& line) const {
        return std::find(Scope.Sink.Lines.begin(), Scope.Sink.Lines.end(), line) != Scope.Sink.Lines.end();
    }
    TConsoleScope Scope;
    std::unique_ptr<TKernel> Kernel;
};

const std::vector<std::string> TwoGrains = {
    "..........",
    ".##....##.",
    ".##....##.",
    "..........",
};

TEST_F(KernelTest, FirstStartTakesDefaultsAndWritesEveryKernelKey) {
    Create();
    EXPECT_EQ(Kernel->FileName, "");
    EXPECT_TRUE(Kernel->Preload && Kernel->ShowDots && Kernel->FFilter && Kernel->RFilter && Kernel->FillRad);
    EXPECT_EQ(Kernel->FBarrier, 50);
    EXPECT_EQ(Kernel->RBarrier, 25);
    EXPECT_FALSE(Kernel->Picture->HasImage());
    EXPECT_TRUE(Logged(" > creating Kernel"));
    Kernel.reset();
    const auto ini = ParseIni(ReadFile(Scope.SettingsFile));
    const std::map<std::string, std::string> expected{{"filename", ""}, {"preload", "1"}, {"showdots", "1"},
                                                      {"ffilter", "1"},  {"fbarrier", "50"}, {"rfilter", "1"},
                                                      {"rbarrier", "25"}, {"fillrad", "1"}};
    EXPECT_EQ(ini.at("kernel"), expected);
    for (const char* section : {"scale", "picture", "zone"}) EXPECT_TRUE(ini.count(section)) << section;
}

TEST_F(KernelTest, RemembersTheImageAndReloadsItOnlyWhenAskedTo) {
    const std::string image = Scope.Temp.File("grains.pgm");
    WritePgm(image, TwoGrains);
    Create();
    Kernel->LoadPicture(image);
    EXPECT_EQ(Kernel->PictureName, "grains.pgm");
    EXPECT_TRUE(Logged(" > picture \"grains.pgm\" loaded"));
    Kernel.reset();

    Create();  // Preload on: loaded again
    EXPECT_TRUE(Kernel->Picture->HasImage());
    EXPECT_EQ(Kernel->FileName, image);
    // The second kernel's entries replaced the first one's: the variable reaches it.
    EXPECT_FALSE(std::any_of(Scope.Sink.Lines.begin(), Scope.Sink.Lines.end(),
                             [](const std::string& l) { return l.find("already exists") != std::string::npos; }));
    Console->ExecuteLine("picture>preload off");
    EXPECT_FALSE(Kernel->Preload);
    Kernel.reset();

    Create();  // Preload off: the remembered name is dropped
    EXPECT_FALSE(Kernel->Picture->HasImage());
    EXPECT_EQ(Kernel->FileName, "");
}

TEST_F(KernelTest, ForgetsARememberedImageThatIsGoneOrUnreadable) {
    const std::string image = Scope.Temp.File("grains.pgm");
    WritePgm(image, TwoGrains);
    Create();
    Kernel->LoadPicture(image);
    Kernel.reset();

    WriteFile(image, "P5\n10 4\n255\nshort");  // exists but truncated
    Create();
    EXPECT_FALSE(Kernel->Picture->HasImage());
    EXPECT_EQ(Kernel->FileName, "");
    EXPECT_TRUE(std::any_of(Scope.Sink.Lines.begin(), Scope.Sink.Lines.end(),
                            [&](const std::string& l) { return l.rfind(" ERROR: " + image, 0) == 0; }));
    Kernel.reset();
    EXPECT_EQ(ParseIni(ReadFile(Scope.SettingsFile)).at("kernel").at("filename"), "");

    Create();
    Kernel->LoadPicture(image + ".missing");  // missing file: nothing changes in the kernel
    EXPECT_EQ(Kernel->FileName, "");
}

TEST_F(KernelTest, AnalyseFindsTheSameFeaturesTwiceAndALoadEmptiesThem) {
    const std::string image = Scope.Temp.File("grains.pgm");
    WritePgm(image, TwoGrains);
    Create();
    Kernel->LoadPicture(image);
    Kernel->Picture->SetFilterMin(100);
    Kernel->Analyse();
    ASSERT_EQ(Kernel->Dots.size(), 2u);
    EXPECT_TRUE(Kernel->Analysed);
    EXPECT_TRUE(Logged(" > 2 dots found"));
    EXPECT_DOUBLE_EQ(Kernel->Dots[0].X, 2.0);
    EXPECT_DOUBLE_EQ(Kernel->Dots[1].X, 8.0);
    const double firstY = Kernel->Dots[0].Y;
    Kernel->Analyse();
    ASSERT_EQ(Kernel->Dots.size(), 2u);
    EXPECT_EQ(Kernel->Dots[0].Y, firstY);

    Kernel->LoadPicture(image);
    EXPECT_TRUE(Kernel->Dots.empty());
    EXPECT_TRUE(Kernel->Analysed);  // a load leaves the flag alone

    Kernel->Picture->FilterMin = 201;  // above every level of the image
    Kernel->Picture->FilterMax = 255;
    Kernel->Analyse();
    EXPECT_TRUE(Logged(" > 0 dots found"));
}

TEST_F(KernelTest, PictureRootOffersRefreshAndPreload) {
    Create();
    EXPECT_EQ(Console->ExecuteLine("picture>refresh"), 0);
    Scope.Sink.Lines.clear();
    Console->ExecuteLine("picture>preload");
    EXPECT_EQ(Scope.Sink.Lines, std::vector<std::string>{" preload = ON (TRUE)"});
}

TEST(KernelDeathTest, AnalyseWithoutAnImageIsAFatalCheck) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TConsoleScope scope;
            Params = new TParams;
            TKernel kernel(nullptr, nullptr, nullptr, nullptr, scope.Temp.File("Plugins/"));
            kernel.Analyse();
        },
        ::testing::ExitedWithCode(1), "");
}

class ReportTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        Create();
        Kernel->Scale->SetMark({0, 5}, {0, 5});  // one pixel long: Factor 10^0 = 1 um per pixel
    }
    // One feature of the given fill radius and filling, centred at (x, y).
    static TDot Dot(double x, double y, double radius, double filling, double fillRadius) {
        TDot d;
        d.X = x;
        d.Y = y;
        d.Radius = radius;
        d.Filling = filling;
        d.FillRadius = fillRadius;
        d.PixelCount = 1;
        return d;
    }
    std::vector<std::string> Report() {
        TSeriesData r, d, a;
        return SplitLines(TReport(*Kernel, r, d, a).ReportText());
    }
};

TEST_F(ReportTest, BothSectionsMakeTwentyFourLinesWithZerosWhenThereAreNoFeatures) {
    const auto lines = Report();
    ASSERT_EQ(lines.size(), 24u);
    const std::string sep(64, '-');
    EXPECT_EQ(lines[0], sep);
    EXPECT_EQ(lines[1], " General ");
    EXPECT_EQ(lines[2], sep);
    EXPECT_EQ(lines[3], " File Name     : ");
    EXPECT_THAT(lines[4], ::testing::StartsWith(" Date/Time     : "));
    const std::vector<std::string> rest(lines.begin() + 5, lines.end());
    const std::vector<std::string> expected = {
        " Min Pass      : 0",       " Max Pass      : 255",       " Fill Filter   : 50 %",
        " Radius Filter : 25 %",    " Zone Left     : 100",       " Zone Top      : 0",
        " Zone Width    : -100",    " Zone Height   : 0",         "",
        sep,                        " Statistics ",               sep,
        " Number        : 0",       " Radius        : 0 um",      " Distance      : 0 um",
        " Filling       : 0 %",     " Zone Area     : 0 um^2",    " Filled Area   : 0 um^2",
        ""};
    EXPECT_EQ(rest, expected);
}

TEST_F(ReportTest, ValuesRoundHalvesToEvenAndShowTheRatio) {
    Kernel->FFilter = false;
    Kernel->RFilter = true;
    Kernel->RBarrier = 25;
    Kernel->Picture->Left = 10;
    Kernel->Picture->Right = 109;
    Kernel->Picture->Top = 0;
    Kernel->Picture->Bottom = 9;
    // Two features 10 pixels apart, fill radii 0.0625 and 0.0625: mean radius 0.0625 -> 0.062.
    Kernel->Dots = {Dot(20, 5, 1, 0.5, 0.0625), Dot(30, 5, 1, 0.5, 0.0625)};
    auto lines = Report();
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[7], " Fill Filter   : off");
    EXPECT_EQ(lines[8], " Radius Filter : 25 %");
    EXPECT_EQ(lines[11], " Zone Width    : 99");
    EXPECT_EQ(lines[17], " Number        : 2");
    EXPECT_EQ(lines[18], " Radius        : 0.062 um");
    EXPECT_EQ(lines[19], " Distance      : 10 um  ( 160 )");
    // Each feature covers pi * 0.5 * 1 * 1 pixels of the 1000-pixel zone.
    EXPECT_EQ(lines[20], " Filling       : 0.3 %");
    EXPECT_EQ(lines[21], " Zone Area     : 1000 um^2");
    EXPECT_EQ(lines[22], " Filled Area   : 3.142 um^2");

    Kernel->Dots = {Dot(20, 5, 1, 0.5, 0.1875), Dot(30, 5, 1, 0.5, 0.1875)};
    lines = Report();
    EXPECT_EQ(lines[18], " Radius        : 0.188 um");
}

TEST_F(ReportTest, ExportFlagsChooseTheSections) {
    Params->Flags[1] = false;
    auto lines = Report();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], std::string(64, '-'));
    EXPECT_EQ(lines[1], " Statistics ");
    Params->Flags[2] = false;
    TSeriesData r, d, a;
    const std::string path = Scope.Temp.File("empty.txt");
    WriteFile(path, "old content");
    EXPECT_TRUE(TReport(*Kernel, r, d, a).SaveReportFile(path));
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(ReportTest, SavedFileEndsEveryLineWithCrLfAndAnUnwritableFileIsLogged) {
    TSeriesData r, d, a;
    TReport report(*Kernel, r, d, a);
    const std::string path = Scope.Temp.File("report.txt");
    ASSERT_TRUE(report.SaveReportFile(path));
    const std::string text = ReadFile(path);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 24);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 24);
    EXPECT_EQ(report.OutputMode, 0);

    const std::string bad = Scope.Temp.File("no/such/folder/report.txt");
    EXPECT_FALSE(report.SaveReportFile(bad));
    EXPECT_EQ(report.OutputMode, 0);
    EXPECT_TRUE(std::any_of(Scope.Sink.Lines.begin(), Scope.Sink.Lines.end(), [&](const std::string& l) {
        return l.rfind(" ERROR: cannot write report \"" + bad + "\"", 0) == 0;
    }));
}

TEST_F(ReportTest, NumbersKeepThePointWhateverTheLocale) {
    Kernel->Dots = {Dot(20, 5, 1, 0.5, 1.25), Dot(30, 5, 1, 0.5, 1.25)};
    std::locale::global(std::locale::classic());
    const char* saved = std::setlocale(LC_NUMERIC, nullptr);
    const std::string savedName = saved ? saved : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) std::setlocale(LC_NUMERIC, "C");
    const auto lines = Report();
    std::setlocale(LC_NUMERIC, savedName.c_str());
    EXPECT_EQ(lines[18], " Radius        : 1.25 um");
}

}  // namespace
