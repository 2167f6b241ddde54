// The console window: prompt protection, completion as you type, Enter, copying, saving,
// showing on errors, and the locked modal report of a failed fatal check.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <cstdlib>

#include "UiSupport.h"
#include "console/xConsole.h"

namespace {

class TConsoleWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Window().ShowWindow();
        Window().Edit->setFocus();
        QApplication::processEvents();
    }
    TfrmConsole& Window() { return *Env.ConsoleWindow; }
    QString Line() { return Window().Edit->text(); }
    int Caret() { return Window().Edit->cursorPosition(); }
    void Key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(Window().Edit, k, m); }
    int OutputLines() { return Window().RichEdit->document()->blockCount(); }

    TUiEnv Env;
};

}  // namespace

TEST_F(TConsoleWindowTest, FormSettings) {
    EXPECT_EQ(Window().windowTitle(), QStringLiteral(" Console"));
    EXPECT_EQ(Window().size(), QSize(510, 314));
    EXPECT_TRUE(Window().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(Window().windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(Window().RichEdit->isReadOnly());
    EXPECT_EQ(Window().actCopy->toolTip(), QStringLiteral(" Copy Report to Clipboard "));
    EXPECT_EQ(Window().actSave->toolTip(), QStringLiteral(" Save Report to File "));
    EXPECT_EQ(Window().actClose->toolTip(), QStringLiteral(" Close Console "));
    EXPECT_EQ(Line(), QStringLiteral(">"));
    // The information block is the first text of the log.
    EXPECT_TRUE(Window().RichEdit->toPlainText().startsWith(QStringLiteral(" ====")));
}

TEST_F(TConsoleWindowTest, EnterOnTheBarePromptRunsNothing) {
    const int lines = OutputLines();
    Key(Qt::Key_Return);
    EXPECT_EQ(OutputLines(), lines);
    EXPECT_EQ(Line(), QStringLiteral(">"));
}

TEST_F(TConsoleWindowTest, PromptIsProtectedAndCompletionRunsAsYouType) {
    QTest::keyClicks(Window().Edit, QStringLiteral("co"));
    EXPECT_EQ(Line(), QStringLiteral(">console")) << "a root name is completed without a trailing '>'";
    Key(Qt::Key_Return);
    EXPECT_EQ(Line(), QStringLiteral(">console>"));
    EXPECT_EQ(Caret(), 9);
    EXPECT_EQ(Console->PromptLength, 9);

    // Home jumps to the prompt's end; Left and Backspace cannot enter it.
    Window().Edit->setCursorPosition(3);
    Key(Qt::Key_Home);
    EXPECT_EQ(Caret(), 9);
    Key(Qt::Key_Left);
    EXPECT_EQ(Caret(), 9);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Line(), QStringLiteral(">console>"));

    // One letter completes at once; Backspace deletes without completing again.
    QTest::keyClicks(Window().Edit, QStringLiteral("e"));
    EXPECT_EQ(Line(), QStringLiteral(">console>echo "));
    EXPECT_EQ(Caret(), 14);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Line(), QStringLiteral(">console>ech"));
    Key(Qt::Key_Left);
    EXPECT_EQ(Caret(), 11) << "Left moves freely after the prompt";

    // Enter hands the whole line to the console and restores the root's prompt.
    Window().Edit->setText(QStringLiteral(">console>echo off"));
    Key(Qt::Key_Return);
    EXPECT_FALSE(Console->Echo);
    EXPECT_TRUE(Window().RichEdit->toPlainText().endsWith(QStringLiteral("echo = OFF (FALSE)")));
    EXPECT_EQ(Line(), QStringLiteral(">console>"));
}

TEST_F(TConsoleWindowTest, CopyTakesTheWholeLogWhereverCtrlCIsPressed) {
    Console->WriteLine("first line");
    Console->WriteLine("second line");
    Window().Edit->setText(QStringLiteral(">abcdef"));
    Window().Edit->setSelection(1, 3);
    QApplication::clipboard()->clear();
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), Window().RichEdit->toPlainText());
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("second line")));
    EXPECT_TRUE(Window().Edit->hasSelectedText()) << "the line's own selection stays";

    QApplication::clipboard()->clear();
    Window().RichEdit->selectAll();
    QTextCursor c = Window().RichEdit->textCursor();
    c.setPosition(2);
    c.setPosition(5, QTextCursor::KeepAnchor);
    Window().RichEdit->setTextCursor(c);
    QTest::keyClick(Window().RichEdit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), Window().RichEdit->toPlainText());
}

TEST_F(TConsoleWindowTest, SaveProposesReportTxtInTheProgramFolderAndWritesCrLf) {
    std::unique_ptr<QFileDialog> d(Window().CreateSaveDialog());
    EXPECT_EQ(QDir(d->directory()).absolutePath(), QDir(Window().ProgramFolder).absolutePath());
    ASSERT_FALSE(d->selectedFiles().isEmpty());
    EXPECT_TRUE(d->selectedFiles().first().endsWith(QStringLiteral("/Report.txt")));
    EXPECT_EQ(d->defaultSuffix(), QStringLiteral("txt"));

    Window().ClearOutput();
    Console->WriteLine("alpha");
    Console->Error("beta");
    const std::string path = Env.Temp.File("saved.txt");
    ASSERT_TRUE(Window().SaveOutput(QString::fromStdString(path)));
    EXPECT_EQ(ReadFile(path), " alpha\r\n ERROR: beta\r\n");

    QString error;
    EXPECT_FALSE(Window().SaveOutput(QString::fromStdString(Env.Temp.File("no/such/folder/x.txt")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(TConsoleWindowTest, ClosingKeepsTheLogAndThePromptAndAnErrorBringsTheWindowBack) {
    QTest::keyClicks(Window().Edit, QStringLiteral("co"));
    Key(Qt::Key_Return);
    const QString log = Window().RichEdit->toPlainText();
    Window().actCloseExecute();
    EXPECT_FALSE(Window().isVisible());
    Window().ShowWindow();
    EXPECT_EQ(Window().RichEdit->toPlainText(), log);
    EXPECT_EQ(Line(), QStringLiteral(">console>"));

    Window().HideWindow();
    Console->Warning("careful");
    EXPECT_FALSE(Window().isVisible()) << "a warning does not show the window";
    Console->Error("bad thing");
    EXPECT_TRUE(Window().isVisible());
    // Only the prefix is coloured: maroon " ERROR: ", black text.
    const QTextBlock last = Window().RichEdit->document()->lastBlock();
    EXPECT_EQ(last.text(), QStringLiteral(" ERROR: bad thing"));
    QTextCursor c(last);
    c.setPosition(last.position() + 3);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(128, 0, 0));
    c.setPosition(last.position() + 12);
    EXPECT_NE(c.charFormat().foreground().color(), QColor(128, 0, 0));
}

TEST(TConsoleWindowDeathTest, FailedFatalCheckShowsTheLockedLogModallyThenEndsWithCode1) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TUiEnv env;
            TfrmConsole* w = env.ConsoleWindow.get();
            // Once the report is up (logging lets events run before that), check and close it.
            auto* poll = new QTimer;
            int tries = 0;
            QObject::connect(poll, &QTimer::timeout, [w, &tries] {
                if (++tries > 500) std::_Exit(5);
                if (!w->isVisible() || !QApplication::activeModalWidget()) return;
                const bool locked = w->isModal() && !w->Edit->isEnabled() && !w->RichEdit->isEnabled() &&
                                    !w->Panel->isVisible() && w->ActionToolBar->isEnabled() &&
                                    w->RichEdit->toPlainText().endsWith(
                                        QStringLiteral(" FATAL: [{F454360E-1168-4708-886E-503A34FB16DB}] "));
                if (!locked) std::_Exit(3);
                w->actCloseExecute();
            });
            poll->start(10);
            FatalCheck(false, "{F454360E-1168-4708-886E-503A34FB16DB}", "");
            std::_Exit(4);  // not reached: the check ends the process
        },
        ::testing::ExitedWithCode(1), "");
}
