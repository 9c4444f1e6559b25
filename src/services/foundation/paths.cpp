// Paths: taking Windows paths apart, the system's and the user's folders, long names,
// folder chains and temporary names.
#include <climits>
#include <cstring>

#include <tessaly/foundation.h>

#include "foundation/companion.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/shell.h"

namespace platform = tessaly::platform;

namespace {

// The C run time's path splitter: drive ("X:"), folder up to and including the last
// separator, name, and extension from the name's last dot. Each part is cut to at most 256
// characters. Double-byte characters are stepped over whole, so a trail byte is never taken
// for a separator or a dot.
struct SplitPath {
    CString drive, dir, name, ext;
};

constexpr int kMaxPart = 256;

SplitPath split(const CString& path) {
    SplitPath parts;
    const std::string& text = path.str();
    size_t start = 0;
    if (text.size() >= 2 && text[1] == ':') {
        parts.drive = CString(text.substr(0, 2));
        start = 2;
    }
    const UINT codePage = platform::GetACP();
    size_t nameStart = start;
    size_t lastDot = std::string::npos;
    for (size_t i = start; i < text.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch >= 0x80 && platform::IsDBCSLeadByteEx(codePage, ch) && i + 1 < text.size()) {
            ++i;
            continue;
        }
        if (ch == '\\' || ch == '/') {
            nameStart = i + 1;
            lastDot = std::string::npos;
        } else if (ch == '.') {
            lastDot = i;
        }
    }
    auto part = [&](size_t from, size_t to) {
        size_t length = to - from;
        if (length > static_cast<size_t>(kMaxPart)) length = kMaxPart;
        return CString(text.substr(from, length));
    };
    parts.dir = part(start, nameStart);
    if (lastDot != std::string::npos) {
        parts.name = part(nameStart, lastDot);
        parts.ext = part(lastDot, text.size());
    } else {
        parts.name = part(nameStart, text.size());
    }
    return parts;
}

CString unquoted(CString path) {
    path.Remove('"');
    return path;
}

// Expands a path component by component through the search functions (the way of
// systems without GetLongPathName).
CString expandLongName(const CString& path) {
    if (path.GetLength() < 3) return path;
    platform::WIN32_FIND_DATAA data;
    HANDLE find = platform::FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return path;
    platform::FindClose(find);
    int cut = path.ReverseFind('\\');
    if (cut < 0) return path;
    CString parent = expandLongName(path.Left(cut));
    if (parent.GetLength() + 1 + static_cast<int>(std::strlen(data.cFileName)) >= MAX_PATH)
        return path;
    return parent + "\\" + data.cFileName;
}

// The base of temporary names: the calling thread's main window object as a number. The
// library's callers have no framework thread object here, so it is 0.
unsigned mainWindowNumber() {
    return 0;
}

// The first free name folder~N[.ext] from the base number upwards; empty when none is free.
bool findFreeName(const CString& folder, const CString& extension, CString& name) {
    const unsigned base = mainWindowNumber();
    for (long long i = 0; i <= INT_MAX; ++i) {
        CString candidate;
        unsigned number = base + static_cast<unsigned>(i);
        if (extension.IsEmpty())
            candidate.Format("%s~%X", folder.GetString(), number);
        else
            candidate.Format("%s~%X.%s", folder.GetString(), number, extension.GetString());
        platform::WIN32_FIND_DATAA data;
        HANDLE find = platform::FindFirstFileA(candidate, &data);
        if (find == INVALID_HANDLE_VALUE) {
            name = candidate;
            return true;
        }
        platform::FindClose(find);
    }
    return false;
}

CString withSlashTail(CString folder) {
    if (folder.IsEmpty() || folder.ReverseFind('\\') != folder.GetLength() - 1) folder += '\\';
    return folder;
}

} // namespace

// ---- Splitting ----

CString GetFileNameEx(CString path) {
    return split(unquoted(path)).name;
}

CString GetFileNameTitle(CString path) {
    return split(unquoted(path)).name;
}

CString GetFileName(CString path) {
    SplitPath parts = split(unquoted(path));
    return parts.name + parts.ext;
}

CString GetFileExtName(CString path) {
    return split(unquoted(path)).ext;
}

CString GetFileNameExt(CString path) {
    CString ext = split(unquoted(path)).ext;
    ext.Remove('.');
    return ext;
}

CString GetFileDirectory(CString path) {
    SplitPath parts = split(path);
    return parts.drive + parts.dir;
}

CString GetFileDirOnly(CString path) {
    return split(path).dir;
}

CString GetFolderName(CString path) {
    int cut = path.ReverseFind('\\');
    return cut < 0 ? CString() : path.Left(cut);
}

CString RemoveDirectorySlashTail(CString path) {
    // The last backslash as a character: a double-byte character's trail byte does not count.
    int last = path.GetLength() - 1;
    if (last >= 0 && path.ReverseFind('\\') == last) return path.Left(last);
    return path;
}

// ---- Folders ----

CString GetSystemDir() {
    char buffer[MAX_PATH + 1] = {};
    UINT length = platform::GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return CString();
    return CString(buffer);
}

CString GetWinDirectory() {
    char buffer[MAX_PATH] = {};
    UINT length = platform::GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return CString();
    return CString(buffer);
}

CString GetTempPathA() {
    char buffer[MAX_PATH] = {};
    DWORD length = platform::GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return CString();
    return CString(buffer);
}

CString GetTempPathEx() {
    return GetTempPathA();
}

int GetAppDataFolder(char* buffer) {
    if (!buffer) return 0;
    return platform::SHGetSpecialFolderPathA(nullptr, buffer, platform::CSIDL_APPDATA, FALSE) ? 1
                                                                                              : 0;
}

int GetTessalyAppFolder(char* buffer) {
    int result = GetAppDataFolder(buffer);
    if (result) std::strcat(buffer, "\\Orvo");
    return result;
}

CString GetMyDocumentsFolderEx() {
    char buffer[MAX_PATH] = {};
    HMODULE helper = platform::LoadLibraryA("Morvik.dll");
    if (!helper) return CString();
    using Entry = int (*)(char*);
    if (auto entry =
            reinterpret_cast<Entry>(platform::GetProcAddress(helper, "GetMyDocumentsFolder")))
        entry(buffer);
    platform::FreeLibrary(helper);
    buffer[MAX_PATH - 1] = 0;
    return CString(buffer);
}

CString GetFirstLogicalHardDrive() {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        CString root;
        root.Format("%c:\\", letter);
        if (platform::GetDriveTypeA(root) == platform::DRIVE_FIXED) return root;
    }
    return CString();
}

CString GetLongFileName(CString path) {
    char buffer[MAX_PATH] = {};
    int version = GetOSVersionEx();
    if (version == 0 || version == 1) {
        // Windows NT 4 and 95 have no GetLongPathName: expand through the search functions.
        char full[MAX_PATH] = {};
        DWORD length = platform::GetFullPathNameA(path, MAX_PATH, full, nullptr);
        if (length == 0 || length >= MAX_PATH) return CString();
        CString expanded = expandLongName(CString(full));
        std::strncpy(buffer, expanded, MAX_PATH - 1);
    } else {
        // The platform always provides GetLongPathNameA, which the library would otherwise
        // look up in Kernel32.dll.
        DWORD length = platform::GetLongPathNameA(path, buffer, MAX_PATH);
        if (length >= MAX_PATH) buffer[0] = 0;
    }
    return CString(buffer);
}

DWORD CreateDir(CString path) {
    CString folder = tessaly::companion::SetDirectorySlashTail(path);
    if (platform::GetFileAttributesA(folder) != platform::INVALID_FILE_ATTRIBUTES) return 0;
    CString built;
    int start = 0;
    while (start < folder.GetLength()) {
        int slash = folder.Find('\\', start);
        if (slash < 0) slash = folder.GetLength();
        CString current = built + folder.Mid(start, slash - start);
        built = current + "\\";
        start = slash + 1;
        // Skip the drive ("C:") and the server part of a UNC path.
        if (current.GetLength() > 2 && current.ReverseFind('\\') >= 2 &&
            platform::GetFileAttributesA(current) == platform::INVALID_FILE_ATTRIBUTES) {
            if (!platform::CreateDirectoryA(current, nullptr)) return platform::GetLastError();
        }
    }
    return 0;
}

DWORD CreateDirEx(const char* path) {
    return CreateDir(CString(path));
}

// ---- Temporary names ----

int MakeTempFilename(CString& name, CString extension) {
    char buffer[MAX_PATH] = {};
    DWORD length = platform::GetTempPathA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) return -1;
    CString folder = withSlashTail(CString(buffer));
    CString found;
    if (!findFreeName(folder, extension, found)) return -2;
    name = found;
    return 0;
}

CString GetTempPathName(CString extension, CString folder) {
    CString base;
    if (!folder.IsEmpty()) {
        if (CreateDir(folder) != 0) return CString();
        base = folder;
    } else {
        base = GetTempPathA();
        if (base.IsEmpty()) return CString();
    }
    CString found;
    if (!findFreeName(withSlashTail(base), extension, found)) return CString();
    return found;
}

void GetTempPathNameEx(char* buffer, const char* extension, const char* folder) {
    if (!buffer) return;
    CString name = GetTempPathName(CString(extension), CString(folder));
    std::memcpy(buffer, name.GetString(), static_cast<size_t>(name.GetLength()) + 1);
}
