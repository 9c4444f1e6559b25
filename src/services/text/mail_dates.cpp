// Mail and database date texts, UTC to local time, minute spans and file modification dates.
#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <ctime>

#include "framework/core/linear_dates.h"
#include "platform/files.h"
#include "platform/wintime.h"

namespace p = tessaly::platform;

namespace {

// A leading whole number as the C run time reads one: blanks, a sign, digits up to the first
// other character; 0 without digits. Clamped to int instead of overflowing.
int leadingNumber(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*text))) {
        if (value <= INT_MAX) value = value * 10 + (*text - '0');
        ++text;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The fields go through the date type's own setter, which holds them as 16-bit unsigned
// values as the SYSTEMTIME record does; a refused date gives 0.0.
double fieldsToDate(long long year, long long month, long long day, long long hour,
                    long long minute, long long second) {
    COleDateTime date;
    date.SetDateTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                     static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
    return static_cast<DATE>(date);
}

// Takes the text before the first separator out of `rest` (the separator goes too); false
// when there is none.
bool cutBefore(CString& rest, char separator, CString& part) {
    const int at = rest.Find(separator);
    if (at < 0) return false;
    part = rest.Left(at);
    rest = rest.Mid(at + 1);
    return true;
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

using tessaly::framework::FromLinearDate;
using tessaly::framework::ToLinearDate;

// Local time by the zone's rules for the instant, through FILETIME.
double utcToLocal(double utc) {
    SYSTEMTIME fields{};
    if (!VariantTimeToSystemTime(utc, &fields)) return 0.0;
    FILETIME utcTime{}, localTime{};
    SYSTEMTIME local{};
    if (!p::SystemTimeToFileTime(&fields, &utcTime) ||
        !p::FileTimeToLocalFileTime(&utcTime, &localTime) ||
        !p::FileTimeToSystemTime(&localTime, &local))
        return 0.0;
    double date = 0.0;
    SystemTimeToVariantTime(&local, &date);
    return date;
}

// Bias + DaylightBias in minutes for the older systems' record: the zone's offset west of
// UTC, with the daylight bias only while daylight time is in force at that instant.
long biasAt(double utc) {
    SYSTEMTIME fields{};
    FILETIME fileTime{};
    if (!VariantTimeToSystemTime(utc, &fields) || !p::SystemTimeToFileTime(&fields, &fileTime))
        return 0;
    long long seconds = 0;
    long nanoseconds = 0;
    p::UnixFromFileTime(fileTime, seconds, nanoseconds);
    const time_t when = static_cast<time_t>(seconds);
    std::tm local{};
    tzset();
    if (!localtime_r(&when, &local)) return 0;
    return -local.tm_gmtoff / 60;
}

bool lastWriteTime(const char* path, FILETIME& written) {
    if (!path) return false;
    p::WIN32_FIND_DATAA data{};
    HANDLE find = p::FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    p::FindClose(find);
    written = data.ftLastWriteTime;
    return true;
}

} // namespace

double GetDateTime(const char* text) {
    CString rest(text), ignored, day, month, year, hour, minute, second;
    if (!cutBefore(rest, ',', ignored)) return -1.0;
    rest.TrimLeft();
    if (!cutBefore(rest, ' ', day)) return -1.0;
    rest.TrimLeft();
    if (!cutBefore(rest, ' ', month)) return -1.0;
    rest.TrimLeft();
    for (int i = 0; i < 12; ++i)
        if (month.CompareNoCase(kMonths[i]) == 0) month.Format("%02d", i + 1);
    if (!cutBefore(rest, ' ', year)) return -1.0;
    rest.TrimLeft();
    if (!cutBefore(rest, ':', hour)) return -1.0;
    if (!cutBefore(rest, ':', minute)) return -1.0;
    int zone = 0;
    if (cutBefore(rest, ' ', second))
        zone = leadingNumber(rest);
    else
        second = rest;
    if (zone >= 100 || zone <= -100) zone /= 100;

    int yearNumber = leadingNumber(year);
    if (year.GetLength() < 4) yearNumber += 2000;
    long long dayNumber = leadingNumber(day); // stepping may leave the int range
    // Only the day steps when the zone moves the hour past midnight.
    long long utcHour = static_cast<long long>(leadingNumber(hour)) - zone;
    if (utcHour >= 24) {
        ++dayNumber;
        utcHour -= 24;
    } else if (utcHour < 0) {
        --dayNumber;
        utcHour += 24;
    }
    return fieldsToDate(yearNumber, leadingNumber(month), dayNumber, utcHour, leadingNumber(minute),
                        leadingNumber(second));
}

double GetDateFromString(CString text) {
    if (text.GetLength() < 16) return 0.0;
    return fieldsToDate(leadingNumber(text.Mid(0, 4)), leadingNumber(text.Mid(5, 2)),
                        leadingNumber(text.Mid(8, 2)), leadingNumber(text.Mid(11, 2)),
                        leadingNumber(text.Mid(14, 2)), 0);
}

double GetLocalDateTime(double date, int hours) {
    const double utc = FromLinearDate(ToLinearDate(date) - hours / 24.0);
    long code = -1;
    GetOSVersion(code);
    if (code >= 30) return utcToLocal(utc);
    return FromLinearDate(ToLinearDate(utc) - biasAt(utc) / 1440.0);
}

COleDateTimeSpan GetDateTimeSpanFromMinutes(int minutes) {
    if (minutes < 60) return COleDateTimeSpan(0, 0, minutes, 0);
    if (minutes < 1440) return COleDateTimeSpan(0, minutes / 60, minutes % 60, 0);
    const int rest = minutes % 1440;
    return COleDateTimeSpan(minutes / 1440, rest / 60, rest % 60, 0);
}

CString GetFileDate(CString path, int* month, int* day, int* year) {
    FILETIME written{}, local{};
    SYSTEMTIME fields{};
    if (!lastWriteTime(path, written) || !p::FileTimeToLocalFileTime(&written, &local) ||
        !p::FileTimeToSystemTime(&local, &fields))
        return CString();
    std::tm tm{};
    tm.tm_year = fields.wYear - 1900;
    tm.tm_mon = fields.wMonth - 1;
    tm.tm_mday = fields.wDay;
    char text[128] = "";
    std::strftime(text, sizeof text, "%B %d, %Y", &tm);
    if (month) *month = fields.wMonth;
    if (day) *day = fields.wDay;
    if (year) *year = fields.wYear;
    return CString(text);
}

int GetFileModifiedDateTime(const char* path, COleDateTime& when) {
    FILETIME written{};
    if (!lastWriteTime(path, written)) return 0;
    when = COleDateTime(written);
    return 1;
}

int GetFileModifiedDateTime(const char* path, CString& text) {
    FILETIME written{};
    if (!lastWriteTime(path, written)) return 0;
    text = COleDateTime(written).Format(static_cast<DWORD>(0), static_cast<LCID>(0x400));
    return 1;
}
