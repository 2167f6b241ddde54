#include "ui/document/ReportDocument.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QTextImageFormat>
#include <QUrl>

#include "kernel/xKernel.h"
#include "picture/xBitmap.h"
#include "picture/xPicture.h"
#include "settings/xParams.h"
#include "ui/ColorValues.h"
#include "ui/document/DistributionChart.h"

namespace {

const QString DocumentFont = QStringLiteral("Courier New");
const char* const ChartTitles[3] = {" Radius distribution", " Distance distribution", " Area distribution"};

// Courier New, 10 pt.
void SetDocumentFont(QTextCharFormat& f) {
    f.setFontFamilies({DocumentFont});
    // Qt's OpenDocument writer writes a span's font family only when this older property
    // is present too; without it every span reads "Sans".
    f.setProperty(QTextFormat::OldFontFamily, DocumentFont);
    f.setFontPointSize(10);
}

QTextCharFormat TextFormat(bool bold) {
    QTextCharFormat f;
    SetDocumentFont(f);
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    return f;
}

// The picture's gray zoomed image, as it is before band colouring and overlays.
QImage GrayImage(const TGrayBitmap& zoomed) {
    QImage image(zoomed.Width, zoomed.Height, QImage::Format_Grayscale8);
    for (std::int32_t y = 0; y < zoomed.Height; ++y)
        std::copy_n(zoomed.Row(y), zoomed.Width, image.scanLine(y));
    return image;
}

// size scaled down, keeping its proportions, to fit box (never up).
QSize FitInto(QSize size, QSize box) {
    if (size.width() <= box.width() && size.height() <= box.height()) return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

}  // namespace

// ---- TSeriesTee ----

void TSeriesTee::Clear() {
    Data.Clear();
    Target.Clear();
}

void TSeriesTee::SetAreaColor(std::int32_t color) {
    Data.SetAreaColor(color);
    Target.SetAreaColor(color);
}

void TSeriesTee::AddPoint(double x, double y) {
    Data.AddPoint(x, y);
    Target.AddPoint(x, y);
}

// ---- TReportDocument ----

TReportDocument::TReportDocument(const TPic& picture, std::array<const TSeriesData*, 3> charts)
    : Picture(picture), Charts(charts), Doc(std::make_unique<QTextDocument>()), Plain(TextFormat(false)),
      Bold(TextFormat(true)) {
    QFont font(DocumentFont);
    font.setPointSize(10);
    Doc->setDefaultFont(font);
    Cursor = QTextCursor(Doc.get());
    Cursor.setBlockFormat(PlainBlock);
    Cursor.setBlockCharFormat(Plain);
    Cursor.setCharFormat(Plain);
}

TReportDocument::~TReportDocument() = default;

std::unique_ptr<QTextDocument> TReportDocument::Release() {
    Cursor = QTextCursor();
    return std::move(Doc);
}

void TReportDocument::LineEnd(const QTextCharFormat& format) {
    // Every new paragraph gets the plain block format explicitly: a block inserted without
    // one copies the current block's, and a page break would repeat before every line.
    Cursor.insertBlock(PlainBlock, format);
}

void TReportDocument::ReportLine(const std::string& text, bool header) {
    const QTextCharFormat& format = header ? Bold : Plain;
    Cursor.movePosition(QTextCursor::End);
    if (!text.empty()) Cursor.insertText(QString::fromStdString(text), format);
    LineEnd(format);
    if (header) LineEnd(format);
}

void TReportDocument::PageBreak() {
    Cursor.movePosition(QTextCursor::End);
    QTextBlockFormat broken = PlainBlock;
    broken.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (Cursor.block().length() <= 1)
        Cursor.setBlockFormat(broken);  // an empty paragraph: it starts the new page
    else
        Cursor.insertBlock(broken, Plain);  // after a picture: the next paragraph does
}

void TReportDocument::InsertPicture(const QString& name, const QSize& shown) {
    QTextImageFormat image;
    SetDocumentFont(image);  // the picture's paragraph keeps the document's font
    image.setName(name);
    image.setWidth(shown.width());
    image.setHeight(shown.height());
    Cursor.movePosition(QTextCursor::End);
    Cursor.insertImage(image);
    ++Pictures;
}

void TReportDocument::ImageSection() {
    if (!Params->Flags[4]) return;
    ReportLine(" Image", true);
    const TGrayBitmap* zoomed = Picture.Zoomed();
    if (!zoomed || zoomed->Width <= 0 || zoomed->Height <= 0) return;
    const QImage image = GrayImage(*zoomed);
    const QString name = QStringLiteral("morvex-picture-%1.png").arg(Pictures + 1);
    Doc->addResource(QTextDocument::ImageResource, QUrl(name), image);
    InsertPicture(name, FitInto(image.size(), PictureBox));
}

void TReportDocument::GraphSections() {
    if (!Params->Flags[3]) return;
    PageBreak();
    for (int i = 0; i < 3; ++i) {
        ReportLine(ChartTitles[i], true);
        TDistributionChart chart;
        if (Charts[i]) {
            chart.Points = Charts[i]->Points;
            chart.AreaColor = ColorValue::Resolve(Charts[i]->AreaColor);
        }
        // Kept as SVG: the writer stores SVG data as it is, so the chart stays a vector picture.
        const QString name = QStringLiteral("morvex-chart-%1.svg").arg(i + 1);
        Doc->addResource(QTextDocument::ImageResource, QUrl(name), DistributionChartSvg(chart, ChartSize));
        InsertPicture(name, ChartSize);
        ReportLine("", false);
        ReportLine("", false);
    }
}

// ---- building and writing ----

std::unique_ptr<QTextDocument> BuildExportDocument(TKernel& kernel, ISeries& radius, ISeries& distance,
                                                   ISeries& area) {
    TSeriesTee r(radius), d(distance), a(area);
    TReportDocument document(*kernel.Picture, {&r.Data, &d.Data, &a.Data});
    TReport report(kernel, r, d, a);
    report.ExportDocument(document);
    return document.Release();
}

QByteArray OpenDocumentBytes(QTextDocument& document, QString* error) {
    // Written to memory first: the writer closes the device it is given, which a file that
    // must be committed as a whole does not allow.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QTextDocumentWriter writer(&buffer, QByteArrayLiteral("odf"));
    if (!writer.write(&document) || bytes.isEmpty()) {
        if (error) *error = QStringLiteral("the document could not be written");
        return {};
    }
    return bytes;
}

QString SaveOpenDocument(QTextDocument& document, const QString& path) {
    QString error;
    const QByteArray bytes = OpenDocumentBytes(document, &error);
    if (bytes.isEmpty()) return QStringLiteral("cannot write %1: %2").arg(path, error);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("cannot write %1: %2").arg(path, reason);
    }
    if (!file.commit()) return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

QString WriteNewOpenDocument(QTextDocument& document, const QString& folder, const QString& base, QString* error) {
    QString failure;
    const QByteArray bytes = OpenDocumentBytes(document, &failure);
    if (bytes.isEmpty()) {
        if (error) *error = failure;
        return {};
    }
    const QDir dir(folder);
    const QString stem = base.isEmpty() ? QStringLiteral("Untitled") : base;
    for (int n = 1; n < 10000; ++n) {
        const QString path = dir.absoluteFilePath(n == 1 ? stem + QStringLiteral(".odt")
                                                         : QStringLiteral("%1-%2.odt").arg(stem).arg(n));
        QFile file(path);
        // NewOnly: created here and now, never an existing file or a link planted under the name.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) continue;
            if (error) *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
            return {};
        }
        const bool written = file.write(bytes) == bytes.size() && file.flush();
        const QString reason = file.errorString();
        file.close();
        if (!written || file.error() != QFileDevice::NoError) {
            file.remove();
            if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
            return {};
        }
        return path;
    }
    if (error) *error = QStringLiteral("no free document name for %1 in %2").arg(stem, folder);
    return {};
}
