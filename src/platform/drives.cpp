// Drives (types, letters, free space) and the current folder.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/path_util.h"
#include "platform/prefix.h"
#include "platform/registry.h"

#include "platform/file_util.h"

namespace tessaly::platform {

using namespace detail;

namespace {

constexpr const char* kDrivesKey = "Software\\Tessaly\\Platform\\Drives";

std::string currentFolderWindows() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return "C:\\";
        buffer.resize(buffer.size() * 2);
    }
    std::string windows = ToWindowsPath(buffer.data());
    return windows.empty() ? "C:\\" : windows;
}

} // namespace

// ---- Drives ----

namespace {

char driveLetterOf(const char* root) {
    if (!root || !*root || ((root[0] == '\\' || root[0] == '/') && root[1] == 0)) {
        std::string current = currentFolderWindows();
        return current.empty() ? 0 : current[0];
    }
    if (std::isalpha(static_cast<unsigned char>(root[0])) && root[1] == ':' &&
        (root[2] == 0 || ((root[2] == '\\' || root[2] == '/') && root[3] == 0)))
        return static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    return 0;
}

} // namespace

UINT GetDriveTypeA(const char* root) {
    char letter = driveLetterOf(root);
    if (!letter || DriveFolder(letter).empty()) return DRIVE_NO_ROOT_DIR;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDrivesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return DRIVE_FIXED;
    char value[64] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    std::string name = std::string(1, letter) + ":";
    LONG status =
        RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return DRIVE_FIXED;
    value[std::min<DWORD>(size, sizeof value - 1)] = 0;
    std::string kind = detail::FoldCase(value);
    while (!kind.empty() && (kind.back() == ' ' || kind.back() == 0))
        kind.pop_back();
    if (kind == "fixed") return DRIVE_FIXED;
    if (kind == "removable") return DRIVE_REMOVABLE;
    if (kind == "cdrom") return DRIVE_CDROM;
    if (kind == "network" || kind == "remote") return DRIVE_REMOTE;
    if (kind == "ramdisk") return DRIVE_RAMDISK;
    return DRIVE_UNKNOWN;
}

DWORD GetLogicalDrives() {
    DWORD mask = 0;
    for (char letter = 'a'; letter <= 'z'; ++letter)
        if (!DriveFolder(letter).empty()) mask |= 1u << (letter - 'a');
    return mask;
}

namespace {

bool volumeOf(const char* root, struct statvfs& vfs) {
    std::string posix = ToPosixPath(root && *root ? std::string(root) : currentFolderWindows());
    if (posix.empty()) return false;
    if (statvfs(posix.c_str(), &vfs) != 0) {
        if (errno == ENOENT)
            detail::SetLastErrorForMissing(posix);
        else
            SetLastErrorFromErrno();
        return false;
    }
    return true;
}

} // namespace

BOOL GetDiskFreeSpaceExA(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total,
                         ULONGLONG* totalFree) {
    struct statvfs vfs;
    if (!volumeOf(root, vfs)) return FALSE;
    ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (freeToCaller) *freeToCaller = static_cast<ULONGLONG>(vfs.f_bavail) * unit;
    if (total) *total = static_cast<ULONGLONG>(vfs.f_blocks) * unit;
    if (totalFree) *totalFree = static_cast<ULONGLONG>(vfs.f_bfree) * unit;
    return TRUE;
}

BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* freeClusters, DWORD* totalClusters) {
    struct statvfs vfs;
    if (!volumeOf(root, vfs)) return FALSE;
    ULONGLONG unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    const ULONGLONG sector = 512;
    ULONGLONG sectors = std::max<ULONGLONG>(1, unit / sector);
    ULONGLONG cluster = sectors * sector;
    auto clamp = [](ULONGLONG value) {
        return static_cast<DWORD>(std::min<ULONGLONG>(value, 0xFFFFFFFFull));
    };
    if (sectorsPerCluster) *sectorsPerCluster = static_cast<DWORD>(sectors);
    if (bytesPerSector) *bytesPerSector = static_cast<DWORD>(sector);
    if (freeClusters) *freeClusters = clamp(static_cast<ULONGLONG>(vfs.f_bavail) * unit / cluster);
    if (totalClusters)
        *totalClusters = clamp(static_cast<ULONGLONG>(vfs.f_blocks) * unit / cluster);
    return TRUE;
}

// ---- Current folder ----

DWORD GetCurrentDirectoryA(DWORD size, char* buffer) {
    return CopyOut(currentFolderWindows(), buffer, size);
}

BOOL SetCurrentDirectoryA(const char* path) {
    std::string posix = Posix(path);
    if (posix.empty()) return FALSE;
    struct stat st;
    if (stat(posix.c_str(), &st) != 0) {
        detail::SetLastErrorForMissing(posix);
        return FALSE;
    }
    if (!S_ISDIR(st.st_mode)) {
        Fail(ERROR_DIRECTORY);
        return FALSE;
    }
    if (chdir(posix.c_str()) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

} // namespace tessaly::platform
