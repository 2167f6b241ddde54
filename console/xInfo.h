#pragma once
// Program and system information, collected once when the console is created.
#include <cstdint>
#include <string>

class TInfo {
public:
    // The program's own version and legal text, the system, the program file.
    TInfo();
    // With a given file version and legal text; a null fileVersion means the program
    // carries no version information at all.
    TInfo(const char* fileVersion, const char* legalText);

    // The version text shown everywhere: major.minor.build (the release part is not shown).
    std::string VersionText() const { return VersionMajor + "." + VersionMinor + "." + VersionBuild; }
    // Physical memory of the machine, e.g. "15995.3 MB".
    std::string MemoryText() const;

    std::string FileVersion;
    std::string LegalText;
    std::string VersionMajor;
    std::string VersionMinor;
    std::string VersionRelease;
    std::string VersionBuild;
    std::string SystemName;
    std::string SystemVersion;
    std::string AppTitle;
    std::string AppDir;

    static constexpr const char* NotAvailable = "<info not available>";
};

// Splits a file version into the four parts of TInfo (major, minor, release, build).
void SplitFileVersion(const std::string& fileVersion, TInfo& info);

// Memory in bytes as megabytes with one decimal in the general format, then " MB".
std::string MemoryTextFromBytes(std::uint64_t bytes);
