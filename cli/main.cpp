// morvex-cli: the headless front end. Each subcommand lives in its own file and adds
// itself here.
#include <CLI/CLI.hpp>
#include <clocale>

#include "cli/AnalyseCommand.h"
#include "cli/ConsoleCommand.h"

int main(int argc, char** argv) {
    // Dates and times follow the user's locale; numbers never do (the console keeps ".").
    std::setlocale(LC_ALL, "");
    CLI::App app{"Morvex: quantitative analysis of grayscale microscope images.", "morvex-cli"};
    app.require_subcommand(1);
    int exitCode = 0;
    AddConsoleCommand(app, exitCode);
    TAnalyseOptions analyse;
    CLI::App* analyseCommand = AddAnalyseCommand(app, analyse);
    analyseCommand->final_callback([&] { exitCode = RunAnalyse(analyse); });
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // Usage errors: the message and the usage on standard error, exit code 2.
        app.exit(e);
        return 2;
    }
    return exitCode;
}
