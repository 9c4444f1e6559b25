// Per-thread last error and the mapping of errno values to Windows codes.
#include "platform/errors.h"

#include <cerrno>

namespace tessaly::platform {

namespace {
thread_local DWORD lastError = 0;
}

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD code) {
    lastError = code;
}

DWORD ErrorFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return 2; // ERROR_FILE_NOT_FOUND
    case ENOTDIR:
        return 3; // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE:
        return 4; // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM:
    case EROFS:
        return 5; // ERROR_ACCESS_DENIED
    case EBADF:
        return 6; // ERROR_INVALID_HANDLE
    case ENOMEM:
        return 8; // ERROR_NOT_ENOUGH_MEMORY
    case EXDEV:
        return 17; // ERROR_NOT_SAME_DEVICE
    case EBUSY:
    case ETXTBSY:
        return 32; // ERROR_SHARING_VIOLATION
    case EINVAL:
        return 87; // ERROR_INVALID_PARAMETER
    case ENOSPC:
        return 112; // ERROR_DISK_FULL
    case ENAMETOOLONG:
        return 206; // ERROR_FILENAME_EXCED_RANGE
    case EEXIST:
        return 183; // ERROR_ALREADY_EXISTS
    case ENOTEMPTY:
        return 145; // ERROR_DIR_NOT_EMPTY
    case EISDIR:
        return 5;
    case ELOOP:
        return 1921; // ERROR_CANT_RESOLVE_FILENAME
    case ENOEXEC:
        return 193; // ERROR_BAD_EXE_FORMAT
    case EIO:
        return 1117; // ERROR_IO_DEVICE
    default:
        return 31; // ERROR_GEN_FAILURE
    }
}

DWORD SetLastErrorFromErrno() {
    DWORD code = ErrorFromErrno(errno);
    SetLastError(code);
    return code;
}

} // namespace tessaly::platform
