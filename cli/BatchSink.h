#pragma once
// The console's output in batch runs: errors and warnings go to standard error, the
// information lines only when asked for; there is no window to show or wait for.
#include <iostream>

#include "console/IConsoleSink.h"

class TBatchSink : public IConsoleSink {
public:
    explicit TBatchSink(bool verbose) : Verbose(verbose) {}
    void AppendLine(const std::string& line) override {
        const bool level = line.rfind(" ERROR: ", 0) == 0 || line.rfind(" WARNING: ", 0) == 0 ||
                           line.rfind(" FATAL: ", 0) == 0;
        if (level || Verbose) std::cerr << line << '\n';
    }
    void ColorLastLinePrefix(int, std::uint32_t) override {}
    void ShowWindow() override {}
    void HideWindow() override {}
    bool IsWindowVisible() const override { return false; }
    void ClearOutput() override {}
    void ShowFatalReport() override { std::cerr.flush(); }
    void ProcessPendingMessages() override {}
    void RequestQuit(int) override {}

private:
    bool Verbose;
};
