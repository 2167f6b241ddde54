#pragma once
// A program environment for window tests: the console with its window and the display
// parameters on a settings file in a temporary folder, as the program has them at start.
#include <memory>
#include <string>

#include "console/uConsole.h"
#include "support/TestSupport.h"

class TfrmMain;

class TUiEnv {
public:
    // settings: the settings file's text at start (empty: no file).
    explicit TUiEnv(const std::string& settings = "");
    ~TUiEnv();
    TUiEnv(const TUiEnv&) = delete;
    TUiEnv& operator=(const TUiEnv&) = delete;

    // The main window as the program creates it (not shown).
    std::unique_ptr<TfrmMain> CreateMain();
    // Ends the run as the program does: main window first, then parameters and console.
    void Finish(std::unique_ptr<TfrmMain>& main);

    TTempDir Temp;
    std::string Ini;
    std::unique_ptr<TfrmConsole> ConsoleWindow;
    bool Finished = false;
};

// A gray picture file (PGM) made from gray(x, y).
void WriteTestPicture(const std::string& path, int w, int h, int (*gray)(int, int));
// The shipped sample micrograph and its settings.
std::string SampleFolder();
