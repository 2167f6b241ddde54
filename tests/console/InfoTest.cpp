#include <gmock/gmock.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "console/ConsoleTestSupport.h"
#include "console/xInfo.h"
#include "platform/SystemInfo.h"

TEST(Info, SplitsTheFileVersion) {
    const std::string na = TInfo::NotAvailable;
    const struct {
        const char* Version;
        std::string Major, Minor, Release, Build, Text;
    } cases[] = {
        {"1.0.0.1", "1", "0", "0", "1", "1.0.1"},
        {"1.5.0.102", "1", "5", "0", "102", "1.5.102"},
        {"1,5,0,102", "1", "5", "0", "102", "1.5.102"},  // commas: split at the commas
        {"1.5", "1", "", "", "5", "1..5"},
        {"1.5.3", "1", "5", "", "3", "1.5.3"},
        {"1.2.3.4.5", "1", "2", "3", "4.5", "1.2.4.5"},
        {"1,2.3", "1,2", "", "", "3", "1,2..3"},         // "." wins when both occur
        {"", na, na, na, na, na + "." + na + "." + na},
        {"100", na, na, na, na, na + "." + na + "." + na},
    };
    for (const auto& c : cases) {
        TInfo info(c.Version, "legal");
        EXPECT_EQ(info.FileVersion, c.Version);
        EXPECT_EQ(info.VersionMajor, c.Major) << c.Version;
        EXPECT_EQ(info.VersionMinor, c.Minor) << c.Version;
        EXPECT_EQ(info.VersionRelease, c.Release) << c.Version;
        EXPECT_EQ(info.VersionBuild, c.Build) << c.Version;
        EXPECT_EQ(info.VersionText(), c.Text) << c.Version;
    }
}

TEST(Info, WithoutVersionInformation) {
    const TInfo info(nullptr, nullptr);
    const std::string na = "<info not available>";
    EXPECT_EQ(info.FileVersion, na);
    EXPECT_EQ(info.LegalText, na);
    EXPECT_EQ(info.VersionText(), na + "." + na + "." + na);
}

TEST(Info, ProgramVersionAndFiles) {
    const TInfo info;
    EXPECT_EQ(info.FileVersion, "1.0.0.1");
    EXPECT_EQ(info.VersionText(), "1.0.1");
    EXPECT_THAT(info.LegalText, ::testing::HasSubstr("Copyright"));
    EXPECT_EQ(info.AppTitle, "test_console");
    ASSERT_FALSE(info.AppDir.empty());
    EXPECT_EQ(info.AppDir.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(info.AppDir + "test_console"));
    EXPECT_FALSE(info.SystemName.empty());
    EXPECT_NE(info.SystemName, "Unknown System");  // uname() works on this machine
}

TEST(Info, MemoryTextInMegabytesWithOneDecimal) {
    const std::uint64_t mb = 1048576;
    const struct {
        std::uint64_t Bytes;
        const char* Text;
    } cases[] = {
        {512 * mb, "512 MB"},
        {511 * mb + mb / 2, "511.5 MB"},
        {1000 * mb + mb / 20 - 1, "1000 MB"},  // 1000.04999... rounds down
        {1000 * mb + mb / 10, "1000.1 MB"},
        {16384 * mb, "16384 MB"},              // beyond 32 bits of bytes
        {0, "0 MB"},
    };
    for (const auto& c : cases) EXPECT_EQ(MemoryTextFromBytes(c.Bytes), c.Text) << c.Bytes;
    EXPECT_THAT(TInfo().MemoryText(), ::testing::MatchesRegex("[1-9][0-9]*(\\.[0-9])? MB"));
}

TEST(Info, SystemNameFromOsRelease) {
    EXPECT_EQ(SystemNameFromOsRelease("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                      "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n",
                                      "Linux"),
              "Debian GNU/Linux 12");
    EXPECT_EQ(SystemNameFromOsRelease("NAME=Arch\nBUILD_ID=rolling\n", "Linux"), "Arch");
    EXPECT_EQ(SystemNameFromOsRelease("NAME='Quoted \"one\"'\nVERSION_ID=\"1\\\"2\"\n", "Linux"),
              "Quoted \"one\" 1\"2");
    EXPECT_EQ(SystemNameFromOsRelease("", "Linux"), "Linux");
    EXPECT_EQ(SystemNameFromOsRelease("PRETTY_NAME=x\nMY_NAME=y\n", "Linux"), "Linux");
}

TEST(Info, WindowsNameTable) {
    using V = TWindowsVersion;
    const struct {
        V In;
        const char* Name;
        const char* Version;
    } cases[] = {
        {{V::PlatformWin32s, 3, 10, 0, ""}, "Windows 3.1", ""},
        {{V::PlatformWindows, 4, 0, 950, ""}, "Windows 95", "4.0.950"},
        {{V::PlatformWindows, 4, 0, 0x04000457, " B"}, "Windows 95 OSR2", "4.0.1111"},
        {{V::PlatformWindows, 4, 0, 1212, " C"}, "Windows 95 OSR2", "4.0.1212"},
        {{V::PlatformWindows, 4, 10, 1998, ""}, "Windows 98", "4.10.1998"},
        {{V::PlatformWindows, 4, 10, 2222, " A "}, "Windows 98 SE", "4.10.2222"},
        {{V::PlatformWindows, 4, 90, 3000, ""}, "Windows Me", "4.90.3000"},
        {{V::PlatformWindows, 4, 20, 5, ""}, "Win32 under Windows", "4.20.5"},
        {{V::PlatformWindows, 5, 0, 5, ""}, "Win32 under Windows", "5.0"},
        {{V::PlatformNT, 4, 0, 1381, "Service Pack 6"}, "Windows NT", "4.0.1381Service Pack 6"},
        {{V::PlatformNT, 3, 51, 1057, ""}, "Windows NT", "3.51.1057"},
        {{V::PlatformNT, 5, 0, 2195, "Service Pack 4"}, "Windows 2000", "5.0.2195Service Pack 4"},
        {{V::PlatformNT, 5, 1, 2600, "Service Pack 2"}, "Windows XP", "5.1.2600Service Pack 2"},
        {{V::PlatformNT, 5, 2, 3790, ""}, "Windows .NET Server", "5.2.3790"},
        {{V::PlatformNT, 5, 3, 1, ""}, "Windows XP/NET+", "5.3.1"},
        {{V::PlatformNT, 6, 1, 7601, "Service Pack 1"}, "Win32 under NT", "6.1.7601Service Pack 1"},
        {{V::PlatformNT, 5, 1, 2600, std::string(200, 's')}, "Windows XP", nullptr},
        {{7, 1, 2, 3, "x"}, "Unknown platform", "1.2"},
    };
    for (const auto& c : cases) {
        const TSystemText t = WindowsSystemText(c.In);
        EXPECT_EQ(t.Name, c.Name) << c.Name;
        if (c.Version) { EXPECT_EQ(t.Version, c.Version) << c.Name; }
    }
    // The service-pack text is taken up to 128 characters.
    EXPECT_EQ(WindowsSystemText({V::PlatformNT, 5, 1, 2600, std::string(200, 's')}).Version,
              "5.1.2600" + std::string(128, 's'));
}

TEST(Info, BlockIsTheFirstOutputAndRepeatsOnInfo) {
    const std::time_t before = std::time(nullptr);
    TConsoleScope scope;
    const std::time_t after = std::time(nullptr);
    const std::vector<std::string>& lines = scope.Sink.Lines;
    ASSERT_EQ(lines.size(), 9u);
    const TInfo& info = *Console->Info;
    EXPECT_EQ(lines[0], " " + std::string(40, '='));
    EXPECT_EQ(lines[1], "  Application : test_console");
    EXPECT_EQ(lines[2], "  Version     : 1.0.1");
    EXPECT_EQ(lines[3], "  System      : " + info.SystemName + " (" + info.SystemVersion + ")");
    EXPECT_THAT(lines[4], ::testing::MatchesRegex("  Memory      : [1-9][0-9]*(\\.[0-9])? MB"));
    EXPECT_THAT(lines[5], ::testing::AnyOf("  Date        : " + FormatLocalDateTime(before),
                                           "  Date        : " + FormatLocalDateTime(after)));
    EXPECT_EQ(lines[6], " " + std::string(40, '-'));
    EXPECT_EQ(lines[7], " " + info.LegalText);
    EXPECT_EQ(lines[8], " " + std::string(40, '-'));
    // Each label with its blanks and colon is 15 characters.
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(lines[i].find(": "), 14u) << lines[i];

    Console->ExecuteLine("INFO");
    ASSERT_EQ(lines.size(), 18u);
    for (std::size_t i = 0; i < 9; ++i)
        if (i != 5) { EXPECT_EQ(lines[9 + i], lines[i]); }
    EXPECT_THAT(lines[14], ::testing::StartsWith("  Date        : "));
}

TEST(Info, DateFollowsTheLocaleFormats) {
    // In the C locale "%x %X" is MM/DD/YY HH:MM:SS.
    EXPECT_THAT(FormatLocalDateTime(std::time(nullptr)),
                ::testing::MatchesRegex("[0-9][0-9]/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]"));
}
