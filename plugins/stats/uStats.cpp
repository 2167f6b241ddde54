#include "uStats.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeySequence>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

TStatsGridModel::TStatsGridModel(const TStatsSheet& sheet, QObject* parent)
    : QAbstractTableModel(parent), Sheet(sheet) {}

int TStatsGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Sheet.Rows.size());
}

int TStatsGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GridColumns;
}

QVariant TStatsGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QString::fromStdString(Sheet.Cell(index.row(), index.column()));
}

QVariant TStatsGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= GridColumns)
        return {};
    return QString::fromStdString(Sheet.Header[static_cast<std::size_t>(section)]);
}

void TStatsGridModel::Refill() {
    beginResetModel();
    endResetModel();
}

TfrmStats::TfrmStats(QWidget* owner)
    : QDialog(owner), Sheet(QLocale().decimalPoint().toStdString()) {
    setObjectName("frmStats");
    setWindowTitle(" Data and Statistics");
    setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    resize(687, 335);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    actSave = new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton), "Save", this);
    actSave->setObjectName("actSave");
    actSave->setToolTip(" Save Data ");
    actSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actClose = new QAction(style()->standardIcon(QStyle::SP_DialogCloseButton), "Close", this);
    actClose->setObjectName("actClose");
    ToolBar1->addAction(actSave);
    ToolBar1->addSeparator();
    ToolBar1->addAction(actClose);
    ToolBar1->addSeparator();
    connect(actSave, &QAction::triggered, this, [this] { actSaveExecute(); });
    connect(actClose, &QAction::triggered, this, [this] { actCloseExecute(); });
    layout->addWidget(ToolBar1);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setHandleWidth(6);
    Splitter1->setChildrenCollapsible(false);

    Panel1 = new QWidget(Splitter1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    Values = new QTableWidget(StatsRowCount, 2, Panel1);
    Values->setObjectName("Values");
    Values->setHorizontalHeaderLabels({" Key", " Value"});
    Values->verticalHeader()->hide();
    Values->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Values->setShowGrid(true);
    Values->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Values->setColumnWidth(0, 96);
    Values->setColumnWidth(1, 131);
    for (int r = 0; r < StatsRowCount; ++r) {
        Values->setItem(r, 0, new QTableWidgetItem(StatsKeys[static_cast<std::size_t>(r)]));
        Values->setItem(r, 1, new QTableWidgetItem(QString()));
    }
    panelLayout->addWidget(Values);

    Datas = new QTableView(Splitter1);
    Datas->setObjectName("Datas");
    DatasModel = new TStatsGridModel(Sheet, Datas);
    Datas->setModel(DatasModel);
    Datas->verticalHeader()->hide();  // column 0 holds the feature numbers
    Datas->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Datas->verticalHeader()->setDefaultSectionSize(20);
    Datas->horizontalHeader()->setDefaultSectionSize(96);
    Datas->setColumnWidth(0, 32);
    Datas->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Splitter1->addWidget(Panel1);
    Splitter1->addWidget(Datas);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({233, 687 - 233 - 6});
    layout->addWidget(Splitter1, 1);

    StatusBar = new QStatusBar(this);
    StatusBar->setFixedHeight(20);
    layout->addWidget(StatusBar);

    AskSaveFileName = [this] { return RunSaveDialog(); };
    ShowError = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };
    actSaveUpdate();
}

TfrmStats::~TfrmStats() = default;

void TfrmStats::ShowData(IData* data) {
    Sheet.ShowData(data);
    FillValues();
    DatasModel->Refill();
    Datas->setColumnWidth(0, 32);
    actSaveUpdate();
}

void TfrmStats::FillValues() {
    for (int r = 0; r < StatsRowCount; ++r)
        Values->item(r, 1)->setText(QString::fromStdString(Sheet.Values[static_cast<std::size_t>(r)]));
}

int TfrmStats::ShowModal() {
    actSaveUpdate();
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    return exec();
}

QString TfrmStats::RunSaveDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("txt");
    dialog.setNameFilters({"Text Files (*.txt)", "All Files (*.*)"});
    dialog.setDirectory(InitialDir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void TfrmStats::actSaveExecute() {
    if (!Sheet.CanSave()) return;  // the shortcut may fire while the action is stale
    if (InitialDir.isEmpty()) InitialDir = QCoreApplication::applicationDirPath() + "/";
    const QString path = AskSaveFileName ? AskSaveFileName() : QString();
    if (path.isEmpty()) return;
    std::string error;
    if (!Sheet.Save(path.toStdString(), error) && ShowError)
        ShowError(QString::fromStdString(error));
}

void TfrmStats::actSaveUpdate() { actSave->setEnabled(Sheet.CanSave()); }

void TfrmStats::actCloseExecute() { accept(); }

namespace {

// The plug-in object's handle on its window. The window is a child of the host's main
// window; should the host destroy that first, Qt has already freed the window with it.
class TStatsWindow final : public IStatsWindow {
public:
    explicit TStatsWindow(QWidget* owner) : Owner(owner) {}
    ~TStatsWindow() override { delete Form.data(); }
    void ShowData(IData* data) override { Get().ShowData(data); }
    void ShowModal() override { Get().ShowModal(); }

private:
    TfrmStats& Get() {
        if (!Form) Form = new TfrmStats(Owner.data());
        return *Form;
    }
    QPointer<QWidget> Owner;
    QPointer<TfrmStats> Form;
};

}  // namespace

std::unique_ptr<IStatsWindow> MakeStatsWindow(std::intptr_t owner) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    return std::make_unique<TStatsWindow>(reinterpret_cast<QWidget*>(owner));
}
