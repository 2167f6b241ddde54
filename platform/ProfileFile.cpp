#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// "[name]" lines: true and the trimmed name.
bool SectionName(std::string_view line, std::string_view& name) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[') return false;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key=value" lines (not comments): true, the trimmed key and the raw value text.
bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = t.substr(eq + 1);
    return !key.empty();
}

// A line break inside a name or value would split it into lines of its own.
std::string OneLine(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

std::string ErrnoText(int err) { return std::strerror(err); }

bool WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool ParseProfileInteger(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (text.size() - i >= 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    } else if (i < text.size() && text[i] == '$') {
        hex = true;
        i += 1;
    }
    if (i == text.size()) return false;
    std::uint64_t magnitude = 0;
    const char* end = text.data() + text.size();
    const auto res = std::from_chars(text.data() + i, end, magnitude, hex ? 16 : 10);
    if (res.ec != std::errc() || res.ptr != end) return false;
    if (hex) {
        // Up to eight hex digits are a 32-bit pattern: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull) return false;
        std::uint32_t pattern = static_cast<std::uint32_t>(magnitude);
        if (negative) pattern = 0u - pattern;
        value = static_cast<std::int32_t>(pattern);
        return true;
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return false;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

TProfileFile::TProfileFile(std::string fileName) : Name(std::move(fileName)) {
    const int fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        // A missing file is an empty one; anything else must not be overwritten blindly.
        if (errno != ENOENT) {
            Readable = false;
            Error = ErrnoText(errno);
        }
        return;
    }
    std::string content;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Readable = false;
            Error = ErrnoText(errno);
            break;
        }
        if (n == 0) break;
        content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!Readable) return;
    OnDisk = content;
    OnDiskKnown = true;

    std::size_t pos = 0;
    while (pos < content.size()) {
        const std::size_t nl = content.find('\n', pos);
        TLine line;
        if (nl == std::string::npos) {
            line.Text = content.substr(pos);
            pos = content.size();
        } else {
            line.Text = content.substr(pos, nl - pos);
            line.End = "\n";
            if (!line.Text.empty() && line.Text.back() == '\r') {
                line.Text.pop_back();
                line.End = "\r\n";
            }
            pos = nl + 1;
        }
        Lines.push_back(std::move(line));
    }
    if (!Lines.empty() && !Lines.front().End.empty()) NewLineEnd = Lines.front().End;
}

std::ptrdiff_t TProfileFile::FindSection(std::string_view section) const {
    std::string_view name;
    for (std::size_t i = 0; i < Lines.size(); ++i)
        if (SectionName(Lines[i].Text, name) && SameName(name, section))
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

std::size_t TProfileFile::SectionEnd(std::size_t sectionLine) const {
    std::string_view name;
    std::size_t i = sectionLine + 1;
    while (i < Lines.size() && !SectionName(Lines[i].Text, name)) ++i;
    return i;
}

std::ptrdiff_t TProfileFile::FindKey(std::size_t sectionLine, std::string_view key) const {
    std::string_view name, value;
    const std::size_t end = SectionEnd(sectionLine);
    for (std::size_t i = sectionLine + 1; i < end; ++i)
        if (KeyLine(Lines[i].Text, name, value) && SameName(name, key))
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

bool TProfileFile::FindValue(std::string_view section, std::string_view key,
                             std::string_view& value) const {
    const std::ptrdiff_t s = FindSection(section);
    if (s < 0) return false;
    const std::ptrdiff_t k = FindKey(static_cast<std::size_t>(s), key);
    if (k < 0) return false;
    std::string_view name, raw;
    KeyLine(Lines[static_cast<std::size_t>(k)].Text, name, raw);
    value = Trim(raw);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return true;
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     const std::string& def) const {
    std::string_view value;
    if (!FindValue(section, key, value)) return def;
    if (value.size() > MaxStringLength) {
        // Cut at a character boundary of the UTF-8 text.
        std::size_t cut = MaxStringLength;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
        value = value.substr(0, cut);
    }
    return std::string(value);
}

std::int32_t TProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                       std::int32_t def) const {
    std::string_view text;
    std::int32_t value = 0;
    return FindValue(section, key, text) && ParseProfileInteger(text, value) ? value : def;
}

bool TProfileFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TProfileFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
    const std::string sectionName = OneLine(section);
    const std::string line = OneLine(key) + "=" + OneLine(value);

    // A last line without a line end gets one before anything is added after it.
    const auto endLastLine = [this](std::size_t before) {
        if (before > 0 && Lines[before - 1].End.empty()) Lines[before - 1].End = NewLineEnd;
    };

    const std::ptrdiff_t s = FindSection(sectionName);
    if (s < 0) {
        endLastLine(Lines.size());
        Lines.push_back({"[" + sectionName + "]", NewLineEnd});
        Lines.push_back({line, NewLineEnd});
    } else {
        const std::ptrdiff_t k = FindKey(static_cast<std::size_t>(s), key);
        if (k >= 0) {
            Lines[static_cast<std::size_t>(k)].Text = line;
        } else {
            // After the section's last non-blank line, so blank lines before the next
            // section stay where they are.
            std::size_t at = SectionEnd(static_cast<std::size_t>(s));
            while (at > static_cast<std::size_t>(s) + 1 && Trim(Lines[at - 1].Text).empty()) --at;
            endLastLine(at);
            Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(at), TLine{line, NewLineEnd});
        }
    }
    return Store();
}

bool TProfileFile::WriteInteger(std::string_view section, std::string_view key,
                                std::int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool TProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

std::string TProfileFile::Serialize() const {
    std::string out;
    for (const TLine& line : Lines) {
        out += line.Text;
        out += line.End;
    }
    return out;
}

// Makes a rename in the folder durable.
void TProfileFile::SyncFolder(const std::string& folder) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

bool TProfileFile::Sync() {
    if (!SyncPending) return true;
    SyncPending = false;
    const int fd = ::open(SyncTarget.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Error = ErrnoText(errno);
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    fs::path folder = fs::path(SyncTarget).parent_path();
    SyncFolder(folder.empty() ? "." : folder.string());
    if (!ok) Error = ErrnoText(err);
    return ok;
}

bool TProfileFile::Store() {
    if (!Readable) {
        // Its content is unknown: replacing it would lose whatever it holds.
        Error = "the file could not be read (" + Error + ")";
        return false;
    }
    const std::string content = Serialize();
    if (OnDiskKnown && content == OnDisk) return true;

    std::error_code ec;
    fs::path target(Name);
    // Replace the file a link points to, not the link.
    if (fs::is_symlink(target, ec)) target = fs::weakly_canonical(target, ec);

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    mode_t mode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
    if (exists) {
        if (!S_ISREG(st.st_mode)) {
            Error = "not a regular file";
            return false;
        }
        // A file without any write bit was made read-only on purpose; honour that even
        // for a user whose rights would allow replacing it.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) {
            Error = "the file is read-only";
            return false;
        }
        mode = st.st_mode & 07777;
    }

    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::exists(folder, ec)) fs::create_directories(folder, ec);

    std::string tempName = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        Error = ErrnoText(errno);
        return false;
    }
    const auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tempName.c_str());
        Error = ErrnoText(err);
        return false;
    };
    if (!WriteAll(fd, content)) return fail(errno);
    if (::fchmod(fd, mode) != 0) return fail(errno);
    if (!DeferSync && ::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tempName.c_str());
        Error = ErrnoText(err);
        return false;
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempName.c_str());
        Error = ErrnoText(err);
        return false;
    }
    SyncTarget = target.string();
    if (DeferSync)
        SyncPending = true;
    else
        SyncFolder(folder.string());
    OnDisk = content;
    OnDiskKnown = true;
    Error.clear();
    return true;
}
