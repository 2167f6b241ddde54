#pragma once
// The main window: menus, toolbar and status bar, the tool panel with its bands, the image
// view with the lens, the filter range bar, and the results list with its charts.
#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/StatusPanel.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QMouseEvent;
class QObject;
class QScrollArea;
class QSlider;
class QSplitter;
class QTableWidget;
class QTabWidget;
class QToolBar;
class QToolButton;
class TChartSeries;
class TCollapsibleBand;
class TImageView;
class TKernel;
class TPaintBox;
class TdlgParams;
class TfrmAbout;
class TfrmConsole;

// Opens a document with the desktop's default program for its type; false when none
// takes it.
bool OpenWithDesktop(const QString& path);

// Status-bar panel text for the kernel's and the picture's progress messages.
class TStatusPanelAdapter : public IStatusPanel {
public:
    explicit TStatusPanelAdapter(QLabel* label) : Label(label) {}
    void SetText(const std::string& text) override;
private:
    QLabel* Label;
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // FormCreate: creates the kernel, reads INTERFACE and sets the controls.
    explicit TfrmMain(TfrmConsole* console, QWidget* parent = nullptr);
    // FormDestroy: writes INTERFACE and frees the kernel.
    ~TfrmMain() override;

    void SetParamsDialog(TdlgParams* dialog) { dlgParams = dialog; }
    void SetAboutBox(TfrmAbout* about) { frmAbout = about; }

    // Loads a picture file (open dialog, command line, drop); errors of the reader are
    // shown in a message box. True when a picture was loaded.
    bool OpenPicture(const QString& path);
    // The program's folder with a trailing separator.
    static QString AppDir();
    // Shows an error raised by the platform (an unreadable picture); a message box unless
    // replaced.
    std::function<void(const QString&)> ShowError;
    // Shows a notice (where an export was written when nothing could open it).
    std::function<void(const QString&)> ShowInformation;
    // Opens a written document with the desktop's default application; false when nothing
    // could open it. Tests replace it.
    std::function<bool(const QString&)> OpenDocument;
    // Where exports are written: the user's temporary folder unless set.
    QString ExportFolder;
    // The document written by the last export (empty before the first).
    QString LastDocument;

    // Handlers and operations (names as in the form).
    void btnSwitchClick();
    void actFileOpenExecute();
    void actSaveExecute();
    void actExportWordExecute();
    void actAnalyseExecute();
    void actParamsExecute();
    void actHelpExecute();
    void actConsoleExecute();
    void actAboutExecute();
    void actExitExecute();
    void UpdateActions();  // actAnalyseUpdate, actExportWordUpdate, PluginUpdate
    void ShowSettings();
    void ShowMemory();
    void ShowResults();
    void ShowZone();
    void FitView();
    void RepaintView();  // asks for a full repaint of the image view
    void PaintBoxPaint();
    void LensBoxPaint();
    void cmbZoomChange(int index);
    void chkFilterClick();
    void PaintBox1Paint();
    void PaintBox1MouseDown(Qt::MouseButton button, int x);
    void PaintBox1MouseMove(int x);
    void PaintBox1MouseUp();
    void chkShowDotsClick();
    void chkFillRClick();
    void chkDFilterClick();
    void chkRFilterClick();
    void trkDBarrierChange();
    void trkRBarrierChange();
    void cmbValueChange(int index);
    void cmbDimsChange(int index);
    void chkVScaleClick();

    // Chart pages' context menu: copy the active chart (sender: the menu item, its data the
    // tag: 1 bitmap, 2 vector), or save it to a picture file.
    void actCopyImageExecute(QObject* sender);
    void SavetoFile1Click();
    // The chart of the page shown in PageControl1; null when there is none.
    TChartSeries* ActiveChart() const;
    // The chart save dialog (first use: the picture's folder, else the program's; later:
    // where it was left).
    QFileDialog* CreatePictureDialog();
    QString PictureDialogFolder;

    // Tools-menu entries of the plug-ins: built once at creation, enabled while the kernel
    // holds valid results; sender is the entry's action, its data the plug-in's number.
    void BuildPluginMenu();
    void PluginUpdate(QAction* action);
    void PluginExecute(QObject* sender);
    std::vector<QAction*> PluginActions;

    // The report save dialog with its suggestion (first use: the picture's name with
    // ".txt", or "Untitled" in the program's folder; later: the name it holds).
    QFileDialog* CreateReportDialog();
    QString ReportDialogName;    // the name the dialog holds; empty before its first use
    QString ReportDialogFolder;

    // Members.
    bool Busy = false;
    std::unique_ptr<TKernel> Kernel;
    std::uint8_t OutputMode = 0;
    std::uint8_t BandDrag = 0;
    bool ToolsShown = true;
    bool Analysing = false;  // actAnalyse stays disabled while the analysis runs
    bool Exporting = false;  // actExportWord stays disabled while the export runs

    // Actions and bars.
    QAction* actFileOpen;
    QAction* actSave;
    QAction* actExportWord;
    QAction* actParams;
    QAction* actExit;
    QAction* actAnalyse;
    QAction* actHelp;
    QAction* actAbout;
    QAction* actConsole;
    QMenu* mnuFile;
    QMenu* mnuTools;
    QMenu* mnuHelp;
    QToolBar* ToolBar;
    std::array<QLabel*, 3> StatusPanels{};

    // Tool panel.
    QFrame* Panel2;
    QToolButton* btnSwitch;
    QScrollArea* ScrollMax;
    std::array<TCollapsibleBand*, 5> Bands{};  // Zoom, Zone, Colors, Scale, Features
    QFrame* Panel4;
    TPaintBox* LensBox;
    QLabel* txtX;
    QLabel* txtY;
    QLabel* txtW;
    QLabel* txtH;
    QCheckBox* chkFilter;
    QComboBox* cmbZoom;
    QLabel* txtBmin;
    QLabel* txtBmax;
    QFrame* Panel8;
    TPaintBox* PaintBox1;
    QComboBox* cmbValue;
    QComboBox* cmbDims;
    QCheckBox* chkVScale;
    QCheckBox* chkShowDots;
    QCheckBox* chkFillR;
    QCheckBox* chkDFilter;
    QLabel* txtDBarrier;
    QSlider* trkDBarrier;
    QCheckBox* chkRFilter;
    QLabel* txtRBarrier;
    QSlider* trkRBarrier;

    // Work area.
    QSplitter* Splitter1;
    TImageView* ScrollBox;  // the scroll box with the image paint box
    QFrame* Panel5;
    QSplitter* Splitter2;
    QFrame* Panel6;
    QTableWidget* vleStats;
    QFrame* Panel7;
    QTabWidget* PageControl1;
    QMenu* PopupMenu;
    QMenu* CopyAs1;
    QAction* Bitmap1;
    QAction* Vector1;
    QAction* SavetoFile1;
    std::unique_ptr<TChartSeries> Series1;
    std::unique_ptr<TChartSeries> Series2;
    std::unique_ptr<TChartSeries> Series3;

    // Height of the results area and width of the results list (what INTERFACE stores).
    int ReportPanelHeight() const;
    int TextPanelWidth() const;
    void SetReportPanelHeight(int height);
    void SetTextPanelWidth(int width);

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void CreateActions();
    void CreateToolPanel();
    void CreateWorkArea();
    void CreatePopupMenu();
    void FormCreate();
    void ApplyPanelSizes();
    void PaintBoxMouseDown(QMouseEvent* e, QPoint at);
    void PaintBoxMouseMove(QMouseEvent* e, QPoint at);
    void PaintBoxMouseUp(QMouseEvent* e, QPoint at);
    void SetCaption();

    TfrmConsole* frmConsole;
    TdlgParams* dlgParams = nullptr;
    TfrmAbout* frmAbout = nullptr;
    std::unique_ptr<TStatusPanelAdapter> StatusAdapter;
    int WantedReportHeight = 190;
    int WantedTextWidth = 201;
    bool SizesApplied = false;
};
