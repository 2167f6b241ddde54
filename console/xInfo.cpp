#include "console/xInfo.h"

#include <filesystem>

#include "MorvexVersion.h"
#include "platform/NumberFormat.h"
#include "platform/SystemInfo.h"

TInfo::TInfo() : TInfo(MORVEX_FILE_VERSION, MORVEX_LEGAL_TEXT) {}

TInfo::TInfo(const char* fileVersion, const char* legalText) {
    if (fileVersion == nullptr) {
        FileVersion = LegalText = NotAvailable;
        VersionMajor = VersionMinor = VersionRelease = VersionBuild = NotAvailable;
    } else {
        FileVersion = fileVersion;
        LegalText = legalText != nullptr ? legalText : NotAvailable;
        SplitFileVersion(FileVersion, *this);
    }

    const TSystemText system = QuerySystem();
    SystemName = system.Name;
    SystemVersion = system.Version;

    const std::filesystem::path program = ProgramPath();
    AppTitle = program.stem().string();
    AppDir = program.has_parent_path() ? program.parent_path().string() : ".";
    if (AppDir.back() != '/') AppDir += '/';
}

std::string TInfo::MemoryText() const {
    std::uint64_t bytes = 0;
    QueryPhysicalMemory(bytes);
    return MemoryTextFromBytes(bytes);
}

void SplitFileVersion(const std::string& fileVersion, TInfo& info) {
    const bool hasPoint = fileVersion.find('.') != std::string::npos;
    if (fileVersion.empty() || (!hasPoint && fileVersion.find(',') == std::string::npos)) {
        info.VersionMajor = info.VersionMinor = info.VersionRelease = info.VersionBuild =
            TInfo::NotAvailable;
        return;
    }
    const char d = hasPoint ? '.' : ',';
    std::size_t at = fileVersion.find(d);
    info.VersionMajor = fileVersion.substr(0, at);
    std::string rest = fileVersion.substr(at + 1);

    at = rest.find(d);
    if (at == std::string::npos) {
        info.VersionMinor.clear();
    } else {
        info.VersionMinor = rest.substr(0, at);
        rest = rest.substr(at + 1);
    }

    at = rest.find(d);
    if (at == std::string::npos) {
        info.VersionRelease.clear();
        info.VersionBuild = rest;
    } else {
        info.VersionRelease = rest.substr(0, at);
        info.VersionBuild = rest.substr(at + 1);
    }
}

std::string MemoryTextFromBytes(std::uint64_t bytes) {
    const double megabytes = static_cast<double>(bytes) / 1048576.0;
    return FormatGeneral(RoundHalfEven(megabytes * 10.0) / 10.0) + " MB";
}
