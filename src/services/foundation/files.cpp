// Files and folders: existence and attributes, sizes and disk space, listing, copying and
// emptying folders, whole-file reads and writes, checks of typed paths and file times.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <tessaly/foundation.h>

#include "framework/widgets/message_box.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/wintime.h"
#include "resource.h"

namespace platform = tessaly::platform;

namespace {

constexpr DWORD kWriteChunk = 102400;
constexpr DWORD kTextLimit = 4096;

bool matches(const char* path) {
    platform::WIN32_FIND_DATAA data;
    HANDLE find = platform::FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    platform::FindClose(find);
    return true;
}

HANDLE openForReading(const CString& path) {
    return platform::CreateFileA(path, platform::GENERIC_READ,
                                 platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE, nullptr,
                                 platform::OPEN_EXISTING, 0, nullptr);
}

// Create, write and binary: an existing file is truncated.
HANDLE openForWriting(const CString& path) {
    return platform::CreateFileA(path, platform::GENERIC_WRITE, 0, nullptr, platform::CREATE_ALWAYS,
                                 0, nullptr);
}

// A canonical POSIX folder, or empty when it cannot be resolved.
std::string canonicalPath(const std::string& posix) {
    if (posix.empty()) return {};
    char* real = realpath(posix.c_str(), nullptr);
    if (!real) return {};
    std::string result = real;
    std::free(real);
    return result;
}

bool sameOrAncestor(const std::string& folder, const std::string& of) {
    if (folder.empty() || of.empty()) return false;
    if (folder == "/" || folder == of) return true;
    return of.size() > folder.size() && of.compare(0, folder.size(), folder) == 0 &&
           of[folder.size()] == '/';
}

// Folders that emptying must never touch, however they are spelled: the file system's root,
// the root of any drive, the prefix itself and every folder holding it.
bool isProtectedFolder(const char* folder) {
    std::string target = canonicalPath(platform::ToPosixPath(folder));
    if (target.empty() || target == "/") return true;
    if (sameOrAncestor(target, canonicalPath(platform::PrefixRoot()))) return true;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        std::string drive = platform::DriveFolder(letter);
        if (!drive.empty() && canonicalPath(drive) == target) return true;
    }
    return false;
}

void clear(const char* folder, const CStringArray* keep) {
    if (!folder || std::strlen(folder) < 4) return;
    platform::CodePageScope scope;
    DWORD attributes = platform::GetFileAttributesA(folder);
    if (attributes == platform::INVALID_FILE_ATTRIBUTES) return;
    if (isProtectedFolder(folder)) return;
    std::function<bool(const std::string&)> kept;
    if (keep)
        kept = [keep](const std::string& path) {
            const CString text(path.c_str());
            for (const CString& entry : *keep)
                if (text.CompareNoCase(entry) == 0) return true;
            return false;
        };
    platform::EmptyFolder(folder, kept);
}

// The full paths of the entries of folder + "\\*.*", in the file finder's order, as its
// entries' paths are made: the full path of the folder searched and the name.
bool ListFolder(const CString& folder, CString& root, std::vector<platform::FolderEntry>& entries,
                std::string* posixFolder = nullptr) {
    const CString pattern = folder + "\\*.*";
    char full[4096] = {};
    DWORD length = platform::GetFullPathNameA(pattern, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return false;
    root = CString(full);
    int cut = root.ReverseFind('\\');
    root = cut < 0 ? CString() : root.Left(cut + 1);
    return platform::ListFolder(pattern, entries, posixFolder);
}

std::string foldedName(std::string name) {
    platform::AnsiLower(name);
    return name;
}

std::string joinPosix(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool isDots(const platform::FolderEntry& entry) {
    return entry.directory && (entry.name == "." || entry.name == "..");
}

// A framework date (local time) as a file time in UTC; false when it has no valid value.
bool toUtcFileTime(const COleDateTime& date, platform::FILETIME& utc) {
    if (date.m_status != COleDateTime::valid) return false;
    // Whole days count from 30 December 1899; the fraction is the time of day, also for
    // dates before it. Times are rounded to the second, as the framework does.
    double days = std::trunc(date.m_dt);
    double fraction = std::fabs(date.m_dt - days);
    long long seconds = std::llround(fraction * 86400.0);
    long long dayNumber = static_cast<long long>(days) + seconds / 86400;
    seconds %= 86400;
    // Days since 1601-01-01 (109205 days before 1899-12-30).
    long long sinceFileEpoch = dayNumber + 109205;
    if (sinceFileEpoch < 0) return false;
    unsigned long long ticks = (static_cast<unsigned long long>(sinceFileEpoch) * 86400ULL +
                                static_cast<unsigned long long>(seconds)) *
                               10000000ULL;
    platform::FILETIME local{static_cast<DWORD>(ticks & 0xFFFFFFFFu),
                             static_cast<DWORD>(ticks >> 32)};
    return platform::LocalFileTimeToFileTime(&local, &utc) != FALSE;
}

} // namespace

// ---- Existence and attributes ----

int IsFileExist(CString path) {
    return matches(path) ? 1 : 0;
}

int IsReadOnly(CString path) {
    return (platform::GetFileAttributesA(path) & platform::FILE_ATTRIBUTE_READONLY) ? 1 : 0;
}

void SetFileReadOnly(CString path, int readOnly) {
    DWORD attributes = platform::GetFileAttributesA(path);
    if (attributes == platform::INVALID_FILE_ATTRIBUTES) return;
    bool now = (attributes & platform::FILE_ATTRIBUTE_READONLY) != 0;
    if (now == (readOnly != 0)) return;
    platform::SetFileAttributesA(path, readOnly ? attributes | platform::FILE_ATTRIBUTE_READONLY
                                                : attributes & ~platform::FILE_ATTRIBUTE_READONLY);
}

int RemoveFileAttr(CString path, DWORD attributes) {
    DWORD current = platform::GetFileAttributesA(path);
    if (current == platform::INVALID_FILE_ATTRIBUTES) return 0;
    if (!(current & attributes)) return 1;
    return platform::SetFileAttributesA(path, current & ~attributes);
}

int GetFileLength(CString path) {
    platform::WIN32_FIND_DATAA data;
    HANDLE find = platform::FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    platform::FindClose(find);
    return static_cast<int>(data.nFileSizeLow);
}

// ---- Disk space ----

namespace {

// Free (wantFree) or total bytes of the drive of a path; -1 for drives that are neither
// fixed nor removable.
LONGLONG diskSpace(const CString& path, bool wantFree) {
    CString root = path.Left(3);
    UINT type = platform::GetDriveTypeA(root);
    if (type != platform::DRIVE_FIXED && type != platform::DRIVE_REMOVABLE) return -1;
    // The platform always provides GetDiskFreeSpaceExA, so the cluster arithmetic of
    // systems without it is never needed.
    ULONGLONG available = 0, total = 0, totalFree = 0;
    if (!platform::GetDiskFreeSpaceExA(root, &available, &total, &totalFree)) return 0;
    return static_cast<LONGLONG>(wantFree ? totalFree : total);
}

} // namespace

LONGLONG GetFreeDiskSpace(CString path) {
    return diskSpace(path, true);
}

LONGLONG GetTotalDiskSpace(CString path) {
    return diskSpace(path, false);
}

// ---- Listing, copying and emptying folders ----

void GetDirectoryFiles(const char* folder, CStringArray& list) {
    platform::CodePageScope scope;
    CString root;
    std::vector<platform::FolderEntry> entries;
    if (!ListFolder(CString(folder), root, entries)) return;
    for (const platform::FolderEntry& entry : entries) {
        if (isDots(entry)) continue;
        if (entry.directory) {
            // Linked folders are not entered: a link back up would never end.
            if (!entry.link) GetDirectoryFiles(root + entry.name.c_str(), list);
        } else {
            list.Add(root + entry.name.c_str());
        }
    }
}

void GetDirectoryFiles(const char* folder, CStringArray& list, int recurse, char** extensions,
                       int extensionCount) {
    platform::CodePageScope scope;
    CString root;
    std::vector<platform::FolderEntry> entries;
    if (!ListFolder(RemoveDirectorySlashTail(CString(folder)), root, entries)) return;
    for (const platform::FolderEntry& entry : entries) {
        if (isDots(entry)) continue;
        if (entry.directory && recurse) {
            if (!entry.link) GetDirectoryFiles(root + entry.name.c_str(), list);
            continue;
        }
        CString name(entry.name.c_str());
        int dot = name.ReverseFind('.');
        CString ext = dot < 0 ? CString() : name.Mid(dot + 1);
        for (int i = 0; extensions && i < extensionCount; ++i) {
            if (extensions[i] && ext.CompareNoCase(extensions[i]) == 0) {
                list.Add(root + name);
                break;
            }
        }
    }
}

void ClearSpace(const char* folder) {
    clear(folder, nullptr);
}

void ClearAll(const char* folder, int) {
    clear(folder, nullptr);
}

void ClearSpaceEx(const char* folder, CStringArray& keep) {
    clear(folder, &keep);
}

void XCopy(CString source, CString target) {
    platform::CodePageScope scope;
    CString root;
    std::vector<platform::FolderEntry> entries;
    std::string sourceFolder;
    if (!ListFolder(source, root, entries, &sourceFolder)) return;
    // Each target path is translated as CopyFileA would, but against one listing of the target
    // folder (kept up to date) instead of one per file: exact name first, then any name equal
    // without regard to case.
    const std::string targetFolder = platform::ToPosixPath(target.str());
    std::unordered_set<std::string> exact;
    std::unordered_map<std::string, std::string> folded;
    std::vector<platform::FolderEntry> present;
    if (platform::ListFolder(target + "\\*.*", present))
        for (const platform::FolderEntry& entry : present) {
            exact.insert(entry.posixName);
            folded.emplace(foldedName(entry.name), entry.posixName);
        }
    for (const platform::FolderEntry& entry : entries) {
        if (isDots(entry) || entry.name.empty()) continue;
        if (targetFolder.empty() || !entry.named) {
            platform::CopyFileA(source + "\\" + entry.name.c_str(),
                                target + "\\" + entry.name.c_str(), TRUE);
            continue;
        }
        const std::string name = platform::AnsiToUtf8(entry.name);
        const std::string key = foldedName(entry.name);
        auto same = folded.find(key);
        const std::string& onDisk = exact.count(name) || same == folded.end() ? name : same->second;
        if (platform::CopyPosixFile(joinPosix(sourceFolder, entry.posixName),
                                    joinPosix(targetFolder, onDisk), TRUE)) {
            exact.insert(name);
            folded.emplace(key, name);
        }
    }
}

// ---- Whole files ----

void ReadBinFile(CString path, CByteArray& bytes) {
    bytes.RemoveAll();
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD high = 0;
    DWORD size = platform::GetFileSize(file, &high);
    if (size != platform::INVALID_FILE_SIZE && high == 0 && size <= static_cast<DWORD>(INT_MAX)) {
        bytes.SetSize(static_cast<int>(size));
        DWORD read = 0;
        if (size > 0) platform::ReadFile(file, bytes.GetData(), size, &read, nullptr);
        if (read < size) bytes.SetSize(static_cast<int>(read));
    }
    platform::CloseHandle(file);
}

CString ReadTextFile(CString path) {
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE) return CString();
    char buffer[kTextLimit + 1] = {};
    DWORD read = 0;
    platform::ReadFile(file, buffer, kTextLimit, &read, nullptr);
    platform::CloseHandle(file);
    return CString(buffer); // up to the first zero byte
}

int WriteBinFile(CString path, CByteArray& bytes) {
    if (CreateDir(GetFolderName(path)) != 0) return 0;
    HANDLE file = openForWriting(path);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    BOOL ok = platform::WriteFile(file, bytes.GetData(), static_cast<DWORD>(bytes.GetSize()),
                                  &written, nullptr);
    platform::CloseHandle(file);
    return ok && written == static_cast<DWORD>(bytes.GetSize()) ? 1 : 0;
}

int WriteBinFileEx(CString path, CByteArray& bytes) {
    HANDLE file = openForWriting(path);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::vector<BYTE> staging(kWriteChunk);
    const DWORD total = static_cast<DWORD>(bytes.GetSize());
    bool ok = true;
    for (DWORD done = 0; ok && done < total;) {
        DWORD chunk = total - done < kWriteChunk ? total - done : kWriteChunk;
        std::memcpy(staging.data(), bytes.GetData() + done, chunk);
        DWORD written = 0;
        ok =
            platform::WriteFile(file, staging.data(), chunk, &written, nullptr) && written == chunk;
        done += chunk;
    }
    platform::CloseHandle(file);
    return ok ? 1 : 0;
}

// ---- Checking a typed path ----

int CheckFile(CString path, int askOverwrite, int mustExist) {
    using tessaly::framework::AfxMessageBox;
    if (path.IsEmpty()) {
        CString text;
        text.LoadString(IDS_FILE_NAME_EMPTY);
        AfxMessageBox(text, MB_OK);
        return 0;
    }
    CString name = GetFileName(path);
    if (name.FindOneOf("\\?|><:/*\"") >= 0) {
        CString text;
        text.FormatMessage(IDS_FILE_NOT_EXIST, path.GetString());
        AfxMessageBox(text, MB_OK);
        return 0;
    }
    if (askOverwrite && IsFileExist(path)) {
        CString text;
        text.FormatMessage(IDS_FILE_OVERWRITE, path.GetString());
        if (AfxMessageBox(text, MB_OKCANCEL) == IDCANCEL) return 0;
    }
    if (mustExist && !IsFileExist(path)) {
        CString text;
        text.FormatMessage(IDS_FILE_NOT_EXIST, path.GetString());
        AfxMessageBox(text, MB_OK);
        return 0;
    }
    CString folder = GetFileDirectory(path);
    if (!folder.IsEmpty() &&
        platform::GetFileAttributesA(folder) == platform::INVALID_FILE_ATTRIBUTES &&
        CreateDir(folder) != 0) {
        CString text;
        text.FormatMessage(IDS_FILE_CANNOT_CREATE, folder.GetString());
        AfxMessageBox(text, MB_OK);
        return 0;
    }
    return 1;
}

// ---- File times ----

int ModifyFileTime(CString path, COleDateTime* lastWrite, COleDateTime* creation,
                   COleDateTime* lastAccess) {
    HANDLE file = platform::CreateFileA(path, platform::GENERIC_READ | platform::GENERIC_WRITE,
                                        platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE,
                                        nullptr, platform::OPEN_EXISTING,
                                        platform::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // A date without a valid value leaves its time as it is.
    platform::FILETIME write{}, create{}, access{};
    bool hasWrite = lastWrite && toUtcFileTime(*lastWrite, write);
    bool hasCreate = creation && toUtcFileTime(*creation, create);
    bool hasAccess = lastAccess && toUtcFileTime(*lastAccess, access);
    BOOL result = platform::SetFileTime(file, hasCreate ? &create : nullptr,
                                        hasAccess ? &access : nullptr, hasWrite ? &write : nullptr);
    if (!result) {
        DWORD error = platform::GetLastError();
        char* text = nullptr;
        platform::FormatMessageA(platform::FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                     platform::FORMAT_MESSAGE_FROM_SYSTEM,
                                 nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        tessaly::framework::SystemMessageBox(nullptr, text ? text : "", "GetLastError",
                                             MB_ICONSTOP);
        if (text) platform::LocalFree(text);
    }
    platform::CloseHandle(file);
    return result;
}
