#pragma once
// Windows time records: FILETIME (100 ns since 1601, UTC) and SYSTEMTIME.
#include "api.h"

namespace tessaly::platform {

// The records are the interface's own (tessaly/types.h).
using ::FILETIME;
using ::SYSTEMTIME;

PLATFORM_API BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft);
PLATFORM_API BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st);
// Local time conversions use the system's time zone (TZ) at the time given.
PLATFORM_API BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
PLATFORM_API BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
PLATFORM_API void GetLocalTime(SYSTEMTIME* st);
PLATFORM_API void GetSystemTime(SYSTEMTIME* st);
PLATFORM_API DWORD GetTickCount();
PLATFORM_API void Sleep(DWORD milliseconds);

// Unix time (seconds and nanoseconds) to and from FILETIME.
PLATFORM_API FILETIME FileTimeFromUnix(long long seconds, long nanoseconds);
PLATFORM_API void UnixFromFileTime(const FILETIME& ft, long long& seconds, long& nanoseconds);

} // namespace tessaly::platform
