// Dates and spans of the framework, with the system's variant-time calendar rules.
#include <tessaly/oledatetime.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/core/linear_dates.h"
#include "platform/locale.h"
#include "platform/wintime.h"

namespace p = tessaly::platform;

namespace {

// Day numbers: days since 30 December 1899; the first and last days of the range.
constexpr long long kFirstDay = -657434; // 1 January 100
constexpr long long kLastDay = 2958465;  // 31 December 9999
constexpr double kHalfSecond = 0.5 / 86400.0;

// Days since 1 January 1970 of a proleptic Gregorian date (month 1-12, any day), and back.
long long daysFromCivil(long long y, unsigned m, long long d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    y += m <= 2;
}

const long long kEpoch = daysFromCivil(1899, 12, 30);

// A date as its day number and the second of that day, rounded to the nearest second.
bool splitDate(double date, long long& day, long long& second) {
    if (!std::isfinite(date) || date <= kFirstDay - 1.0 || date >= kLastDay + 1.0) return false;
    const double whole = std::trunc(date);
    day = static_cast<long long>(whole);
    second = std::llround(std::fabs(date - whole) * 86400.0);
    if (second >= 86400) {
        second -= 86400;
        ++day; // the next day, whichever side of day 0
    }
    return day >= kFirstDay && day <= kLastDay;
}

double joinDate(long long day, long long second) {
    const double time = static_cast<double>(second) / 86400.0;
    return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

using tessaly::framework::FromLinearDate;
using tessaly::framework::ToLinearDate;

bool dateInRange(double date) {
    return std::isfinite(date) && date > kFirstDay - 1.0 && date < kLastDay + 1.0;
}

COleDateTime::DateTimeStatus combined(COleDateTime::DateTimeStatus a,
                                      COleDateTimeSpan::DateTimeSpanStatus b) {
    if (a == COleDateTime::null || b == COleDateTimeSpan::null) return COleDateTime::null;
    if (a != COleDateTime::valid || b != COleDateTimeSpan::valid) return COleDateTime::invalid;
    return COleDateTime::valid;
}

bool spanInRange(double days) {
    return std::isfinite(days) && days >= -COleDateTimeSpan::kMaxDays &&
           days <= COleDateTimeSpan::kMaxDays;
}

std::string strftimeText(const char* format, const struct tm& fields) {
    if (!format || !*format) return std::string();
    // strftime reports 0 both for an empty result and for too small a buffer: grow a while.
    for (size_t size = 256; size <= 65536; size *= 4) {
        std::vector<char> buffer(size);
        const size_t n = std::strftime(buffer.data(), buffer.size(), format, &fields);
        if (n > 0 || size == 65536) return std::string(buffer.data(), n);
    }
    return std::string();
}

} // namespace

BOOL SystemTimeToVariantTime(const p::SYSTEMTIME* fields, double* date) {
    if (!fields || !date) return FALSE;
    const p::SYSTEMTIME& st = *fields;
    if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay > 31 ||
        st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59)
        return FALSE;
    // Day 0 and days past the month's end roll into the neighbouring month.
    const long long day = daysFromCivil(st.wYear, st.wMonth, st.wDay) - kEpoch;
    if (day < kFirstDay || day > kLastDay) return FALSE;
    *date = joinDate(day, st.wHour * 3600LL + st.wMinute * 60LL + st.wSecond);
    return TRUE;
}

BOOL VariantTimeToSystemTime(double date, p::SYSTEMTIME* fields) {
    long long day = 0, second = 0;
    if (!fields || !splitDate(date, day, second)) return FALSE;
    long long y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(day + kEpoch, y, m, d);
    fields->wYear = static_cast<WORD>(y);
    fields->wMonth = static_cast<WORD>(m);
    fields->wDay = static_cast<WORD>(d);
    // 30 December 1899 was a Saturday (6).
    fields->wDayOfWeek = static_cast<WORD>(((day % 7) + 7 + 6) % 7);
    fields->wHour = static_cast<WORD>(second / 3600);
    fields->wMinute = static_cast<WORD>(second / 60 % 60);
    fields->wSecond = static_cast<WORD>(second % 60);
    fields->wMilliseconds = 0;
    return TRUE;
}

// ---- COleDateTime ----

COleDateTime COleDateTime::GetCurrentTime() {
    return COleDateTime(std::time(nullptr));
}

COleDateTime::COleDateTime(DATE date) {
    *this = date;
}

COleDateTime::COleDateTime(time_t time) {
    *this = time;
}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const p::SYSTEMTIME& fields) {
    *this = fields;
}

COleDateTime::COleDateTime(const p::FILETIME& fileTime) {
    *this = fileTime;
}

COleDateTime::COleDateTime(const VARIANT& variant) {
    switch (variant.vt) {
    case VT_DATE:
    case VT_R8:
        *this = variant.dblVal;
        break;
    case VT_R4:
        *this = static_cast<double>(variant.fltVal);
        break;
    case VT_I2:
        *this = static_cast<double>(variant.iVal);
        break;
    case VT_I4:
    case VT_INT:
        *this = static_cast<double>(variant.lVal);
        break;
    case VT_UI1:
        *this = static_cast<double>(variant.bVal);
        break;
    default:
        m_dt = 0;
        m_status = invalid;
        break;
    }
}

COleDateTime& COleDateTime::operator=(DATE date) {
    m_dt = date;
    m_status = dateInRange(date) ? valid : invalid;
    return *this;
}

COleDateTime& COleDateTime::operator=(time_t time) {
    struct tm local {};
    if (time == static_cast<time_t>(-1) || !localtime_r(&time, &local)) {
        m_dt = 0;
        m_status = invalid;
        return *this;
    }
    SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec > 59 ? 59 : local.tm_sec);
    return *this;
}

COleDateTime& COleDateTime::operator=(const p::SYSTEMTIME& fields) {
    double date = 0;
    if (SystemTimeToVariantTime(&fields, &date)) {
        m_dt = date;
        m_status = valid;
    } else {
        m_dt = 0;
        m_status = invalid;
    }
    return *this;
}

COleDateTime& COleDateTime::operator=(const p::FILETIME& fileTime) {
    p::FILETIME local{};
    p::SYSTEMTIME fields{};
    if (p::FileTimeToLocalFileTime(&fileTime, &local) && p::FileTimeToSystemTime(&local, &fields))
        return *this = fields;
    m_dt = 0;
    m_status = invalid;
    return *this;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    p::SYSTEMTIME fields{};
    fields.wYear = static_cast<WORD>(year);
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = static_cast<WORD>(day);
    fields.wHour = static_cast<WORD>(hour);
    fields.wMinute = static_cast<WORD>(minute);
    fields.wSecond = static_cast<WORD>(second);
    *this = fields;
    return m_status == valid ? 0 : 1;
}

int COleDateTime::SetDate(int year, int month, int day) {
    return SetDateTime(year, month, day, 0, 0, 0);
}

int COleDateTime::SetTime(int hour, int minute, int second) {
    return SetDateTime(1899, 12, 30, hour, minute, second);
}

bool COleDateTime::GetAsSystemTime(p::SYSTEMTIME& fields) const {
    return m_status == valid && VariantTimeToSystemTime(m_dt, &fields);
}

bool COleDateTime::GetAsTm(struct tm& fields) const {
    p::SYSTEMTIME st{};
    if (!GetAsSystemTime(st)) return false;
    fields = tm{};
    fields.tm_year = st.wYear - 1900;
    fields.tm_mon = st.wMonth - 1;
    fields.tm_mday = st.wDay;
    fields.tm_hour = st.wHour;
    fields.tm_min = st.wMinute;
    fields.tm_sec = st.wSecond;
    fields.tm_wday = st.wDayOfWeek;
    fields.tm_yday = GetDayOfYear() - 1;
    fields.tm_isdst = -1;
    return true;
}

int COleDateTime::GetYear() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wYear : -1;
}

int COleDateTime::GetMonth() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wMonth : -1;
}

int COleDateTime::GetDay() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wDay : -1;
}

int COleDateTime::GetHour() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wHour : -1;
}

int COleDateTime::GetMinute() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wMinute : -1;
}

int COleDateTime::GetSecond() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wSecond : -1;
}

int COleDateTime::GetDayOfWeek() const {
    p::SYSTEMTIME st{};
    return GetAsSystemTime(st) ? st.wDayOfWeek + 1 : -1;
}

int COleDateTime::GetDayOfYear() const {
    p::SYSTEMTIME st{};
    if (!GetAsSystemTime(st)) return -1;
    return static_cast<int>(daysFromCivil(st.wYear, st.wMonth, st.wDay) -
                            daysFromCivil(st.wYear, 1, 1)) +
           1;
}

CString COleDateTime::Format(const char* format) const {
    if (m_status == null) return CString();
    struct tm fields {};
    if (m_status != valid || !GetAsTm(fields)) return CString("Invalid DateTime");
    return CString(strftimeText(format, fields));
}

CString COleDateTime::Format(UINT formatId) const {
    CString format;
    if (!format.LoadString(formatId)) return CString();
    return Format(format.GetString());
}

CString COleDateTime::Format(DWORD flags, LCID locale) const {
    if (m_status == null) return CString();
    p::SYSTEMTIME st{};
    if (m_status != valid || !GetAsSystemTime(st)) return CString("Invalid DateTime");
    // As the system shows a date variant: no date on day 0, no time at midnight.
    const bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
    const bool dayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
    bool showDate = !dayZero, showTime = dayZero || !midnight;
    if (flags & 0x1)
        showDate = false, showTime = true; // time only
    else if (flags & 0x2)
        showDate = true, showTime = false; // date only

    CString text;
    if (showDate) {
        char buffer[128] = {};
        if (p::GetDateFormatA(locale, p::DATE_SHORTDATE, &st, nullptr, buffer, sizeof(buffer)) > 0)
            text = buffer;
    }
    if (showTime) {
        LCID resolved = locale;
        if (resolved == 0 || resolved == p::LOCALE_USER_DEFAULT ||
            resolved == p::LOCALE_SYSTEM_DEFAULT)
            resolved = p::GetUserDefaultLCID();
        CString time;
        // United States English shows a 12-hour clock; the other locales a 24-hour one.
        if (resolved == 1033)
            time.Format("%d:%02d:%02d %s", st.wHour % 12 == 0 ? 12 : st.wHour % 12, st.wMinute,
                        st.wSecond, st.wHour < 12 ? "AM" : "PM");
        else
            time.Format("%02d:%02d:%02d", st.wHour, st.wMinute, st.wSecond);
        text = text.IsEmpty() ? time : text + " " + time;
    }
    return text;
}

bool COleDateTime::operator==(const COleDateTime& other) const {
    if (m_status != other.m_status) return false;
    if (m_status == valid) return ToLinearDate(m_dt) == ToLinearDate(other.m_dt);
    return m_status == null;
}

bool COleDateTime::operator<(const COleDateTime& other) const {
    return m_status == valid && other.m_status == valid &&
           ToLinearDate(m_dt) < ToLinearDate(other.m_dt);
}

bool COleDateTime::operator<=(const COleDateTime& other) const {
    return m_status == valid && other.m_status == valid &&
           ToLinearDate(m_dt) <= ToLinearDate(other.m_dt);
}

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const {
    COleDateTime result;
    result.m_status = combined(m_status, span.m_status);
    if (result.m_status == valid) result = FromLinearDate(ToLinearDate(m_dt) + span.m_span);
    return result;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const {
    COleDateTime result;
    result.m_status = combined(m_status, span.m_status);
    if (result.m_status == valid) result = FromLinearDate(ToLinearDate(m_dt) - span.m_span);
    return result;
}

COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span) {
    return *this = *this + span;
}

COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span) {
    return *this = *this - span;
}

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const {
    COleDateTimeSpan result;
    if (m_status == null || other.m_status == null) {
        result.m_status = COleDateTimeSpan::null;
    } else if (m_status != valid || other.m_status != valid) {
        result.m_status = COleDateTimeSpan::invalid;
    } else {
        result = COleDateTimeSpan(ToLinearDate(m_dt) - ToLinearDate(other.m_dt));
    }
    return result;
}

// ---- COleDateTimeSpan ----

COleDateTimeSpan::COleDateTimeSpan(double days)
    : m_span(days), m_status(spanInRange(days) ? valid : invalid) {}

COleDateTimeSpan::COleDateTimeSpan(LONG days, int hours, int minutes, int seconds) {
    SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(LONG days, int hours, int minutes, int seconds) {
    m_span = static_cast<double>(days) + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
    m_status = spanInRange(m_span) ? valid : invalid;
}

// Rounded to the nearest second, away from zero at the half.
static double roundedSpan(double span) {
    return span + (span < 0 ? -kHalfSecond : kHalfSecond);
}

double COleDateTimeSpan::GetTotalDays() const {
    return std::trunc(roundedSpan(m_span));
}

double COleDateTimeSpan::GetTotalHours() const {
    return std::trunc(roundedSpan(m_span) * 24);
}

double COleDateTimeSpan::GetTotalMinutes() const {
    return std::trunc(roundedSpan(m_span) * 1440);
}

double COleDateTimeSpan::GetTotalSeconds() const {
    return std::trunc(roundedSpan(m_span) * 86400);
}

LONG COleDateTimeSpan::GetDays() const {
    return static_cast<LONG>(GetTotalDays());
}

LONG COleDateTimeSpan::GetHours() const {
    return static_cast<LONG>(GetTotalHours() - GetTotalDays() * 24);
}

LONG COleDateTimeSpan::GetMinutes() const {
    return static_cast<LONG>(GetTotalMinutes() - GetTotalHours() * 60);
}

LONG COleDateTimeSpan::GetSeconds() const {
    return static_cast<LONG>(GetTotalSeconds() - GetTotalMinutes() * 60);
}

CString COleDateTimeSpan::Format(const char* format) const {
    CString out;
    if (!format) return out;
    for (const char* f = format; *f; ++f) {
        if (*f != '%' || !f[1]) {
            out += *f;
            continue;
        }
        switch (*++f) {
        case 'D':
            out.AppendFormat("%ld", static_cast<long>(GetDays()));
            break;
        case 'H':
            out.AppendFormat("%02ld", static_cast<long>(GetHours()));
            break;
        case 'M':
            out.AppendFormat("%02ld", static_cast<long>(GetMinutes()));
            break;
        case 'S':
            out.AppendFormat("%02ld", static_cast<long>(GetSeconds()));
            break;
        case '%':
            out += '%';
            break;
        default:
            out += '%';
            out += *f;
            break;
        }
    }
    return out;
}

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const {
    if (m_status != other.m_status) return false;
    if (m_status == valid) return m_span == other.m_span;
    return m_status == null;
}

bool COleDateTimeSpan::operator<(const COleDateTimeSpan& other) const {
    return m_status == valid && other.m_status == valid && m_span < other.m_span;
}

static COleDateTimeSpan::DateTimeSpanStatus spanStatus(COleDateTimeSpan::DateTimeSpanStatus a,
                                                       COleDateTimeSpan::DateTimeSpanStatus b) {
    if (a == COleDateTimeSpan::null || b == COleDateTimeSpan::null) return COleDateTimeSpan::null;
    if (a != COleDateTimeSpan::valid || b != COleDateTimeSpan::valid)
        return COleDateTimeSpan::invalid;
    return COleDateTimeSpan::valid;
}

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const {
    COleDateTimeSpan result;
    result.m_status = spanStatus(m_status, other.m_status);
    if (result.m_status == valid) result = COleDateTimeSpan(m_span + other.m_span);
    return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const {
    COleDateTimeSpan result;
    result.m_status = spanStatus(m_status, other.m_status);
    if (result.m_status == valid) result = COleDateTimeSpan(m_span - other.m_span);
    return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-() const {
    COleDateTimeSpan result(*this);
    result.m_span = -m_span;
    return result;
}

COleDateTimeSpan& COleDateTimeSpan::operator+=(const COleDateTimeSpan& other) {
    return *this = *this + other;
}

COleDateTimeSpan& COleDateTimeSpan::operator-=(const COleDateTimeSpan& other) {
    return *this = *this - other;
}
