// Open files: CreateFileA, reading, writing, sizes, the file pointer, times and closing.
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

class FileObject : public HandleObject {
  public:
    ~FileObject() override {
        if (fd >= 0) ::close(fd);
        if (deleteOnClose) {
            if (directory)
                ::rmdir(posix.c_str());
            else
                ::unlink(posix.c_str());
        }
    }
    int fd = -1;
    std::string posix;
    bool directory = false;
    bool canRead = false;
    bool canWrite = false;
    bool deleteOnClose = false;
};

} // namespace

// ---- Open files ----

HANDLE CreateFileA(const char* path, DWORD access, DWORD, void*, DWORD creation, DWORD flags,
                   HANDLE) {
    std::string posix = Posix(path);
    if (posix.empty()) return INVALID_HANDLE_VALUE;
    bool wantsWrite = (access & (GENERIC_WRITE | GENERIC_ALL | 0x2 | 0x4)) != 0;
    bool wantsRead = (access & (GENERIC_READ | GENERIC_ALL | 0x1)) != 0;
    struct stat st;
    bool exists = stat(posix.c_str(), &st) == 0;
    if (!exists && errno == ENOTDIR) {
        Fail(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<FileObject>();
    file->posix = posix;
    file->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    if (exists && S_ISDIR(st.st_mode)) {
        if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || creation == CREATE_ALWAYS ||
            creation == TRUNCATE_EXISTING) {
            Fail(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        if (creation == CREATE_NEW) {
            Fail(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        file->fd = open(posix.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (file->fd < 0) {
            SetLastErrorFromErrno();
            return INVALID_HANDLE_VALUE;
        }
        file->directory = true;
        SetLastError(creation == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : 0);
        return NewHandle(file);
    }
    int mode = wantsWrite ? (wantsRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    int openFlags = mode | O_CLOEXEC;
    switch (creation) {
    case CREATE_NEW:
        if (exists) {
            Fail(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        openFlags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        openFlags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        if (!exists) {
            detail::SetLastErrorForMissing(posix);
            return INVALID_HANDLE_VALUE;
        }
        break;
    case OPEN_ALWAYS:
        openFlags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!wantsWrite) {
            Fail(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        if (!exists) {
            detail::SetLastErrorForMissing(posix);
            return INVALID_HANDLE_VALUE;
        }
        openFlags |= O_TRUNC;
        break;
    default:
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Read-only files refuse writing even to the owner, as on Windows.
    if (exists && IsReadOnlyMode(st.st_mode) &&
        (wantsWrite || creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING)) {
        Fail(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if ((openFlags & O_TRUNC) && !wantsWrite) openFlags = (openFlags & ~O_ACCMODE) | O_RDWR;
    mode_t permissions = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    file->fd = open(posix.c_str(), openFlags, permissions);
    if (file->fd < 0) {
        if (errno == EEXIST)
            Fail(ERROR_FILE_EXISTS);
        else if (errno == ENOENT)
            detail::SetLastErrorForMissing(posix);
        else
            SetLastErrorFromErrno();
        return INVALID_HANDLE_VALUE;
    }
    if (!exists && (flags & kStoredAttributes)) {
        char value[16];
        std::snprintf(value, sizeof value, "0x%x",
                      static_cast<unsigned>(flags & kStoredAttributes));
        fsetxattr(file->fd, kDosAttributeName, value, std::strlen(value), 0);
    }
    file->canRead = wantsRead || !wantsWrite;
    file->canWrite = wantsWrite;
    SetLastError(exists && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : 0);
    return NewHandle(file);
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD toRead, DWORD* read, void*) {
    if (read) *read = 0;
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (file->directory || !file->canRead || (!buffer && toRead)) {
        Fail(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toRead) {
        ssize_t got = ::read(file->fd, static_cast<char*>(buffer) + done, toRead - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno();
            if (read) *read = done;
            return FALSE;
        }
        if (got == 0) break;
        done += static_cast<DWORD>(got);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD toWrite, DWORD* written, void*) {
    if (written) *written = 0;
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (file->directory || !file->canWrite || (!buffer && toWrite)) {
        Fail(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    while (done < toWrite) {
        ssize_t put = ::write(file->fd, static_cast<const char*>(buffer) + done, toWrite - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            SetLastErrorFromErrno();
            if (written) *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(put);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, DWORD* high) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    struct stat st;
    if (fstat(file->fd, &st) != 0) {
        SetLastErrorFromErrno();
        return INVALID_FILE_SIZE;
    }
    std::uint64_t size = file->directory ? 0 : static_cast<std::uint64_t>(st.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    SetLastError(0);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* high, DWORD method) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t offset =
        high ? static_cast<std::int64_t>(
                   (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*high)) << 32) |
                   static_cast<std::uint32_t>(distance))
             : static_cast<std::int64_t>(distance);
    int whence = method == FILE_BEGIN     ? SEEK_SET
                 : method == FILE_CURRENT ? SEEK_CUR
                 : method == FILE_END     ? SEEK_END
                                          : -1;
    if (whence < 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->fd, static_cast<off_t>(offset), whence);
    if (position < 0) {
        Fail(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (high) *high = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    SetLastError(0);
    return static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* access, FILETIME* write) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    struct statx sx {};
    if (statx(file->fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (creation) *creation = CreationTime(file->fd, "", 0, sx);
    if (access) *access = TimeOf(sx.stx_atime);
    if (write) *write = TimeOf(sx.stx_mtime);
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* access,
                 const FILETIME* write) {
    auto file = HandleAs<FileObject>(handle);
    if (!file) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A null time, or one of all zeros, leaves that time as it is.
    auto given = [](const FILETIME* ft) { return ft && (ft->dwLowDateTime || ft->dwHighDateTime); };
    auto spec = [&](const FILETIME* ft) {
        struct timespec ts {
            0, UTIME_OMIT
        };
        if (given(ft)) {
            long long seconds;
            long nanoseconds;
            UnixFromFileTime(*ft, seconds, nanoseconds);
            ts.tv_sec = static_cast<time_t>(seconds);
            ts.tv_nsec = nanoseconds;
        }
        return ts;
    };
    struct timespec times[2] = {spec(access), spec(write)};
    if ((given(access) || given(write)) && futimens(file->fd, times) != 0) {
        SetLastErrorFromErrno();
        return FALSE;
    }
    if (given(creation)) {
        // Linux cannot set the birth time: keep the one asked for beside the file.
        unsigned long long ticks =
            (static_cast<unsigned long long>(creation->dwHighDateTime) << 32) |
            creation->dwLowDateTime;
        char value[32];
        std::snprintf(value, sizeof value, "%llu", ticks);
        if (fsetxattr(file->fd, kCreationTimeName, value, std::strlen(value), 0) != 0 &&
            errno != ENOTSUP) {
            SetLastErrorFromErrno();
            return FALSE;
        }
    }
    SetLastError(0);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || !ReleaseHandle(handle)) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

} // namespace tessaly::platform
