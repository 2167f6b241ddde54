#include "ui/document/HeadlessDocument.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

#include "ui/document/ReportDocument.h"

struct THeadlessGui::TImpl {
    int Argc = 1;
    char Name[16] = "morvex";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QGuiApplication> App;
};

namespace {

// Qt's own notes (platform plug-in, runtime folders) mean nothing to a command-line user;
// only its errors reach standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

THeadlessGui::THeadlessGui() : Impl(std::make_unique<TImpl>()) {
    if (QCoreApplication::instance()) return;
    qInstallMessageHandler(QuietMessages);
    // Never a window system: the document is drawn in memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Impl->App = std::make_unique<QGuiApplication>(Impl->Argc, Impl->Argv);
}

THeadlessGui::~THeadlessGui() = default;

std::string SaveExportDocument(TKernel& kernel, ISeries& radius, ISeries& distance, ISeries& area,
                               const std::string& path) {
    std::unique_ptr<QTextDocument> document = BuildExportDocument(kernel, radius, distance, area);
    return SaveOpenDocument(*document, QString::fromStdString(path)).toStdString();
}
