#pragma once
// Facts about the running program and the machine, from the operating system.
#include <cstdint>
#include <ctime>
#include <string>

// Full path of the running program file; empty when it cannot be found.
std::string ProgramPath();

// Total physical memory in bytes; false when the query fails.
bool QueryPhysicalMemory(std::uint64_t& bytes);

struct TSystemText {
    std::string Name;
    std::string Version;
};

// The operating system: the distribution's name and version from /etc/os-release (the
// kernel's name when that file is missing), and the kernel release as version.
// {"Unknown System", ""} when the kernel cannot be asked.
TSystemText QuerySystem();

// Name from the text of an os-release file: NAME and VERSION_ID joined by a blank
// ("Debian GNU/Linux 12"), NAME alone, or fallback when there is no NAME.
std::string SystemNameFromOsRelease(const std::string& osRelease, const std::string& fallback);

// What the Windows version query reports.
struct TWindowsVersion {
    static constexpr std::uint32_t PlatformWin32s = 0;
    static constexpr std::uint32_t PlatformWindows = 1;  // the 9x family
    static constexpr std::uint32_t PlatformNT = 2;
    std::uint32_t PlatformId = 0;
    std::uint32_t Major = 0;
    std::uint32_t Minor = 0;
    std::uint32_t Build = 0;
    std::string ServicePack;  // the service-pack text
};

// System name and version text for a Windows version (used by a Windows build only).
TSystemText WindowsSystemText(const TWindowsVersion& v);

// True when a file can be created in the folder (tried, not guessed from the mode bits).
bool IsFolderWritable(const std::string& folder);

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; empty without either.
std::string UserConfigFolder();

// Date and time in the locale's date and time formats (strftime "%x %X").
std::string FormatLocalDateTime(std::time_t t);
