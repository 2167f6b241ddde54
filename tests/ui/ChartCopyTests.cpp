// The chart pages' context menu: Copy As bitmap or vector picture, Save to File in four
// formats; the active page decides the chart.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QSvgRenderer>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>

#include "AnalysedMain.h"
#include "console/uConsole.h"
#include "ui/ChartPicture.h"
#include "ui/ChartSeries.h"
#include "ui/uMain.h"

namespace {

QStringList Texts(const QList<QAction*>& actions) {
    QStringList t;
    for (QAction* a : actions) t << a->text();
    return t;
}

}  // namespace

TEST(TChartCopyTest, TheMenuOffersCopyAsBitmapOrVectorAndSaveToFile) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    EXPECT_EQ(Texts(main.PopupMenu->actions()), QStringList({QStringLiteral("Copy As"), QStringLiteral("&Save to File ...")}));
    EXPECT_EQ(Texts(main.CopyAs1->actions()),
              QStringList({QStringLiteral("&Bitmap (bmp)"), QStringLiteral("&Vector (svg)")}));
    EXPECT_EQ(main.Bitmap1->data().toInt(), 1);
    EXPECT_EQ(main.Vector1->data().toInt(), 2);
    EXPECT_EQ(main.PageControl1->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(main.Series2->View()->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST(TChartCopyTest, CopyAsBitmapTakesTheActivePagesChartOnWhite) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    ASSERT_FALSE(main.Series3->Points().empty());
    main.PageControl1->setCurrentIndex(2);  // " Area "
    SettleEvents();
    main.Bitmap1->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasImage());
    const QImage copied = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(copied.size(), main.Series3->View()->size());
    EXPECT_EQ(copied.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), ChartBitmap(*main.Series3->View()));
    EXPECT_NE(copied.convertToFormat(QImage::Format_RGB32), ChartBitmap(*main.Series1->View()))
        << "the area chart, not the radius chart";

    // A sender that is no menu item, or an item without tag, copies nothing.
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    main.actCopyImageExecute(nullptr);
    QAction untagged(QStringLiteral("x"));
    main.actCopyImageExecute(&untagged);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST(TChartCopyTest, CopyAsVectorGivesSvgWithAPngOfTheSameChart) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    main.PageControl1->setCurrentIndex(1);
    SettleEvents();
    main.Vector1->trigger();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("image/svg+xml")));
    EXPECT_TRUE(data->hasFormat(QStringLiteral("image/png")));
    QSvgRenderer svg(data->data(QStringLiteral("image/svg+xml")));
    EXPECT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox().size(), main.Series2->View()->size());
    const QImage png = QImage::fromData(data->data(QStringLiteral("image/png")), "PNG");
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), ChartBitmap(*main.Series2->View()));
    EXPECT_TRUE(data->hasImage());
}

TEST(TChartCopyTest, SaveToFileWritesTheFormatOfTheChosenFilterAndReplacesAFile) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    const QString pics = QDir(QString::fromStdString(w.Env.Temp.File("pics"))).absolutePath();
    QStringList errors;
    main.ShowError = [&](const QString& text) { errors << text; };

    struct TCase {
        int Filter;
        const char* Chosen;
        const char* Written;
        QByteArray Header;
    };
    const TCase cases[] = {
        {0, "chart", "chart.bmp", "BM"},
        {1, "chart.bmp", "chart.svg", "<?xml"},  // the extension follows the filter
        {2, "chart.pdf", "chart.png", "\x89PNG\r\n\x1a\n"},
        {3, "chart", "chart.pdf", "%PDF-"},
    };
    WriteFile((pics + QStringLiteral("/chart.svg")).toStdString(), "an older file");
    bool first = true;
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Written);
        QString openedIn;
        AnswerNextFileDialog(&openedIn, QString::fromLatin1(c.Chosen), c.Filter);
        main.SavetoFile1Click();
        if (first) {
            EXPECT_EQ(openedIn, pics) << "first use: the picture's folder";
        }
        first = false;
        const std::string path = (pics + QLatin1Char('/') + QString::fromLatin1(c.Written)).toStdString();
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.substr(0, c.Header.size()), c.Header.toStdString());
        if (c.Filter == 1) {
            QSvgRenderer renderer(QByteArray::fromStdString(bytes));
            EXPECT_TRUE(renderer.isValid());
        }
        if (c.Filter == 0 || c.Filter == 2) {
            EXPECT_EQ(QImage(QString::fromStdString(path)).size(), main.Series1->View()->size());
        }
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(std::filesystem::exists((pics + QStringLiteral("/chart")).toStdString()));

    // Later uses open where the dialog was left.
    const QString other = QString::fromStdString(w.Env.Temp.File("other"));
    std::filesystem::create_directories(other.toStdString());
    AnswerNextFileDialog(nullptr, other + QStringLiteral("/moved"), 2);
    main.SavetoFile1Click();
    EXPECT_TRUE(std::filesystem::exists((other + QStringLiteral("/moved.png")).toStdString()));
    QString openedIn;
    AnswerNextFileDialog(&openedIn, QString());
    main.SavetoFile1Click();
    EXPECT_EQ(openedIn, QDir(other).absolutePath());
}

TEST(TChartCopyTest, AFileThatCannotBeWrittenIsShownAsAnError) {
    TAnalysedMain w;
    TfrmMain& main = *w.Main;
    const std::string pics = w.Env.Temp.File("pics");
    std::filesystem::create_directories(pics + "/chart.png");  // a folder holds the name
    QStringList errors;
    main.ShowError = [&](const QString& text) { errors << text; };
    AnswerNextFileDialog(nullptr, QStringLiteral("chart"), 2);
    main.SavetoFile1Click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("chart.png"))) << errors[0].toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(pics + "/chart.png"));
}

// Without a chart page the copy and the save stop at their fatal checks (exit code 1, the
// check's identifier in the log).
TEST(TChartCopyDeathTest, NoActiveChartFailsTheFatalChecks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<const char*, bool> checks[] = {{"{BC2A01E0-E2D5-11D7-8030-000102960A47}", false},
                                                   {"{BC2A01E1-E2D5-11D7-8030-000102960A47}", true}};
    for (const auto& [id, save] : checks) {
        SCOPED_TRACE(id);
        EXPECT_EXIT(
            {
                TAnalysedMain w;
                TfrmMain& main = *w.Main;
                TfrmConsole* console = w.Env.ConsoleWindow.get();
                const QString expected = QStringLiteral(" FATAL: [%1] ").arg(QString::fromLatin1(id));
                auto* poll = new QTimer;
                int tries = 0;
                QObject::connect(poll, &QTimer::timeout, [console, expected, &tries] {
                    if (++tries > 500) std::_Exit(5);
                    if (!console->isVisible()) return;
                    if (!console->RichEdit->toPlainText().endsWith(expected)) std::_Exit(3);
                    console->actCloseExecute();
                });
                poll->start(10);
                main.PageControl1->clear();
                if (save) {
                    AnswerNextFileDialog(nullptr, QStringLiteral("chart"), 0);
                    main.SavetoFile1Click();
                } else {
                    main.Bitmap1->trigger();
                }
                std::_Exit(4);
            },
            ::testing::ExitedWithCode(1), "");
    }
}
