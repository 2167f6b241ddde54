#include "kernel/xReport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "console/xConsole.h"
#include "kernel/xKernel.h"
#include "kernel/xResultText.h"
#include "picture/xPicture.h"
#include "platform/NumberFormat.h"
#include "platform/SystemInfo.h"
#include "settings/xParams.h"

namespace {

const std::string Separator(64, '-');

std::string Int(std::int64_t v) { return std::to_string(v); }

// The report's date and time: the locale's short date and long time, the time left out
// at exactly midnight.
std::string ReportDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[128];
    const char* format = (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0) ? "%x" : "%x %X";
    const std::size_t n = std::strftime(buf, sizeof buf, format, &local);
    return std::string(buf, n);
}

std::string BaseName(const std::string& path) {
    if (path.empty()) return {};
    return std::filesystem::path(path).filename().string();
}

}  // namespace

TReport::TReport(TKernel& kernel, ISeries& radius, ISeries& distance, ISeries& area)
    : Kernel(kernel), RadiusSeries(radius), DistanceSeries(distance), AreaSeries(area) {}

void TReport::ReportLine(const std::string& text, bool header) {
    switch (OutputMode) {
        case 1:
            if (!Text) return;
            if (header) *Text += Separator + "\r\n";
            *Text += text + "\r\n";
            if (header) *Text += Separator + "\r\n";
            break;
        case 2:
            if (Document) Document->ReportLine(text, header);
            break;
        default:
            break;
    }
}

void TReport::BuildReport() {
    TAnalysisResults r;
    Kernel.ComputeResults(r, RadiusSeries, DistanceSeries, AreaSeries);
    const TPic& pic = *Kernel.Picture;
    const std::string unit = Kernel.Scale->DimsName(true);

    if (Params->Flags[1]) {
        ReportLine(" General ", true);
        ReportLine(" File Name     : " + BaseName(Kernel.FileName), false);
        ReportLine(" Date/Time     : " + ReportDateTime(), false);
        ReportLine(" Min Pass      : " + Int(pic.FilterMin), false);
        ReportLine(" Max Pass      : " + Int(pic.FilterMax), false);
        ReportLine(Kernel.FFilter ? " Fill Filter   : " + Int(Kernel.FBarrier) + " %" : " Fill Filter   : off", false);
        ReportLine(Kernel.RFilter ? " Radius Filter : " + Int(Kernel.RBarrier) + " %" : " Radius Filter : off", false);
        ReportLine(" Zone Left     : " + Int(pic.Left), false);
        ReportLine(" Zone Top      : " + Int(pic.Top), false);
        ReportLine(" Zone Width    : " + Int(std::int64_t(pic.Right) - pic.Left), false);
        ReportLine(" Zone Height   : " + Int(std::int64_t(pic.Bottom) - pic.Top), false);
        ReportLine("", false);
    }
    if (Params->Flags[2]) {
        ReportLine(" Statistics ", true);
        ReportLine(" Number        : " + Int(r.Number), false);
        ReportLine(" Radius        : " + ThreeDecimalText(r.MeanRadius) + " " + unit, false);
        std::string distance = " Distance      : " + ThreeDecimalText(r.MeanDistance) + " " + unit;
        if (r.MeanRadius > 0)
            distance += "  ( " + RatioText(r.MeanDistance, r.MeanRadius) + " )";
        ReportLine(distance, false);
        ReportLine(" Filling       : " + PercentText(r.Filling) + " %", false);
        ReportLine(" Zone Area     : " + ThreeDecimalText(r.ZoneArea) + " " + unit + "^2", false);
        ReportLine(" Filled Area   : " + FilledAreaText(r.ZoneArea, r.Filling) + " " + unit + "^2", false);
        ReportLine("", false);
    }
    if (OutputMode == 2 && Document) {
        Document->ImageSection();
        Document->GraphSections();
    }
}

std::string TReport::ReportText() {
    std::string text;
    Text = &text;
    OutputMode = 1;
    try {
        BuildReport();
    } catch (...) {
        OutputMode = 0;
        Text = nullptr;
        throw;
    }
    OutputMode = 0;
    Text = nullptr;
    return text;
}

bool TReport::SaveReportFile(const std::string& path) {
    // The whole report is built first, then written in one go: a failure to write is
    // reported, and a half-written report never replaces the file silently.
    const std::string text = ReportText();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out) out.flush();
    if (!out) {
        const int err = errno;
        Console->Error("cannot write report \"" + path + "\": " + (err ? std::strerror(err) : "write failed"));
        return false;
    }
    return true;
}

void TReport::ExportDocument(IReportDocument& document) {
    Document = &document;
    OutputMode = 2;
    try {
        BuildReport();
    } catch (...) {
        OutputMode = 0;
        Document = nullptr;
        throw;
    }
    OutputMode = 0;
    Document = nullptr;
}
