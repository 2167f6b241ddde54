// Running plug-ins on the results: status, error line, data handed over, references.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "PluginFolder.h"
#include "kernel/xDot.h"
#include "plugins/host/xPlugData.h"
#include "plugins/host/xPlugExec.h"
#include "plugins/host/xPlugLib.h"
#include "settings/xScale.h"

namespace fs = std::filesystem;

namespace {

TDot DotAt(double x) {
    TDot d;
    d.X = x;
    d.Y = 1;
    d.Radius = 2;
    d.FillRadius = 1.5;
    d.Filling = 0.5;
    d.Distance = 3;
    return d;
}

class PlugExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        FixtureEvents().clear();
        Scale.Factor = 0.5;
        Plug = CreatePlugData(Scale);
    }
    void TearDown() override { EXPECT_EQ(Plug->Release(), 0u); }

    // Runs plug-in 0 of lib on dots (all passing) the way the kernel and the main window do.
    std::int32_t Run(TPlugLib& lib, const std::vector<TDot>& dots, bool analysed = true,
                     TZoneRect zone = {0, 0, 9, 19}) {
        const std::int32_t status = ExecutePluginOn(lib, *Plug, 0, analysed, zone, dots,
                                                    [](const TDot& d) { return d.X != 2; });
        ReportPluginStatus(lib, 0, status);
        return status;
    }
    std::uint32_t PlugRefs() {
        Plug->AddRef();
        return Plug->Release();
    }

    TConsoleScope Scope;
    TScale Scale;
    IPlugData* Plug = nullptr;
    TTempDir Dir;
};

TEST_F(PlugExecTest, ANegativeStatusOrAnEscapingErrorIsLoggedOtherwiseNothing) {
    struct TCase {
        const char* Fixture;
        std::int32_t Status;
        const char* Error;  // null: no error line
    };
    const TCase cases[] = {
        {"negative", -5, "Failed to execute plugin \"Negative\""},
        {"thrower", MVX_E_FAIL, "Failed to execute plugin \"Thrower\""},
        {"positive", 1, nullptr},
        {"Example", 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Fixture);
        const fs::path folder = Dir.Path() / c.Fixture;
        InstallFixture(folder, std::string(c.Fixture) + ".mvx", c.Fixture);
        TPlugLib lib(FolderText(folder), "*.mvx", FixtureAppHandle());
        ASSERT_EQ(lib.Count(), 1);
        Scope.Sink.Lines.clear();
        EXPECT_EQ(Run(lib, {DotAt(1)}), c.Status);
        const auto errors = ErrorLines(Scope.Sink);
        if (c.Error) {
            EXPECT_EQ(errors, std::vector<std::string>{c.Error});
        } else {
            EXPECT_TRUE(errors.empty());
        }
        // Both lent references are back, also after an error escaped the plug-in.
        EXPECT_EQ(PlugRefs(), 1u);
        IPlugin* plugin = nullptr;
        lib.GetPlugin(0, &plugin);
        EXPECT_EQ(plugin->Release(), 1u);
    }
}

TEST_F(PlugExecTest, WithoutResultsThePluginIsNotRunAndTheDataStays) {
    InstallFixture(Dir.Path(), "positive.mvx", "positive");
    TPlugLib lib(FolderText(Dir.Path()), "*.mvx", FixtureAppHandle());
    Plug->AddDot(DotAt(8));
    EXPECT_EQ(Run(lib, {DotAt(1), DotAt(3)}, false), MVX_E_FAIL);
    EXPECT_EQ(ErrorLines(Scope.Sink), std::vector<std::string>{"Failed to execute plugin \"Positive\""});
    EXPECT_EQ(FixtureEventNames(), (std::vector<std::string>{"factory Positive", "create Positive"}));
    void* data = nullptr;
    Plug->QueryInterface(IID_IData, &data);
    EXPECT_EQ(static_cast<IData*>(data)->GetCount(), 1);
    static_cast<IData*>(data)->Release();
}

TEST_F(PlugExecTest, AKeptDataReferenceShowsTheLatestRunAndIsDroppedBeforeUnloading) {
    InstallFixture(Dir.Path(), "keeper.mvx", "keeper");
    {
        TPlugLib lib(FolderText(Dir.Path()), "*.mvx", FixtureAppHandle());
        // Dot X = 2 does not pass; the others go over in list order.
        EXPECT_EQ(Run(lib, {DotAt(6), DotAt(2), DotAt(4)}), 0);
        EXPECT_EQ(PlugRefs(), 2u);  // ours and the plug-in's
        EXPECT_EQ(Run(lib, {DotAt(2)}, true, {0, 0, 99, 0}), 0);
        EXPECT_EQ(Run(lib, {DotAt(10)}), 0);
        EXPECT_EQ(PlugRefs(), 2u);
    }
    EXPECT_EQ(PlugRefs(), 1u);
    const std::vector<std::pair<std::string, double>> expected = {
        {"factory Keeper", 0},      {"create Keeper", 0},
        {"execute Keeper", 2},      {"kept count Keeper", 2},
        {"kept x0 Keeper", 3},      {"kept zone width Keeper", 5},
        {"execute Keeper", 0},      {"kept count Keeper", 0},
        {"kept zone width Keeper", 50},  // no feature passed, the zone is still set
        {"execute Keeper", 1},      {"kept count Keeper", 1},
        {"kept x0 Keeper", 5},      {"kept zone width Keeper", 5},
        {"released data Keeper", 0}, {"destroy Keeper", 0},
        {"unload Keeper", 0}};
    EXPECT_EQ(FixtureEvents(), expected);
}

TEST_F(PlugExecTest, TheStatsFileLoadsWithoutAWindowSystemAndFailsToRunThere) {
#ifdef MORVEX_STATS_PLUGIN
    fs::copy_file(MORVEX_STATS_PLUGIN, Dir.Path() / "Stats.mvx");
    Scope.Sink.Lines.clear();
    {
        TPlugLib lib(FolderText(Dir.Path()), "*.mvx");
        ASSERT_EQ(lib.Count(), 1);
        EXPECT_EQ(lib.Name(0), "Statistics");
        EXPECT_EQ(InfoLines(Scope.Sink).at(1), "plugin \"Statistics\" loaded");
        EXPECT_EQ(Run(lib, {DotAt(1)}), MVX_E_FAIL);
        EXPECT_EQ(ErrorLines(Scope.Sink),
                  std::vector<std::string>{"Failed to execute plugin \"Statistics\""});
    }
    EXPECT_EQ(PlugRefs(), 1u);
#else
    GTEST_SKIP() << "Stats.mvx is not built (no Qt)";
#endif
}

using PlugExecDeathTest = PlugExecTest;

TEST_F(PlugExecDeathTest, AnIndexOutsideTheLibraryFailsTheFatalCheck) {
    InstallFixture(Dir.Path(), "positive.mvx", "positive");
    TPlugLib lib(FolderText(Dir.Path()), "*.mvx");
    const std::vector<TDot> dots;
    for (const std::int32_t index : {-1, 1}) {
        EXPECT_EXIT(ExecutePluginOn(lib, *Plug, index, true, {}, dots,
                                    [](const TDot&) { return true; }),
                    ::testing::ExitedWithCode(1), "");
    }
}

}  // namespace
