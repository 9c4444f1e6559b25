// Paths and files of the companion library.
#include <tessaly/companion.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/prefix.h"

namespace {

bool isSeparatorAt(const std::string& text, size_t index) {
    return text[index] == '\\' || text[index] == '/';
}

// The index just past the last character that is not a path separator, and the start of
// the last path component (after the last separator). The text is walked character by
// character, so the trail byte of a double-byte character (which may be 0x5C) is never
// taken for a backslash.
void scanPath(const std::string& text, size_t& contentEnd, size_t& nameStart) {
    contentEnd = 0;
    nameStart = 0;
    for (size_t i = 0; i < text.size();) {
        const bool lead =
            tessaly::platform::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
        const size_t width = lead ? 2 : 1;
        if (!lead && isSeparatorAt(text, i)) {
            nameStart = i + 1;
        } else {
            contentEnd = i + width;
        }
        i += width;
    }
}

// The bytes of a regular file; false when it cannot be read.
bool readWholeFile(const char* windowsPath, std::string& bytes) {
    if (!windowsPath || !*windowsPath) return false;
    const std::string posix = tessaly::platform::ToPosixPath(windowsPath);
    if (posix.empty()) return false;
    const int fd = open(posix.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string data;
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    if (ok) bytes = std::move(data);
    return ok;
}

} // namespace

// Strips every trailing separator and appends one backslash; an empty path stays empty
// (there is no folder to append to).
CString SetDirectorySlashTail(CString path) {
    const std::string& text = path.str();
    if (text.empty()) return path;
    size_t contentEnd = 0, nameStart = 0;
    scanPath(text, contentEnd, nameStart);
    std::string result = text.substr(0, contentEnd);
    result += '\\';
    return CString(std::move(result));
}

int PathExists(const char* path) {
    if (!path || !*path) return 0;
    return tessaly::platform::GetFileAttributesA(path) !=
           tessaly::platform::INVALID_FILE_ATTRIBUTES;
}

CString GetFileText(CString path) {
    std::string bytes;
    if (!readWholeFile(path.GetString(), bytes)) return CString();
    return CString(std::move(bytes));
}

int ReadBinFileEx(CString path, CByteArray& bytes) {
    std::string data;
    if (!readWholeFile(path.GetString(), data)) return 0;
    bytes.SetSize(static_cast<int>(data.size()));
    for (size_t i = 0; i < data.size(); ++i)
        bytes[static_cast<int>(i)] = static_cast<BYTE>(data[i]);
    return 1;
}

// The last component of the path, extension included; trailing separators are ignored
// so that the title of a folder path is the folder's name. Callers also pass free text
// (a mail subject) to get a usable file title, so characters a file name cannot hold
// (: * ? " < > | and control characters) become '_'.
CString GetFileTitleFromString(CString path) {
    const std::string& text = path.str();
    size_t contentEnd = 0, nameStart = 0;
    scanPath(text, contentEnd, nameStart);
    if (contentEnd < nameStart) {
        // The path ends in separators: take the component before them.
        const std::string trimmed = text.substr(0, contentEnd);
        scanPath(trimmed, contentEnd, nameStart);
    }
    std::string name = text.substr(nameStart, contentEnd - nameStart);
    // A drive prefix ("C:name") is not part of the name.
    if (nameStart == 0 && name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        name.erase(0, 2);
    for (size_t i = 0; i < name.size(); ++i) {
        const auto ch = static_cast<unsigned char>(name[i]);
        if (tessaly::platform::IsDBCSLeadByte(ch) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (ch < 0x20 ||
            std::string_view(":*?\"<>|").find(static_cast<char>(ch)) != std::string_view::npos)
            name[i] = '_';
    }
    return CString(std::move(name));
}
