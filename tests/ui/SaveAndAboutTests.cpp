// The Save command's dialog suggestion and report file, and the splash / About window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "UiSupport.h"
#include "kernel/xKernel.h"
#include "ui/uAbout.h"
#include "ui/uMain.h"

namespace {

int Gray(int x, int y) { return (x * 3 + y) % 200; }

// Answers the next file dialog: records what it proposes, then accepts `name` (relative to
// its folder) or cancels when name is empty.
void AnswerFileDialog(QString* proposedFolder, QString* proposedFile, const QString& name) {
    QTimer::singleShot(0, [=] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        *proposedFolder = QDir(d->directory()).absolutePath();
        *proposedFile = d->selectedFiles().isEmpty() ? QString() : QFileInfo(d->selectedFiles().first()).fileName();
        if (name.isEmpty()) {
            d->reject();
        } else {
            d->selectFile(QDir(d->directory()).filePath(name));
            QMetaObject::invokeMethod(d, "accept");
        }
    });
}

void PressKey(QWidget* w, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString());
    QApplication::sendEvent(w, &press);
}

}  // namespace

TEST(TSaveTest, FirstUseSuggestsThePicturesNameThenKeepsTheLastName) {
    TUiEnv env;
    const std::string folder = env.Temp.File("pics");
    std::filesystem::create_directories(folder);
    const std::string picture = folder + "/cells.pgm";
    WriteTestPicture(picture, 30, 20, Gray);
    auto main = env.CreateMain();
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(picture)));

    QString dir, file;
    AnswerFileDialog(&dir, &file, QString());  // cancelled: nothing written
    main->actSaveExecute();
    EXPECT_EQ(dir, QDir(QString::fromStdString(folder)).absolutePath());
    EXPECT_EQ(file, QStringLiteral("cells.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/cells.txt"));

    AnswerFileDialog(&dir, &file, QStringLiteral("first"));  // no extension: ".txt" added
    main->actSaveExecute();
    EXPECT_EQ(file, QStringLiteral("cells.txt")) << "a cancelled suggestion is kept";
    const std::string report = ReadFile(folder + "/first.txt");
    EXPECT_EQ(report.substr(0, 66), std::string(64, '-') + "\r\n");
    EXPECT_NE(report.find(" File Name     : cells.pgm\r\n"), std::string::npos);
    EXPECT_EQ(main->OutputMode, 0);

    // Another picture does not change the suggestion: the dialog holds the last name.
    const std::string other = env.Temp.File("other.pgm");
    WriteTestPicture(other, 30, 20, Gray);
    ASSERT_TRUE(main->OpenPicture(QString::fromStdString(other)));
    AnswerFileDialog(&dir, &file, QString());
    main->actSaveExecute();
    EXPECT_EQ(file, QStringLiteral("first.txt"));
    EXPECT_EQ(dir, QDir(QString::fromStdString(folder)).absolutePath());
    env.Finish(main);
}

TEST(TSaveTest, WithoutAPictureTheSuggestionIsUntitledInTheProgramFolder) {
    TUiEnv env;
    auto main = env.CreateMain();
    QString dir, file;
    AnswerFileDialog(&dir, &file, QString());
    main->actSaveExecute();
    EXPECT_EQ(dir, QDir(TfrmMain::AppDir()).absolutePath());
    EXPECT_EQ(main->ReportDialogName, QStringLiteral("Untitled"));
    EXPECT_EQ(file, QStringLiteral("Untitled.txt")) << "the dialog shows it with its default extension";
    env.Finish(main);
}

TEST(TAboutTest, VersionTextAndClosingOnlyWhenModal) {
    EXPECT_EQ(TfrmAbout::VersionText(QStringLiteral("1.5.0.102")), QStringLiteral("1.5.102"));
    TfrmAbout about;
    EXPECT_EQ(about.size(), QSize(368, 225));
    EXPECT_EQ(about.Timer->interval(), 1500);
    EXPECT_FALSE(about.Timer->isActive()) << "started only when the main window exists";
    about.show();
    QTest::mouseClick(about.Image1, Qt::LeftButton);
    PressKey(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible()) << "as the splash, a click or key does nothing";
    about.Timer->start(1);
    QTest::qWait(50);
    EXPECT_FALSE(about.isVisible()) << "the timer hides it";
    QTimer::singleShot(0, [&about] { PressKey(&about, Qt::Key_A); });
    EXPECT_EQ(about.ShowModal(), QDialog::Accepted) << "as the About box, any key closes it";
    QTimer::singleShot(0, [&about] { QTest::mouseClick(about.txtVersion, Qt::LeftButton); });
    EXPECT_EQ(about.ShowModal(), QDialog::Accepted);
}
