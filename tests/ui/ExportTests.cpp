// Export to a word-processor document from the main window: the action, the new file in
// the temporary folder, opening it, the state while and after it runs, failures.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QToolBar>
#include <filesystem>

#include "AnalysedMain.h"
#include "document/OdtReader.h"
#include "kernel/xKernel.h"
#include "settings/xScale.h"
#include "ui/uMain.h"

namespace {

QStringList Texts(const QList<QAction*>& actions) {
    QStringList t;
    for (QAction* a : actions) t << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return t;
}

}  // namespace

TEST(TExportTest, TheActionSitsInTheFileMenuAndToolbarAndIsEnabledLikeAnalyse) {
    TUiEnv env("[SCALE]\nLMX=2\nLMY=0\nRMX=12\nRMY=0\n");  // no mark placed yet
    const std::string picture = env.Temp.File("cells.pgm");
    WriteTestPicture(picture, 40, 30, [](int x, int y) { return (x * 7 + y) % 250; });
    auto main = env.CreateMain();
    QAction* a = main->actExportWord;
    EXPECT_EQ(a->text(), QStringLiteral("&Export to Word  "));
    EXPECT_EQ(a->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
    EXPECT_EQ(a->toolTip(), QStringLiteral(" Export results to MS Word "));
    EXPECT_FALSE(a->icon().isNull());
    EXPECT_EQ(Texts(main->mnuFile->actions()),
              QStringList({QStringLiteral("&Open ..."), QStringLiteral("&Save ..."), QStringLiteral("&Export to Word  "),
                           QStringLiteral("-"), QStringLiteral("&Preferences ..."), QStringLiteral("-"),
                           QStringLiteral("E&xit")}));
    const QList<QAction*> bar = main->ToolBar->actions();
    ASSERT_GE(bar.size(), 6);
    EXPECT_EQ(bar[0], main->actFileOpen);
    EXPECT_EQ(bar[1], main->actSave);
    EXPECT_EQ(bar[2], a);
    EXPECT_TRUE(bar[3]->isSeparator());
    EXPECT_EQ(bar[4], main->actAnalyse);

    EXPECT_FALSE(a->isEnabled()) << "no picture";
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(picture)));
    main->UpdateActions();
    EXPECT_FALSE(a->isEnabled()) << "no scale mark";
    EXPECT_EQ(a->isEnabled(), main->actAnalyse->isEnabled());
    main->Kernel->Scale->SetMark({2, 5}, {12, 5});
    main->UpdateActions();
    EXPECT_TRUE(a->isEnabled());
    EXPECT_EQ(a->isEnabled(), main->actAnalyse->isEnabled());
    env.Finish(main);
}

TEST(TExportTest, WritesANewDocumentNamedAfterThePictureAndOpensIt) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    main.ExportFolder = QString::fromStdString(w.Env.Temp.File("pics"));
    QApplication::clipboard()->setText(QStringLiteral("the user's own copy"));

    std::vector<QString> opened;
    bool busyWhileOpening = false, disabledWhileOpening = false;
    main.OpenDocument = [&](const QString& path) {
        opened.push_back(path);
        busyWhileOpening = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        disabledWhileOpening = !main.actExportWord->isEnabled();
        return true;
    };
    int notices = 0;
    main.ShowInformation = [&](const QString&) { ++notices; };
    main.actExportWord->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], main.ExportFolder + QStringLiteral("/cells.odt"));
    EXPECT_EQ(main.LastDocument, opened[0]);
    EXPECT_TRUE(busyWhileOpening);
    EXPECT_TRUE(disabledWhileOpening);
    EXPECT_EQ(notices, 0);
    // Afterwards: output mode 0, the normal cursor, the action enabled.
    EXPECT_EQ(main.OutputMode, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(main.actExportWord->isEnabled());
    // The pictures went straight into the document: the clipboard still holds the user's copy.
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("the user's own copy"));

    const TOdt odt = ReadOdt(opened[0].toStdString());
    ASSERT_TRUE(odt.Valid) << odt.Error.toStdString();
    EXPECT_EQ(odt.Paragraphs[0].Text(), QStringLiteral(" General "));
    EXPECT_EQ(odt.Paragraphs[2].Text(), QStringLiteral(" File Name     : cells.pgm"));
    EXPECT_EQ(odt.PictureCount(), 4);
    EXPECT_EQ(odt.PageBreaks(), 1);

    // Each export is a new document: the first one stays as it was.
    const std::string before = ReadFile(opened[0].toStdString());
    main.actExportWord->trigger();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], main.ExportFolder + QStringLiteral("/cells-2.odt"));
    EXPECT_EQ(ReadFile(opened[0].toStdString()), before);
}

TEST(TExportTest, SaysWhereTheDocumentIsWhenNothingCanOpenIt) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    main.ExportFolder = QString::fromStdString(w.Env.Temp.File("pics"));
    main.OpenDocument = [](const QString&) { return false; };
    QStringList notices;
    main.ShowInformation = [&](const QString& text) { notices << text; };
    main.actExportWord->trigger();
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(main.ExportFolder + QStringLiteral("/cells.odt"))) << notices[0].toStdString();
    EXPECT_TRUE(ReadOdt((main.ExportFolder + QStringLiteral("/cells.odt")).toStdString()).Valid);
    EXPECT_TRUE(main.actExportWord->isEnabled());
}

TEST(TExportTest, AFolderThatTakesNoFileIsAnErrorAndTheWindowRecovers) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    main.ExportFolder = QString::fromStdString(w.Env.Temp.File("no/such/folder"));
    int opened = 0;
    main.OpenDocument = [&](const QString&) { return ++opened, true; };
    QStringList errors;
    main.ShowError = [&](const QString& text) { errors << text; };
    main.actExportWord->trigger();
    EXPECT_EQ(opened, 0);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("no/such/folder/cells.odt"))) << errors[0].toStdString();
    EXPECT_EQ(main.OutputMode, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(main.actExportWord->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(w.Env.Temp.File("no")));
}
