#include "cli/TerminalSink.h"

#include <unistd.h>

#include <algorithm>

std::string AnsiColour(std::uint32_t color) {
    switch (color) {
    case 0x000000: return "";
    case 0x800000: return "34";    // navy: warnings
    case 0x000080: return "31";    // maroon: errors
    case 0x0000FF: return "1;31";  // red: fatal checks
    default:
        return "38;2;" + std::to_string(color & 0xFF) + ";" + std::to_string((color >> 8) & 0xFF) +
               ";" + std::to_string((color >> 16) & 0xFF);
    }
}

TTerminalSink::TTerminalSink(std::FILE* out) : Out(out), Colour(::isatty(::fileno(out)) != 0) {}

TTerminalSink::~TTerminalSink() { Flush(); }

void TTerminalSink::AppendLine(const std::string& line) {
    WritePending();
    Pending = line;
    PrefixLength = 0;
    PrefixColor = 0;
    HasPending = true;
}

void TTerminalSink::ColorLastLinePrefix(int length, std::uint32_t color) {
    PrefixLength = length;
    PrefixColor = color;
}

void TTerminalSink::ClearOutput() {
    WritePending();
    if (Colour) std::fputs("\x1b[2J\x1b[H", Out);  // a terminal is cleared; a file keeps its lines
    std::fflush(Out);
}

void TTerminalSink::Flush() {
    WritePending();
    std::fflush(Out);
}

void TTerminalSink::WritePending() {
    if (!HasPending) return;
    HasPending = false;
    const std::string sgr = Colour ? AnsiColour(PrefixColor) : "";
    std::string text = Pending;
    if (!sgr.empty() && PrefixLength > 0) {
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(PrefixLength));
        text = "\x1b[" + sgr + "m" + text.substr(0, n) + "\x1b[0m" + text.substr(n);
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), Out);
}
