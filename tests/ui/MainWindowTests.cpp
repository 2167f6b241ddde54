// The main window: first start, the INTERFACE section, enabling rules, opening pictures,
// the console key, pointer events reaching the kernel, and analysis.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "UiSupport.h"
#include "console/xConsole.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "platform/ProfileFile.h"
#include "ui/ImageView.h"
#include "ui/uMain.h"

namespace {

void Settle() {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
}

// Dark background with bright discs on a grid.
int Discs(int x, int y) {
    const int cx = (x / 20) * 20 + 10, cy = (y / 20) * 20 + 10;
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= 25 ? 200 : 30;
}

}  // namespace

TEST(TMainWindowTest, FirstStartWithoutSettings) {
    TUiEnv env;
    auto main = env.CreateMain();
    main->showMaximized();
    Settle();
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(main->ToolsShown);
    EXPECT_EQ(main->Panel2->width(), 177);
    EXPECT_EQ(main->btnSwitch->text(), QStringLiteral(">"));
    EXPECT_TRUE(main->ScrollMax->isVisible());
    EXPECT_EQ(main->Panel5->height(), 190);
    EXPECT_EQ(main->Panel6->width(), 201);
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Morvex"));
    EXPECT_FALSE(main->actAnalyse->isEnabled());
    EXPECT_TRUE(main->actSave->isEnabled());
    EXPECT_TRUE(main->actFileOpen->isEnabled());
    // Captions, shortcuts and hints of the actions.
    EXPECT_EQ(main->actFileOpen->text(), QStringLiteral("&Open ..."));
    EXPECT_EQ(main->actFileOpen->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(main->actSave->toolTip(), QStringLiteral(" Save image report "));
    EXPECT_EQ(main->actAnalyse->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_EQ(main->actParams->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(main->actConsole->shortcut(), QKeySequence(Qt::Key_F2));
    // The zone read-outs are filled once at start.
    EXPECT_EQ(main->txtX->text(), QStringLiteral("100"));
    EXPECT_FALSE(main->Kernel->ZoneChanged);
    env.Finish(main);
    // Every INTERFACE key is written at the end.
    TProfileFile ini(env.Ini);
    EXPECT_TRUE(ini.ReadBool("INTERFACE", "ToolsPanel", false));
    EXPECT_EQ(ini.ReadInteger("INTERFACE", "ReportPanel", 0), 190);
    EXPECT_EQ(ini.ReadInteger("INTERFACE", "TextPanel", 0), 201);
    // And the sections of the kernel, picture, scale and display parameters after it.
    EXPECT_EQ(ini.ReadInteger("KERNEL", "FBarrier", 0), 50);
    EXPECT_EQ(ini.ReadInteger("PICTURE", "Zoom", -1), 2);
    EXPECT_EQ(ini.ReadInteger("ZONE", "Left", -1), 100);
    EXPECT_EQ(ini.ReadInteger("SCALE", "RMX", -1), 100);
    EXPECT_EQ(ini.ReadInteger("COLORS", "CL_8", -1), 255);
    EXPECT_TRUE(ini.ReadBool("FLAGS", "F_7", false));
}

TEST(TMainWindowTest, InterfaceSettingsRoundTrip) {
    std::string saved;
    {
        TUiEnv env("[INTERFACE]\nToolsPanel=0\nReportPanel=-5\nTextPanel=150\n");
        auto main = env.CreateMain();
        main->showMaximized();
        Settle();
        EXPECT_FALSE(main->ToolsShown);
        EXPECT_EQ(main->Panel2->width(), 9);
        EXPECT_EQ(main->btnSwitch->text(), QStringLiteral("<"));
        EXPECT_FALSE(main->ScrollMax->isVisible());
        EXPECT_EQ(main->Panel5->height(), 1) << "values below 1 become 1";
        EXPECT_EQ(main->Panel6->width(), 150);
        // One click shows the panel again.
        QTest::mouseClick(main->btnSwitch, Qt::LeftButton);
        Settle();
        EXPECT_TRUE(main->ToolsShown);
        EXPECT_EQ(main->Panel2->width(), 177);
        EXPECT_EQ(main->btnSwitch->text(), QStringLiteral(">"));
        // Move both splitters and hide the panel again.
        main->SetReportPanelHeight(150);
        main->SetTextPanelWidth(180);
        main->btnSwitchClick();
        Settle();
        EXPECT_EQ(main->Panel5->height(), 150);
        EXPECT_EQ(main->Panel6->width(), 180);
        env.Finish(main);
        saved = ReadFile(env.Ini);
    }
    TUiEnv env(saved);
    auto main = env.CreateMain();
    main->showMaximized();
    Settle();
    EXPECT_FALSE(main->ToolsShown);
    EXPECT_EQ(main->Panel2->width(), 9);
    EXPECT_EQ(main->Panel5->height(), 150);
    EXPECT_EQ(main->Panel6->width(), 180);
    env.Finish(main);
}

TEST(TMainWindowTest, AnalyseNeedsAPictureAndAPlacedMark) {
    TUiEnv env("[PICTURE]\nZoom=3\nFilterMin=100\n");
    const std::string picture = env.Temp.File("discs.pgm");
    WriteTestPicture(picture, 200, 160, Discs);
    auto main = env.CreateMain();
    main->resize(900, 700);
    main->show();
    Settle();
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(picture)));
    Settle();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Morvex - discs.pgm"));
    EXPECT_FALSE(main->actAnalyse->isEnabled()) << "no scale mark yet";
    EXPECT_TRUE(main->actSave->isEnabled());

    // Ctrl-drag on the view places the mark; the window then enables Analyse.
    QWidget* view = main->ScrollBox->viewport();
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, QPoint(20, 180));
    QTest::mouseMove(view, QPoint(60, 182));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, QPoint(60, 182));
    Settle();
    EXPECT_TRUE(main->Kernel->Scale->IsPlaced());
    EXPECT_EQ(main->Kernel->Scale->MarkLength(), 41);
    main->UpdateActions();
    EXPECT_TRUE(main->actAnalyse->isEnabled());

    main->actAnalyse->trigger();
    Settle();
    EXPECT_EQ(main->Kernel->Dots.size(), 80u);  // 10 x 8 discs
    EXPECT_TRUE(main->Kernel->Analysed);
    EXPECT_TRUE(main->StatusPanels[1]->text().endsWith(QStringLiteral(" s")));
    EXPECT_TRUE(main->StatusPanels[0]->text().endsWith(QStringLiteral(" KB")));
    EXPECT_TRUE(main->actAnalyse->isEnabled());
    env.Finish(main);
}

TEST(TMainWindowTest, EdgeDragOnTheViewUpdatesTheZoneReadOuts) {
    TUiEnv env("[PICTURE]\nZoom=3\n");
    const std::string picture = env.Temp.File("discs.pgm");
    WriteTestPicture(picture, 200, 160, Discs);
    auto main = env.CreateMain();
    main->resize(900, 700);
    main->show();
    Settle();
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(picture)));
    Settle();
    main->Kernel->Analysed = true;
    // Left handle of the whole-picture zone: (8, (8 + 167) / 2) = (8, 87).
    QWidget* view = main->ScrollBox->viewport();
    QTest::mouseMove(view, QPoint(8, 87));
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(8, 87));
    ASSERT_EQ(main->Kernel->PointerMode, 1);
    QTest::mouseMove(view, QPoint(30, 87));
    EXPECT_EQ(main->txtX->text(), QStringLiteral("22"));
    EXPECT_EQ(main->txtW->text(), QStringLiteral("177"));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(30, 87));
    Settle();
    EXPECT_EQ(main->Kernel->Picture->Left, 22);
    EXPECT_FALSE(main->Kernel->Analysed);
    EXPECT_FALSE(main->Kernel->ZoneChanged) << "the read-outs took the change";
    env.Finish(main);
}

TEST(TMainWindowTest, UnreadablePictureShowsTheReadersErrorAndKeepsTheCaption) {
    TUiEnv env;
    const std::string bad = env.Temp.File("broken.png");
    WriteFile(bad, "not a picture at all");
    auto main = env.CreateMain();
    QString shown;
    main->ShowError = [&](const QString& text) { shown = text; };
    EXPECT_FALSE(main->OpenPicture(QString::fromStdString(bad)));
    EXPECT_TRUE(shown.contains(QStringLiteral("broken.png"))) << shown.toStdString();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Morvex"));
    EXPECT_FALSE(main->Kernel->Picture->HasImage());
    env.Finish(main);
}

TEST(TMainWindowTest, DroppingAPictureFileOpensIt) {
    TUiEnv env;
    const std::string picture = env.Temp.File("dropped.pgm");
    WriteTestPicture(picture, 64, 48, Discs);
    auto main = env.CreateMain();
    main->show();
    Settle();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(picture))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main.get(), &drop);
    EXPECT_TRUE(main->Kernel->Picture->HasImage());
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Morvex - dropped.pgm"));
    env.Finish(main);
}

TEST(TMainWindowTest, F2ShowsAndHidesTheConsole) {
    TUiEnv env;
    auto main = env.CreateMain();
    main->show();
    QApplication::setActiveWindow(main.get());
    Settle();
    ASSERT_FALSE(env.ConsoleWindow->isVisible());
    QTest::keyClick(main.get(), Qt::Key_F2);
    Settle();
    EXPECT_TRUE(env.ConsoleWindow->isVisible());
    QApplication::setActiveWindow(main.get());
    QTest::keyClick(main.get(), Qt::Key_F2);
    Settle();
    EXPECT_FALSE(env.ConsoleWindow->isVisible());
    env.Finish(main);
}

TEST(TMainWindowTest, ZoomChoiceRescalesAndTheViewFollows) {
    TUiEnv env("[PICTURE]\nZoom=3\n");
    const std::string picture = env.Temp.File("discs.pgm");
    WriteTestPicture(picture, 300, 200, Discs);
    auto main = env.CreateMain();
    main->resize(700, 600);
    main->show();
    Settle();
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(picture)));
    Settle();
    main->cmbZoomChange(5);
    Settle();
    EXPECT_EQ(main->Kernel->Picture->Zoom, 5);
    EXPECT_EQ(main->Kernel->Picture->Display()->Width, 600);
    EXPECT_EQ(main->ScrollBox->ViewSize().width(), 8 + 600 + 3);
    env.Finish(main);
}

TEST(TMainWindowTest, ConsoleRefreshCommandPaintsTheView) {
    TUiEnv env("[PICTURE]\nZoom=3\n");
    const std::string picture = env.Temp.File("discs.pgm");
    WriteTestPicture(picture, 100, 80, Discs);
    auto main = env.CreateMain();
    main->resize(700, 600);
    main->show();
    Settle();
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(picture)));
    Settle();
    main->ScrollBox->Surface().Clear();
    EXPECT_EQ(Console->ExecuteLine("picture>refresh"), 0);
    // The picture's pixel (10, 10), a disc centre, is at view (18, 18) again.
    EXPECT_EQ(main->ScrollBox->Surface().Image().pixel(18, 18), qRgb(200, 200, 200));
    env.Finish(main);
}
