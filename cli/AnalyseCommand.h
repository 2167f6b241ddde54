#pragma once
// `morvex-cli analyse`: batch analysis of image files with the desktop program's settings.
#include <string>
#include <vector>

namespace CLI {
class App;
}

struct TAnalyseOptions {
    std::vector<std::string> Images;
    std::string IniFile;  // empty: the desktop program's settings file
    std::string Zone, Band, Mark, Unit, FillFilter, RadialFilter, FillRadius, Containment;
    int Value = -1;
    bool Vertical = false;
    bool Horizontal = false;
    std::string Report, Csv, Summary, Features;
    std::string Document;  // the export document (.odt); needs a build with Qt
    bool Json = false;
    bool Verbose = false;
    int Jobs = 0;  // 0: all cores
};

// Adds the subcommand to app; its options are stored in options.
CLI::App* AddAnalyseCommand(CLI::App& app, TAnalyseOptions& options);

// Runs the analysis; returns the exit code (0 all analysed, 2 usage error, 3 some image
// could not be read).
int RunAnalyse(const TAnalyseOptions& options);
