// The log (lines for the console window) and the fatal check.
#include <cstdio>
#include <cstdlib>

#include "console/xConsole.h"

namespace {
struct TLevel {
    const char* Prefix;
    std::uint32_t Color;  // red in the low byte
};
constexpr TLevel Levels[] = {
    {" ", 0x000000},           // plain: black
    {" WARNING: ", 0x800000},  // navy
    {" ERROR: ", 0x000080},    // maroon
    {" FATAL: ", 0x0000FF},    // red
};
}  // namespace

void TConsole::WriteLine(const std::string& text, bool indented) {
    Window->AppendLine((indented ? "     " : " ") + text);
}

void TConsole::Information(const std::string& text) {
    if (Echo) WriteLine("> " + text);
}

void TConsole::Error(const std::string& text) { Log(text, 2); }

void TConsole::Log(const std::string& text, std::uint8_t level) {
    const TLevel& l = Levels[level <= 3 ? level : 0];
    if (level == 2 && !Window->IsWindowVisible()) Window->ShowWindow();
    const std::string prefix = l.Prefix;
    Window->AppendLine(prefix + text);
    Window->ColorLastLinePrefix(static_cast<int>(prefix.size()), l.Color);
    // Paint the line at once, even in the middle of a long operation.
    Window->ProcessPendingMessages();
}

void TConsole::ProcessPendingMessages() { Window->ProcessPendingMessages(); }

void FatalCheck(bool cond, const std::string& id, const std::string& text) {
    if (cond) return;
    const std::string line = "[" + id + "] " + text;
    if (Console != nullptr) {
        Console->Log(line, 3);
        Console->Window->ShowFatalReport();  // returns when the user has closed it
    } else {
        std::fprintf(stderr, " FATAL: %s\n", line.c_str());
    }
    // End at once: no destructor runs, so no object writes its settings.
    std::fflush(nullptr);
    std::_Exit(1);
}
