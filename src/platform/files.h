#pragma once
// Files and folders with Windows semantics: paths are Windows paths in the ANSI code page.
#include <functional>
#include <string>
#include <vector>

#include "api.h"
#include "wintime.h"

namespace tessaly::platform {

enum : DWORD {
    FILE_ATTRIBUTE_READONLY = 0x01,
    FILE_ATTRIBUTE_HIDDEN = 0x02,
    FILE_ATTRIBUTE_SYSTEM = 0x04,
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_ARCHIVE = 0x20,
    FILE_ATTRIBUTE_NORMAL = 0x80,
    FILE_ATTRIBUTE_REPARSE_POINT = 0x400, // a symbolic link (with DIRECTORY when it leads to one)
    INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF,
};

// CreateFileA access, sharing, creation and flags; SetFilePointer methods.
enum : DWORD {
    GENERIC_READ = 0x80000000,
    GENERIC_WRITE = 0x40000000,
    GENERIC_ALL = 0x10000000,
    FILE_SHARE_READ = 0x1,
    FILE_SHARE_WRITE = 0x2,
    FILE_SHARE_DELETE = 0x4,
    CREATE_NEW = 1,
    CREATE_ALWAYS = 2,
    OPEN_EXISTING = 3,
    OPEN_ALWAYS = 4,
    TRUNCATE_EXISTING = 5,
    FILE_FLAG_DELETE_ON_CLOSE = 0x04000000,
    FILE_FLAG_BACKUP_SEMANTICS = 0x02000000,
    FILE_BEGIN = 0,
    FILE_CURRENT = 1,
    FILE_END = 2,
    INVALID_FILE_SIZE = 0xFFFFFFFF,
    INVALID_SET_FILE_POINTER = 0xFFFFFFFF,
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};

#define INVALID_HANDLE_VALUE ((HANDLE)(std::intptr_t)-1)

// Attributes: read-only is the write bits; hidden, system and archive live in the
// user.DOSATTRIB extended attribute where the file system allows it.
PLATFORM_API DWORD GetFileAttributesA(const char* path);
PLATFORM_API BOOL SetFileAttributesA(const char* path, DWORD attributes);

// Wildcard search (* and ?, Windows matching: "*.*" matches every name, case ignored).
PLATFORM_API HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
PLATFORM_API BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
PLATFORM_API BOOL FindClose(HANDLE find);
// Windows wildcard match of one name against one pattern, case ignored.
PLATFORM_API bool MatchesWildcard(const char* name, const char* pattern);

// What FindFirstFileA and FindNextFileA list for a pattern, in their order, with only what a
// walk through folders needs: name (ANSI), the name on disk, and the directory and reparse
// point attributes as they report them. No times, sizes or stored attributes are read, so
// most entries cost no system call. False with FindFirstFileA's last error where it fails.
struct FolderEntry {
    std::string name;
    std::string posixName;
    bool directory = false;
    bool link = false;
    // A Windows path made of the folder's path and name leads back to this entry (no
    // separator, trailing dot or blank in it, and the name converts back to the one on disk).
    bool named = false;
};
// posixFolder, when given, receives the folder searched.
PLATFORM_API bool ListFolder(const char* pattern, std::vector<FolderEntry>& entries,
                             std::string* posixFolder = nullptr);
// Deletes what a folder holds, as a walk over folder + "\\*.*" with GetFileAttributesA,
// SetFileAttributesA, DeleteFileA and RemoveDirectoryA would: links are removed, never
// followed; read-only files lose the attribute and go; subfolders are emptied and removed;
// failures are passed over. An entry whose full Windows path keep accepts is left, with
// everything below it. The folder itself stays.
PLATFORM_API void EmptyFolder(const char* folder,
                              const std::function<bool(const std::string&)>& keep);

PLATFORM_API BOOL CreateDirectoryA(const char* path, void* security);
PLATFORM_API BOOL RemoveDirectoryA(const char* path);
PLATFORM_API BOOL DeleteFileA(const char* path);
PLATFORM_API BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists);
// CopyFileA between paths already translated (for a caller that translated a whole folder).
PLATFORM_API BOOL CopyPosixFile(const std::string& source, const std::string& target,
                                BOOL failIfExists);
PLATFORM_API BOOL MoveFileA(const char* from, const char* to);
PLATFORM_API DWORD GetFullPathNameA(const char* path, DWORD size, char* buffer, char** filePart);
PLATFORM_API DWORD GetLongPathNameA(const char* shortPath, char* longPath, DWORD size);
PLATFORM_API DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD size);

// Open files. access: GENERIC_READ 0x80000000, GENERIC_WRITE 0x40000000; creation:
// 1 CREATE_NEW, 2 CREATE_ALWAYS, 3 OPEN_EXISTING, 4 OPEN_ALWAYS, 5 TRUNCATE_EXISTING;
// flag 0x02000000 (backup semantics) opens folders too.
PLATFORM_API HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security,
                                DWORD creation, DWORD flags, HANDLE templateFile);
PLATFORM_API BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
PLATFORM_API BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                            void* overlapped);
PLATFORM_API DWORD GetFileSize(HANDLE file, DWORD* high);
PLATFORM_API DWORD SetFilePointer(HANDLE file, LONG distance, LONG* high, DWORD method);
PLATFORM_API BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* access, FILETIME* write);
// Creation time is kept in an extended attribute; access and write times are the file's.
PLATFORM_API BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                              const FILETIME* write);
// Closes any handle of the platform (files, finds, processes).
PLATFORM_API BOOL CloseHandle(HANDLE handle);

enum : UINT {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};
// Drive types from HKLM Software\Tessaly\Platform\Drives, value "<letter>:" = fixed,
// removable, cdrom, network or ramdisk; a mapped drive without a value is fixed.
PLATFORM_API UINT GetDriveTypeA(const char* root);
PLATFORM_API DWORD GetLogicalDrives();
PLATFORM_API BOOL GetDiskFreeSpaceExA(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total,
                                      ULONGLONG* totalFree);
PLATFORM_API BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectorsPerCluster,
                                    DWORD* bytesPerSector, DWORD* freeClusters,
                                    DWORD* totalClusters);

PLATFORM_API DWORD GetCurrentDirectoryA(DWORD size, char* buffer);
PLATFORM_API BOOL SetCurrentDirectoryA(const char* path);

} // namespace tessaly::platform
