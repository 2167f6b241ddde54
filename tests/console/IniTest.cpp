#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "console/ConsoleTestSupport.h"
#include "platform/ProfileFile.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace fs = std::filesystem;

using IniTest = ConsoleTest;

TEST_F(IniTest, WritesAndReadsThroughTheRoutines) {
    EXPECT_TRUE(IniOpen(Console));
    IniWriteString(Console, "KERNEL", "FileName", "/data/a b.png");
    IniWriteInteger(Console, "KERNEL", "FBarrier", -50);
    IniWriteBool(Console, "KERNEL", "Preload", false);
    IniClose(Console);
    EXPECT_EQ(Console->SettingsObject, nullptr);
    EXPECT_EQ(ReadFile(Scope.SettingsFile), "[KERNEL]\nFileName=/data/a b.png\nFBarrier=-50\nPreload=0\n");

    IniOpen(Console);
    EXPECT_EQ(IniReadString(Console, "kernel", "filename", ""), "/data/a b.png");
    EXPECT_EQ(IniReadInteger(Console, "KERNEL", "FBarrier", 0), -50);
    EXPECT_FALSE(IniReadBool(Console, "KERNEL", "Preload", true));
    EXPECT_EQ(IniReadInteger(Console, "KERNEL", "Missing", 25), 25);
    IniClose(Console);
    EXPECT_THAT(Sink().Lines, IsEmpty());
}

TEST_F(IniTest, HandEditedValues) {
    WriteFile(Scope.SettingsFile, "[COLORS]\r\nCL_1=0x10\r\nCL_2=12abc\r\n[FLAGS]\r\nF_1=2\r\n");
    IniOpen(Console);
    EXPECT_EQ(IniReadInteger(Console, "COLORS", "CL_1", 65535), 16);
    EXPECT_EQ(IniReadInteger(Console, "COLORS", "CL_2", 65280), 65280);
    const bool f1 = IniReadBool(Console, "FLAGS", "F_1", false);
    EXPECT_TRUE(f1);
    IniClose(Console);
    IniOpen(Console);
    IniWriteBool(Console, "FLAGS", "F_1", f1);
    IniClose(Console);
    EXPECT_EQ(ReadFile(Scope.SettingsFile), "[COLORS]\r\nCL_1=0x10\r\nCL_2=12abc\r\n[FLAGS]\r\nF_1=1\r\n");
}

TEST_F(IniTest, OpenWithAnotherFileName) {
    const std::string other = Scope.Temp.File("other.ini");
    IniOpen(Console, other);
    IniWriteInteger(Console, "A", "x", 1);
    IniOpen(Console);  // an open object is replaced
    IniWriteInteger(Console, "A", "y", 2);
    IniClose(Console);
    EXPECT_EQ(ReadFile(other), "[A]\nx=1\n");
    EXPECT_EQ(ReadFile(Scope.SettingsFile), "[A]\ny=2\n");
}

TEST_F(IniTest, IniFileOffSwitchesEverythingOff) {
    const std::string before = "[KERNEL]\nFBarrier=10\n";
    WriteFile(Scope.SettingsFile, before);
    EXPECT_THAT(Run(">console inifile off"), ElementsAre(" inifile = OFF (FALSE)"));
    EXPECT_FALSE(IniOpen(Console));
    EXPECT_EQ(Console->SettingsObject, nullptr);
    EXPECT_EQ(IniReadInteger(Console, "KERNEL", "FBarrier", 50), 50);
    EXPECT_TRUE(IniReadBool(Console, "KERNEL", "Preload", true));
    EXPECT_EQ(IniReadString(Console, "KERNEL", "FileName", "d"), "d");
    // No open object is needed: nothing is checked, nothing written.
    IniWriteInteger(Console, "KERNEL", "FBarrier", 99);
    IniWriteBool(Console, "KERNEL", "Preload", false);
    IniWriteString(Console, "KERNEL", "FileName", "x");
    IniClose(Console);
    EXPECT_EQ(ReadFile(Scope.SettingsFile), before);

    Run(">console inifile on");
    IniOpen(Console);
    EXPECT_EQ(IniReadInteger(Console, "KERNEL", "FBarrier", 50), 10);
    IniClose(Console);
}

TEST_F(IniTest, ReadOnlyModeReadsButNeverWrites) {
    const std::string before = "[KERNEL]\nFBarrier=10\n";
    WriteFile(Scope.SettingsFile, before);
    Console->SettingsReadOnly = true;
    IniOpen(Console);
    EXPECT_EQ(IniReadInteger(Console, "KERNEL", "FBarrier", 50), 10);
    IniWriteInteger(Console, "KERNEL", "FBarrier", 99);
    IniWriteBool(Console, "KERNEL", "Preload", false);
    IniWriteString(Console, "NEW", "FileName", "x");
    IniClose(Console);
    EXPECT_EQ(ReadFile(Scope.SettingsFile), before);
    EXPECT_THAT(Sink().Lines, IsEmpty());
}

TEST_F(IniTest, FailedWritesLogOneErrorAndLoseNothing) {
    const std::string before = "[KERNEL]\nFBarrier=10\n";
    WriteFile(Scope.SettingsFile, before);
    fs::permissions(Scope.SettingsFile, fs::perms::owner_read | fs::perms::group_read);
    IniOpen(Console);
    IniWriteInteger(Console, "KERNEL", "FBarrier", 99);
    IniWriteBool(Console, "KERNEL", "Preload", false);
    IniClose(Console);
    IniOpen(Console);  // the next owner's section fails too: still one line
    IniWriteString(Console, "SCALE", "Dims", "3");
    IniClose(Console);
    EXPECT_THAT(Sink().Lines, ElementsAre(" ERROR: settings not saved: cannot write \"" +
                                          Scope.SettingsFile + "\": the file is read-only"));
    EXPECT_TRUE(Sink().Visible);
    EXPECT_EQ(ReadFile(Scope.SettingsFile), before);

    // Writable again: writes succeed, and a later failure is reported again.
    fs::permissions(Scope.SettingsFile, fs::perms::owner_write, fs::perm_options::add);
    IniOpen(Console);
    IniWriteInteger(Console, "KERNEL", "FBarrier", 99);
    IniClose(Console);
    EXPECT_EQ(ReadFile(Scope.SettingsFile), "[KERNEL]\nFBarrier=99\n");
    IniOpen(Console, "/proc/morvex-test.ini");  // a folder nobody can write to
    IniWriteInteger(Console, "KERNEL", "FBarrier", 1);
    IniWriteInteger(Console, "KERNEL", "FBarrier", 2);
    IniClose(Console);
    EXPECT_EQ(Sink().Lines.size(), 2u);
    EXPECT_THAT(Sink().Lines.back(),
                ::testing::StartsWith(" ERROR: settings not saved: cannot write \"/proc/morvex-test.ini\": "));
}

TEST_F(IniTest, RoutinesWithoutAnOpenFileAreFatal) {
    TStderrSink err;
    const struct {
        const char* Id;
        std::function<void()> Call;
    } cases[] = {
        {"{EC93B634-F71F-4548-98B6-54CCCF19D5C5}", [] { IniClose(Console); }},
        {"{7AA39289-BF27-48BD-99DF-D726A101A3D3}", [] { IniReadBool(Console, "A", "b", true); }},
        {"{8DA9F6F3-1C2E-418B-B575-3D4CED4D30A0}", [] { IniReadInteger(Console, "A", "b", 1); }},
        {"{62BF0809-5E9C-470B-92F9-AB6ED8BB580C}", [] { IniReadString(Console, "A", "b", ""); }},
        {"{CF244D58-A925-46B0-BB92-6F9703A646D9}", [] { IniWriteBool(Console, "A", "b", true); }},
        {"{E456AA06-8197-4219-8BA2-E157654D1625}", [] { IniWriteInteger(Console, "A", "b", 1); }},
        {"{BCF031B0-36FE-43F8-9A3A-1137ADDCD5E5}", [] { IniWriteString(Console, "A", "b", "c"); }},
    };
    WriteFile(Scope.SettingsFile, "[A]\nb=0\n");
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                Console->Window = &err;
                c.Call();
            },
            ::testing::ExitedWithCode(1), " FATAL: \\[" + RegexEscape(c.Id) + "\\] \n<fatal report shown>")
            << c.Id;
    }
    EXPECT_EQ(ReadFile(Scope.SettingsFile), "[A]\nb=0\n");
}

namespace {
// Sets an environment variable for the life of the object.
class TEnv {
public:
    TEnv(const char* name, const char* value) : Name(name) {
        const char* old = std::getenv(name);
        Had = old != nullptr;
        if (Had) Old = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~TEnv() {
        if (Had) ::setenv(Name, Old.c_str(), 1);
        else ::unsetenv(Name);
    }
private:
    const char* Name;
    bool Had = false;
    std::string Old;
};
}  // namespace

TEST(DefaultSettingsFileName, BesideTheProgramWhenItsFolderIsWritable) {
    TTempDir dir;
    EXPECT_EQ(DefaultSettingsFileName(dir.File("morvex")), dir.File("morvex.ini"));
    EXPECT_EQ(DefaultSettingsFileName(dir.File("prog.exe")), dir.File("prog.ini"));
    // Probing the folder leaves nothing behind.
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(DefaultSettingsFileName, InTheUserConfigFolderOtherwise) {
    TTempDir dir;
    {
        TEnv xdg("XDG_CONFIG_HOME", dir.Path().c_str());
        EXPECT_EQ(DefaultSettingsFileName("/proc/morvex"), dir.File("morvex/morvex.ini"));
    }
    {
        TEnv xdg("XDG_CONFIG_HOME", nullptr);
        TEnv home("HOME", dir.Path().c_str());
        EXPECT_EQ(DefaultSettingsFileName("/proc/morvex"), dir.File(".config/morvex/morvex.ini"));
        TEnv relative("XDG_CONFIG_HOME", "relative/path");  // not absolute: ignored
        EXPECT_EQ(DefaultSettingsFileName("/proc/morvex"), dir.File(".config/morvex/morvex.ini"));
    }
    // The folders are made by the first write.
    TProfileFile ini(dir.File(".config/morvex/morvex.ini"));
    EXPECT_TRUE(ini.WriteInteger("A", "x", 1));
    EXPECT_EQ(ReadFile(dir.File(".config/morvex/morvex.ini")), "[A]\nx=1\n");
}
