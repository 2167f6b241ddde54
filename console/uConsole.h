#pragma once
// The console window: the log with coloured level prefixes, and the command line with its
// protected prompt, completion as you type and execution on Enter.
#include <QDialog>
#include <QLineEdit>
#include <QString>

#include "console/IConsoleSink.h"

class QAction;
class QFileDialog;
class QPlainTextEdit;
class QToolBar;
class QWidget;
class TfrmConsole;

// The command line. Home, Left and Backspace keep the caret out of the prompt; Enter runs
// the line; Ctrl+C copies the whole log instead of the line's selection.
class TConsoleEdit : public QLineEdit {
public:
    TConsoleEdit(TfrmConsole* form, QWidget* parent);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    TfrmConsole* Form;
};

class TfrmConsole : public QDialog, public IConsoleSink {
    Q_OBJECT
public:
    explicit TfrmConsole(QWidget* parent = nullptr);

    // IConsoleSink
    void AppendLine(const std::string& line) override;
    void ColorLastLinePrefix(int length, std::uint32_t color) override;
    void ShowWindow() override;
    void HideWindow() override;
    bool IsWindowVisible() const override;
    void ClearOutput() override;
    void ShowFatalReport() override;
    void ProcessPendingMessages() override;
    void RequestQuit(int exitCode) override;

    // The report file dialog as Save opens it: "Report.txt" in the program's folder.
    QFileDialog* CreateSaveDialog();
    // Writes the output area to a file, lines ending in CR LF; false with the reason when
    // the file cannot be written.
    bool SaveOutput(const QString& path, QString* error = nullptr) const;
    // Program folder used by Save (the executable's folder unless set).
    QString ProgramFolder;

    // Handlers (names as in the form).
    void EditEnter();
    // Returns true when the key was consumed.
    bool EditKeyDown(QKeyEvent* e);
    bool EditKeyPress(QKeyEvent* e);
    void EditChange();
    void actCopyExecute();
    void actSaveExecute();
    void actCloseExecute();
    // Disables the command line and the output area and hides the command-line panel.
    void LockForFatalReport();

    QToolBar* ActionToolBar;
    QPlainTextEdit* RichEdit;
    QWidget* Panel;
    TConsoleEdit* Edit;
    QAction* actCopy;
    QAction* actSave;
    QAction* actClose;

    bool Updating = false;
    bool SkipCompletion = false;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void FormCreate();
    int PromptLength() const;

    bool Centred = false;
    bool Locked = false;
};
