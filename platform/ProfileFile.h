#pragma once
// A settings file in the INI format: "[Section]" lines and "key=value" lines.
//
// Section and key names compare without letter case (A to Z); the first occurrence of a
// section and of a key within it is the one used. Blanks around names and values are trimmed
// and a value enclosed in double quotes loses them. CR LF and LF line ends are both read.
//
// The file is read once when the object is made. Every write goes to the file at once and
// atomically: the whole new text goes to a temporary file beside it, is synced, and replaces
// the file by a rename, so no crash or full disk leaves a truncated settings file. A write
// keeps every other line as it was, replaces the key's line in place or appends the key to
// its section; a new section goes to the end of the file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TProfileFile {
public:
    explicit TProfileFile(std::string fileName);

    const std::string& FileName() const { return Name; }

    // Reads. A missing section or key, or a value that does not convert, gives the default.
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& def) const;
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // Writes; false when the file could not be replaced (LastError() says why). The value
    // is kept in this object either way, and the file keeps its previous content.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    const std::string& LastError() const { return Error; }

    // When set, a write still replaces the file at once and atomically (temporary file,
    // then rename) but leaves forcing it to the disk to Sync(): one flush for a whole
    // section instead of one per key.
    bool DeferSync = false;
    // Forces the writes since the last Sync() to the disk.
    bool Sync();

    // Longest string value a read returns.
    static constexpr std::size_t MaxStringLength = 2047;

private:
    struct TLine {
        std::string Text;  // without its line end
        std::string End;   // "\n", "\r\n" or empty for a last line without one
    };
    // The line index of the first "[section]" line, or -1.
    std::ptrdiff_t FindSection(std::string_view section) const;
    // One past the last line of the section that starts at sectionLine.
    std::size_t SectionEnd(std::size_t sectionLine) const;
    // The line index of the first key line in the section, or -1.
    std::ptrdiff_t FindKey(std::size_t sectionLine, std::string_view key) const;
    // The value of a key: trimmed, enclosing double quotes removed.
    bool FindValue(std::string_view section, std::string_view key, std::string_view& value) const;
    std::string Serialize() const;
    bool Store();
    static void SyncFolder(const std::string& folder);

    std::string Name;
    std::vector<TLine> Lines;
    std::string NewLineEnd = "\n";  // line end of new lines: the file's first one
    std::string OnDisk;             // the file's content as last read or written
    bool OnDiskKnown = false;       // false while the file does not exist
    bool Readable = true;           // false when the file exists but could not be read
    std::string Error;
    bool SyncPending = false;
    std::string SyncTarget;
};

// Integer value of a settings file: decimal within 32 bits, or hexadecimal after "0x" or "$"
// (optionally signed; up to FFFFFFFF, taken as a 32-bit pattern). False for anything else.
bool ParseProfileInteger(std::string_view text, std::int32_t& value);
