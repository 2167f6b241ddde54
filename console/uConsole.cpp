#include "console/uConsole.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>

#include "console/xConsole.h"
#include "ui/Glyphs.h"

// ---- command line ----

TConsoleEdit::TConsoleEdit(TfrmConsole* form, QWidget* parent) : QLineEdit(parent), Form(form) {}

bool TConsoleEdit::event(QEvent* e) {
    // Ctrl+C belongs to the window's Copy action, not to the line's selection: take the
    // shortcut as a key press here and hand it over.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->matches(QKeySequence::Copy)) {
            e->accept();
            return true;
        }
    }
    return QLineEdit::event(e);
}

void TConsoleEdit::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        Form->actCopyExecute();
        return;
    }
    if (Form->EditKeyDown(e) || Form->EditKeyPress(e)) return;
    QLineEdit::keyPressEvent(e);
}

void TConsoleEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    Form->EditEnter();
}

// ---- window ----

TfrmConsole::TfrmConsole(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      ActionToolBar(new QToolBar(this)), RichEdit(new QPlainTextEdit(this)), Panel(new QWidget(this)),
      Edit(new TConsoleEdit(this, Panel)), actCopy(new QAction(this)), actSave(new QAction(this)),
      actClose(new QAction(this)) {
    ProgramFolder = QCoreApplication::applicationDirPath();
    setWindowTitle(QStringLiteral(" Console"));
    setModal(false);
    resize(510, 314);
    setSizeGripEnabled(true);
    setAutoFillBackground(true);

    actSave->setToolTip(QStringLiteral(" Save Report to File "));
    actSave->setIcon(GlyphIcon(TGlyph::Save));
    actCopy->setToolTip(QStringLiteral(" Copy Report to Clipboard "));
    actCopy->setIcon(GlyphIcon(TGlyph::Copy));
    actCopy->setShortcut(QKeySequence::Copy);
    actCopy->setShortcutContext(Qt::WindowShortcut);
    actClose->setToolTip(QStringLiteral(" Close Console "));
    actClose->setIcon(GlyphIcon(TGlyph::Close));
    connect(actCopy, &QAction::triggered, this, &TfrmConsole::actCopyExecute);
    connect(actSave, &QAction::triggered, this, &TfrmConsole::actSaveExecute);
    connect(actClose, &QAction::triggered, this, &TfrmConsole::actCloseExecute);
    addAction(actCopy);  // Ctrl+C anywhere in the window

    ActionToolBar->setFixedHeight(26);
    ActionToolBar->setIconSize(QSize(16, 16));
    ActionToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ActionToolBar->addAction(actSave);
    ActionToolBar->addAction(actCopy);
    ActionToolBar->addSeparator();
    ActionToolBar->addAction(actClose);
    ActionToolBar->addSeparator();

    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(10);
    RichEdit->setReadOnly(true);
    RichEdit->setFont(mono);
    RichEdit->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    RichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    RichEdit->setUndoRedoEnabled(false);
    {
        QPalette pal = RichEdit->palette();
        pal.setColor(QPalette::Base, palette().color(QPalette::Window));
        pal.setColor(QPalette::Text, Qt::black);
        RichEdit->setPalette(pal);
    }
    RichEdit->installEventFilter(this);
    RichEdit->viewport()->installEventFilter(this);

    Panel->setFixedHeight(24);
    Edit->setFont(mono);
    Edit->setFrame(true);
    auto* panelLayout = new QVBoxLayout(Panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(Edit);  // the width follows the panel's (PanelResize)
    Edit->setFixedHeight(24);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar);
    layout->addWidget(RichEdit, 1);
    layout->addWidget(Panel);

    FormCreate();
    setFocusProxy(Edit);
}

void TfrmConsole::FormCreate() {
    SkipCompletion = false;
    Updating = true;
    Edit->setText(QStringLiteral(">"));
    Updating = false;
    connect(Edit, &QLineEdit::textChanged, this, [this] { EditChange(); });
}

int TfrmConsole::PromptLength() const { return Console ? Console->PromptLength : 1; }

void TfrmConsole::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!Centred) {
        Centred = true;
        if (QScreen* s = screen()) {
            const QRect area = s->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
    if (!Locked) Edit->setFocus();
}

// ---- IConsoleSink ----

void TfrmConsole::AppendLine(const std::string& line) {
    RichEdit->appendPlainText(QString::fromStdString(line));
    QScrollBar* bar = RichEdit->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void TfrmConsole::ColorLastLinePrefix(int length, std::uint32_t color) {
    QTextBlock last = RichEdit->document()->lastBlock();
    QTextCursor c(last);
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, std::min(length, last.length() - 1));
    QTextCharFormat f;
    f.setForeground(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    c.mergeCharFormat(f);
    // Caret at the end, nothing selected.
    QTextCursor end(RichEdit->document());
    end.movePosition(QTextCursor::End);
    RichEdit->setTextCursor(end);
}

void TfrmConsole::ShowWindow() {
    show();
    raise();
    activateWindow();
}

void TfrmConsole::HideWindow() { hide(); }

bool TfrmConsole::IsWindowVisible() const { return isVisible(); }

void TfrmConsole::ClearOutput() { RichEdit->clear(); }

void TfrmConsole::LockForFatalReport() {
    Locked = true;
    Edit->setEnabled(false);
    RichEdit->setEnabled(false);
    Panel->hide();
}

void TfrmConsole::ShowFatalReport() {
    // A read-only report: only the tool bar (copy, save, close) stays usable.
    LockForFatalReport();
    hide();
    setWindowModality(Qt::ApplicationModal);
    exec();
}

void TfrmConsole::ProcessPendingMessages() {
    // Paints and timers run; queued user input waits until the long step has finished,
    // so it cannot start another operation in the middle of this one.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmConsole::RequestQuit(int exitCode) {
    QMetaObject::invokeMethod(qApp, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

// ---- handlers ----

void TfrmConsole::EditEnter() {
    Updating = true;
    Edit->deselect();
    Edit->setCursorPosition(PromptLength());
    Updating = false;
}

bool TfrmConsole::EditKeyDown(QKeyEvent* e) {
    const int caret = Edit->cursorPosition();
    switch (e->key()) {
    case Qt::Key_Home:
        if (e->modifiers() & Qt::ShiftModifier) return false;  // selecting is not restricted
        Edit->setCursorPosition(PromptLength());
        return true;
    case Qt::Key_Left:
        return caret <= PromptLength();
    default:
        return false;
    }
}

bool TfrmConsole::EditKeyPress(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Backspace:
        if (Edit->cursorPosition() > PromptLength()) {
            SkipCompletion = true;
            return false;  // deleted as usual
        }
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const std::string line = Edit->text().toStdString();
        if (Console) {
            Console->ExecuteLine(line);
            Updating = true;
            Edit->setText(QString::fromStdString(Console->GetPrompt()));
            Edit->setCursorPosition(Console->PromptLength);
            Updating = false;
        }
        return true;
    }
    default:
        return false;
    }
}

void TfrmConsole::EditChange() {
    if (Updating) return;
    if (SkipCompletion) {
        SkipCompletion = false;
        return;
    }
    if (!Console) return;
    std::string line = Edit->text().toStdString();
    if (Console->TryComplete(line)) {
        Updating = true;
        Edit->setText(QString::fromStdString(line));
        Edit->end(false);
        Updating = false;
    }
}

void TfrmConsole::actCopyExecute() {
    // The whole output area as text; the selections stay as they were.
    QApplication::clipboard()->setText(RichEdit->toPlainText());
}

QFileDialog* TfrmConsole::CreateSaveDialog() {
    auto* d = new QFileDialog(this, QStringLiteral("Save Report"));
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setOption(QFileDialog::DontUseNativeDialog, true);
    d->setNameFilters({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*.*)")});
    d->setDefaultSuffix(QStringLiteral("txt"));
    d->setDirectory(ProgramFolder);
    d->selectFile(QStringLiteral("Report.txt"));
    d->setSizeGripEnabled(true);
    return d;
}

bool TfrmConsole::SaveOutput(const QString& path, QString* error) const {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error) *error = f.errorString();
        return false;
    }
    QByteArray bytes;
    for (QTextBlock b = RichEdit->document()->firstBlock(); b.isValid(); b = b.next()) {
        bytes += b.text().toUtf8();
        bytes += "\r\n";
    }
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

void TfrmConsole::actSaveExecute() {
    QFileDialog* d = CreateSaveDialog();
    if (d->exec() == QDialog::Accepted && !d->selectedFiles().isEmpty()) {
        const QString path = d->selectedFiles().first();
        QString error;
        if (!SaveOutput(path, &error))
            QMessageBox::critical(this, QStringLiteral("Morvex"),
                                  QStringLiteral("Cannot write %1: %2").arg(path, error));
    }
    delete d;
}

void TfrmConsole::actCloseExecute() { close(); }

void TfrmConsole::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) {
        actCopyExecute();
        return;
    }
    // Esc does not close the window (Close and the title bar do).
    if (e->key() == Qt::Key_Escape && !Locked) return;
    QDialog::keyPressEvent(e);
}

bool TfrmConsole::eventFilter(QObject* watched, QEvent* e) {
    // Ctrl+C in the output area copies all of it, like everywhere in the window.
    if (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->matches(QKeySequence::Copy)) {
            if (e->type() == QEvent::KeyPress) actCopyExecute();
            e->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}
