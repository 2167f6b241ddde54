#pragma once
// The console's output on a text stream: every line the console window would show, as it
// would show it. On a terminal the coloured prefixes of log lines are coloured with ANSI
// escapes; on a pipe or file the text is plain.
#include <cstdint>
#include <cstdio>
#include <string>

#include "console/IConsoleSink.h"

class TTerminalSink : public IConsoleSink {
public:
    explicit TTerminalSink(std::FILE* out);
    ~TTerminalSink() override;

    void AppendLine(const std::string& line) override;
    void ColorLastLinePrefix(int length, std::uint32_t color) override;
    void ShowWindow() override { Visible = true; }
    void HideWindow() override { Visible = false; }
    bool IsWindowVisible() const override { return Visible; }
    void ClearOutput() override;
    void ShowFatalReport() override { Flush(); }
    void ProcessPendingMessages() override { Flush(); }
    void RequestQuit(int exitCode) override {
        QuitRequested = true;
        ExitCode = exitCode;
    }

    // Writes the line held back for its colour, and flushes the stream.
    void Flush();

    bool QuitRequested = false;
    int ExitCode = 0;

private:
    void WritePending();

    std::FILE* Out;
    bool Colour;
    bool Visible = false;
    // The last line is held until it is certain that no colour comes for its prefix.
    bool HasPending = false;
    std::string Pending;
    int PrefixLength = 0;
    std::uint32_t PrefixColor = 0;
};

// ANSI select-graphic-rendition parameters for a colour (red in the low byte); empty for
// black, the output's default colour.
std::string AnsiColour(std::uint32_t color);
