#pragma once
// Locale information, keyboard layouts and date formats.
#include "api.h"
#include "wintime.h"

namespace tessaly::platform {

enum : DWORD {
    LOCALE_USER_DEFAULT = 0x400,
    LOCALE_SYSTEM_DEFAULT = 0x800,
    LOCALE_ILANGUAGE = 0x1,
    LOCALE_SABBREVLANGNAME = 0x3,
    LOCALE_SDAYNAME1 = 0x2A,       // Monday; up to LOCALE_SDAYNAME1 + 6, Sunday
    LOCALE_SABBREVDAYNAME1 = 0x31, // Monday
    LOCALE_SMONTHNAME1 = 0x38,     // January; up to + 11
    LOCALE_SABBREVMONTHNAME1 = 0x44,
    LOCALE_SISO639LANGNAME = 0x59,
    LOCALE_SISO3166CTRYNAME = 0x5A,
    LOCALE_SSHORTDATE = 0x1F,
    LOCALE_SLONGDATE = 0x20,
    LOCALE_SENGLANGUAGE = 0x1001,
    LOCALE_SENGCOUNTRY = 0x1002,
    DATE_SHORTDATE = 0x1,
    DATE_LONGDATE = 0x2,
};

// The user's locale: from the environment (LC_ALL, LC_TIME, LANG), English (United States)
// when it names none the table knows.
PLATFORM_API LCID GetUserDefaultLCID();
// The keyboard layout of a thread: the low word is the language of the first value of
// HKCU "Keyboard Layout\Preload", else the user's locale.
PLATFORM_API HKL GetKeyboardLayout(DWORD threadId);
PLATFORM_API int GetLocaleInfoA(LCID locale, DWORD type, char* buffer, int size);
// Formats a date with the locale's short or long pattern, or with the format given
// (d, dd, ddd, dddd, M, MM, MMM, MMMM, y, yy, yyyy, quoted text).
PLATFORM_API int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date,
                                const char* format, char* buffer, int size);

// Time pictures (h, hh: 12-hour; H, HH: 24-hour; m, mm; s, ss; t, tt: the A/P or AM/PM
// marker; quoted text) and the pictures a locale offers, its default first (the system's
// EnumDateFormats and EnumTimeFormats; date_formats.cpp). A callback returning FALSE stops.
using DATEFMT_ENUMPROCA = BOOL (*)(char* picture);
using TIMEFMT_ENUMPROCA = BOOL (*)(char* picture);
PLATFORM_API BOOL EnumDateFormatsA(DATEFMT_ENUMPROCA callback, LCID locale, DWORD flags);
PLATFORM_API BOOL EnumTimeFormatsA(TIMEFMT_ENUMPROCA callback, LCID locale, DWORD flags);
// No flags are known; they are ignored.
PLATFORM_API int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time,
                                const char* format, char* buffer, int size);

} // namespace tessaly::platform
