// Files and folders with Windows semantics on top of POSIX calls: attributes, creating,
// removing, copying and moving, and path names. Paths arrive as Windows paths in the ANSI code
// page and are translated by ToPosixPath.
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

namespace detail {

namespace {

bool readDosAttributes(const std::string& posix, DWORD& bits, bool follow) {
    char value[32] = {};
    ssize_t length = follow ? getxattr(posix.c_str(), kDosAttributeName, value, sizeof value - 1)
                            : lgetxattr(posix.c_str(), kDosAttributeName, value, sizeof value - 1);
    if (length <= 0) return false;
    value[length] = 0;
    bits = static_cast<DWORD>(std::strtoul(value, nullptr, 16)) & kStoredAttributes;
    return true;
}

} // namespace

DWORD Fail(DWORD code) {
    SetLastError(code);
    return code;
}

bool IsReadOnlyMode(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string Text(const char* text) {
    return text ? text : "";
}

// The POSIX path of a Windows path; empty with the last error set on failure.
std::string Posix(const char* path) {
    if (!path || !*path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    return ToPosixPath(path);
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The Windows attributes of a POSIX object. target is the object followed through links,
// linked tells whether the path itself is a symbolic link.
DWORD AttributesOf(const std::string& posix, const struct stat& target, bool linked) {
    DWORD attributes = 0;
    if (S_ISDIR(target.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnlyMode(target.st_mode)) attributes |= FILE_ATTRIBUTE_READONLY;
    DWORD stored = 0;
    if (readDosAttributes(posix, stored, !linked))
        attributes |= stored;
    else if (!S_ISDIR(target.st_mode))
        attributes |= FILE_ATTRIBUTE_ARCHIVE; // a file nobody has marked yet
    if (linked) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Attributes of a path without touching the last error; false when nothing is there.
// A symbolic link reports what it leads to, marked as a reparse point.
bool LookupAttributes(const std::string& posix, DWORD& attributes) {
    struct stat self;
    if (lstat(posix.c_str(), &self) != 0) return false;
    if (!S_ISLNK(self.st_mode)) {
        attributes = AttributesOf(posix, self, false);
        return true;
    }
    struct stat target;
    if (stat(posix.c_str(), &target) != 0) {
        target = self; // a dangling link counts as a file
        target.st_mode = S_IFREG | S_IRUSR | S_IWUSR;
    }
    attributes = AttributesOf(posix, target, true);
    return true;
}

DWORD CopyOut(const std::string& text, char* buffer, DWORD size) {
    DWORD length = static_cast<DWORD>(text.size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return length;
}

FILETIME TimeOf(const struct statx_timestamp& ts) {
    return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec);
}

// The creation time: the one set through SetFileTime when there is one, else the file
// system's birth time, else the last change of the contents.
FILETIME CreationTime(int dirfd, const char* path, int flags, const struct statx& sx) {
    char value[32] = {};
    ssize_t length;
    if (*path == 0)
        length = fgetxattr(dirfd, kCreationTimeName, value, sizeof value - 1);
    else
        length = (flags & AT_SYMLINK_NOFOLLOW)
                     ? lgetxattr(path, kCreationTimeName, value, sizeof value - 1)
                     : getxattr(path, kCreationTimeName, value, sizeof value - 1);
    if (length > 0) {
        value[length] = 0;
        unsigned long long ticks = std::strtoull(value, nullptr, 10);
        return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    }
    if (sx.stx_mask & STATX_BTIME) return TimeOf(sx.stx_btime);
    return TimeOf(sx.stx_mtime);
}

} // namespace detail

using namespace detail;

namespace {

// Copies the bytes of one open file into another: inside the kernel where the file system
// allows, else through a buffer.
bool copyContents(int from, int to) {
    // Some kernels report a file system's generated files (procfs) as empty here: a first
    // answer of nothing is checked through the buffer.
    for (bool any = false;;) {
        ssize_t copied = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (copied == 0 && any) return true;
        if (copied == 0) break;
        any = any || copied > 0;
        if (copied > 0 || errno == EINTR) continue;
        // No kernel copy between these files: the buffer goes on from where it stopped.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF)
            break;
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += put;
        }
    }
}

} // namespace

// ---- Attributes ----

DWORD GetFileAttributesA(const char* path) {
    std::string posix = Posix(path);
    if (posix.empty()) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes;
    if (!LookupAttributes(posix, attributes)) {
        if (errno == ENOTDIR)
            SetLastError(posix.back() == '/' ? 123 : ERROR_PATH_NOT_FOUND);
        else
            detail::SetLastErrorForMissing(posix);
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributes;
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
    std::string posix = Posix(path);
    if (posix.empty()) return FALSE;
    struct stat st;
    if (stat(posix.c_str(), &st) != 0) {
        if (errno == ENOENT)
            detail::SetLastErrorForMissing(posix);
        else
            SetLastErrorFromErrno();
        return FALSE;
    }
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = mode;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        wanted &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (IsReadOnlyMode(mode))
        wanted |= S_IWUSR;
    if (wanted != mode && chmod(posix.c_str(), wanted) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    char value[16];
    std::snprintf(value, sizeof value, "0x%x",
                  static_cast<unsigned>(attributes & kStoredAttributes));
    // Where the file system has no extended attributes only read-only survives.
    setxattr(posix.c_str(), kDosAttributeName, value, std::strlen(value), 0);
    SetLastError(0);
    return TRUE;
}

// ---- Folders and files ----

BOOL CreateDirectoryA(const char* path, void*) {
    std::string posix = WithoutTrailingSlash(Posix(path));
    if (posix.empty()) return FALSE;
    if (mkdir(posix.c_str(), 0777) != 0) {
        if (errno == EEXIST)
            Fail(ERROR_ALREADY_EXISTS);
        else if (errno == ENOENT || errno == ENOTDIR)
            Fail(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno();
        return FALSE;
    }
    SetLastError(0);
    return TRUE;
}

BOOL RemoveDirectoryA(const char* path) {
    std::string posix = WithoutTrailingSlash(Posix(path));
    if (posix.empty()) return FALSE;
    struct stat self;
    if (lstat(posix.c_str(), &self) != 0) {
        detail::SetLastErrorForMissing(posix);
        return FALSE;
    }
    if (S_ISLNK(self.st_mode)) {
        // A link to a folder goes away itself; what it leads to is not touched.
        struct stat target;
        if (stat(posix.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
            Fail(ERROR_DIRECTORY);
            return FALSE;
        }
        if (unlink(posix.c_str()) != 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        return TRUE;
    }
    if (!S_ISDIR(self.st_mode)) {
        Fail(ERROR_DIRECTORY);
        return FALSE;
    }
    if (rmdir(posix.c_str()) != 0) {
        if (errno == ENOTEMPTY || errno == EEXIST)
            Fail(ERROR_DIR_NOT_EMPTY);
        else
            SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(const char* path) {
    std::string posix = Posix(path);
    if (posix.empty()) return FALSE;
    struct stat self;
    if (lstat(posix.c_str(), &self) != 0) {
        if (errno == ENOTDIR)
            Fail(ERROR_PATH_NOT_FOUND);
        else
            detail::SetLastErrorForMissing(posix);
        return FALSE;
    }
    if (!S_ISLNK(self.st_mode)) {
        // Folders and read-only files are refused, as on Windows.
        if (S_ISDIR(self.st_mode) || IsReadOnlyMode(self.st_mode)) {
            Fail(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    if (unlink(posix.c_str()) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    return TRUE;
}

namespace {

// CopyFileA once the source is a POSIX path; the target is translated after the source has
// been checked, as the errors' order wants.
BOOL copyPosix(const std::string& source, const std::function<std::string()>& translateTarget,
               BOOL failIfExists) {
    struct stat src;
    if (stat(source.c_str(), &src) != 0) {
        detail::SetLastErrorForMissing(source);
        return FALSE;
    }
    if (S_ISDIR(src.st_mode)) {
        Fail(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string target = translateTarget();
    if (target.empty()) return FALSE;
    struct stat dst;
    bool exists = stat(target.c_str(), &dst) == 0;
    if (exists) {
        if (failIfExists) {
            Fail(ERROR_FILE_EXISTS);
            return FALSE;
        }
        if (S_ISDIR(dst.st_mode) || IsReadOnlyMode(dst.st_mode)) {
            Fail(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            Fail(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
    int out = open(target.c_str(), flags, 0666);
    if (out < 0) {
        if (errno == EEXIST)
            Fail(ERROR_FILE_EXISTS);
        else if (errno == ENOENT || errno == ENOTDIR)
            Fail(ERROR_PATH_NOT_FOUND);
        else
            SetLastErrorFromErrno();
        ::close(in);
        return FALSE;
    }
    bool ok = copyContents(in, out);
    if (!ok) SetLastErrorFromErrno();
    if (ok) {
        // The copy keeps the last-write time and the attributes, read-only included.
        struct timespec times[2] = {{0, UTIME_NOW}, src.st_mtim};
        futimens(out, times);
        char value[32] = {};
        ssize_t length = fgetxattr(in, kDosAttributeName, value, sizeof value - 1);
        if (length > 0) fsetxattr(out, kDosAttributeName, value, static_cast<size_t>(length), 0);
        fchmod(out, src.st_mode & 07777);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        SetLastErrorFromErrno();
        ok = false;
    }
    if (!ok) {
        unlink(target.c_str());
        return FALSE;
    }
    SetLastError(0);
    return TRUE;
}

} // namespace

BOOL CopyFileA(const char* from, const char* to, BOOL failIfExists) {
    std::string source = Posix(from);
    if (source.empty()) return FALSE;
    return copyPosix(
        source, [to] { return Posix(to); }, failIfExists);
}

BOOL CopyPosixFile(const std::string& source, const std::string& target, BOOL failIfExists) {
    return copyPosix(
        source, [&target] { return target; }, failIfExists);
}

BOOL MoveFileA(const char* from, const char* to) {
    std::string source = WithoutTrailingSlash(Posix(from));
    if (source.empty()) return FALSE;
    struct stat src;
    if (lstat(source.c_str(), &src) != 0) {
        detail::SetLastErrorForMissing(source);
        return FALSE;
    }
    std::string target = WithoutTrailingSlash(Posix(to));
    if (target.empty()) return FALSE;
    struct stat dst;
    if (lstat(target.c_str(), &dst) == 0) {
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            // The same entry under another case: rename it to the case given.
            std::string given = Text(to);
            size_t cut = detail::LastSeparator(given);
            std::string name = AnsiToUtf8(cut == std::string::npos ? given : given.substr(cut + 1));
            target = target.substr(0, target.find_last_of('/') + 1) + name;
            if (target == source) return TRUE;
        } else {
            Fail(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
    }
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return TRUE;
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without RENAME_NOREPLACE: the target was checked above.
        if (rename(source.c_str(), target.c_str()) == 0) return TRUE;
    }
    if (errno == EEXIST) {
        Fail(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (errno == EXDEV) {
        if (S_ISDIR(src.st_mode)) {
            Fail(ERROR_NOT_SAME_DEVICE);
            return FALSE;
        }
        if (!CopyFileA(from, to, TRUE)) return FALSE;
        if (unlink(source.c_str()) != 0) {
            SetLastErrorFromErrno();
            return FALSE;
        }
        return TRUE;
    }
    if (errno == ENOENT || errno == ENOTDIR)
        Fail(ERROR_PATH_NOT_FOUND);
    else
        SetLastErrorFromErrno();
    return FALSE;
}

DWORD GetFullPathNameA(const char* path, DWORD size, char* buffer, char** filePart) {
    CodePageScope scope;
    if (filePart) *filePart = nullptr;
    std::string full;
    if (!path || !detail::FullWindowsPath(path, full)) return 0;
    DWORD result = CopyOut(full, buffer, size);
    if (result == full.size() && filePart) {
        size_t cut = detail::LastSeparator(full);
        if (cut != std::string::npos && cut + 1 < full.size()) *filePart = buffer + cut + 1;
    }
    return result;
}

DWORD GetLongPathNameA(const char* shortPath, char* longPath, DWORD size) {
    if (!shortPath) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path = shortPath;
    if (path.empty()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (detail::IsUncPath(path)) {
        Fail(ERROR_BAD_NETPATH);
        return 0;
    }
    // Keep the head as given (drive, root or nothing for a relative path), correct the
    // case of every component from the disk.
    size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':') pos = 2;
    if (pos < path.size() && (path[pos] == '\\' || path[pos] == '/')) ++pos;
    const std::string head = path.substr(0, pos);
    const std::vector<std::string> parts = detail::SplitWindowsComponents(path.substr(pos));
    std::string result = head, walked = head;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        walked += (i ? "\\" : "") + part;
        std::string name = part;
        if (part != "." && part != "..") {
            std::string posix = WithoutTrailingSlash(ToPosixPath(walked));
            struct stat st;
            if (posix.empty() || lstat(posix.c_str(), &st) != 0) {
                Fail(ERROR_FILE_NOT_FOUND);
                return 0;
            }
            name = Utf8ToAnsi(posix.substr(posix.find_last_of('/') + 1));
        }
        result += (i ? "\\" : "") + name;
    }
    if (parts.empty()) {
        // A bare drive or root: it must exist.
        std::string posix = ToPosixPath(path);
        struct stat st;
        if (posix.empty() || stat(posix.c_str(), &st) != 0) {
            Fail(ERROR_FILE_NOT_FOUND);
            return 0;
        }
    } else if (detail::LastSeparator(path) == path.size() - 1) {
        result += "\\"; // the trailing separator stays
    }
    return CopyOut(result, longPath, size);
}

DWORD GetShortPathNameA(const char* longPath, char* shortPath, DWORD size) {
    // No 8.3 names here: the short form of a path is its long form.
    return GetLongPathNameA(longPath, shortPath, size);
}

} // namespace tessaly::platform
