// INI profiles with the Windows profile functions' rules. The file is read and rewritten
// whole on each call; lines that are not touched keep their bytes and line ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/path_util.h"
#include "platform/prefix.h"
#include "platform/shell.h"

namespace tessaly::platform {

namespace {

std::mutex profileMutex; // one writer at a time within the process

enum class Kind { Blank, Comment, Section, Entry };

struct Line {
    std::string text;        // without its line end
    std::string_view ending; // "\r\n", "\n" or "" for a last line without one (literals only)
    Kind kind = Kind::Blank;
    std::string name;  // section or key name, trimmed
    std::string value; // entry value, trimmed, quotes kept
};

struct Profile {
    std::vector<Line> lines;
    std::string_view newline = "\r\n"; // the file's own line end for lines we add
};

std::string trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && detail::FoldCase(a) == detail::FoldCase(b);
}

void classify(Line& line) {
    std::string trimmed = trim(line.text);
    if (trimmed.empty()) {
        line.kind = Kind::Blank;
    } else if (trimmed[0] == ';') {
        line.kind = Kind::Comment;
    } else if (trimmed[0] == '[') {
        line.kind = Kind::Section;
        size_t close = trimmed.find(']');
        line.name =
            trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else {
        line.kind = Kind::Entry;
        size_t equals = trimmed.find('=');
        line.name = trim(trimmed.substr(0, equals));
        line.value = equals == std::string::npos ? std::string() : trim(trimmed.substr(equals + 1));
    }
}

// The POSIX path of a profile: a bare file name lies in the Windows folder.
std::string profilePath(const char* file) {
    std::string name = file && *file ? file : "win.ini";
    bool bare =
        detail::LastSeparator(name) == std::string::npos && !(name.size() >= 2 && name[1] == ':');
    if (bare) {
        char windows[MAX_PATH] = {};
        UINT length = GetWindowsDirectoryA(windows, sizeof windows);
        if (length == 0 || length >= sizeof windows) return {};
        name = std::string(windows) + "\\" + name;
    }
    return ToPosixPath(name);
}

// An open profile under an advisory lock, so that another process never sees it half
// written: readers share the lock, a writer holds it alone from reading to rewriting.
class LockedFile {
  public:
    LockedFile(const std::string& posix, bool write, bool create) {
        int flags = (write ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC;
        fd_ = open(posix.c_str(), flags, 0666);
        error_ = fd_ < 0 ? errno : 0;
        if (fd_ >= 0) flock(fd_, write ? LOCK_EX : LOCK_SH);
    }
    ~LockedFile() {
        if (fd_ >= 0) close(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    int error() const { return error_; }
    std::string ReadAll() const {
        std::string data;
        char chunk[8192];
        for (off_t offset = 0;;) {
            ssize_t got = pread(fd_, chunk, sizeof chunk, offset);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            data.append(chunk, static_cast<size_t>(got));
            offset += got;
        }
        return data;
    }
    bool Replace(const std::string& data) const {
        if (ftruncate(fd_, 0) != 0) return FailFromErrno();
        for (size_t done = 0; done < data.size();) {
            ssize_t put =
                pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return FailFromErrno();
            }
            done += static_cast<size_t>(put);
        }
        return true;
    }

  private:
    static bool FailFromErrno() {
        SetLastErrorFromErrno();
        return false;
    }
    int fd_ = -1;
    int error_ = 0;
};

Profile parse(const std::string& data) {
    Profile profile;
    bool newlineSeen = false;
    for (size_t pos = 0; pos < data.size();) {
        size_t end = data.find('\n', pos);
        Line line;
        if (end == std::string::npos) {
            line.text = data.substr(pos);
            pos = data.size();
        } else {
            line.text = data.substr(pos, end - pos);
            line.ending = "\n";
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.ending = "\r\n";
            }
            if (!newlineSeen) profile.newline = line.ending;
            newlineSeen = true;
            pos = end + 1;
        }
        classify(line);
        profile.lines.push_back(std::move(line));
    }
    return profile;
}

std::string serialize(const Profile& profile) {
    std::string data;
    for (const Line& line : profile.lines) {
        data += line.text;
        data += line.ending;
    }
    return data;
}

// The index of the first section header with that name.
std::optional<size_t> findSection(const Profile& profile, const std::string& section) {
    for (size_t i = 0; i < profile.lines.size(); ++i)
        if (profile.lines[i].kind == Kind::Section && sameName(profile.lines[i].name, section))
            return i;
    return std::nullopt;
}

// One past the last line of the section that starts at header.
size_t sectionEnd(const Profile& profile, size_t header) {
    size_t end = header + 1;
    while (end < profile.lines.size() && profile.lines[end].kind != Kind::Section)
        ++end;
    return end;
}

std::optional<size_t> findEntry(const Profile& profile, size_t header, const std::string& key) {
    for (size_t i = header + 1; i < sectionEnd(profile, header); ++i)
        if (profile.lines[i].kind == Kind::Entry && sameName(profile.lines[i].name, key)) return i;
    return std::nullopt;
}

std::string unquote(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// Names zero-terminated one after another with a final extra zero. When they do not fit,
// the last name is cut, the buffer ends in two zeros and the result is size - 2.
DWORD copyNames(const std::vector<std::string>& names, char* buffer, DWORD size) {
    if (size == 0) return 0;
    if (size == 1) {
        buffer[0] = 0;
        return 0;
    }
    DWORD used = 0;
    for (const std::string& name : names) {
        DWORD length = static_cast<DWORD>(name.size()) + 1;
        if (used + length >= size - 1) {  // the final zero must fit too
            DWORD room = size - used - 1; // keep the final zero
            if (room > 0) {
                std::memcpy(buffer + used, name.data(), room - 1);
                buffer[used + room - 1] = 0;
            }
            buffer[size - 1] = 0;
            return size - 2;
        }
        std::memcpy(buffer + used, name.c_str(), length);
        used += length;
    }
    buffer[used] = 0;
    return used;
}

DWORD copyValue(const std::string& value, char* buffer, DWORD size) {
    if (size == 0) return 0;
    DWORD length = static_cast<DWORD>(value.size());
    if (length >= size) length = size - 1;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = 0;
    return length;
}

} // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* file) {
    if (!buffer || size == 0) return 0;
    std::lock_guard lock(profileMutex);
    std::string posix = profilePath(file);
    Profile profile;
    if (!posix.empty()) {
        LockedFile in(posix, false, false);
        if (in.ok()) profile = parse(in.ReadAll());
    }
    if (!section) {
        std::vector<std::string> names;
        for (const Line& line : profile.lines)
            if (line.kind == Kind::Section && !line.name.empty()) names.push_back(line.name);
        return copyNames(names, buffer, size);
    }
    std::optional<size_t> header = findSection(profile, trim(section));
    if (!key) {
        std::vector<std::string> names;
        if (header)
            for (size_t i = *header + 1; i < sectionEnd(profile, *header); ++i)
                if (profile.lines[i].kind == Kind::Entry) names.push_back(profile.lines[i].name);
        return copyNames(names, buffer, size);
    }
    if (header) {
        if (std::optional<size_t> entry = findEntry(profile, *header, trim(key)))
            return copyValue(unquote(profile.lines[*entry].value), buffer, size);
    }
    std::string fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t'))
        fallback.pop_back();
    return copyValue(fallback, buffer, size);
}

UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* file) {
    char text[256] = {};
    if (GetPrivateProfileStringA(section, key, "", text, sizeof text, file) == 0)
        return static_cast<UINT>(defaultValue);
    // Decimal digits after an optional sign, up to the first other character.
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    UINT value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10u + static_cast<UINT>(*p++ - '0');
    return negative ? 0u - value : value;
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file) {
    if (!section) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE; // flushing a cache: there is none
    }
    std::lock_guard lock(profileMutex);
    std::string posix = profilePath(file);
    if (posix.empty()) return FALSE;
    struct stat st;
    if (stat(posix.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Deleting from a profile that does not exist leaves it so.
    const bool deleting = !key || !value;
    LockedFile out(posix, true, !deleting);
    if (!out.ok()) {
        if (deleting && out.error() == ENOENT) return TRUE;
        if (out.error() == ENOENT || out.error() == ENOTDIR)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else
            SetLastError(ErrorFromErrno(out.error()));
        return FALSE;
    }
    Profile profile = parse(out.ReadAll());
    const std::string sectionName = trim(section);
    std::optional<size_t> header = findSection(profile, sectionName);

    if (!key) {
        // Delete every copy of the section with all its lines.
        while (header) {
            size_t end = sectionEnd(profile, *header);
            profile.lines.erase(profile.lines.begin() + static_cast<long>(*header),
                                profile.lines.begin() + static_cast<long>(end));
            header = findSection(profile, sectionName);
        }
        return out.Replace(serialize(profile)) ? TRUE : FALSE;
    }
    const std::string keyName = trim(key);
    if (!value) {
        if (header)
            while (std::optional<size_t> entry = findEntry(profile, *header, keyName))
                profile.lines.erase(profile.lines.begin() + static_cast<long>(*entry));
        return out.Replace(serialize(profile)) ? TRUE : FALSE;
    }

    Line entry;
    entry.ending = profile.newline;
    if (header) {
        if (std::optional<size_t> found = findEntry(profile, *header, keyName)) {
            Line& line = profile.lines[*found];
            line.text = line.name + "=" + value;
            classify(line);
            return out.Replace(serialize(profile)) ? TRUE : FALSE;
        }
        // A new key goes after the section's last non-blank line.
        size_t at = sectionEnd(profile, *header);
        while (at > *header + 1 && profile.lines[at - 1].kind == Kind::Blank)
            --at;
        if (profile.lines[at - 1].ending.empty()) profile.lines[at - 1].ending = profile.newline;
        entry.text = keyName + "=" + value;
        classify(entry);
        profile.lines.insert(profile.lines.begin() + static_cast<long>(at), entry);
        return out.Replace(serialize(profile)) ? TRUE : FALSE;
    }
    if (!profile.lines.empty() && profile.lines.back().ending.empty())
        profile.lines.back().ending = profile.newline;
    Line heading;
    heading.text = "[" + sectionName + "]";
    heading.ending = profile.newline;
    classify(heading);
    profile.lines.push_back(heading);
    entry.text = keyName + "=" + value;
    classify(entry);
    profile.lines.push_back(entry);
    return out.Replace(serialize(profile)) ? TRUE : FALSE;
}

DWORD GetProfileStringA(const char* section, const char* key, const char* defaultValue,
                        char* buffer, DWORD size) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, "win.ini");
}

BOOL WriteProfileStringA(const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, "win.ini");
}

} // namespace tessaly::platform
