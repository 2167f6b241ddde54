#include "support/TestSupport.h"

#include <fstream>
#include <random>
#include <sstream>

TTempDir::TTempDir() {
    std::random_device rd;
    for (;;) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("morvex-test-" + std::to_string(rd()) + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            Dir = candidate;
            break;
        }
    }
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::permissions(Dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Dir, ec);
}

TConsoleScope::TConsoleScope(const std::string& settingsFile)
    : SettingsFile(settingsFile.empty() ? Temp.File("morvex.ini") : settingsFile) {
    Console = new TConsole(&Sink, SettingsFile);
}

TConsoleScope::~TConsoleScope() {
    delete Console;
    Console = nullptr;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
