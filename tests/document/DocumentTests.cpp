// The export document: what it holds for each combination of the export flags, in which
// order, bold and font; the picture and the charts; how it is written to files.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSvgRenderer>
#include <QTextDocument>
#include <filesystem>

#include "document/DocumentFixture.h"
#include "kernel/xReport.h"
#include "picture/xBitmap.h"
#include "picture/xPicture.h"
#include "platform/NumberFormat.h"
#include "settings/xParams.h"
#include "ui/document/ReportDocument.h"

namespace {

// One paragraph the document should hold.
struct TExpected {
    std::string Text;
    bool Bold = false;
    bool Break = false;
    const char* Picture = nullptr;  // media type of its picture, if any
};

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// What a word processor receives from the report's lines: a header in bold with two line
// ends, every other line with one, no separator lines; then the picture and the charts.
std::vector<TExpected> ExpectedParagraphs(const std::string& report, bool graphs, bool image) {
    std::vector<TExpected> e;
    const std::string separator(64, '-');
    const std::vector<std::string> lines = TextLines(report);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == separator) {
            e.push_back({lines[i + 1], true});
            e.push_back({""});
            i += 2;
            continue;
        }
        e.push_back({lines[i]});
    }
    if (image) {
        e.push_back({" Image", true});
        e.push_back({""});
        e.push_back({"", false, false, "image/png"});
    }
    if (graphs) {
        bool first = true;
        for (const char* title : {" Radius distribution", " Distance distribution", " Area distribution"}) {
            e.push_back({title, true, first});
            e.push_back({""});
            e.push_back({"", false, false, "image/svg+xml"});
            e.push_back({""});
            first = false;
        }
    }
    if (graphs || !image) e.push_back({""});  // the paragraph the next text would go into
    return e;
}

}  // namespace

TEST_F(DocumentTest, SectionsOrderBoldHeadersFontAndPicturesForEveryCombinationOfExportFlags) {
    for (int mask = 0; mask < 16; ++mask) {
        const bool settings = mask & 1, statistics = mask & 2, graphs = mask & 4, image = mask & 8;
        SCOPED_TRACE("F_1 " + std::to_string(settings) + " F_2 " + std::to_string(statistics) + " F_3 " +
                     std::to_string(graphs) + " F_4 " + std::to_string(image));
        SetExportFlags(settings, statistics, graphs, image);
        TSeriesData r, d, a;
        const std::vector<TExpected> expected =
            ExpectedParagraphs(TReport(*Kernel, r, d, a).ReportText(), graphs, image);

        const TOdt odt = Export("flags" + std::to_string(mask) + ".odt");
        ASSERT_TRUE(odt.Valid) << odt.Error.toStdString();
        ASSERT_EQ(odt.Paragraphs.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const TOdtParagraph& p = odt.Paragraphs[i];
            const TExpected& x = expected[i];
            SCOPED_TRACE("paragraph " + std::to_string(i) + ": " + x.Text);
            if (x.Text.rfind(" Date/Time     : ", 0) == 0)
                EXPECT_TRUE(p.Text().startsWith(QStringLiteral(" Date/Time     : ")));  // the clock moves
            else
                EXPECT_EQ(p.Text().toStdString(), x.Text);
            if (!x.Text.empty()) {
                EXPECT_EQ(p.Bold(), x.Bold);
            }
            EXPECT_EQ(p.PageBreakBefore, x.Break);
            ASSERT_EQ(p.Pictures.size(), x.Picture ? 1u : 0u);
            if (x.Picture) {
                EXPECT_EQ(p.Pictures[0].MediaType.toStdString(), x.Picture);
            }
            for (const TOdtSpan& s : p.Spans) {
                EXPECT_EQ(s.Family, QStringLiteral("Courier New"));
                EXPECT_EQ(s.Size, QStringLiteral("10pt"));
            }
            EXPECT_FALSE(p.Text().contains(QStringLiteral("---"))) << "no separator lines";
        }
        EXPECT_EQ(odt.PictureCount(), (image ? 1 : 0) + (graphs ? 3 : 0));
        EXPECT_EQ(odt.PageBreaks(), graphs ? 1 : 0);
        if (mask == 0) {
            ASSERT_EQ(odt.Paragraphs.size(), 1u) << "all flags off: an empty document";
            EXPECT_TRUE(odt.Paragraphs[0].Text().isEmpty());
        }
    }
}

TEST_F(DocumentTest, ThePictureIsTheGrayZoomedImageAtTheCurrentZoomWithoutBandColouring) {
    SetExportFlags(false, false, false, true);
    Kernel->Picture->SetFilter(true);  // band colouring on the screen: not in the document
    Kernel->Picture->SetZoom(4);        // 150 %
    const TGrayBitmap& zoomed = *Kernel->Picture->Zoomed();
    ASSERT_EQ(zoomed.Width, 240);

    const TOdt odt = Export();
    ASSERT_EQ(odt.PictureCount(), 1);
    const TOdtParagraph& p = odt.Paragraphs.back();
    ASSERT_EQ(p.Pictures.size(), 1u);
    const QImage picture = QImage::fromData(odt.Files.at(p.Pictures[0].Href)).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(picture.size(), QSize(zoomed.Width, zoomed.Height));
    for (int y = 0; y < zoomed.Height; ++y)
        ASSERT_EQ(std::memcmp(picture.constScanLine(y), zoomed.Row(y), zoomed.Width), 0) << "row " << y;
    // Shown at its own size (96 pixels to the inch) when it fits the page.
    EXPECT_EQ(p.Pictures[0].SizePt, QSizeF(240 * 0.75, 192 * 0.75));

    // A picture wider than the page keeps its pixels and is shown at the page's width.
    WriteDiscsPicture(Scope.Temp.File("wide.pgm"), 400, 100);
    Kernel->LoadPicture(Scope.Temp.File("wide.pgm"));
    Kernel->Picture->SetZoom(5);  // 200 %: 800 x 200
    const TOdt wide = Export("wide.odt");
    ASSERT_EQ(wide.PictureCount(), 1);
    const TOdtPicture& w = wide.Paragraphs.back().Pictures[0];
    EXPECT_EQ(QImage::fromData(wide.Files.at(w.Href)).size(), QSize(800, 200));
    EXPECT_EQ(w.SizePt, QSizeF(560 * 0.75, 140 * 0.75));
}

TEST_F(DocumentTest, ChartsAreVectorPicturesOfTheSeriesTheReportRefills) {
    SetExportFlags(false, false, true, false);
    Params->Colors[5] = 255;  // graphs in red
    TSeriesData radius, distance, area;
    std::unique_ptr<QTextDocument> document = BuildExportDocument(*Kernel, radius, distance, area);
    // The report refilled the series handed in, as every report does.
    TAnalysisResults results;
    TSeriesData r, d, a;
    Kernel->ComputeResults(results, r, d, a);
    ASSERT_GT(results.Number, 10);
    EXPECT_EQ(radius.Points, r.Points);
    EXPECT_EQ(distance.Points, d.Points);
    EXPECT_EQ(area.Points, a.Points);
    EXPECT_EQ(area.AreaColor, 255);

    const std::string path = Scope.Temp.File("charts.odt");
    ASSERT_TRUE(SaveOpenDocument(*document, QString::fromStdString(path)).isEmpty());
    const TOdt odt = ReadOdt(path);
    std::vector<const TOdtPicture*> charts;
    for (const TOdtParagraph& p : odt.Paragraphs)
        for (const TOdtPicture& pic : p.Pictures) charts.push_back(&pic);
    ASSERT_EQ(charts.size(), 3u);
    const TSeriesData* series[3] = {&r, &d, &a};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(charts[i]->MediaType, QStringLiteral("image/svg+xml"));
        const QByteArray svg = odt.Files.at(charts[i]->Href);
        QSvgRenderer renderer(svg);
        EXPECT_TRUE(renderer.isValid());
        // Wide enough to read, narrow enough for an A4 page's text width (12 to 16 cm).
        EXPECT_GE(charts[i]->SizePt.width(), 12 / 2.54 * 72);
        EXPECT_LE(charts[i]->SizePt.width(), 16 / 2.54 * 72);
        EXPECT_TRUE(svg.contains("fill=\"#ff0000\"")) << "the graphs colour";
        // Every point's value mark is in the picture, as text.
        for (const auto& [x, y] : series[i]->Points)
            EXPECT_TRUE(svg.contains(">" + QByteArray::fromStdString(FormatGeneral(y)) + "<")) << y;
    }
    EXPECT_NE(odt.Files.at(charts[0]->Href), odt.Files.at(charts[1]->Href));
}

TEST_F(DocumentTest, ANewDocumentNeverReplacesAFileOrFollowsALink) {
    SetExportFlags(true, true, false, false);
    TSeriesData r, d, a;
    std::unique_ptr<QTextDocument> document = BuildExportDocument(*Kernel, r, d, a);
    const QString folder = QString::fromStdString(Scope.Temp.File("docs"));
    std::filesystem::create_directories(folder.toStdString());
    QString error;
    const QString first = WriteNewOpenDocument(*document, folder, QStringLiteral("cells"), &error);
    EXPECT_EQ(first, folder + QStringLiteral("/cells.odt")) << error.toStdString();
    EXPECT_TRUE(ReadOdt(first.toStdString()).Valid);

    // A name already taken, by a file or by a link planted there, is passed over.
    const std::string victim = Scope.Temp.File("victim.txt");
    WriteFile(victim, "keep");
    std::filesystem::create_symlink(victim, folder.toStdString() + "/cells-2.odt");
    const QString third = WriteNewOpenDocument(*document, folder, QStringLiteral("cells"), &error);
    EXPECT_EQ(third, folder + QStringLiteral("/cells-3.odt"));
    EXPECT_EQ(ReadFile(victim), "keep");
    EXPECT_TRUE(ReadOdt(first.toStdString()).Valid);

    // A folder that cannot take the file: no path, and the reason.
    EXPECT_TRUE(WriteNewOpenDocument(*document, folder + QStringLiteral("/missing"), QStringLiteral("cells"), &error)
                    .isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("missing/cells.odt"))) << error.toStdString();
    EXPECT_FALSE(SaveOpenDocument(*document, folder + QStringLiteral("/missing/x.odt")).isEmpty());
}
