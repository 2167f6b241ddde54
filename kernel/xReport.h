#pragma once
// The report generator: one sequence of report lines, written to a text file
// (output mode 1) or handed to a document writer (output mode 2).
#include <cstdint>
#include <string>

class TKernel;
class ISeries;

// Receives the lines of a document export (output mode 2).
class IReportDocument {
public:
    virtual ~IReportDocument() = default;
    virtual void ReportLine(const std::string& text, bool header) = 0;
    // The word-processor-only sections: picture, distributions.
    virtual void ImageSection() = 0;
    virtual void GraphSections() = 0;
};

class TReport {
public:
    TReport(TKernel& kernel, ISeries& radius, ISeries& distance, ISeries& area);

    // Writes one complete text report to path, replacing any file there. A file that
    // cannot be written is logged as an error; returns whether the report was written.
    bool SaveReportFile(const std::string& path);
    // Builds the report into a document (output mode 2 while it runs).
    void ExportDocument(IReportDocument& document);
    // The text report as bytes (CR LF line ends), exactly as SaveReportFile writes it.
    std::string ReportText();

    void BuildReport();
    void ReportLine(const std::string& text, bool header);

    std::uint8_t OutputMode = 0;  // 0 none, 1 text file, 2 document

private:
    TKernel& Kernel;
    ISeries& RadiusSeries;
    ISeries& DistanceSeries;
    ISeries& AreaSeries;
    std::string* Text = nullptr;
    IReportDocument* Document = nullptr;
};
