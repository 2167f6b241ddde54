// morvex-cli: the headless front end. Each subcommand lives in its own file and adds
// itself here.
#include <CLI/CLI.hpp>
#include <clocale>

#include "cli/ConsoleCommand.h"

int main(int argc, char** argv) {
    // Dates and times follow the user's locale; numbers never do (the console keeps ".").
    std::setlocale(LC_ALL, "");
    CLI::App app{"Morvex: quantitative analysis of grayscale microscope images.", "morvex-cli"};
    app.require_subcommand(1);
    int exitCode = 0;
    AddConsoleCommand(app, exitCode);
    CLI11_PARSE(app, argc, argv);
    return exitCode;
}
