// The main window's export to a word-processor document and the chart pages' context menu
// (copy the active chart to the clipboard, save it to a picture file).
#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QTabWidget>
#include <QTextDocument>
#include <QUrl>
#include <exception>
#include <filesystem>

#include "console/xConsole.h"
#include "kernel/xKernel.h"
#include "picture/xPicture.h"
#include "settings/xScale.h"
#include "ui/ChartPicture.h"
#include "ui/ChartSeries.h"
#include "ui/document/ReportDocument.h"
#include "ui/uMain.h"

namespace {

// The export's state for as long as it runs: the busy cursor and the action disabled;
// undone, with the output mode back at 0, however the export ends.
class TExportScope {
public:
    explicit TExportScope(TfrmMain& form) : Form(form) {
        Form.Exporting = true;
        Form.actExportWord->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TExportScope() {
        Form.OutputMode = 0;
        Form.Series1->Flush();
        Form.Series2->Flush();
        Form.Series3->Flush();
        QApplication::restoreOverrideCursor();
        Form.Exporting = false;
        Form.UpdateActions();
    }
    TExportScope(const TExportScope&) = delete;
    TExportScope& operator=(const TExportScope&) = delete;

private:
    TfrmMain& Form;
};

}  // namespace

bool OpenWithDesktop(const QString& path) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener starts even when no program takes the type, and fails later
    // where nobody sees it; ask first whether any program is registered for it.
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("application/vnd.oasis.opendocument.text")});
    if (query.waitForFinished(3000) && query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
        query.readAllStandardOutput().trimmed().isEmpty())
        return false;
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TfrmMain::actExportWordExecute() {
    if (Exporting || !Kernel->Picture->HasImage() || !Kernel->Scale->IsPlaced()) return;
    QString path, error;
    bool opened = false;
    {
        TExportScope scope(*this);
        try {
            // The pictures go straight into the document: the clipboard keeps what the user
            // copied.
            OutputMode = 2;
            std::unique_ptr<QTextDocument> document = BuildExportDocument(*Kernel, *Series1, *Series2, *Series3);
            OutputMode = 0;
            const QString base = QFileInfo(QString::fromStdString(Kernel->FileName)).completeBaseName();
            path = WriteNewOpenDocument(*document, ExportFolder.isEmpty() ? QDir::tempPath() : ExportFolder, base,
                                        &error);
        } catch (const std::exception& e) {
            path.clear();
            error = QString::fromLocal8Bit(e.what());
        }
        if (!path.isEmpty()) {
            LastDocument = path;
            opened = OpenDocument(path);
        }
    }
    if (path.isEmpty()) {
        ShowError(QStringLiteral("The export failed: %1").arg(error));
        return;
    }
    if (!opened)
        ShowInformation(QStringLiteral("No application could open the document. It was written to\n%1")
                            .arg(QDir::toNativeSeparators(path)));
}

// ---- chart pages' context menu ----

void TfrmMain::CreatePopupMenu() {
    PopupMenu = new QMenu(this);
    CopyAs1 = PopupMenu->addMenu(QStringLiteral("Copy As"));
    Bitmap1 = CopyAs1->addAction(QStringLiteral("&Bitmap (bmp)"));
    Bitmap1->setData(1);
    // SVG takes the place of the metafile formats.
    Vector1 = CopyAs1->addAction(QStringLiteral("&Vector (svg)"));
    Vector1->setData(2);
    SavetoFile1 = PopupMenu->addAction(QStringLiteral("&Save to File ..."));
    connect(Bitmap1, &QAction::triggered, this, [this] { actCopyImageExecute(Bitmap1); });
    connect(Vector1, &QAction::triggered, this, [this] { actCopyImageExecute(Vector1); });
    connect(SavetoFile1, &QAction::triggered, this, &TfrmMain::SavetoFile1Click);

    // The menu belongs to the page control: its tabs and every chart on it.
    auto offer = [this](QWidget* w) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& at) { PopupMenu->popup(w->mapToGlobal(at)); });
    };
    offer(PageControl1);
    for (TChartSeries* s : {Series1.get(), Series2.get(), Series3.get()}) offer(s->View());
}

TChartSeries* TfrmMain::ActiveChart() const {
    switch (PageControl1->currentIndex()) {
    case 0: return Series1.get();
    case 1: return Series2.get();
    case 2: return Series3.get();
    default: return nullptr;
    }
}

void TfrmMain::actCopyImageExecute(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (!item) return;
    const int tag = item->data().toInt();
    if (tag == 0) return;
    TChartSeries* chart = ActiveChart();
    FatalCheck(chart != nullptr, "{BC2A01E0-E2D5-11D7-8030-000102960A47}", "");
    chart->Flush();
    if (tag == 1)
        QGuiApplication::clipboard()->setMimeData(ChartBitmapData(*chart->View()));
    else if (tag == 2)
        QGuiApplication::clipboard()->setMimeData(ChartVectorData(*chart->View()));
}

QFileDialog* TfrmMain::CreatePictureDialog() {
    if (PictureDialogFolder.isEmpty()) {
        // First use: beside the picture when its file exists, else in the program's folder.
        std::error_code ec;
        if (!Kernel->FileName.empty() && std::filesystem::is_regular_file(Kernel->FileName, ec))
            PictureDialogFolder = QFileInfo(QString::fromStdString(Kernel->FileName)).absolutePath();
        else
            PictureDialogFolder = AppDir();
    }
    auto* d = new QFileDialog(this, QStringLiteral("Save Chart"));
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setOption(QFileDialog::DontUseNativeDialog, true);
    // The extension follows the filter, and an existing file is replaced without asking.
    d->setOption(QFileDialog::DontConfirmOverwrite, true);
    d->setNameFilters(ChartFileFilters());
    d->setDirectory(PictureDialogFolder);
    return d;
}

void TfrmMain::SavetoFile1Click() {
    QFileDialog* d = CreatePictureDialog();
    const bool ok = d->exec() == QDialog::Accepted && !d->selectedFiles().isEmpty();
    const QString chosen = ok ? d->selectedFiles().first() : QString();
    const int filter = ChartFileFilters().indexOf(d->selectedNameFilter());
    PictureDialogFolder = d->directory().absolutePath();  // later uses open where it was left
    delete d;
    if (!ok) return;
    TChartSeries* chart = ActiveChart();
    FatalCheck(chart != nullptr, "{BC2A01E1-E2D5-11D7-8030-000102960A47}", "");
    chart->Flush();
    const TChartFormat format = filter < 0 ? TChartFormat::Bitmap : static_cast<TChartFormat>(filter);
    const QString path = WithChartExtension(chosen, format);
    const QString error = SaveChartFile(*chart->View(), path, format);
    if (!error.isEmpty()) ShowError(error);
}
