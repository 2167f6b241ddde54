// The Tools menu's plug-in entries: none without plug-ins; the Stats plug-in listed after
// "&Analyse" and a separator, enabled by an analysis, running on the results; a failed run
// logged.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>
#include <filesystem>

#include "AnalysedMain.h"
#include "console/uConsole.h"
#include "console/xConsole.h"
#include "console/xInfo.h"
#include "kernel/xKernel.h"
#include "plugins/host/xPlugLib.h"
#include "ui/uMain.h"

namespace {

QStringList Texts(const QList<QAction*>& actions) {
    QStringList t;
    for (QAction* a : actions) t << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return t;
}

#ifdef MORVEX_STATS_PLUGIN
// The program's folder moved to the test's folder, with the Stats plug-in in its Plugins/.
void InstallStats(TUiEnv& env) {
    std::filesystem::create_directories(env.Temp.File("Plugins"));
    std::filesystem::copy_file(MORVEX_STATS_PLUGIN, env.Temp.File("Plugins/Stats.mvx"));
    Console->Info->AppDir = env.Temp.Path().string() + "/";
}
#endif

}  // namespace

TEST(TPluginMenuTest, WithoutPluginsToolsHoldsOnlyAnalyse) {
    TUiEnv env;
    Console->Info->AppDir = env.Temp.Path().string() + "/";  // an empty program folder
    auto main = env.CreateMain();
    EXPECT_EQ(main->Kernel->PlugLib->Count(), 0);
    EXPECT_EQ(Texts(main->mnuTools->actions()), QStringList({QStringLiteral("&Analyse")}));
    EXPECT_TRUE(main->PluginActions.empty());
    env.Finish(main);
}

#ifdef MORVEX_STATS_PLUGIN
TEST(TPluginMenuTest, StatsIsListedAfterAnalyseEnabledByAnAnalysisAndShowsAndSavesTheFeatures) {
    // Before the analysis the entry is there but disabled.
    {
        TUiEnv env;
        InstallStats(env);
        auto main = env.CreateMain();
        EXPECT_EQ(Texts(main->mnuTools->actions()),
                  QStringList({QStringLiteral("&Analyse"), QStringLiteral("-"), QStringLiteral("Statistics")}));
        ASSERT_EQ(main->PluginActions.size(), 1u);
        EXPECT_FALSE(main->PluginActions[0]->isEnabled());
        EXPECT_EQ(main->PluginActions[0]->data().toInt(), 0);
        env.Finish(main);
    }

    TAnalysedMain w(InstallStats);
    TfrmMain& main = *w.Main;
    ASSERT_TRUE(main.Kernel->Analysed);
    main.UpdateActions();
    ASSERT_EQ(main.PluginActions.size(), 1u);
    QAction* stats = main.PluginActions[0];
    EXPECT_TRUE(stats->isEnabled());
    int passing = 0;
    for (const TDot& f : main.Kernel->Dots) passing += main.Kernel->DotPasses(f);
    ASSERT_GT(passing, 5);

    const std::string data = w.Env.Temp.File("features.txt");
    QString title;
    int rows = -1;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!window) return;
        title = window->windowTitle();
        if (auto* grid = window->findChild<QTableView*>()) rows = grid->model()->rowCount();
        auto* save = window->findChild<QAction*>(QStringLiteral("actSave"));
        if (save) {
            AnswerNextFileDialog(nullptr, QString::fromStdString(data));
            save->trigger();
        }
        window->reject();
    });
    stats->trigger();
    EXPECT_EQ(title, QStringLiteral(" Data and Statistics"));
    EXPECT_EQ(rows, passing);
    const std::string saved = ReadFile(data);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), passing) << "one line per passing feature";
    EXPECT_EQ(w.Env.ConsoleWindow->RichEdit->toPlainText().count(QStringLiteral("Failed to execute plugin")), 0);
}

TEST(TPluginMenuTest, ARunWithoutValidResultsIsLoggedAsAFailure) {
    TUiEnv env;
    InstallStats(env);
    auto main = env.CreateMain();
    ASSERT_EQ(main->PluginActions.size(), 1u);
    ASSERT_FALSE(main->Kernel->Analysed);
    bool windowShown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            windowShown = true;
            w->close();
        }
    });
    main->PluginExecute(main->PluginActions[0]);  // as if the update cycle had not yet run
    SettleEvents();
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(env.ConsoleWindow->RichEdit->toPlainText().contains(
        QStringLiteral(" ERROR: Failed to execute plugin \"Statistics\"")))
        << env.ConsoleWindow->RichEdit->toPlainText().toStdString();
    env.Finish(main);
}
#endif

// A sender that is not an action stops at the fatal check (exit code 1, identifier logged).
TEST(TPluginMenuDeathTest, ASenderThatIsNoActionFailsTheFatalCheck) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TUiEnv env;
            auto main = env.CreateMain();
            TfrmConsole* console = env.ConsoleWindow.get();
            auto* poll = new QTimer;
            int tries = 0;
            QObject::connect(poll, &QTimer::timeout, [console, &tries] {
                if (++tries > 500) std::_Exit(5);
                if (!console->isVisible()) return;
                if (!console->RichEdit->toPlainText().endsWith(
                        QStringLiteral(" FATAL: [{76AAF381-E858-11D7-8030-000102960A47}] ")))
                    std::_Exit(3);
                console->actCloseExecute();
            });
            poll->start(10);
            QObject notAnAction;
            main->PluginExecute(&notAnAction);
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(1), "");
}
