// morvex-cli analyse --document, run as a user runs it.
#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>

#include "document/OdtReader.h"
#include "support/TestSupport.h"

namespace {

const QString Cli = QStringLiteral(MORVEX_BIN_DIR "/morvex-cli");
const std::string Samples = MORVEX_SOURCE_DIR "/samples/";

struct TRun {
    int Code = -1;
    QString Err;
};

TRun RunCli(const QStringList& args) {
    QProcess p;
    p.start(Cli, QStringList{QStringLiteral("analyse")} + args);
    TRun r;
    if (!p.waitForFinished(120000)) return r;
    r.Code = p.exitCode();
    r.Err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TEST(TCliDocument, WritesTheExportDocumentOfEachImage) {
    TTempDir temp;
    const std::string out = temp.File("sample.odt");
    const TRun run = RunCli({QStringLiteral("--ini"), Q(Samples + "morvex.ini"), QStringLiteral("--document"), Q(out),
                             Q(Samples + "sample.png")});
    ASSERT_EQ(run.Code, 0) << run.Err.toStdString();
    const TOdt odt = ReadOdt(out);
    ASSERT_TRUE(odt.Valid) << odt.Error.toStdString();
    ASSERT_GT(odt.Paragraphs.size(), 30u);
    EXPECT_EQ(odt.Paragraphs[0].Text(), QStringLiteral(" General "));
    EXPECT_TRUE(odt.Paragraphs[0].Bold());
    EXPECT_EQ(odt.Paragraphs[2].Text(), QStringLiteral(" File Name     : sample.png"));
    EXPECT_EQ(odt.PictureCount(), 4) << "the picture and three charts (every export flag on by default)";
    EXPECT_EQ(odt.PageBreaks(), 1);

    // The export flags of the settings apply; several images fill a folder.
    const std::string ini = temp.File("flags.ini");
    WriteFile(ini, ReadFile(Samples + "morvex.ini") + "\n[FLAGS]\nF_1=0\nF_3=0\n");
    std::filesystem::copy_file(Samples + "sample.png", temp.File("second.png"));
    const std::string folder = temp.File("docs");
    const TRun two = RunCli({QStringLiteral("--ini"), Q(ini), QStringLiteral("--document"), Q(folder),
                             Q(Samples + "sample.png"), Q(temp.File("second.png"))});
    ASSERT_EQ(two.Code, 0) << two.Err.toStdString();
    for (const char* name : {"/sample.odt", "/second.odt"}) {
        const TOdt doc = ReadOdt(folder + name);
        ASSERT_TRUE(doc.Valid) << name;
        EXPECT_EQ(doc.Paragraphs[0].Text(), QStringLiteral(" Statistics "));
        EXPECT_EQ(doc.PictureCount(), 1);
        EXPECT_EQ(doc.PageBreaks(), 0);
    }
}

TEST(TCliDocument, StandardOutputIsNoPlaceForADocument) {
    TTempDir temp;
    const TRun run = RunCli({QStringLiteral("--ini"), Q(Samples + "morvex.ini"), QStringLiteral("--document"),
                             QStringLiteral("-"), Q(Samples + "sample.png")});
    EXPECT_EQ(run.Code, 2);
    EXPECT_TRUE(run.Err.contains(QStringLiteral("--document"))) << run.Err.toStdString();
}
