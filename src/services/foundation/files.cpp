// Files and folders: existence and attributes, sizes and disk space, listing, copying and
// emptying folders, whole-file reads and writes, checks of typed paths and file times.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/foundation.h>

#include "framework/widgets/message_box.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/wintime.h"
#include "resource.h"

namespace platform = tessaly::platform;

namespace {

constexpr DWORD kWriteChunk = 102400;
constexpr DWORD kTextLimit = 4096;

// A folder search in the manner of the framework's file finder: entries come with the
// full path of the folder searched.
class FileFinder {
  public:
    ~FileFinder() { Close(); }
    bool Find(const CString& pattern) {
        Close();
        char full[4096] = {};
        DWORD length = platform::GetFullPathNameA(pattern, sizeof full, full, nullptr);
        if (length == 0 || length >= sizeof full) return false;
        root_ = CString(full);
        int cut = root_.ReverseFind('\\');
        root_ = cut < 0 ? CString() : root_.Left(cut + 1);
        handle_ = platform::FindFirstFileA(pattern, &data_);
        first_ = true;
        return handle_ != INVALID_HANDLE_VALUE;
    }
    // Steps to the next entry; false after the last.
    bool Next() {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        if (first_) {
            first_ = false;
            return true;
        }
        return platform::FindNextFileA(handle_, &data_) != FALSE;
    }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) platform::FindClose(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    CString Name() const { return CString(data_.cFileName); }
    CString Path() const { return root_ + data_.cFileName; }
    DWORD Attributes() const { return data_.dwFileAttributes; }
    bool IsDirectory() const {
        return (data_.dwFileAttributes & platform::FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    bool IsLink() const {
        return (data_.dwFileAttributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    bool IsDots() const {
        return IsDirectory() &&
               (std::strcmp(data_.cFileName, ".") == 0 || std::strcmp(data_.cFileName, "..") == 0);
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    platform::WIN32_FIND_DATAA data_{};
    CString root_;
    bool first_ = false;
};

bool Matches(const char* path) {
    platform::WIN32_FIND_DATAA data;
    HANDLE find = platform::FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    platform::FindClose(find);
    return true;
}

HANDLE OpenForReading(const CString& path) {
    return platform::CreateFileA(path, platform::GENERIC_READ,
                                 platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE, nullptr,
                                 platform::OPEN_EXISTING, 0, nullptr);
}

// Create, write and binary: an existing file is truncated.
HANDLE OpenForWriting(const CString& path) {
    return platform::CreateFileA(path, platform::GENERIC_WRITE, 0, nullptr, platform::CREATE_ALWAYS,
                                 0, nullptr);
}

// A canonical POSIX folder, or empty when it cannot be resolved.
std::string Canonical(const std::string& posix) {
    if (posix.empty()) return {};
    char* real = realpath(posix.c_str(), nullptr);
    if (!real) return {};
    std::string result = real;
    std::free(real);
    return result;
}

bool SameOrAncestor(const std::string& folder, const std::string& of) {
    if (folder.empty() || of.empty()) return false;
    if (folder == "/" || folder == of) return true;
    return of.size() > folder.size() && of.compare(0, folder.size(), folder) == 0 &&
           of[folder.size()] == '/';
}

// Folders that emptying must never touch, however they are spelled: the file system's root,
// the root of any drive, the prefix itself and every folder holding it.
bool IsProtectedFolder(const char* folder) {
    std::string target = Canonical(platform::ToPosixPath(folder));
    if (target.empty() || target == "/") return true;
    if (SameOrAncestor(target, Canonical(platform::PrefixRoot()))) return true;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        std::string drive = platform::DriveFolder(letter);
        if (!drive.empty() && Canonical(drive) == target) return true;
    }
    return false;
}

bool InKeepList(const CString& path, const CStringArray* keep) {
    if (!keep) return false;
    for (const CString& kept : *keep)
        if (path.CompareNoCase(kept) == 0) return true;
    return false;
}

// Empties a folder; links are removed, never followed.
void EmptyFolder(const CString& folder, const CStringArray* keep) {
    FileFinder finder;
    if (!finder.Find(folder + "\\*.*")) return;
    while (finder.Next()) {
        if (finder.IsDots()) continue;
        CString path = finder.Path();
        if (InKeepList(path, keep)) continue;
        DWORD attributes = finder.Attributes();
        if (!(attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT)) {
            // Look again: the entry may have been replaced by a link since it was listed.
            DWORD now = platform::GetFileAttributesA(path);
            if (now != platform::INVALID_FILE_ATTRIBUTES) attributes = now;
        }
        if (attributes & platform::FILE_ATTRIBUTE_REPARSE_POINT) {
            if (attributes & platform::FILE_ATTRIBUTE_DIRECTORY)
                platform::RemoveDirectoryA(path);
            else
                platform::DeleteFileA(path);
        } else if (attributes & platform::FILE_ATTRIBUTE_DIRECTORY) {
            EmptyFolder(path, keep);
            platform::RemoveDirectoryA(path);
        } else {
            if (attributes & platform::FILE_ATTRIBUTE_READONLY)
                platform::SetFileAttributesA(path, attributes & ~platform::FILE_ATTRIBUTE_READONLY);
            platform::DeleteFileA(path);
        }
    }
}

void Clear(const char* folder, const CStringArray* keep) {
    if (!folder || std::strlen(folder) < 4) return;
    DWORD attributes = platform::GetFileAttributesA(folder);
    if (attributes == platform::INVALID_FILE_ATTRIBUTES) return;
    if (IsProtectedFolder(folder)) return;
    EmptyFolder(CString(folder), keep);
}

// A framework date (local time) as a file time in UTC; false when it has no valid value.
bool ToUtcFileTime(const COleDateTime& date, platform::FILETIME& utc) {
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
    return Matches(path) ? 1 : 0;
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
LONGLONG DiskSpace(const CString& path, bool wantFree) {
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
    return DiskSpace(path, true);
}

LONGLONG GetTotalDiskSpace(CString path) {
    return DiskSpace(path, false);
}

// ---- Listing, copying and emptying folders ----

void GetDirectoryFiles(const char* folder, CStringArray& list) {
    CString base(folder);
    FileFinder finder;
    if (!finder.Find(base + "\\*.*")) return;
    while (finder.Next()) {
        if (finder.IsDots()) continue;
        if (finder.IsDirectory()) {
            // Linked folders are not entered: a link back up would never end.
            if (!finder.IsLink()) GetDirectoryFiles(finder.Path(), list);
        } else {
            list.Add(finder.Path());
        }
    }
}

void GetDirectoryFiles(const char* folder, CStringArray& list, int recurse, char** extensions,
                       int extensionCount) {
    CString base = RemoveDirectorySlashTail(CString(folder));
    FileFinder finder;
    if (!finder.Find(base + "\\*.*")) return;
    while (finder.Next()) {
        if (finder.IsDots()) continue;
        if (finder.IsDirectory() && recurse) {
            if (!finder.IsLink()) GetDirectoryFiles(finder.Path(), list);
            continue;
        }
        CString name = finder.Name();
        int dot = name.ReverseFind('.');
        CString ext = dot < 0 ? CString() : name.Mid(dot + 1);
        for (int i = 0; extensions && i < extensionCount; ++i) {
            if (extensions[i] && ext.CompareNoCase(extensions[i]) == 0) {
                list.Add(finder.Path());
                break;
            }
        }
    }
}

void ClearSpace(const char* folder) {
    Clear(folder, nullptr);
}

void ClearAll(const char* folder, int) {
    Clear(folder, nullptr);
}

void ClearSpaceEx(const char* folder, CStringArray& keep) {
    Clear(folder, &keep);
}

void XCopy(CString source, CString target) {
    FileFinder finder;
    if (!finder.Find(source + "\\*.*")) return;
    while (finder.Next()) {
        if (finder.IsDots() || finder.Name().IsEmpty()) continue;
        platform::CopyFileA(source + "\\" + finder.Name(), target + "\\" + finder.Name(), TRUE);
    }
}

// ---- Whole files ----

void ReadBinFile(CString path, CByteArray& bytes) {
    bytes.RemoveAll();
    HANDLE file = OpenForReading(path);
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
    HANDLE file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE) return CString();
    char buffer[kTextLimit + 1] = {};
    DWORD read = 0;
    platform::ReadFile(file, buffer, kTextLimit, &read, nullptr);
    platform::CloseHandle(file);
    return CString(buffer); // up to the first zero byte
}

int WriteBinFile(CString path, CByteArray& bytes) {
    if (CreateDir(GetFolderName(path)) != 0) return 0;
    HANDLE file = OpenForWriting(path);
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    BOOL ok = platform::WriteFile(file, bytes.GetData(), static_cast<DWORD>(bytes.GetSize()),
                                  &written, nullptr);
    platform::CloseHandle(file);
    return ok && written == static_cast<DWORD>(bytes.GetSize()) ? 1 : 0;
}

int WriteBinFileEx(CString path, CByteArray& bytes) {
    HANDLE file = OpenForWriting(path);
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
    bool hasWrite = lastWrite && ToUtcFileTime(*lastWrite, write);
    bool hasCreate = creation && ToUtcFileTime(*creation, create);
    bool hasAccess = lastAccess && ToUtcFileTime(*lastAccess, access);
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
