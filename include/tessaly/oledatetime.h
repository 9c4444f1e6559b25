#pragma once
// COleDateTime: days since 30 December 1899 00:00 as a double, the fraction the time of day;
// COleDateTimeSpan: a signed number of days. Both carry a status.
//
// Dates before 30 December 1899 are negative and their fraction still counts forward from
// the start of their day: -1.25 is 29 December 1899 06:00. Arithmetic therefore goes
// through linear time: a negative date d becomes c - (d - c) with c = ceil(d), the span is
// added, and a negative result x turns back into f + (f - x) with f = floor(x).
//
// Calendar fields convert with the system's variant-time rules: years 100 to 9999, month
// 1 to 12, day 0 to 31 (a day past the month's end rolls into the next month, day 0 is the
// last day of the month before), hours, minutes and seconds within their ranges,
// milliseconds ignored; back to fields the time is rounded to the nearest second.
#include <ctime>

#include <tessaly/cstring.h>
#include <tessaly/variant.h>

// The system's conversions between calendar fields and dates (see above); FALSE when the
// fields or the date lie outside the range. wDayOfWeek is ignored going in and set coming out.
TESSALY_API BOOL SystemTimeToVariantTime(const SYSTEMTIME* fields, double* date);
TESSALY_API BOOL VariantTimeToSystemTime(double date, SYSTEMTIME* fields);

class COleDateTimeSpan;

class TESSALY_API COleDateTime {
  public:
    enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

    // The current local time, to the second.
    static COleDateTime GetCurrentTime();

    COleDateTime() = default;
    // Valid when the value lies within the years 100 to 9999.
    COleDateTime(DATE date);
    // Seconds since 1970 (UTC), shown in local time.
    COleDateTime(time_t time);
    COleDateTime(int year, int month, int day, int hour, int minute, int second);
    COleDateTime(const SYSTEMTIME& fields);
    // A file time is UTC: it is converted to local time first, as the framework does.
    COleDateTime(const FILETIME& fileTime);
    // VT_DATE and numeric variants; anything else gives an invalid date.
    COleDateTime(const VARIANT& variant);

    COleDateTime& operator=(DATE date);
    COleDateTime& operator=(time_t time);
    COleDateTime& operator=(const SYSTEMTIME& fields);
    COleDateTime& operator=(const FILETIME& fileTime);

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }
    operator DATE() const { return m_dt; }

    // 0 when the fields make a valid date, else 1 (and the status invalid). The fields are
    // taken as 16-bit unsigned values, so negative ones are out of range.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day);
    // The time of day on 30 December 1899.
    int SetTime(int hour, int minute, int second);

    bool GetAsSystemTime(SYSTEMTIME& fields) const;
    bool GetAsTm(struct tm& fields) const;
    // Each -1 when the date is not valid.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // 1 Sunday to 7 Saturday.
    int GetDayOfWeek() const;
    // 1 for 1 January.
    int GetDayOfYear() const;

    // strftime codes; "" when null, "Invalid DateTime" when invalid.
    CString Format(const char* format) const;
    CString Format(UINT formatId) const;
    // The locale's short date and time, as the system shows a date variant: the date alone
    // at midnight, the time alone on day 0. flags: 1 time only, 2 date only.
    CString Format(DWORD flags = 0, LCID locale = 0x400) const;

    // Equal dates; invalid dates are equal to nothing, null ones to each other.
    bool operator==(const COleDateTime& other) const;
    bool operator!=(const COleDateTime& other) const { return !(*this == other); }
    bool operator<(const COleDateTime& other) const;
    bool operator>(const COleDateTime& other) const { return other < *this; }
    bool operator<=(const COleDateTime& other) const;
    bool operator>=(const COleDateTime& other) const { return other <= *this; }

    // A null operand gives null, else an invalid one invalid; the result is invalid outside
    // the years 100 to 9999.
    COleDateTime operator+(const COleDateTimeSpan& span) const;
    COleDateTime operator-(const COleDateTimeSpan& span) const;
    COleDateTime& operator+=(const COleDateTimeSpan& span);
    COleDateTime& operator-=(const COleDateTimeSpan& span);
    COleDateTimeSpan operator-(const COleDateTime& other) const;

    DATE m_dt = 0;
    DateTimeStatus m_status = valid;
};

class TESSALY_API COleDateTimeSpan {
  public:
    enum DateTimeSpanStatus { error = -1, valid = 0, invalid = 1, null = 2 };
    // Spans beyond this many days either way are invalid.
    static constexpr double kMaxDays = 3615897.0;

    COleDateTimeSpan() = default;
    COleDateTimeSpan(double days);
    COleDateTimeSpan(LONG days, int hours, int minutes, int seconds);

    DateTimeSpanStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeSpanStatus status) { m_status = status; }
    operator double() const { return m_span; }
    // days + hours / 24 + minutes / 1440 + seconds / 86400, checked against the range.
    void SetDateTimeSpan(LONG days, int hours, int minutes, int seconds);

    // Whole units, rounded to the nearest second first and then truncated toward zero.
    double GetTotalDays() const;
    double GetTotalHours() const;
    double GetTotalMinutes() const;
    double GetTotalSeconds() const;
    // The parts: days, then hours 0-23, minutes and seconds 0-59 (all negative for a
    // negative span).
    LONG GetDays() const;
    LONG GetHours() const;
    LONG GetMinutes() const;
    LONG GetSeconds() const;

    // %D total days, %H hours, %M minutes, %S seconds (two digits), %% a percent sign.
    CString Format(const char* format) const;

    bool operator==(const COleDateTimeSpan& other) const;
    bool operator!=(const COleDateTimeSpan& other) const { return !(*this == other); }
    bool operator<(const COleDateTimeSpan& other) const;
    bool operator>(const COleDateTimeSpan& other) const { return other < *this; }
    bool operator<=(const COleDateTimeSpan& other) const { return !(other < *this); }
    bool operator>=(const COleDateTimeSpan& other) const { return !(*this < other); }

    COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
    COleDateTimeSpan operator-() const;
    COleDateTimeSpan& operator+=(const COleDateTimeSpan& other);
    COleDateTimeSpan& operator-=(const COleDateTimeSpan& other);

    double m_span = 0;
    DateTimeSpanStatus m_status = valid;
};
