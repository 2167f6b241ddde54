#pragma once
// The " Data and Statistics" window: ten summary values on the left, one grid row per
// feature on the right, a tool bar to save the per-feature values or close the window.
#include <QAbstractTableModel>
#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "xStats.h"

class QAction;
class QSplitter;
class QStatusBar;
class QTableView;
class QTableWidget;
class QToolBar;
class QWidget;

// The grid's rows, formatted on demand from the sheet (smooth with many features).
class TStatsGridModel final : public QAbstractTableModel {
public:
    explicit TStatsGridModel(const TStatsSheet& sheet, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void Refill();  // after the sheet's grid changed

private:
    const TStatsSheet& Sheet;
};

class TfrmStats final : public QDialog {
public:
    explicit TfrmStats(QWidget* owner = nullptr);
    ~TfrmStats() override;

    void ShowData(IData* data);  // computes and fills the values and the grid
    int ShowModal();             // centred on the screen; returns when closed
    void actSaveExecute();
    void actSaveUpdate();
    void actCloseExecute();

    // The save dialog and the error box; tests replace them.
    std::function<QString()> AskSaveFileName;
    std::function<void(const QString&)> ShowError;

    TStatsSheet Sheet;
    QString InitialDir;  // of the save dialog; the program's folder at the first save

    QToolBar* ToolBar1 = nullptr;
    QAction* actSave = nullptr;
    QAction* actClose = nullptr;
    QWidget* Panel1 = nullptr;
    QTableWidget* Values = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTableView* Datas = nullptr;
    TStatsGridModel* DatasModel = nullptr;
    QStatusBar* StatusBar = nullptr;

private:
    QString RunSaveDialog();
    void FillValues();
};

// The window for the plug-in object, owned by the host's main window (owner, a QWidget* as
// an integer, may be 0); null when this process has no QApplication.
std::unique_ptr<IStatsWindow> MakeStatsWindow(std::intptr_t owner);
