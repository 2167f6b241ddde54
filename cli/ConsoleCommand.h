#pragma once
// "morvex-cli console [--ini FILE]": the console as a read-eval-print loop.
namespace CLI {
class App;
}

// Adds the subcommand to app; when it has run, exitCode holds the process exit code.
void AddConsoleCommand(CLI::App& app, int& exitCode);
