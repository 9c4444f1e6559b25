// FILETIME and SYSTEMTIME arithmetic, local time through the C library's time zone.
#include "platform/wintime.h"

#include <sched.h>
#include <time.h>

#include <cerrno>
#include <cstdint>

#include "platform/errors.h"

namespace tessaly::platform {

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kTicksPerMillisecond = 10000;
constexpr std::int64_t kTicksPerDay = 86400 * kTicksPerSecond;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochSeconds = 11644473600LL;
// The largest FILETIME Windows converts (30827-12-31 23:59:59.999).
constexpr std::uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFULL;

std::uint64_t ticksOf(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME fromTicks(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

// Days since 1970-01-01 of a proleptic Gregorian date (the civil-days algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool isLeap(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

// Floor division, so times before 1970 split into whole seconds correctly.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

std::int64_t unixTicks(const FILETIME& ft) {
    return static_cast<std::int64_t>(ticksOf(ft)) - kUnixEpochSeconds * kTicksPerSecond;
}

} // namespace

FILETIME FileTimeFromUnix(long long seconds, long nanoseconds) {
    long long ticks = (seconds + kUnixEpochSeconds) * kTicksPerSecond + nanoseconds / 100;
    return fromTicks(ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks));
}

void UnixFromFileTime(const FILETIME& ft, long long& seconds, long& nanoseconds) {
    std::int64_t ticks = unixTicks(ft);
    seconds = floorDiv(ticks, kTicksPerSecond);
    nanoseconds = static_cast<long>((ticks - seconds * kTicksPerSecond) * 100);
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft) {
    if (!st || !ft || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 ||
        st->wDay < 1 || st->wDay > daysInMonth(st->wYear, st->wMonth) || st->wHour > 23 ||
        st->wMinute > 59 || st->wSecond > 59 || st->wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t days = daysFromCivil(st->wYear, st->wMonth, st->wDay) - daysFromCivil(1601, 1, 1);
    std::int64_t ticks = days * kTicksPerDay +
                         (st->wHour * 3600LL + st->wMinute * 60LL + st->wSecond) * kTicksPerSecond +
                         st->wMilliseconds * kTicksPerMillisecond;
    *ft = fromTicks(static_cast<std::uint64_t>(ticks));
    return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st) {
    if (!ft || !st || ticksOf(*ft) > kMaxFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::uint64_t ticks = ticksOf(*ft);
    std::int64_t days = static_cast<std::int64_t>(ticks / kTicksPerDay);
    std::uint64_t rest = ticks % kTicksPerDay;
    std::int64_t year;
    unsigned month, day;
    civilFromDays(days + daysFromCivil(1601, 1, 1), year, month, day);
    st->wYear = static_cast<WORD>(year);
    st->wMonth = static_cast<WORD>(month);
    st->wDay = static_cast<WORD>(day);
    st->wDayOfWeek = static_cast<WORD>((days + 1) % 7); // 1601-01-01 was a Monday
    std::uint64_t seconds = rest / kTicksPerSecond;
    st->wHour = static_cast<WORD>(seconds / 3600);
    st->wMinute = static_cast<WORD>(seconds / 60 % 60);
    st->wSecond = static_cast<WORD>(seconds % 60);
    st->wMilliseconds = static_cast<WORD>(rest % kTicksPerSecond / kTicksPerMillisecond);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    if (!local || !utc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t ticks = unixTicks(*local);
    std::int64_t seconds = floorDiv(ticks, kTicksPerSecond);
    std::int64_t fraction = ticks - seconds * kTicksPerSecond;
    time_t naive = static_cast<time_t>(seconds);
    struct tm parts {};
    if (!gmtime_r(&naive, &parts)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    tzset();
    parts.tm_isdst = -1; // let the zone's rules decide whether daylight time applies
    errno = 0;
    time_t converted = mktime(&parts);
    if (converted == static_cast<time_t>(-1) && errno != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t result =
        (static_cast<std::int64_t>(converted) + kUnixEpochSeconds) * kTicksPerSecond + fraction;
    *utc = fromTicks(result < 0 ? 0 : static_cast<std::uint64_t>(result));
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    if (!utc || !local) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t ticks = unixTicks(*utc);
    time_t seconds = static_cast<time_t>(floorDiv(ticks, kTicksPerSecond));
    struct tm parts {};
    tzset();
    if (!localtime_r(&seconds, &parts)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::int64_t result =
        static_cast<std::int64_t>(ticksOf(*utc)) + parts.tm_gmtoff * kTicksPerSecond;
    *local = fromTicks(result < 0 ? 0 : static_cast<std::uint64_t>(result));
    return TRUE;
}

void GetSystemTime(SYSTEMTIME* st) {
    if (!st) return;
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    FILETIME ft = FileTimeFromUnix(now.tv_sec, now.tv_nsec);
    FileTimeToSystemTime(&ft, st);
}

void GetLocalTime(SYSTEMTIME* st) {
    if (!st) return;
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    FILETIME utc = FileTimeFromUnix(now.tv_sec, now.tv_nsec);
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    FileTimeToSystemTime(&local, st);
}

DWORD GetTickCount() {
    struct timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms); // wraps after 49.7 days, as on Windows
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    struct timespec wait {
        static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L
    };
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

} // namespace tessaly::platform
