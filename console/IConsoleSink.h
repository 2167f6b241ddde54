#pragma once
#include <cstdint>
#include <string>

// What the console needs of the window that shows its log. The desktop program's console
// window and the command-line front end each implement it; tests use a recording one.
class IConsoleSink {
public:
    virtual ~IConsoleSink() = default;
    // Appends one line to the output area and scrolls down to it.
    virtual void AppendLine(const std::string& line) = 0;
    // Colours the first `length` characters of the last line (colour: red in the low byte).
    virtual void ColorLastLinePrefix(int length, std::uint32_t color) = 0;
    virtual void ShowWindow() = 0;  // ordinary show, brought to the front
    virtual void HideWindow() = 0;
    virtual bool IsWindowVisible() const = 0;
    virtual void ClearOutput() = 0;
    // Shows the log as a locked, modal, read-only report; returns when the user closed it.
    virtual void ShowFatalReport() = 0;
    // Lets the user interface paint and handle what is queued (long steps call this).
    virtual void ProcessPendingMessages() = 0;
    // Asks the main loop to end normally with this exit code.
    virtual void RequestQuit(int exitCode) = 0;
};
