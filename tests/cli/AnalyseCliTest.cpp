// morvex-cli analyse, run as a user runs it on image files.
#include <gmock/gmock.h>

#include <sys/wait.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const std::string Cli = MORVEX_BIN_DIR "/morvex-cli";
const std::string SampleDir = MORVEX_SOURCE_DIR "/samples";

struct TResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

TResult Analyse(const TTempDir& dir, const std::string& args) {
    const std::string command = "'" + Cli + "' analyse " + args + " > '" + dir.File("out.txt") + "' 2> '" +
                                dir.File("err.txt") + "' < /dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir.File("out.txt")), ReadFile(dir.File("err.txt"))};
}

std::vector<std::string> Lines(const std::string& text, const char* end = "\n") {
    std::vector<std::string> lines;
    std::size_t start = 0, pos;
    const std::size_t n = std::string(end).size();
    while ((pos = text.find(end, start)) != std::string::npos) {
        lines.push_back(text.substr(start, pos - start));
        start = pos + n;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A binary PGM: '#' pixels 200, others 20.
void WritePgm(const std::string& path, const std::vector<std::string>& rows) {
    std::string data = "P5\n" + std::to_string(rows[0].size()) + " " + std::to_string(rows.size()) + "\n255\n";
    for (const auto& row : rows)
        for (char c : row) data += static_cast<char>(c == '#' ? 200 : 20);
    WriteFile(path, data);
}

// Three grains: 2x2, 3x3 and a 2x2 one cut off by a zone that ends at column 9.
const std::vector<std::string> Grains = {
    "..............",
    ".##...###.....",
    ".##...###...##",
    "......###...##",
    "..............",
};

class AnalyseCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        Ini = Dir.File("settings.ini");
        // One pixel = 1 um, mark placed; the band takes the grains (200), not the background (20).
        WriteFile(Ini, "[SCALE]\nValue=0\nLMX=0\nLMY=1\nRMX=0\nRMY=1\n[PICTURE]\nFilterMin=100\n");
        WritePgm(Dir.File("grains.pgm"), Grains);
    }
    TTempDir Dir;
    std::string Ini;
};

TEST_F(AnalyseCliTest, SampleReportMatchesTheDesktopReportLayout) {
    const auto r = Analyse(Dir, "--ini '" + SampleDir + "/morvex.ini' --report - '" + SampleDir + "/sample.png'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto lines = Lines(r.Out, "\r\n");
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[3], " File Name     : sample.png");
    EXPECT_THAT(lines[17], ::testing::MatchesRegex(" Number        : [1-9][0-9]*"));
    EXPECT_THAT(lines[18], ::testing::MatchesRegex(" Radius        : [0-9.]+ um"));
    EXPECT_EQ(r.Err, "");
}

TEST_F(AnalyseCliTest, OptionsOverrideTheSettingsBeforeLoading) {
    auto r = Analyse(Dir, "--ini '" + Ini + "' --json --fill-filter off --radial-filter off '" + Dir.File("grains.pgm") + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    auto j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["dots_found"], 3);
    EXPECT_EQ(j["results"]["number"], 3);
    EXPECT_EQ(j["width"], 14);
    EXPECT_EQ(j["band"], nlohmann::json::parse("[100,200]"));  // 100..255 narrowed to the image
    EXPECT_EQ(j["gray"], nlohmann::json::parse("[20,200]"));
    EXPECT_EQ(j["zone"], nlohmann::json::parse("[0,0,13,4]"));
    EXPECT_EQ(j["unit"], "um");
    EXPECT_EQ(j["factor"], 1.0);

    // The band is still narrowed to the image and the zone fitted to it.
    r = Analyse(Dir, "--ini '" + Ini + "' --json --zone 0,0,9,400 --band 150,255 --unit nm --fill-filter off "
                     "--radial-filter 70 '" + Dir.File("grains.pgm") + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    j = nlohmann::json::parse(r.Out);
    EXPECT_EQ(j["zone"], nlohmann::json::parse("[0,0,9,4]"));
    EXPECT_EQ(j["band"], nlohmann::json::parse("[150,200]"));
    EXPECT_EQ(j["dots_found"], 2);
    EXPECT_EQ(j["results"]["number"], 1);  // the radial filter keeps the 3x3 grain only
    EXPECT_EQ(j["unit"], "nm");
    EXPECT_EQ(j["results"]["zone_area"], 50.0);
    EXPECT_FALSE(j["series"]["radius"].empty());
}

TEST_F(AnalyseCliTest, CsvListsThePassingFeaturesInScaleUnits) {
    const auto r = Analyse(Dir, "--ini '" + Ini + "' --fill-filter off --radial-filter off --csv - '" +
                                    Dir.File("grains.pgm") + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto rows = Lines(r.Out);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "index,x,y,max_radius,fill_radius,filling,distance,area,pixel_count");
    EXPECT_THAT(rows[1], ::testing::StartsWith("1,2,2,0.7071067811865476,1.1283791670955126,"));
    EXPECT_THAT(rows[1], ::testing::EndsWith(",4"));
    EXPECT_THAT(rows[2], ::testing::StartsWith("2,7.5,2.5,"));
    EXPECT_THAT(rows[2], ::testing::EndsWith(",9"));
}

TEST_F(AnalyseCliTest, SeveralImagesKeepInputOrderAndAnUnreadableOneGivesExitCodeThree) {
    WritePgm(Dir.File("one.pgm"), {"......", ".##...", ".##...", "......"});
    WriteFile(Dir.File("broken.png"), "\x89PNG\r\n\x1a\n-not really");
    const std::string images =
        "'" + Dir.File("grains.pgm") + "' '" + Dir.File("broken.png") + "' '" + Dir.File("one.pgm") + "'";
    const auto r = Analyse(Dir, "--ini '" + Ini + "' -j 2 --json --fill-filter off --radial-filter off --report '" +
                                    Dir.File("reports") + "' --summary '" + Dir.File("summary.csv") + "' " + images);
    EXPECT_EQ(r.ExitCode, 3);
    EXPECT_THAT(r.Err, HasSubstr(Dir.File("broken.png")));
    const auto objects = Lines(r.Out);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(objects[0])["dots_found"], 3);
    EXPECT_EQ(nlohmann::json::parse(objects[1])["dots_found"], 1);
    EXPECT_TRUE(fs::exists(Dir.File("reports/grains.txt")));
    EXPECT_TRUE(fs::exists(Dir.File("reports/one.txt")));
    EXPECT_FALSE(fs::exists(Dir.File("reports/broken.txt")));
    const auto summary = Lines(ReadFile(Dir.File("summary.csv")));
    ASSERT_EQ(summary.size(), 3u);
    EXPECT_THAT(summary[1], ::testing::StartsWith(Dir.File("grains.pgm") + ",3,3,"));
    EXPECT_THAT(summary[2], ::testing::StartsWith(Dir.File("one.pgm") + ",1,1,"));
}

TEST_F(AnalyseCliTest, UsageErrorsGiveExitCodeTwoWithAMessage) {
    for (const std::string args : {"--zone 1,2,3 x.png", "--band 5,a x.png", "--unit inch x.png",
                                   "--fill-filter 150 x.png", "--no-such-option x.png", ""}) {
        const auto r = Analyse(Dir, "--ini '" + Ini + "' " + args);
        EXPECT_EQ(r.ExitCode, 2) << args;
        EXPECT_FALSE(r.Err.empty()) << args;
        EXPECT_EQ(r.Out, "") << args;
    }
}

TEST_F(AnalyseCliTest, SettingsAreNeverWrittenAndAnUnplacedScaleIsAWarning) {
    const std::string ini = Dir.File("plain.ini");
    WriteFile(ini, "; hand-written\n[PICTURE]\nFilterMin=120\n");
    const auto r = Analyse(Dir, "--ini '" + ini + "' --json '" + Dir.File("grains.pgm") + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(ReadFile(ini), "; hand-written\n[PICTURE]\nFilterMin=120\n");
    EXPECT_THAT(r.Err, HasSubstr("warning"));
    EXPECT_THAT(r.Err, HasSubstr("scale mark is not placed"));
    EXPECT_EQ(nlohmann::json::parse(r.Out)["band"], nlohmann::json::parse("[120,200]"));
}

}  // namespace

namespace {

TEST_F(AnalyseCliTest, FeaturesAndStatsGoThroughThePluginDataProvider) {
    // One 2x2 grain at (1..2, 1..2): fill radius sqrt(4/pi), max radius sqrt(0.5), distance 0.
    WritePgm(Dir.File("one.pgm"), {"....", ".##.", ".##.", "...."});
    auto r = Analyse(Dir, "--ini '" + Ini + "' --json --features - --fill-filter off --radial-filter off '" +
                              Dir.File("one.pgm") + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 2u);
    const auto j = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(j["stats"]["count"], 1);
    EXPECT_EQ(j["stats"]["zone_width"], 4.0);
    EXPECT_EQ(j["stats"]["zone_area"], 16.0);
    EXPECT_EQ(j["stats"]["fill_radius"]["sd"], 0.0);
    // Values pass the provider as 32-bit floats.
    EXPECT_EQ(j["stats"]["fill_radius"]["mean"], static_cast<double>(static_cast<float>(std::sqrt(4 / M_PI))));
    EXPECT_EQ(lines[1], " 1.12837922573090E+0000\t 7.07106769084930E-0001\t 0.00000000000000E+0000\t"
                        " 3.99999970171760E+0000\r");

    // No passing feature: an empty data file.
    r = Analyse(Dir, "--ini '" + Ini + "' --features '" + Dir.File("none.dat") + "' --radial-filter 100 '" +
                         Dir.File("one.pgm") + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_TRUE(fs::exists(Dir.File("none.dat")));
    EXPECT_EQ(ReadFile(Dir.File("none.dat")), "");
}

}  // namespace
