#include "PluginFolder.h"

namespace fs = std::filesystem;

namespace {

void RecordEvent(const char* event, double value) { FixtureEvents().emplace_back(event, value); }

std::vector<std::string> LinesWithPrefix(const TRecordingSink& sink, const std::string& prefix) {
    std::vector<std::string> lines;
    for (const auto& line : sink.Lines)
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line.substr(prefix.size()));
    return lines;
}

}  // namespace

std::vector<std::pair<std::string, double>>& FixtureEvents() {
    static std::vector<std::pair<std::string, double>> events;
    return events;
}

std::vector<std::string> FixtureEventNames() {
    std::vector<std::string> names;
    for (const auto& e : FixtureEvents()) names.push_back(e.first);
    return names;
}

std::intptr_t FixtureAppHandle() { return reinterpret_cast<std::intptr_t>(&RecordEvent); }

void InstallFixture(const fs::path& folder, const std::string& relative, const std::string& fixture) {
    const fs::path target = folder / relative;
    fs::create_directories(target.parent_path());
    fs::copy_file(fs::path(MORVEX_FIXTURE_DIR) / (fixture + ".mvx"), target,
                  fs::copy_options::overwrite_existing);
}

std::string FolderText(const fs::path& folder) { return folder.string() + "/"; }

std::vector<std::string> InfoLines(const TRecordingSink& sink) { return LinesWithPrefix(sink, " > "); }

std::vector<std::string> ErrorLines(const TRecordingSink& sink) {
    return LinesWithPrefix(sink, " ERROR: ");
}
