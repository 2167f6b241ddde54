#pragma once
// The export document: the report's lines, the picture and the three distribution charts
// as a word-processor text, "Courier New" 10 pt throughout, written as OpenDocument text.
#include <QSize>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <array>
#include <memory>

#include "kernel/xReport.h"
#include "kernel/xSeries.h"

class QTextDocument;
class TKernel;
class TPic;

// Passes the results computation's calls on to a series and keeps a copy of the points,
// so that the document draws exactly what the report computed.
class TSeriesTee final : public ISeries {
public:
    explicit TSeriesTee(ISeries& target) : Target(target) {}
    void Clear() override;
    void SetAreaColor(std::int32_t color) override;
    void AddPoint(double x, double y) override;
    TSeriesData Data;

private:
    ISeries& Target;
};

// Receives the report's lines in output mode 2 and builds the document from them.
class TReportDocument final : public IReportDocument {
public:
    // charts: the radius, distance and area series as the report refills them.
    TReportDocument(const TPic& picture, std::array<const TSeriesData*, 3> charts);
    ~TReportDocument() override;

    void ReportLine(const std::string& text, bool header) override;
    // With the image export flag: " Image" as a header, then the gray zoomed picture.
    void ImageSection() override;
    // With the graphs export flag: a page break, then for each distribution its title as a
    // header, its chart and two empty lines.
    void GraphSections() override;

    QTextDocument& Document() { return *Doc; }
    std::unique_ptr<QTextDocument> Release();

    // The size of a chart in the document (logical pixels, 96 per inch): about 15 x 6.4 cm,
    // so that the three fit on one A4 page with their titles.
    static constexpr QSize ChartSize{560, 240};
    // The largest size the picture takes on the page (it keeps all its pixels).
    static constexpr QSize PictureBox{560, 760};

private:
    void LineEnd(const QTextCharFormat& format);
    void PageBreak();
    void InsertPicture(const QString& name, const QSize& shown);

    const TPic& Picture;
    std::array<const TSeriesData*, 3> Charts;
    std::unique_ptr<QTextDocument> Doc;
    QTextCursor Cursor;
    QTextCharFormat Plain;
    QTextCharFormat Bold;
    QTextBlockFormat PlainBlock;
    int Pictures = 0;
};

// Builds the export document of the kernel's current state through the report generator
// (output mode 2 while it runs). radius, distance and area are refilled as by any report.
std::unique_ptr<QTextDocument> BuildExportDocument(TKernel& kernel, ISeries& radius, ISeries& distance,
                                                   ISeries& area);
// The document as OpenDocument text (the bytes of the .odt file); empty, with the reason
// in *error, when it cannot be written.
QByteArray OpenDocumentBytes(QTextDocument& document, QString* error);
// Writes document to path, replacing a file there only once the whole document is written.
QString SaveOpenDocument(QTextDocument& document, const QString& path);
// Creates a new file "<base>.odt" in folder, or "<base>-2.odt", "-3", ... when that name is
// taken (an existing file is never replaced), and writes document into it. Returns the
// path; on failure an empty path and the reason in *error.
QString WriteNewOpenDocument(QTextDocument& document, const QString& folder, const QString& base, QString* error);
