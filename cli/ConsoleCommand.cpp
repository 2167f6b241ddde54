#include "cli/ConsoleCommand.h"

#include <histedit.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>

#include "cli/ConsoleModules.h"
#include "kernel/xKernel.h"
#include "cli/TerminalSink.h"
#include "console/xConsole.h"

namespace {

// libedit asks for the prompt through a plain function.
std::string EditPrompt;
char* PromptText(EditLine*) { return EditPrompt.data(); }

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// TAB: complete the whole line, prompt included, as the console window does.
unsigned char CompleteCommandLine(EditLine* el, int) {
    const LineInfo* info = el_line(el);
    const std::string typed(info->buffer, info->lastchar);
    const std::string prompt = Console->GetPrompt();
    std::string line = prompt + typed;
    // A completion always keeps the current root's prompt in front; the typed part follows it.
    if (!Console->TryComplete(line) || line.compare(0, prompt.size(), prompt) != 0) return CC_ERROR;
    el_cursor(el, static_cast<int>(info->lastchar - info->cursor));
    el_deletestr(el, static_cast<int>(typed.size()));
    el_insertstr(el, line.substr(prompt.size()).c_str());
    return CC_REFRESH;
}

void ReadEditedLines(TTerminalSink& sink) {
    EditLine* el = el_init("morvex-cli", stdin, stdout, stderr);
    el_set(el, EL_EDITOR, "emacs");
    el_set(el, EL_PROMPT, &PromptText);
    el_set(el, EL_ADDFN, "morvex-complete", "Complete the command line", &CompleteCommandLine);
    el_set(el, EL_BIND, "^I", "morvex-complete", nullptr);
    while (!sink.QuitRequested) {
        sink.Flush();
        EditPrompt = Console->GetPrompt();
        int count = 0;
        const char* text = el_gets(el, &count);
        if (text == nullptr || count <= 0) {
            std::fputc('\n', stdout);  // end of input: leave the terminal on a fresh line
            break;
        }
        Console->ExecuteLine(EditPrompt + WithoutLineEnd(std::string(text, static_cast<std::size_t>(count))));
    }
    el_end(el);
}

void ReadPlainLines(TTerminalSink& sink) {
    std::string line;
    while (!sink.QuitRequested && std::getline(std::cin, line)) {
        Console->ExecuteLine(Console->GetPrompt() + WithoutLineEnd(line));
        sink.Flush();
    }
}

int RunConsole(const std::string& iniFile) {
    TTerminalSink sink(stdout);
    {
        TProgramModules modules(&sink, iniFile.empty() ? DesktopSettingsFileName() : iniFile, false);
        // The kernel as the desktop program's main window creates it, without a view.
        TKernel kernel(nullptr, nullptr, nullptr, nullptr);
        if (::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO))
            ReadEditedLines(sink);
        else
            ReadPlainLines(sink);
    }
    sink.Flush();
    return sink.QuitRequested ? sink.ExitCode : 0;
}

}  // namespace

// libedit copies the name and help text of an added editor function (wcsdup) and never frees
// them, not even in el_end; keep the leak checker of sanitizer builds quiet about that one.
extern "C" const char* __lsan_default_suppressions() { return "leak:wcsdup\n"; }

void AddConsoleCommand(CLI::App& app, int& exitCode) {
    CLI::App* cmd = app.add_subcommand(
        "console",
        "The console as on the desktop: prints the information block and the log, reads one "
        "command line per input line (TAB completes on a terminal), ends at end of input or "
        "on \"quit\", then saves the settings.");
    auto iniFile = std::make_shared<std::string>();
    cmd->add_option("--ini", *iniFile,
                    "Settings file (default: morvex.ini beside the desktop program)")
        ->type_name("FILE");
    cmd->callback([iniFile, &exitCode] { exitCode = RunConsole(*iniFile); });
}
