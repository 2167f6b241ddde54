#include "ui/uMain.h"

#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QAbstractEventDispatcher>
#include <chrono>
#include <exception>
#include <filesystem>

#include "console/uConsole.h"
#include "console/xConsole.h"
#include "console/xInfo.h"
#include "kernel/xKernel.h"
#include "kernel/xReport.h"
#include "picture/xPicture.h"
#include "platform/ImageFile.h"
#include "platform/NumberFormat.h"
#include "plugins/host/xPlugExec.h"
#include "plugins/host/xPlugLib.h"
#include "settings/uParams.h"
#include "settings/xParams.h"
#include "settings/xScale.h"
#include "ui/ChartPicture.h"
#include "ui/ChartSeries.h"
#include "ui/CollapsibleBand.h"
#include "ui/ColorValues.h"
#include "ui/Glyphs.h"
#include "ui/ImageView.h"
#include "ui/PaintBox.h"
#include "ui/ResultsText.h"
#include "ui/document/ReportDocument.h"
#include "ui/uAbout.h"

namespace {

const char* const InterfaceSection = "INTERFACE";
const QString AppTitle = QStringLiteral("Morvex");
constexpr int ToolPanelWidth = 177;
constexpr int SwitchWidth = 9;

QLabel* ReadOut(const QString& hint = QString()) {
    auto* l = new QLabel;
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    if (!hint.isEmpty()) l->setToolTip(hint);
    return l;
}

QSlider* Threshold() {
    auto* t = new QSlider(Qt::Horizontal);
    t->setRange(0, 100);
    t->setPageStep(10);
    t->setSingleStep(1);
    t->setTickInterval(10);
    t->setTickPosition(QSlider::TicksBelow);
    t->setToolTip(QStringLiteral(" Set threshold level for the filtering "));
    return t;
}

TShiftState ShiftOf(QMouseEvent* e) {
    const Qt::KeyboardModifiers m = e->modifiers();
    TShiftState s;
    s.Shift = m & Qt::ShiftModifier;
    s.Ctrl = m & Qt::ControlModifier;
    s.Alt = m & Qt::AltModifier;
    s.Left = e->buttons() & Qt::LeftButton;
    s.Right = e->buttons() & Qt::RightButton;
    return s;
}

QString Dec(std::int64_t v) { return QString::number(v); }

}  // namespace

void TStatusPanelAdapter::SetText(const std::string& text) { Label->setText(QString::fromStdString(text)); }

// ---- creation ----

TfrmMain::TfrmMain(TfrmConsole* console, QWidget* parent) : QMainWindow(parent), frmConsole(console) {
    setWindowTitle(AppTitle);
    setWindowIcon(GlyphIcon(TGlyph::Program));
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    setGeometry(226, 123, 650, 636);  // restored bounds
    setAcceptDrops(true);
    ShowError = [this](const QString& text) { QMessageBox::critical(this, AppTitle, text); };
    ShowInformation = [this](const QString& text) { QMessageBox::information(this, AppTitle, text); };
    OpenDocument = OpenWithDesktop;

    CreateActions();
    CreateWorkArea();
    CreatePopupMenu();
    CreateToolPanel();

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(Splitter1, 1);
    row->addWidget(Panel2);
    setCentralWidget(central);

    QStatusBar* bar = statusBar();
    const int widths[3] = {64, 64, 128};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(bar);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setFixedWidth(widths[i]);
        if (i < 2) l->setAlignment(Qt::AlignCenter);
        bar->addWidget(l);
        StatusPanels[i] = l;
    }
    StatusAdapter = std::make_unique<TStatusPanelAdapter>(StatusPanels[2]);

    FormCreate();

    // The enabling rules are evaluated whenever the application is idle.
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TfrmMain::UpdateActions);
}

void TfrmMain::CreateActions() {
    auto make = [this](const QString& text, const QKeySequence& key, const QString& hint, TGlyph* glyph) {
        auto* a = new QAction(text, this);
        if (!key.isEmpty()) a->setShortcut(key);
        if (!hint.isEmpty()) {
            a->setToolTip(hint);
            a->setStatusTip(hint);
        }
        if (glyph) a->setIcon(GlyphIcon(*glyph));
        return a;
    };
    TGlyph gOpen = TGlyph::Open, gSave = TGlyph::Save, gAnalyse = TGlyph::Analyse, gAbout = TGlyph::About,
           gParams = TGlyph::Preferences, gExport = TGlyph::Export;
    actFileOpen = make(QStringLiteral("&Open ..."), QKeySequence(Qt::CTRL | Qt::Key_O), QStringLiteral(" Open image "), &gOpen);
    actSave = make(QStringLiteral("&Save ..."), QKeySequence(Qt::CTRL | Qt::Key_S), QStringLiteral(" Save image report "), &gSave);
    actExportWord = make(QStringLiteral("&Export to Word  "), QKeySequence(Qt::CTRL | Qt::Key_W),
                         QStringLiteral(" Export results to MS Word "), &gExport);
    actParams = make(QStringLiteral("&Preferences ..."), QKeySequence(Qt::Key_F5), QString(), &gParams);
    actExit = make(QStringLiteral("E&xit"), QKeySequence(), QString(), nullptr);
    actAnalyse = make(QStringLiteral("&Analyse"), QKeySequence(Qt::Key_F9), QStringLiteral(" Analyse image "), &gAnalyse);
    actHelp = make(QStringLiteral("&Help"), QKeySequence(Qt::Key_F1), QString(), nullptr);
    actAbout = make(QStringLiteral("&About ..."), QKeySequence(), QString(), &gAbout);
    actConsole = make(QString(), QKeySequence(Qt::Key_F2), QString(), nullptr);
    actAnalyse->setIconText(QStringLiteral("Analyse"));

    connect(actFileOpen, &QAction::triggered, this, &TfrmMain::actFileOpenExecute);
    connect(actSave, &QAction::triggered, this, &TfrmMain::actSaveExecute);
    connect(actExportWord, &QAction::triggered, this, &TfrmMain::actExportWordExecute);
    connect(actParams, &QAction::triggered, this, &TfrmMain::actParamsExecute);
    connect(actExit, &QAction::triggered, this, &TfrmMain::actExitExecute);
    connect(actAnalyse, &QAction::triggered, this, &TfrmMain::actAnalyseExecute);
    connect(actHelp, &QAction::triggered, this, &TfrmMain::actHelpExecute);
    connect(actAbout, &QAction::triggered, this, &TfrmMain::actAboutExecute);
    connect(actConsole, &QAction::triggered, this, &TfrmMain::actConsoleExecute);

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->addAction(actFileOpen);
    mnuFile->addAction(actSave);
    mnuFile->addAction(actExportWord);
    mnuFile->addSeparator();
    mnuFile->addAction(actParams);
    mnuFile->addSeparator();
    mnuFile->addAction(actExit);
    mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->addAction(actAnalyse);
    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->addAction(actHelp);
    mnuHelp->addAction(actAbout);
    addAction(actConsole);  // on no bar; F2 works wherever the window has the focus

    ToolBar = addToolBar(QStringLiteral("ToolBar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->setContentsMargins(4, 0, 0, 0);
    ToolBar->addAction(actFileOpen);
    ToolBar->addAction(actSave);
    ToolBar->addAction(actExportWord);
    ToolBar->addSeparator();
    ToolBar->addAction(actAnalyse);
    ToolBar->addSeparator();
}

void TfrmMain::CreateWorkArea() {
    ScrollBox = new TImageView;
    ScrollBox->setMinimumHeight(24);
    ScrollBox->OnPaint = [this] { PaintBoxPaint(); };
    ScrollBox->OnExpose = [this] {
        if (Kernel) Kernel->PaintView();
    };
    ScrollBox->OnResize = [this] {
        // ScrollBoxResize
        if (!Kernel) return;
        FitView();
        ScrollBox->ScrollToTopLeft();
    };
    ScrollBox->OnMouseDown = [this](QMouseEvent* e, QPoint at) { PaintBoxMouseDown(e, at); };
    ScrollBox->OnMouseMove = [this](QMouseEvent* e, QPoint at) { PaintBoxMouseMove(e, at); };
    ScrollBox->OnMouseUp = [this](QMouseEvent* e, QPoint at) { PaintBoxMouseUp(e, at); };

    vleStats = new QTableWidget(6, 2);
    vleStats->setHorizontalHeaderLabels({QStringLiteral(" Parameter"), QStringLiteral(" Value")});
    vleStats->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    vleStats->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // The value column takes the panel's remaining width; a value longer than that shows
    // in full as the cell's tool tip.
    vleStats->horizontalHeader()->setStretchLastSection(true);
    vleStats->verticalHeader()->hide();
    vleStats->verticalHeader()->setDefaultSectionSize(18);
    vleStats->setColumnWidth(0, 99);
    vleStats->setColumnWidth(1, 96);
    vleStats->setEditTriggers(QAbstractItemView::NoEditTriggers);
    vleStats->setSelectionMode(QAbstractItemView::SingleSelection);
    vleStats->setShowGrid(true);
    const char* keys[6] = {" Number", " Radius", " Distance", " Filling", " Zone Area", " Filled Area"};
    for (int i = 0; i < 6; ++i) {
        vleStats->setItem(i, 0, new QTableWidgetItem(QString::fromLatin1(keys[i])));
        vleStats->setItem(i, 1, new QTableWidgetItem(QString()));
    }

    Panel6 = new QFrame;
    auto* l6 = new QVBoxLayout(Panel6);
    l6->setContentsMargins(0, 0, 0, 0);
    l6->addWidget(vleStats);
    Panel6->setMinimumWidth(1);

    PageControl1 = new QTabWidget;
    Series1 = std::make_unique<TChartSeries>(PageControl1);
    Series2 = std::make_unique<TChartSeries>(PageControl1);
    Series3 = std::make_unique<TChartSeries>(PageControl1);
    PageControl1->addTab(Series1->View(), QStringLiteral(" Radius "));
    PageControl1->addTab(Series2->View(), QStringLiteral(" Distance "));
    PageControl1->addTab(Series3->View(), QStringLiteral(" Area "));

    Panel7 = new QFrame;
    Panel7->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* l7 = new QVBoxLayout(Panel7);
    l7->setContentsMargins(1, 1, 1, 1);
    l7->addWidget(PageControl1);
    Panel7->setMinimumWidth(1);

    Splitter2 = new QSplitter(Qt::Horizontal);
    Splitter2->setHandleWidth(7);
    Splitter2->setChildrenCollapsible(false);
    Splitter2->addWidget(Panel6);
    Splitter2->addWidget(Panel7);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);

    Panel5 = new QFrame;
    auto* l5 = new QVBoxLayout(Panel5);
    l5->setContentsMargins(0, 0, 0, 0);
    l5->addWidget(Splitter2);
    Panel5->setMinimumHeight(1);

    Splitter1 = new QSplitter(Qt::Vertical);
    Splitter1->setHandleWidth(7);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(ScrollBox);
    Splitter1->addWidget(Panel5);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] {
        // A drag leaves the results area at least 24 pixels high.
        const QList<int> s = Splitter1->sizes();
        if (s.size() == 2 && s[1] < 24) Splitter1->setSizes({s[0] + s[1] - 24, 24});
    });
}

void TfrmMain::CreateToolPanel() {
    Panel2 = new QFrame;
    Panel2->setFixedWidth(ToolPanelWidth);
    auto* row = new QHBoxLayout(Panel2);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    btnSwitch = new QToolButton;
    btnSwitch->setText(QStringLiteral(">"));
    btnSwitch->setToolTip(QStringLiteral(" Show/Hide the tool panel "));
    btnSwitch->setAutoRaise(true);
    btnSwitch->setFixedWidth(SwitchWidth);
    btnSwitch->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    QFont bf = btnSwitch->font();
    bf.setBold(true);
    btnSwitch->setFont(bf);
    btnSwitch->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; }"));
    connect(btnSwitch, &QToolButton::clicked, this, &TfrmMain::btnSwitchClick);
    row->addWidget(btnSwitch);

    ScrollMax = new QScrollArea;
    ScrollMax->setFixedWidth(168);
    ScrollMax->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ScrollMax->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollMax->setWidgetResizable(true);
    row->addWidget(ScrollMax);

    auto* holder = new QWidget;
    auto* col = new QVBoxLayout(holder);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(1);
    const std::pair<const char*, int> bands[5] = {{"Zoom", 174}, {"Zone", 67}, {"Colors", 94}, {"Scale", 70}, {"Features", 143}};
    for (int i = 0; i < 5; ++i) {
        Bands[i] = new TCollapsibleBand(QString::fromLatin1(bands[i].first), bands[i].second);
        col->addWidget(Bands[i]);
    }
    col->addStretch(1);
    ScrollMax->setWidget(holder);

    // Zoom: the lens.
    TCollapsibleBand* zoom = Bands[0];
    Panel4 = new QFrame;
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel4->setLineWidth(1);
    zoom->Place(Panel4, 4, 21, 150, 150);
    LensBox = new TPaintBox(Panel4);
    LensBox->setGeometry(4, 4, 142, 142);
    LensBox->OnPaint = [this] { LensBoxPaint(); };

    // Zone: position and size read-outs.
    TCollapsibleBand* zone = Bands[1];
    txtX = ReadOut(QStringLiteral(" Horizontal position "));
    txtY = ReadOut(QStringLiteral(" Vertical position "));
    txtW = ReadOut(QStringLiteral(" Width "));
    txtH = ReadOut(QStringLiteral(" Height "));
    const std::pair<const char*, QLabel*> cells[4] = {{"X", txtX}, {"Y", txtY}, {"W", txtW}, {"H", txtH}};
    for (int i = 0; i < 4; ++i) {
        const int x = (i % 2) * 72 + 8, y = (i / 2) * 22 + 22;
        auto* caption = new QLabel(QString::fromLatin1(cells[i].first));
        zone->Place(caption, x, y, 12, 17);
        zone->Place(cells[i].second, x + 14, y, 52, 17);
    }

    // Colors: filtering switch, zoom, band read-outs and the filter range bar.
    TCollapsibleBand* colors = Bands[2];
    chkFilter = new QCheckBox(QStringLiteral("Filtering"));
    chkFilter->setToolTip(QStringLiteral(" Switches filtering on/off "));
    colors->Place(chkFilter, 8, 20, 65, 17);
    cmbZoom = new QComboBox;
    cmbZoom->addItems({QStringLiteral(" 10 %"), QStringLiteral(" 25 %"), QStringLiteral(" 50 %"),
                       QStringLiteral(" 100 %"), QStringLiteral(" 150 %"), QStringLiteral(" 200 %")});
    cmbZoom->setToolTip(QStringLiteral(" Image zoom level "));
    colors->Place(cmbZoom, 80, 18, 62, 21);
    txtBmin = ReadOut();
    colors->Place(txtBmin, 8, 50, 65, 17);
    txtBmax = ReadOut();
    colors->Place(txtBmax, 80, 50, 62, 17);
    Panel8 = new QFrame;
    Panel8->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel8->setLineWidth(1);
    colors->Place(Panel8, 8, 72, 135, 16);
    PaintBox1 = new TPaintBox(Panel8);
    PaintBox1->setGeometry(1, 1, 133, 14);
    PaintBox1->setToolTip(QStringLiteral(" Filter range (use LMB and RMB) "));
    PaintBox1->OnPaint = [this] { PaintBox1Paint(); };
    PaintBox1->OnMouseDown = [this](QMouseEvent* e) { PaintBox1MouseDown(e->button(), e->position().toPoint().x()); };
    PaintBox1->OnMouseMove = [this](QMouseEvent* e) { PaintBox1MouseMove(e->position().toPoint().x()); };
    PaintBox1->OnMouseUp = [this](QMouseEvent*) { PaintBox1MouseUp(); };
    connect(chkFilter, &QCheckBox::clicked, this, &TfrmMain::chkFilterClick);
    connect(cmbZoom, &QComboBox::activated, this, &TfrmMain::cmbZoomChange);

    // Scale: number of units, unit and orientation of the mark.
    TCollapsibleBand* scale = Bands[3];
    cmbValue = new QComboBox;
    cmbValue->addItems({QStringLiteral(" 1"), QStringLiteral(" 10"), QStringLiteral(" 100"), QStringLiteral(" 1000")});
    cmbValue->setToolTip(QStringLiteral(" Number of units "));
    scale->Place(cmbValue, 8, 20, 60, 21);
    cmbDims = new QComboBox;
    cmbDims->addItems({QStringLiteral(" nanometre"), QStringLiteral(" micrometre"), QStringLiteral(" millimetre"),
                       QStringLiteral(" centimetre")});
    cmbDims->setToolTip(QStringLiteral(" Dimension "));
    scale->Place(cmbDims, 8, 45, 136, 21);
    chkVScale = new QCheckBox(QStringLiteral(" Vertical"));
    scale->Place(chkVScale, 74, 22, 72, 17);
    connect(cmbValue, &QComboBox::activated, this, &TfrmMain::cmbValueChange);
    connect(cmbDims, &QComboBox::activated, this, &TfrmMain::cmbDimsChange);
    connect(chkVScale, &QCheckBox::clicked, this, &TfrmMain::chkVScaleClick);

    // Features: outlines, fill radius, fill and radial filters with their thresholds.
    TCollapsibleBand* features = Bands[4];
    chkShowDots = new QCheckBox(QStringLiteral("Show"));
    chkShowDots->setToolTip(QStringLiteral(" Show feature boundaries "));
    features->Place(chkShowDots, 8, 20, 64, 17);
    chkFillR = new QCheckBox(QStringLiteral("Fill R"));
    chkFillR->setToolTip(QStringLiteral(" Use fill area equivalent radius "));
    features->Place(chkFillR, 80, 20, 64, 17);
    chkDFilter = new QCheckBox(QStringLiteral("Fill Filter"));
    chkDFilter->setToolTip(QStringLiteral(" Switch fill filter on/off "));
    features->Place(chkDFilter, 8, 42, 84, 17);
    txtDBarrier = ReadOut();
    features->Place(txtDBarrier, 96, 42, 48, 17);
    trkDBarrier = Threshold();
    features->Place(trkDBarrier, 4, 61, 144, 24);
    chkRFilter = new QCheckBox(QStringLiteral("Rad Filter"));
    chkRFilter->setToolTip(QStringLiteral(" Switch radial filter on/off "));
    features->Place(chkRFilter, 8, 90, 84, 17);
    txtRBarrier = ReadOut();
    features->Place(txtRBarrier, 96, 90, 48, 17);
    trkRBarrier = Threshold();
    features->Place(trkRBarrier, 4, 109, 144, 24);
    connect(chkShowDots, &QCheckBox::clicked, this, &TfrmMain::chkShowDotsClick);
    connect(chkFillR, &QCheckBox::clicked, this, &TfrmMain::chkFillRClick);
    connect(chkDFilter, &QCheckBox::clicked, this, &TfrmMain::chkDFilterClick);
    connect(chkRFilter, &QCheckBox::clicked, this, &TfrmMain::chkRFilterClick);
    connect(trkDBarrier, &QSlider::valueChanged, this, &TfrmMain::trkDBarrierChange);
    connect(trkRBarrier, &QSlider::valueChanged, this, &TfrmMain::trkRBarrierChange);
}

void TfrmMain::FormCreate() {
    // 1. The kernel paints on the view, the lens and the range bar; progress on panel 2.
    Kernel = std::make_unique<TKernel>(&ScrollBox->Surface(), &LensBox->Surface(), &PaintBox1->Surface(),
                                       StatusAdapter.get(), std::string(),
                                       reinterpret_cast<std::intptr_t>(static_cast<QWidget*>(this)));
    // 2. The view, the lens and the range bar paint from back buffers (no flicker).
    // 3.
    Busy = false;
    BandDrag = 0;
    // 4.
    IniOpen(Console);
    const bool tools = IniReadBool(Console, InterfaceSection, "ToolsPanel", ToolsShown);
    WantedReportHeight = std::max(IniReadInteger(Console, InterfaceSection, "ReportPanel", 190), 1);
    WantedTextWidth = IniReadInteger(Console, InterfaceSection, "TextPanel", 201);
    IniClose(Console);
    WantedTextWidth = std::max(WantedTextWidth, 1);
    ApplyPanelSizes();
    // 5. (The tool panel's layout gives the switch button and the band panel its height.)
    // 6.
    if (tools != ToolsShown) btnSwitchClick();
    // 7.
    OutputMode = 0;
    // 8.
    ShowSettings();
    // 9.
    BuildPluginMenu();
    UpdateActions();
}

TfrmMain::~TfrmMain() {
    // FormDestroy.
    IniOpen(Console);
    IniWriteBool(Console, InterfaceSection, "ToolsPanel", ToolsShown);
    IniWriteInteger(Console, InterfaceSection, "ReportPanel", ReportPanelHeight());
    IniWriteInteger(Console, InterfaceSection, "TextPanel", TextPanelWidth());
    IniClose(Console);
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) disconnect(d, nullptr, this, nullptr);
    Kernel.reset();  // before the boxes it paints on go
}

QString TfrmMain::AppDir() {
    if (Console && Console->Info && !Console->Info->AppDir.empty())
        return QString::fromStdString(Console->Info->AppDir);
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

// ---- sizes of the results area ----

void TfrmMain::ApplyPanelSizes() {
    const int total = std::max(Splitter1->height() - Splitter1->handleWidth(), WantedReportHeight + 24);
    Splitter1->setSizes({total - WantedReportHeight, WantedReportHeight});
    const int width = std::max(Splitter2->width() - Splitter2->handleWidth(), WantedTextWidth + 24);
    Splitter2->setSizes({WantedTextWidth, width - WantedTextWidth});
}

int TfrmMain::ReportPanelHeight() const { return SizesApplied ? Panel5->height() : WantedReportHeight; }
int TfrmMain::TextPanelWidth() const { return SizesApplied ? Panel6->width() : WantedTextWidth; }

void TfrmMain::SetReportPanelHeight(int height) {
    WantedReportHeight = std::max(height, 1);
    ApplyPanelSizes();
}

void TfrmMain::SetTextPanelWidth(int width) {
    WantedTextWidth = std::max(width, 1);
    ApplyPanelSizes();
}

void TfrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!SizesApplied) {
        // Shown for the first time: the results area and list take their stored sizes
        // (the splitters keep them when the window is maximised afterwards).
        layout()->activate();
        ApplyPanelSizes();
        SizesApplied = true;
    }
}

void TfrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    if (!SizesApplied && isVisible()) {
        // The first real size: the results area and list take their stored sizes.
        layout()->activate();
        ApplyPanelSizes();
        SizesApplied = true;
    }
}

// ---- tool panel ----

void TfrmMain::btnSwitchClick() {
    const bool shown = ToolsShown;
    Panel2->setFixedWidth(shown ? SwitchWidth : ToolPanelWidth);
    btnSwitch->setText(shown ? QStringLiteral("<") : QStringLiteral(">"));
    ToolsShown = !shown;
    ScrollMax->setEnabled(ToolsShown);
    ScrollMax->setVisible(ToolsShown);
    if (ToolsShown) LensBox->Invalidate();  // the lens shows the last pointer position
}

// ---- actions ----

void TfrmMain::UpdateActions() {
    if (!Kernel) return;
    const bool ready = Kernel->Picture->HasImage() && Kernel->Scale->IsPlaced();
    actAnalyse->setEnabled(ready && !Analysing);
    actExportWord->setEnabled(ready && !Exporting);
    for (QAction* a : PluginActions) PluginUpdate(a);
}

void TfrmMain::SetCaption() {
    if (!Kernel->PictureName.empty())
        setWindowTitle(AppTitle + QStringLiteral(" - ") + QString::fromStdString(Kernel->PictureName));
}

bool TfrmMain::OpenPicture(const QString& path) {
    try {
        Kernel->LoadPicture(path.toStdString());
    } catch (const std::exception& e) {
        // The reader's own message: which file and why.
        ShowError(QString::fromLocal8Bit(e.what()));
        RepaintView();
        return false;
    }
    SetCaption();
    RepaintView();
    UpdateActions();
    return Kernel->Picture->HasImage();
}

void TfrmMain::actFileOpenExecute() {
    QString folder = AppDir();
    std::error_code ec;
    if (!Kernel->FileName.empty() && std::filesystem::is_regular_file(Kernel->FileName, ec))
        folder = QFileInfo(QString::fromStdString(Kernel->FileName)).absolutePath();
    QStringList patterns;
    for (const std::string& ext : SupportedImageExtensions()) patterns << QStringLiteral("*.") + QString::fromStdString(ext);
    const QString filter = QStringLiteral("Images (%1);;All Files (*)").arg(patterns.join(QLatin1Char(' ')));
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), folder, filter);
    if (name.isEmpty()) return;
    OpenPicture(name);
}

QFileDialog* TfrmMain::CreateReportDialog() {
    if (ReportDialogName.isEmpty()) {
        // First use: beside the picture, named after it; else "Untitled" in our folder.
        std::error_code ec;
        if (!Kernel->FileName.empty() && std::filesystem::is_regular_file(Kernel->FileName, ec)) {
            const QFileInfo info(QString::fromStdString(Kernel->FileName));
            ReportDialogFolder = info.absolutePath();
            std::filesystem::path p = std::filesystem::path(Kernel->FileName).filename();
            p.replace_extension(".txt");
            ReportDialogName = QString::fromStdString(p.string());
        } else {
            ReportDialogFolder = AppDir();
            ReportDialogName = QStringLiteral("Untitled");
        }
    }
    auto* d = new QFileDialog(this, QStringLiteral("Save Report"));
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setOption(QFileDialog::DontUseNativeDialog, true);
    d->setNameFilters({QStringLiteral("Report Files (*.txt)"), QStringLiteral("All Files (*.*)")});
    d->setDefaultSuffix(QStringLiteral("txt"));
    d->setDirectory(ReportDialogFolder);
    d->selectFile(ReportDialogName);
    return d;
}

void TfrmMain::actSaveExecute() {
    QFileDialog* d = CreateReportDialog();
    const bool ok = d->exec() == QDialog::Accepted && !d->selectedFiles().isEmpty();
    const QString path = ok ? d->selectedFiles().first() : QString();
    delete d;
    if (!ok) return;
    const QFileInfo chosen(path);
    ReportDialogFolder = chosen.absolutePath();
    ReportDialogName = chosen.fileName();
    TReport report(*Kernel, *Series1, *Series2, *Series3);
    OutputMode = 1;
    report.SaveReportFile(path.toStdString());  // a failure is logged by the report
    OutputMode = 0;
    Series1->Flush();
    Series2->Flush();
    Series3->Flush();
}

void TfrmMain::actAnalyseExecute() {
    if (!Kernel->Picture->HasImage() || !Kernel->Scale->IsPlaced()) return;
    Analysing = true;
    actAnalyse->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Milliseconds as 32-bit tick readings; their unsigned difference survives a wrap.
    auto ticks = [] {
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    };
    const std::uint32_t t0 = ticks();
    Kernel->Analyse();
    const std::uint32_t t1 = ticks();
    StatusPanels[1]->setText(QString::fromStdString(FormatGeneral((t1 - t0) / 1000.0) + " s"));
    ShowMemory();
    RepaintView();
    QApplication::restoreOverrideCursor();
    Analysing = false;
    actAnalyse->setEnabled(true);
    UpdateActions();
}

void TfrmMain::actParamsExecute() {
    if (!dlgParams) return;
    dlgParams->LoadFromParams();
    if (dlgParams->exec() != QDialog::Accepted) return;
    dlgParams->StoreToParams();
    Kernel->Picture->RefilterIfOn(false);
    RepaintView();
}

void TfrmMain::actHelpExecute() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(AppDir() + QStringLiteral("help.txt")));
}

void TfrmMain::actConsoleExecute() {
    if (!frmConsole) return;
    if (frmConsole->IsWindowVisible())
        frmConsole->HideWindow();
    else
        frmConsole->ShowWindow();
}

void TfrmMain::actAboutExecute() {
    if (frmAbout) frmAbout->ShowModal();
}

void TfrmMain::actExitExecute() { close(); }

void TfrmMain::closeEvent(QCloseEvent* e) {
    QMainWindow::closeEvent(e);
    if (e->isAccepted()) QCoreApplication::quit();
}

// ---- state to controls ----

void TfrmMain::ShowSettings() {
    SetCaption();
    const TPic& p = *Kernel->Picture;
    chkFilter->setChecked(p.Filter);
    cmbZoom->setCurrentIndex(p.Zoom <= 5 ? p.Zoom : -1);
    txtBmin->setText(Dec(p.FilterMin));
    txtBmax->setText(Dec(p.FilterMax));
    chkShowDots->setChecked(Kernel->ShowDots);
    chkFillR->setChecked(Kernel->FillRad);
    chkDFilter->setChecked(Kernel->FFilter);
    chkRFilter->setChecked(Kernel->RFilter);
    Busy = true;  // the track bars only take the stored values here
    trkDBarrier->setValue(Kernel->FBarrier);
    trkRBarrier->setValue(Kernel->RBarrier);
    Busy = false;
    txtDBarrier->setText(Dec(Kernel->FBarrier) + QStringLiteral(" %"));
    txtRBarrier->setText(Dec(Kernel->RBarrier) + QStringLiteral(" %"));
    trkDBarrier->setEnabled(Kernel->FFilter);
    trkRBarrier->setEnabled(Kernel->RFilter);
    const TScale& s = *Kernel->Scale;
    cmbValue->setCurrentIndex(s.Value >= 0 && s.Value <= 3 ? s.Value : -1);
    cmbDims->setCurrentIndex(s.Dims <= 3 ? s.Dims : -1);
    chkVScale->setChecked(s.Vertical);
    ShowZone();
}

void TfrmMain::ShowMemory() {
    // Bytes handed out by the heap: small blocks plus those mapped on their own.
    const struct mallinfo2 m = mallinfo2();
    const std::uint64_t bytes = static_cast<std::uint64_t>(m.uordblks) + static_cast<std::uint64_t>(m.hblkhd);
    StatusPanels[0]->setText(QString::number(bytes / 1024) + QStringLiteral(" KB"));
}

void TfrmMain::ShowResults() {
    TAnalysisResults r{};
    Kernel->ComputeResults(r, *Series1, *Series2, *Series3);
    Series1->Flush();
    Series2->Flush();
    Series3->Flush();
    const auto rows = ResultsRows(r, Kernel->Scale->DimsName(true));
    for (int i = 0; i < 6; ++i) {
        const QString text = QString::fromStdString(rows[i].second);
        vleStats->item(i, 1)->setText(text);
        vleStats->item(i, 1)->setToolTip(text);
    }
}

void TfrmMain::ShowZone() {
    if (!Kernel->ZoneChanged) return;
    const TPic& p = *Kernel->Picture;
    txtX->setText(Dec(p.Left));
    txtY->setText(Dec(p.Top));
    txtW->setText(Dec(std::int64_t(p.Right) - p.Left));
    txtH->setText(Dec(std::int64_t(p.Bottom) - p.Top));
    Kernel->ZoneChanged = false;
}

// ---- image view ----

void TfrmMain::FitView() {
    const TPoint size = Kernel->ViewSize();
    const int w = std::max(size.x, ScrollBox->ClientWidth() - ScrollBox->ViewLeft());
    const int h = std::max(size.y, ScrollBox->ClientHeight() - ScrollBox->ViewTop());
    ScrollBox->SetViewSize(w, h);
}

void TfrmMain::RepaintView() { ScrollBox->Invalidate(); }

void TfrmMain::PaintBoxPaint() {
    ShowResults();
    FitView();
    ScrollBox->PrepareBuffer();
    Kernel->PaintView();
    ShowMemory();
    ShowZone();
    UpdateActions();
}

void TfrmMain::LensBoxPaint() { Kernel->PaintLens(); }

void TfrmMain::PaintBoxMouseDown(QMouseEvent* e, QPoint at) {
    TMouseButton b;
    switch (e->button()) {
    case Qt::LeftButton: b = TMouseButton::Left; break;
    case Qt::RightButton: b = TMouseButton::Right; break;
    default: b = TMouseButton::Middle; break;
    }
    Kernel->MouseDown(b, ShiftOf(e), at.x(), at.y());
}

void TfrmMain::PaintBoxMouseMove(QMouseEvent* e, QPoint at) {
    Kernel->MouseMove(ShiftOf(e), at.x(), at.y(), ToolsShown);
    ShowZone();
}

void TfrmMain::PaintBoxMouseUp(QMouseEvent*, QPoint at) {
    Kernel->MouseUp(at.x(), at.y());
    ShowZone();
}

void TfrmMain::cmbZoomChange(int index) {
    if (index < 0 || index > 5) return;
    Kernel->Picture->SetZoom(static_cast<std::uint8_t>(index));
    ScrollBox->ScrollToTopLeft();
    RepaintView();
}

// ---- filter range bar ----

void TfrmMain::chkFilterClick() {
    Kernel->Picture->SetFilter(chkFilter->isChecked());
    RepaintView();
}

void TfrmMain::PaintBox1Paint() {
    const TPic& p = *Kernel->Picture;
    IDrawSurface& s = PaintBox1->Surface();
    const TPoint size = s.ClientSize();
    const int w = size.x, h = size.y;
    const double step = BarStep(p.GrayMin, p.GrayMax, w);
    int lo = 0, hi = 255;
    if (step > 0) {
        lo = BarColumn(p.FilterMin, p.GrayMin, step);
        hi = BarColumn(p.FilterMax, p.GrayMin, step);
    }
    for (int x = 0; x < w; ++x) {
        const int g = std::clamp(BarLevel(x, p.GrayMin, step), 0, 255);
        std::int32_t color = ColorValue::Rgb(g, g, g);
        if (lo < x && x < hi) color = ColorValue::Rgb(g, std::min((g + 255) / 2, 255), g);
        s.SetPen(color, TPenStyle::Solid, false);
        s.Line({x, 0}, {x, h});
    }
    s.SetPen(ColorValue::Rgb(0, 255, 0), TPenStyle::Solid, false);
    s.Line({lo, 0}, {lo, h});
    s.Line({hi, 0}, {hi, h});
    s.SetPen(0, TPenStyle::Solid, false);
    txtBmin->setText(Dec(p.FilterMin));
    txtBmax->setText(Dec(p.FilterMax));
}

void TfrmMain::PaintBox1MouseDown(Qt::MouseButton button, int x) {
    if (Busy) return;
    Busy = true;
    TPic& p = *Kernel->Picture;
    const double step = BarStep(p.GrayMin, p.GrayMax, PaintBox1->width());
    BandDrag = 0;
    if (button == Qt::LeftButton) {
        p.SetFilterMin(BarLevel(x, p.GrayMin, step));
        txtBmin->setText(Dec(p.FilterMin));
        BandDrag = 1;
    }
    if (button == Qt::RightButton && BandDrag == 0) {
        p.SetFilterMax(BarLevel(x, p.GrayMin, step));
        txtBmax->setText(Dec(p.FilterMax));
        BandDrag = 2;
    }
    if (BandDrag != 0) {
        PaintBox1->Invalidate();
        RepaintView();
        // The press grabs the pointer for the bar until the release.
    }
    Busy = false;
}

void TfrmMain::PaintBox1MouseMove(int x) {
    if (Busy) return;
    Busy = true;
    TPic& p = *Kernel->Picture;
    const double step = BarStep(p.GrayMin, p.GrayMax, PaintBox1->width());
    if (BandDrag == 1) {
        p.SetFilterMin(BarLevel(x, p.GrayMin, step));
        txtBmin->setText(Dec(p.FilterMin));
    } else if (BandDrag == 2) {
        p.SetFilterMax(BarLevel(x, p.GrayMin, step));
        txtBmax->setText(Dec(p.FilterMax));
    }
    if (BandDrag != 0) {
        PaintBox1->Invalidate();
        RepaintView();
    }
    Busy = false;
}

void TfrmMain::PaintBox1MouseUp() { BandDrag = 0; }

// ---- Features and Scale bands ----

void TfrmMain::chkShowDotsClick() {
    Kernel->ShowDots = chkShowDots->isChecked();
    RepaintView();
}

void TfrmMain::chkFillRClick() {
    Kernel->FillRad = chkFillR->isChecked();
    RepaintView();
}

void TfrmMain::chkDFilterClick() {
    Kernel->FFilter = chkDFilter->isChecked();
    RepaintView();
    trkDBarrier->setEnabled(chkDFilter->isChecked());
}

void TfrmMain::chkRFilterClick() {
    Kernel->RFilter = chkRFilter->isChecked();
    RepaintView();
    trkRBarrier->setEnabled(chkRFilter->isChecked());
}

void TfrmMain::trkDBarrierChange() {
    if (Busy || trkDBarrier->value() == Kernel->FBarrier) return;
    Busy = true;
    Kernel->FBarrier = trkDBarrier->value();
    txtDBarrier->setText(Dec(Kernel->FBarrier) + QStringLiteral(" %"));
    RepaintView();
    Busy = false;
}

void TfrmMain::trkRBarrierChange() {
    if (Busy || trkRBarrier->value() == Kernel->RBarrier) return;
    Busy = true;
    Kernel->RBarrier = trkRBarrier->value();
    txtRBarrier->setText(Dec(Kernel->RBarrier) + QStringLiteral(" %"));
    RepaintView();
    Busy = false;
}

void TfrmMain::cmbValueChange(int index) {
    if (index < 0) return;
    Kernel->Scale->SetValue(index);
    RepaintView();
    ShowResults();
}

void TfrmMain::cmbDimsChange(int index) {
    if (index < 0) return;
    Kernel->Scale->Dims = static_cast<std::uint8_t>(index);
    ShowResults();
}

void TfrmMain::chkVScaleClick() { Kernel->Scale->Vertical = chkVScale->isChecked(); }

// ---- dropping a picture file on the window ----

void TfrmMain::dragEnterEvent(QDragEnterEvent* e) {
    const QMimeData* m = e->mimeData();
    if (m->hasUrls() && !m->urls().isEmpty() && m->urls().first().isLocalFile()) e->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    e->acceptProposedAction();
    OpenPicture(urls.first().toLocalFile());
}
