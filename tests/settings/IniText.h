#pragma once
// Reads a settings file's text into sections and keys, for checking what was written.
#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <string>

using TIniText = std::map<std::string, std::map<std::string, std::string>>;

inline std::string IniLower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

inline std::string IniTrim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Section and key names in lower case; the first occurrence of a key wins.
inline TIniText ParseIni(const std::string& text) {
    TIniText ini;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        line = IniTrim(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = IniLower(IniTrim(line.substr(1, line.size() - 2)));
            ini[section];
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        ini[section].emplace(IniLower(IniTrim(line.substr(0, eq))), IniTrim(line.substr(eq + 1)));
    }
    return ini;
}
