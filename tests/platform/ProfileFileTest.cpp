#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "platform/ProfileFile.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {
class ProfileFileTest : public ::testing::Test {
protected:
    std::string Path() const { return Temp.File("morvex.ini"); }
    TTempDir Temp;
};
}  // namespace

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndIsCreatedByTheFirstWrite) {
    TProfileFile ini(Path());
    EXPECT_EQ(ini.ReadString("KERNEL", "FileName", "none"), "none");
    EXPECT_EQ(ini.ReadInteger("SCALE", "Dims", 7), 7);
    EXPECT_TRUE(ini.ReadBool("FLAGS", "F_1", true));
    EXPECT_FALSE(fs::exists(Path()));
    ASSERT_TRUE(ini.WriteInteger("SCALE", "Dims", 3));
    EXPECT_EQ(ReadFile(Path()), "[SCALE]\nDims=3\n");
}

TEST_F(ProfileFileTest, ReadsHandEditedValues) {
    WriteFile(Path(),
              "; a comment=1\r\n"
              "orphan=5\r\n"
              "[ Colors ]\r\n"
              "  cl_1 =  0x10  \r\n"
              "CL_2=12abc\r\n"
              "CL_3=$FF\r\n"
              "CL_4=-0x10\r\n"
              "CL_5=0xFFFFFFFF\r\n"
              "CL_6=0x100000000\r\n"
              "CL_7=2147483648\r\n"
              "CL_8=-2147483648\r\n"
              "CL_1=99\r\n"
              "Name = \"  quoted value  \"\r\n"
              "Half=\"open\r\n"
              "Empty=\r\n"
              "[FLAGS]\r\n"
              "F_1=2\r\n"
              "F_2=0\r\n"
              "F_3=yes\r\n"
              "[colors]\r\n"
              "CL_9=1\r\n");
    const TProfileFile ini(Path());
    const struct { const char* Key; std::int32_t Expected; } ints[] = {
        {"CL_1", 16},          // trimmed, hex, first occurrence wins over the later CL_1=99
        {"CL_2", -1},          // not a number: the default
        {"CL_3", 255},         // "$" hex
        {"CL_4", -16},         // signed hex
        {"CL_5", -1},          // 32-bit pattern
        {"CL_6", -1},          // more than 32 bits: default
        {"CL_7", -1},          // decimal beyond 32 bits: default
        {"CL_8", -2147483647 - 1},
        {"CL_9", -1},          // only the first [COLORS] section counts
        {"Empty", -1},
    };
    for (const auto& c : ints) EXPECT_EQ(ini.ReadInteger("COLORS", c.Key, -1), c.Expected) << c.Key;
    EXPECT_EQ(ini.ReadString("colors", "NAME", ""), "  quoted value  ");
    EXPECT_EQ(ini.ReadString("COLORS", "Half", ""), "\"open");
    EXPECT_EQ(ini.ReadString("COLORS", "Empty", "x"), "");
    EXPECT_EQ(ini.ReadInteger("", "orphan", -1), -1);
    EXPECT_EQ(ini.ReadInteger("COLORS", "; a comment", -1), -1);
    EXPECT_TRUE(ini.ReadBool("FLAGS", "F_1", false));   // 2 is true
    EXPECT_FALSE(ini.ReadBool("FLAGS", "F_2", true));
    EXPECT_TRUE(ini.ReadBool("FLAGS", "F_3", true));    // not a number: the default
    EXPECT_FALSE(ini.ReadBool("FLAGS", "F_3", false));
}

TEST_F(ProfileFileTest, LongStringsAreCut) {
    WriteFile(Path(), "[K]\nA=" + std::string(3000, 'a') + "\nB=" + std::string(2046, 'b') + "\xC3\xA9\n");
    const TProfileFile ini(Path());
    EXPECT_EQ(ini.ReadString("K", "A", ""), std::string(2047, 'a'));
    // A two-byte character straddling the limit is left out whole.
    EXPECT_EQ(ini.ReadString("K", "B", ""), std::string(2046, 'b'));
}

TEST_F(ProfileFileTest, WriteReplacesInPlaceAppendsToItsSectionAndKeepsEverythingElse) {
    WriteFile(Path(),
              "; settings\r\n"
              "[KERNEL]\r\n"
              "  FBarrier = 0x10 \r\n"
              "Odd line without equals\r\n"
              "\r\n"
              "[Zone]\r\n"
              "Left=1\r\n"
              "[kernel]\r\n"
              "FBarrier=77");
    TProfileFile ini(Path());
    ASSERT_TRUE(ini.WriteInteger("kernel", "fbarrier", 60));
    ASSERT_TRUE(ini.WriteBool("KERNEL", "Preload", false));
    ASSERT_TRUE(ini.WriteInteger("ZONE", "Top", -3));
    ASSERT_TRUE(ini.WriteString("SCALE", "Name", "a b"));
    EXPECT_EQ(ReadFile(Path()),
              "; settings\r\n"
              "[KERNEL]\r\n"
              "fbarrier=60\r\n"
              "Odd line without equals\r\n"
              "Preload=0\r\n"
              "\r\n"
              "[Zone]\r\n"
              "Left=1\r\n"
              "Top=-3\r\n"
              "[kernel]\r\n"
              "FBarrier=77\r\n"
              "[SCALE]\r\n"
              "Name=a b\r\n");
    // A second object sees what the first one wrote.
    const TProfileFile again(Path());
    EXPECT_EQ(again.ReadInteger("KERNEL", "FBarrier", 0), 60);
    EXPECT_FALSE(again.ReadBool("KERNEL", "Preload", true));
}

TEST_F(ProfileFileTest, BoolWrittenBackAsOne) {
    WriteFile(Path(), "[FLAGS]\nF_1=2\n");
    TProfileFile ini(Path());
    const bool f1 = ini.ReadBool("FLAGS", "F_1", false);
    ASSERT_TRUE(ini.WriteBool("FLAGS", "F_1", f1));
    EXPECT_EQ(ReadFile(Path()), "[FLAGS]\nF_1=1\n");
}

TEST_F(ProfileFileTest, LineBreaksInValuesCannotInjectLines) {
    TProfileFile ini(Path());
    ASSERT_TRUE(ini.WriteString("KERNEL", "FileName", "/tmp/a\n[COLORS]\r\nCL_1=0"));
    const TProfileFile again(Path());
    EXPECT_EQ(again.ReadString("KERNEL", "FileName", ""), "/tmp/a[COLORS]CL_1=0");
    EXPECT_EQ(again.ReadInteger("COLORS", "CL_1", 5), 5);
}

TEST_F(ProfileFileTest, WriteLeavesNoTemporaryFilesAndKeepsTheMode) {
    WriteFile(Path(), "[A]\nx=1\n");
    fs::permissions(Path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    TProfileFile ini(Path());
    ASSERT_TRUE(ini.WriteInteger("A", "x", 2));
    EXPECT_EQ(fs::status(Path()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int files = 0;
    for (const auto& e : fs::directory_iterator(Temp.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ProfileFileTest, WriteThroughALinkReplacesTheLinkedFile) {
    const std::string real = Temp.File("real.ini");
    WriteFile(real, "[A]\nx=1\n");
    fs::create_symlink(real, Path());
    TProfileFile ini(Path());
    ASSERT_TRUE(ini.WriteInteger("A", "x", 2));
    EXPECT_TRUE(fs::is_symlink(Path()));
    EXPECT_EQ(ReadFile(real), "[A]\nx=2\n");
}

// Failures: the file keeps what it had, the object says why.
TEST_F(ProfileFileTest, ReadOnlyFileIsNotReplaced) {
    WriteFile(Path(), "[A]\nx=1\n");
    fs::permissions(Path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    TProfileFile ini(Path());
    EXPECT_FALSE(ini.WriteInteger("A", "x", 2));
    EXPECT_EQ(ini.LastError(), "the file is read-only");
    EXPECT_EQ(ReadFile(Path()), "[A]\nx=1\n");
    EXPECT_EQ(ini.ReadInteger("A", "x", 0), 2);  // the object keeps the value it was given
}

TEST_F(ProfileFileTest, UnwritableFolderFails) {
    // /proc takes no new files, not even from root.
    TProfileFile ini("/proc/morvex-settings-test.ini");
    EXPECT_FALSE(ini.WriteInteger("A", "x", 2));
    EXPECT_FALSE(ini.LastError().empty());
    EXPECT_FALSE(fs::exists("/proc/morvex-settings-test.ini"));
}

TEST_F(ProfileFileTest, UnreadableFileIsNeverOverwritten) {
    fs::create_directory(Path());  // exists, but cannot be read as a file
    TProfileFile ini(Path());
    EXPECT_FALSE(ini.WriteInteger("A", "x", 2));
    EXPECT_TRUE(fs::is_directory(Path()));
}

TEST_F(ProfileFileTest, FullDiskLosesNothing) {
    const std::string original = "[A]\nx=1\n" + std::string(200, ';') + "\n";
    WriteFile(Path(), original);
    TProfileFile ini(Path());
    // A file size limit makes the temporary file's write fail as a full disk would.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = ini.WriteInteger("A", "x", 2);
    const std::string error = ini.LastError();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(Path()), original);
    int files = 0;
    for (const auto& e : fs::directory_iterator(Temp.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);  // the partial temporary file is gone
    // Once there is room again, the next write stores everything.
    ASSERT_TRUE(ini.WriteInteger("A", "y", 3));
    const TProfileFile again(Path());
    EXPECT_EQ(again.ReadInteger("A", "x", 0), 2);
    EXPECT_EQ(again.ReadInteger("A", "y", 0), 3);
}
