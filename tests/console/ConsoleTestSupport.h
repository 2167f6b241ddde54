#pragma once
// Helpers of the console tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/xConsole.h"
#include "support/TestSupport.h"

// Also writes every line to standard error, where a death test can see it; the fatal
// report prints a marker so a test can see that it was shown before the process ended.
class TStderrSink : public TRecordingSink {
public:
    void AppendLine(const std::string& line) override {
        std::fprintf(stderr, "%s\n", line.c_str());
        TRecordingSink::AppendLine(line);
    }
    void ShowFatalReport() override {
        std::fprintf(stderr, "<fatal report shown>\n");
        TRecordingSink::ShowFatalReport();
    }
};

// A console on a temporary settings file; Run executes a line and returns what it printed.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        Scope.Sink.Lines.clear();
        Scope.Sink.Colored.clear();
    }
    std::vector<std::string> Run(const std::string& line) {
        const std::size_t before = Sink().Lines.size();
        LastResult = Console->ExecuteLine(line);
        if (Sink().Lines.size() < before) return Sink().Lines;  // the line cleared the output
        return {Sink().Lines.begin() + static_cast<std::ptrdiff_t>(before), Sink().Lines.end()};
    }
    TRecordingSink& Sink() { return Scope.Sink; }

    TConsoleScope Scope;
    std::int32_t LastResult = 0;
};

// Escapes a text for the regular expressions of death tests.
inline std::string RegexEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out;
}
