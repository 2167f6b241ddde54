#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "settings/IniText.h"
#include "settings/xParams.h"
#include "support/TestSupport.h"

namespace {

const std::int32_t Defaults[9] = {0, 65535, 65280, 32896, 32768, 12639424, 12639424, 16776960, 255};

bool HasLine(const TRecordingSink& sink, const std::string& line) {
    return std::find(sink.Lines.begin(), sink.Lines.end(), line) != sink.Lines.end();
}

// All fifteen keys are in the file with the given values.
void ExpectFileHolds(const std::string& path, const std::int32_t (&colors)[9], const bool (&flags)[8]) {
    const TIniText ini = ParseIni(ReadFile(path));
    ASSERT_TRUE(ini.count("colors"));
    ASSERT_TRUE(ini.count("flags"));
    for (int i = 1; i <= 8; ++i) {
        const std::string key = "cl_" + std::to_string(i);
        ASSERT_TRUE(ini.at("colors").count(key)) << key;
        EXPECT_EQ(ini.at("colors").at(key), std::to_string(colors[i])) << key;
    }
    for (int i = 1; i <= 7; ++i) {
        const std::string key = "f_" + std::to_string(i);
        ASSERT_TRUE(ini.at("flags").count(key)) << key;
        EXPECT_EQ(ini.at("flags").at(key), flags[i] ? "1" : "0") << key;
    }
}

}  // namespace

TEST(Params, FirstRunTakesDefaultsAndWritesAllFifteenKeys) {
    TConsoleScope scope;
    {
        TParams params;
        EXPECT_TRUE(HasLine(scope.Sink, " > creating Params"));
        for (int i = 1; i <= 8; ++i) EXPECT_EQ(params.Colors[i], Defaults[i]) << i;
        for (int i = 1; i <= 7; ++i) EXPECT_TRUE(params.Flags[i]) << i;
    }
    const bool allTrue[8] = {false, true, true, true, true, true, true, true};
    ExpectFileHolds(scope.SettingsFile, Defaults, allTrue);
}

TEST(Params, ValuesSurviveARestart) {
    TConsoleScope scope;
    const std::int32_t colors[9] = {0, -1, 0, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000u),
                                    0x1000000F, 123, 16777215, -2147483647};
    const bool flags[8] = {false, false, true, false, true, false, true, false};
    {
        TParams params;
        for (int i = 1; i <= 8; ++i) params.Colors[i] = colors[i];
        for (int i = 1; i <= 7; ++i) params.Flags[i] = flags[i];
    }
    ExpectFileHolds(scope.SettingsFile, colors, flags);

    TParams again;
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(again.Colors[i], colors[i]) << i;
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(again.Flags[i], flags[i]) << i;
}

TEST(Params, OnlyChangedKeyDiffersAndEverythingIsWrittenBack) {
    TConsoleScope scope;
    WriteFile(scope.SettingsFile, "[COLORS]\r\nCL_3=4210752\r\n[OTHER]\r\nkeep=this\r\n");
    {
        TParams params;
        for (int i = 1; i <= 8; ++i) EXPECT_EQ(params.Colors[i], i == 3 ? 4210752 : Defaults[i]) << i;
        for (int i = 1; i <= 7; ++i) EXPECT_TRUE(params.Flags[i]) << i;
    }
    std::int32_t expected[9];
    std::copy(std::begin(Defaults), std::end(Defaults), expected);
    expected[3] = 4210752;
    const bool allTrue[8] = {false, true, true, true, true, true, true, true};
    ExpectFileHolds(scope.SettingsFile, expected, allTrue);
    const TIniText ini = ParseIni(ReadFile(scope.SettingsFile));
    ASSERT_TRUE(ini.count("other"));
    EXPECT_EQ(ini.at("other").at("keep"), "this");
}

TEST(Params, IniFileOffLeavesTheFileAlone) {
    TConsoleScope scope;
    const std::string text = "[COLORS]\nCL_1=7\n";
    WriteFile(scope.SettingsFile, text);
    Console->IniFile = false;
    {
        TParams params;
        EXPECT_EQ(params.Colors[1], Defaults[1]);
        params.Colors[2] = 1;
    }
    EXPECT_EQ(ReadFile(scope.SettingsFile), text);
}
