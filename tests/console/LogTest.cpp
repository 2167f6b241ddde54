#include <gmock/gmock.h>

#include "console/ConsoleTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using LogTest = ConsoleTest;

TEST_F(LogTest, PlainAndInformationLines) {
    Console->WriteLine("plain");
    Console->WriteLine("indented", true);
    Console->Information("creating Kernel");
    EXPECT_THAT(Sink().Lines, ElementsAre(" plain", "     indented", " > creating Kernel"));
    EXPECT_THAT(Sink().Colored, IsEmpty());  // nothing coloured
    EXPECT_EQ(Sink().PendingCalls, 0);       // nor painted at once
    EXPECT_FALSE(Sink().Visible);
}

TEST_F(LogTest, EchoOffSilencesInformationButNotErrors) {
    Console->ExecuteLine(">console echo off");
    Sink().Lines.clear();
    Console->Information("creating Kernel");
    Console->Error("Value must be positive");
    EXPECT_THAT(Sink().Lines, ElementsAre(" ERROR: Value must be positive"));
}

TEST_F(LogTest, LevelLinesColourTheirPrefix) {
    const struct {
        std::uint8_t Level;
        const char* Line;
        int Length;
        std::uint32_t Color;
    } cases[] = {
        {0, " text", 1, 0x000000},
        {1, " WARNING: text", 10, 0x800000},  // navy
        {2, " ERROR: text", 8, 0x000080},     // maroon
        {3, " FATAL: text", 8, 0x0000FF},     // red
        {9, " text", 1, 0x000000},            // unknown levels are plain
    };
    for (const auto& c : cases) {
        Sink().Lines.clear();
        Sink().Colored.clear();
        const int pending = Sink().PendingCalls;
        Console->Log("text", c.Level);
        EXPECT_THAT(Sink().Lines, ElementsAre(c.Line)) << int(c.Level);
        ASSERT_EQ(Sink().Colored.size(), 1u) << int(c.Level);
        EXPECT_EQ(Sink().Colored[0].Line, 0);
        EXPECT_EQ(Sink().Colored[0].Length, c.Length) << int(c.Level);
        EXPECT_EQ(Sink().Colored[0].Color, c.Color) << int(c.Level);
        EXPECT_EQ(Sink().PendingCalls, pending + 1) << int(c.Level);  // painted at once
    }
    Console->Warning("w");
    EXPECT_EQ(Sink().Lines.back(), " WARNING: w");
}

TEST_F(LogTest, OnlyAnErrorShowsTheHiddenWindow) {
    Console->Log("w", 1);
    Console->Log("f", 3);
    EXPECT_FALSE(Sink().Visible);
    Console->Error("e");
    EXPECT_TRUE(Sink().Visible);
    EXPECT_EQ(Sink().ShowCount, 1);
    Console->Error("again");  // already shown
    EXPECT_EQ(Sink().ShowCount, 1);
}

TEST_F(LogTest, PassingFatalCheckDoesNothing) {
    FatalCheck(true, "{F454360E-1168-4708-886E-503A34FB16DB}", "");
    EXPECT_THAT(Sink().Lines, IsEmpty());
    EXPECT_EQ(Sink().FatalReports, 0);
}

TEST_F(LogTest, FailingFatalCheckLogsShowsTheReportAndExitsWithOne) {
    TStderrSink err;
    EXPECT_EXIT(
        {
            Console->Window = &err;
            FatalCheck(false, "{F454360E-1168-4708-886E-503A34FB16DB}", "");
        },
        ::testing::ExitedWithCode(1),
        "^ FATAL: \\[\\{F454360E-1168-4708-886E-503A34FB16DB\\}\\] \n<fatal report shown>\n$");
    EXPECT_EXIT(
        {
            Console->Window = &err;
            FatalCheck(false, "12345678", "some text");
        },
        ::testing::ExitedWithCode(1), " FATAL: \\[12345678\\] some text\n");
}

TEST_F(LogTest, FatalCheckWithoutConsoleStillEnds) {
    EXPECT_EXIT(
        {
            delete Console;
            Console = nullptr;
            FatalCheck(false, "ABCDEF01", "");
        },
        ::testing::ExitedWithCode(1), " FATAL: \\[ABCDEF01\\] ");
}

namespace {
// Writes its section when it is destroyed, as every settings owner does.
struct TOwner {
    ~TOwner() {
        IniOpen(Console);
        IniWriteInteger(Console, "COLORS", "CL_1", 1);
        IniWriteBool(Console, "FLAGS", "F_1", false);
        IniClose(Console);
    }
};
}  // namespace

TEST_F(LogTest, FatalCheckEndsWithoutAnyShutdownAndWritesNoSetting) {
    const std::string before = "[COLORS]\r\nCL_1 = 0x10\r\n[FLAGS]\r\nF_1=2\r\n";
    WriteFile(Scope.SettingsFile, before);
    EXPECT_EXIT(
        {
            TOwner owner;  // never destroyed
            IniOpen(Console);
            IniReadInteger(Console, "COLORS", "CL_1", 0);
            IniClose(Console);
            FatalCheck(false, "DEADBEEF", "");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(ReadFile(Scope.SettingsFile), before);
    // Without the fatal check the owner would have written the file.
    { TOwner owner; }
    EXPECT_NE(ReadFile(Scope.SettingsFile), before);
}
