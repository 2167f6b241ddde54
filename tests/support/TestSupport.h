#pragma once
// Shared test scaffolding: a console that records its output, on a temporary settings file.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "console/IConsoleSink.h"
#include "console/xConsole.h"

// Records what the console window would show.
class TRecordingSink : public IConsoleSink {
public:
    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    void ColorLastLinePrefix(int length, std::uint32_t color) override {
        Colored.push_back({static_cast<int>(Lines.size()) - 1, length, color});
    }
    void ShowWindow() override { Visible = true; ++ShowCount; }
    void HideWindow() override { Visible = false; }
    bool IsWindowVisible() const override { return Visible; }
    void ClearOutput() override { Lines.clear(); }
    void ShowFatalReport() override { ++FatalReports; }
    void ProcessPendingMessages() override { ++PendingCalls; }
    void RequestQuit(int exitCode) override { QuitCode = exitCode; }

    struct TColored { int Line; int Length; std::uint32_t Color; };
    std::vector<std::string> Lines;
    std::vector<TColored> Colored;
    bool Visible = false;
    int ShowCount = 0;
    int FatalReports = 0;
    int PendingCalls = 0;
    int QuitCode = -1;
};

// A fresh temporary folder, removed with the object.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    const std::filesystem::path& Path() const { return Dir; }
    std::string File(const std::string& name) const { return (Dir / name).string(); }
private:
    std::filesystem::path Dir;
};

// Creates the global Console on a temporary settings file (and frees it again).
class TConsoleScope {
public:
    explicit TConsoleScope(const std::string& settingsFile = "");
    ~TConsoleScope();
    TRecordingSink Sink;
    TTempDir Temp;
    std::string SettingsFile;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
