#pragma once
// A main window as the user has it after opening a picture of discs, placing the scale
// mark and analysing; and an answer to the next file dialog.
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "UiSupport.h"

class TfrmMain;

class TAnalysedMain {
public:
    // beforeMain runs once the console exists and before the main window is created.
    explicit TAnalysedMain(const std::function<void(TUiEnv&)>& beforeMain = {});
    ~TAnalysedMain();
    TAnalysedMain(const TAnalysedMain&) = delete;
    TAnalysedMain& operator=(const TAnalysedMain&) = delete;

    TUiEnv Env;
    std::string Picture;  // <temp>/pics/cells.pgm
    std::unique_ptr<TfrmMain> Main;
};

void SettleEvents();

// Answers the next file dialog: records the folder it opens in, then accepts name in that
// folder with the name filter number filter (-1 leaves it), or cancels when name is empty.
void AnswerNextFileDialog(QString* openedIn, const QString& name, int filter = -1);
