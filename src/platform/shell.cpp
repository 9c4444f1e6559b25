// Special folders, the Windows and system folders, temp and the user name, all inside the
// prefix's drive C.
#include "platform/shell.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/prefix.h"

namespace tessaly::platform {

namespace {

constexpr int kCsidlFlagCreate = 0x8000;
constexpr int kCsidlDesktopDirectory = 0x10;
constexpr int kCsidlDesktop = 0x00;
constexpr int kCsidlLocalAppData = 0x1c;
constexpr int kCsidlProgramFiles = 0x26;
constexpr int kCsidlProfile = 0x28;

std::string driveC() {
    return EnsurePrefix() + "/drive_c";
}

std::string userFolder() {
    return driveC() + "/users/" + PrefixUserName();
}

// The POSIX folder of a special folder id, empty when the id is not one we keep.
std::string specialFolder(int csidl) {
    switch (csidl) {
    case CSIDL_PERSONAL:
        return userFolder() + "/My Documents";
    case CSIDL_APPDATA:
        return userFolder() + "/Application Data";
    case kCsidlLocalAppData:
        return userFolder() + "/Local Settings/Application Data";
    case kCsidlDesktop:
    case kCsidlDesktopDirectory:
        return userFolder() + "/Desktop";
    case kCsidlProfile:
        return userFolder();
    case CSIDL_WINDOWS:
        return driveC() + "/windows";
    case CSIDL_SYSTEM:
        return driveC() + "/windows/system32";
    case kCsidlProgramFiles:
        return driveC() + "/Program Files";
    default:
        return {};
    }
}

// Copies a folder's Windows form into a caller's buffer with the size rules of
// GetWindowsDirectoryA: the length on success, the size needed when it does not fit.
UINT copyFolder(const std::string& windows, char* buffer, UINT size) {
    UINT length = static_cast<UINT>(windows.size());
    if (windows.empty()) return 0;
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, windows.c_str(), windows.size() + 1);
    return length;
}

} // namespace

BOOL SHGetSpecialFolderPathA(HWND, char* path, int csidl, BOOL create) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    path[0] = 0;
    if (csidl & kCsidlFlagCreate) create = TRUE;
    std::string folder = specialFolder(csidl & 0xFF);
    if (folder.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        if (!create || !std::filesystem::create_directories(folder, ec)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
    }
    std::string windows = ToWindowsPath(folder);
    if (windows.empty() || windows.size() >= MAX_PATH) return FALSE;
    std::memcpy(path, windows.c_str(), windows.size() + 1);
    return TRUE;
}

UINT GetWindowsDirectoryA(char* buffer, UINT size) {
    return copyFolder(ToWindowsPath(specialFolder(CSIDL_WINDOWS)), buffer, size);
}

UINT GetSystemDirectoryA(char* buffer, UINT size) {
    return copyFolder(ToWindowsPath(specialFolder(CSIDL_SYSTEM)), buffer, size);
}

DWORD GetTempPathA(DWORD size, char* buffer) {
    std::string folder = userFolder() + "/Temp";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string windows = ToWindowsPath(folder);
    if (windows.empty()) return 0;
    if (windows.back() != '\\') windows += '\\';
    return copyFolder(windows, buffer, size);
}

BOOL GetUserNameA(char* buffer, DWORD* size) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string name = Utf8ToAnsi(PrefixUserName());
    DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (!buffer || *size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), needed);
    *size = needed;
    return TRUE;
}

} // namespace tessaly::platform
