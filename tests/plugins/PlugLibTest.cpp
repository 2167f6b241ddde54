// Discovery and loading of plug-in files.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "PluginFolder.h"
#include "plugins/host/xPlugLib.h"

namespace fs = std::filesystem;

namespace {

class PlugLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        FixtureEvents().clear();
        Scope.Sink.Lines.clear();
    }
    TConsoleScope Scope;
    TTempDir Dir;
};

TEST_F(PlugLibTest, AnEmptyOrMissingFolderGivesNoPlugin) {
    for (const fs::path& folder : {Dir.Path(), Dir.Path() / "missing"}) {
        Scope.Sink.Lines.clear();
        TPlugLib lib(FolderText(folder), "*.mvx");
        EXPECT_EQ(lib.Count(), 0);
        EXPECT_EQ(InfoLines(Scope.Sink),
                  (std::vector<std::string>{"creating PlugLib", "0 plugin(s) found"}));
        EXPECT_TRUE(ErrorLines(Scope.Sink).empty());
    }
}

TEST_F(PlugLibTest, FilesThatOfferNoPluginAreSkippedSilentlyAndUnloadedAtOnce) {
    InstallFixture(Dir.Path(), "a_null.mvx", "null");
    InstallFixture(Dir.Path(), "b_noexport.mvx", "noexport");
    WriteFile(Dir.File("c_junk.mvx"), "not a library");
    fs::create_directory(Dir.Path() / "d_folder.mvx");
    InstallFixture(Dir.Path(), "e.mvx", "named");
    InstallFixture(Dir.Path(), "f.so", "named");  // does not match the mask

    TPlugLib lib(FolderText(Dir.Path()), "*.mvx", FixtureAppHandle());
    ASSERT_EQ(lib.Count(), 1);
    EXPECT_EQ(lib.Name(0), "e");
    EXPECT_EQ(InfoLines(Scope.Sink), (std::vector<std::string>{"creating PlugLib",
                                                               "plugin \"e\" loaded",
                                                               "1 plugin(s) found"}));
    EXPECT_TRUE(ErrorLines(Scope.Sink).empty());
    // The empty factory's file went before the next file was tried.
    EXPECT_EQ(FixtureEventNames(),
              (std::vector<std::string>{"factory a_null", "unload a_null", "factory e", "create e"}));
    EXPECT_EQ(dlopen(Dir.File("b_noexport.mvx").c_str(), RTLD_LAZY | RTLD_NOLOAD), nullptr);
}

TEST_F(PlugLibTest, AFoldersFilesLoadBeforeItsSubFoldersDepthFirst) {
    InstallFixture(Dir.Path(), "c.mvx", "named");
    InstallFixture(Dir.Path(), "b.mvx", "named");
    InstallFixture(Dir.Path(), ".hid.mvx", "named");  // a hidden file is tried like any file
    InstallFixture(Dir.Path(), "0sub/z.mvx", "named");
    InstallFixture(Dir.Path(), "0sub/deep/d.mvx", "named");
    InstallFixture(Dir.Path(), "1sub/e.mvx", "named");
    InstallFixture(Dir.Path(), ".hidden/h.mvx", "named");  // hidden folders are not entered
    fs::create_directory_symlink(Dir.Path() / "0sub", Dir.Path() / "link");  // nor links

    TPlugLib lib(FolderText(Dir.Path()), "*.mvx");
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < lib.Count(); ++i) names.push_back(lib.Name(i));
    EXPECT_EQ(names, (std::vector<std::string>{".hid", "b", "c", "z", "d", "e"}));
    const auto info = InfoLines(Scope.Sink);
    ASSERT_EQ(info.size(), 8u);
    EXPECT_EQ(info[4], "plugin \"z\" loaded");
    EXPECT_EQ(info[7], "6 plugin(s) found");
}

TEST_F(PlugLibTest, PluginsAreReleasedBeforeTheirFilesAreUnloadedInLoadOrder) {
    InstallFixture(Dir.Path(), "b.mvx", "named");
    InstallFixture(Dir.Path(), "c.mvx", "named");
    {
        TPlugLib lib(FolderText(Dir.Path()), "*.mvx", FixtureAppHandle());
        EXPECT_EQ(lib.Count(), 2);
    }
    EXPECT_EQ(FixtureEventNames(),
              (std::vector<std::string>{"factory b", "create b", "factory c", "create c",
                                        "destroy b", "unload b", "destroy c", "unload c"}));
}

TEST_F(PlugLibTest, TwoPluginsOfTheSameNameBothLoad) {
    InstallFixture(Dir.Path(), "p1.mvx", "positive");
    InstallFixture(Dir.Path(), "p2.mvx", "positive");
    TPlugLib lib(FolderText(Dir.Path()), "*.mvx");
    ASSERT_EQ(lib.Count(), 2);
    EXPECT_EQ(lib.Name(0), "Positive");
    EXPECT_EQ(lib.Name(1), "Positive");
    EXPECT_EQ(InfoLines(Scope.Sink)[1], "plugin \"Positive\" loaded");
    EXPECT_EQ(InfoLines(Scope.Sink)[2], "plugin \"Positive\" loaded");

    IPlugin* first = nullptr;
    IPlugin* second = nullptr;
    lib.GetPlugin(0, &first);
    lib.GetPlugin(1, &second);
    EXPECT_NE(first, second);
    // GetPlugin hands out a counted reference beside the library's own.
    EXPECT_EQ(first->AddRef(), 3u);
    EXPECT_EQ(first->Release(), 2u);
    EXPECT_EQ(first->Release(), 1u);
    second->Release();
}

using PlugLibDeathTest = PlugLibTest;

TEST_F(PlugLibDeathTest, GetPluginOutsideTheListFailsTheFatalCheck) {
    InstallFixture(Dir.Path(), "b.mvx", "named");
    for (const std::int32_t index : {-1, 1}) {
        EXPECT_EXIT(
            {
                TPlugLib lib(FolderText(Dir.Path()), "*.mvx");
                IPlugin* plugin = nullptr;
                lib.GetPlugin(index, &plugin);
            },
            ::testing::ExitedWithCode(1), "");
    }
}

}  // namespace
