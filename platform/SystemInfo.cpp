#include "platform/SystemInfo.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string ProgramPath() {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

bool QueryPhysicalMemory(std::uint64_t& bytes) {
    struct sysinfo si {};
    if (::sysinfo(&si) != 0) return false;
    bytes = static_cast<std::uint64_t>(si.totalram) * si.mem_unit;
    return true;
}

namespace {

// The value of KEY=value in an os-release text, quotes and escapes removed.
std::string OsReleaseValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) != 0) continue;
        std::string raw = line.substr(key.size() + 1);
        while (!raw.empty() && (raw.back() == '\r' || raw.back() == ' ')) raw.pop_back();
        if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
            const char quote = raw.front();
            std::string value;
            for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
                if (quote == '"' && raw[i] == '\\' && i + 2 < raw.size()) ++i;
                value += raw[i];
            }
            return value;
        }
        return raw;
    }
    return {};
}

}  // namespace

std::string SystemNameFromOsRelease(const std::string& osRelease, const std::string& fallback) {
    const std::string name = OsReleaseValue(osRelease, "NAME");
    if (name.empty()) return fallback;
    const std::string version = OsReleaseValue(osRelease, "VERSION_ID");
    return version.empty() ? name : name + " " + version;
}

TSystemText QuerySystem() {
    struct utsname u {};
    if (::uname(&u) != 0) return {"Unknown System", ""};
    std::string osRelease;
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(path);
        if (!in) continue;
        std::ostringstream s;
        s << in.rdbuf();
        osRelease = s.str();
        break;
    }
    return {SystemNameFromOsRelease(osRelease, u.sysname), u.release};
}

TSystemText WindowsSystemText(const TWindowsVersion& v) {
    TSystemText t;
    t.Version = std::to_string(v.Major) + "." + std::to_string(v.Minor);
    const std::string build = "." + std::to_string(v.Build & 0xFFFFu);
    const char sp1 = v.ServicePack.size() > 1 ? v.ServicePack[1] : '\0';
    switch (v.PlatformId) {
    case TWindowsVersion::PlatformWin32s:
        t.Name = "Windows 3.1";
        t.Version.clear();
        break;
    case TWindowsVersion::PlatformWindows:
        if (v.Major != 4) {
            t.Name = "Win32 under Windows";
            break;
        }
        if (v.Minor == 0)
            t.Name = std::string("Windows 95") + ((sp1 == 'B' || sp1 == 'C') ? " OSR2" : "");
        else if (v.Minor == 10)
            t.Name = std::string("Windows 98") + (sp1 == 'A' ? " SE" : "");
        else if (v.Minor == 90)
            t.Name = "Windows Me";
        else
            t.Name = "Win32 under Windows";
        t.Version += build;
        break;
    case TWindowsVersion::PlatformNT:
        if (v.Major == 3 || v.Major == 4)
            t.Name = "Windows NT";
        else if (v.Major == 5)
            t.Name = v.Minor == 0   ? "Windows 2000"
                     : v.Minor == 1 ? "Windows XP"
                     : v.Minor == 2 ? "Windows .NET Server"
                                    : "Windows XP/NET+";
        else
            t.Name = "Win32 under NT";
        t.Version += build + v.ServicePack.substr(0, 128);
        break;
    default:
        t.Name = "Unknown platform";
        break;
    }
    return t;
}

bool IsFolderWritable(const std::string& folder) {
    std::string probe = (std::filesystem::path(folder) / ".morvex-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
    return {};
}

std::string FormatLocalDateTime(std::time_t t) {
    std::tm local {};
    ::localtime_r(&t, &local);
    char buf[256];
    const std::size_t n = std::strftime(buf, sizeof buf, "%x %X", &local);
    return std::string(buf, n);
}
