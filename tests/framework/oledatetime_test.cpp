// Dates and spans: calendar conversion, rounding, negative dates, arithmetic and statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>
#include <tuple>

#include <tessaly/oledatetime.h>

#include "platform/wintime.h"
#include "support/environment.h"

using tessaly::platform::SYSTEMTIME;

namespace {

constexpr double kSecond = 1.0 / 86400.0;

std::string fields(const COleDateTime& date) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.GetYear(),
                  date.GetMonth(), date.GetDay(), date.GetHour(), date.GetMinute(),
                  date.GetSecond());
    return text;
}

} // namespace

// Year, month, day, hour, minute, second and the date; NAN: outside the range, invalid.
TEST(OleDateTime, CalendarFieldsToDates) {
    const std::tuple<int, int, int, int, int, int, double> cases[] = {
        {1899, 12, 29, 6, 0, 0, -1.25}, // the fraction counts forward from midnight
        {1900, 3, 1, 0, 0, 0, 61.0},    // 1900 was no leap year
        {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399 * kSecond},
        {2004, 3, 0, 0, 0, 0, 38046.0}, // day 0 rolls back
        {99, 12, 31, 0, 0, 0, NAN},
        {2004, 13, 1, 0, 0, 0, NAN},
        {2004, 1, 1, 24, 0, 0, NAN}};
    for (const auto& [y, mo, d, h, mi, s, value] : cases) {
        COleDateTime date;
        const bool valid = !std::isnan(value);
        EXPECT_EQ(date.SetDateTime(y, mo, d, h, mi, s), valid ? 0 : 1) << y << "-" << mo;
        EXPECT_EQ(date.GetStatus(), valid ? COleDateTime::valid : COleDateTime::invalid) << y;
        EXPECT_NEAR(valid ? date.m_dt : date.GetYear(), valid ? value : -1, 1e-9) << y << mo;
    }
}

TEST(OleDateTime, DatesToFieldsRoundToTheSecond) {
    // The date, its fields, day of the week and of the year.
    const std::tuple<double, const char*, int, int> cases[] = {
        {-0.25, "1899-12-30 06:00:00", 7, 364}, // day 0 has two signs
        {2.0 + 0.49 * kSecond, "1900-01-01 00:00:00", 2, 1},
        {2.0 + 0.5 * kSecond, "1900-01-01 00:00:01", 2, 1},
        {1.0 - 0.3 * kSecond, "1899-12-31 00:00:00", 1, 365}}; // rounds into the next day
    for (const auto& [value, text, dayOfWeek, dayOfYear] : cases) {
        const COleDateTime date(value);
        EXPECT_EQ(std::make_tuple(fields(date), date.GetDayOfWeek(), date.GetDayOfYear()),
                  std::make_tuple(std::string(text), dayOfWeek, dayOfYear))
            << value;
    }
    for (double outside : {-657435.0, 2958466.0, std::nan("")}) {
        EXPECT_EQ(COleDateTime(outside).GetStatus(), COleDateTime::invalid) << outside;
        SYSTEMTIME st{};
        EXPECT_FALSE(VariantTimeToSystemTime(outside, &st)) << outside;
    }
}

TEST(OleDateTime, SystemTimeConversionIgnoresDayOfWeekAndMilliseconds) {
    SYSTEMTIME st{2004, 1, 5 /* wrong weekday */, 12, 13, 45, 30, 999};
    double value = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &value));
    EXPECT_NEAR(value, 37998.0 + (13 * 3600 + 45 * 60 + 30) * kSecond, 1e-9);
    SYSTEMTIME back{};
    ASSERT_TRUE(COleDateTime(st).GetAsSystemTime(back));
    EXPECT_EQ(std::make_pair(back.wDayOfWeek, back.wSecond), std::make_pair(WORD(1), WORD(30)));
    EXPECT_FALSE(SystemTimeToVariantTime(nullptr, &value));
}

TEST(OleDateTime, LinearArithmeticAcrossDayZero) {
    // Date, span, their sum and difference.
    const std::tuple<double, double, double, double> cases[] = {
        {0.25, 0.5, 0.75, -1.75},  // 30 Dec 06:00 -12 h is 29 Dec 18:00
        {-1.25, 1.0, 0.25, -2.25}, // 29 Dec 06:00 +1 day is 30 Dec 06:00
    };
    for (const auto& [at, length, sumAt, differenceAt] : cases) {
        const COleDateTime date(at);
        const COleDateTimeSpan span(length);
        const COleDateTime sum = date + span, difference = date - span;
        EXPECT_DOUBLE_EQ(sum.m_dt, sumAt) << at << " + " << length;
        EXPECT_DOUBLE_EQ(difference.m_dt, differenceAt) << at << " - " << length;
        // The span between a date and the sum is the span again.
        EXPECT_NEAR((sum - date).m_span, length, 1e-9) << at;
    }
    EXPECT_NEAR((COleDateTime(-1.25) - COleDateTime(-1.75)).m_span, -0.5, 1e-9); // 06:00, 18:00
    EXPECT_NEAR((COleDateTime(-0.5) - COleDateTime(0.5)).m_span, 0.0, 1e-9);     // the same noon
    EXPECT_TRUE(COleDateTime(-1.0) < COleDateTime(-0.75)); // 29 Dec 00:00, 30 Dec 18:00
}

TEST(OleDateTime, StatusesPropagate) {
    COleDateTime valid(38000.0), invalid(38000.0), null(38000.0);
    invalid.SetStatus(COleDateTime::invalid);
    null.SetStatus(COleDateTime::null);
    COleDateTimeSpan day(1.0), badSpan(1.0), nullSpan(1.0);
    badSpan.SetStatus(COleDateTimeSpan::invalid);
    nullSpan.SetStatus(COleDateTimeSpan::null);
    const std::pair<COleDateTime, COleDateTime::DateTimeStatus> cases[] = {
        {invalid + day, COleDateTime::invalid},
        {null + day, COleDateTime::null},
        {valid + badSpan, COleDateTime::invalid},
        {invalid + nullSpan, COleDateTime::null}, // null wins over invalid
        {COleDateTime(2958465.5) + day, COleDateTime::invalid},
        {COleDateTime(-657434.5) - COleDateTimeSpan(0.5), COleDateTime::valid}};
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first.GetStatus(), cases[i].second) << "case " << i;
    EXPECT_EQ((valid - invalid).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ((null - valid).GetStatus(), COleDateTimeSpan::null);
    EXPECT_EQ(null.Format("%Y"), CString(""));
    EXPECT_STREQ(invalid.Format(), "Invalid DateTime");
}

TEST(OleDateTimeSpan, PartsAndTotals) {
    // Days, hours, minutes and seconds given; the parts read back and the total hours and minutes.
    using Parts = std::tuple<LONG, LONG, LONG, LONG, double, double>;
    const std::tuple<LONG, int, int, int, Parts> cases[] = {
        {0, 0, -30, 0, {0, 0, -30, 0, 0, -30}},
        {2, -1, 0, 0, {1, 23, 0, 0, 47, 2820}},
        {-1, -12, 0, -1, {-1, -12, 0, -1, -36, -2160}}};
    for (const auto& [days, hours, minutes, seconds, parts] : cases) {
        const COleDateTimeSpan span(days, hours, minutes, seconds);
        EXPECT_EQ(Parts(span.GetDays(), span.GetHours(), span.GetMinutes(), span.GetSeconds(),
                        span.GetTotalHours(), span.GetTotalMinutes()),
                  parts);
    }
    // Totals round to the nearest second before they are cut to whole units.
    const COleDateTimeSpan almost(1.0 - 0.3 * kSecond), under(1.0 - 0.7 * kSecond);
    EXPECT_EQ(std::make_pair(almost.GetTotalDays(), almost.GetTotalSeconds()),
              std::make_pair(1.0, 86400.0));
    EXPECT_EQ(std::make_pair(under.GetTotalDays(), under.GetSeconds()),
              std::make_pair(0.0, LONG(59)));
}

TEST(OleDateTimeSpan, RangeArithmeticAndFormat) {
    EXPECT_EQ(COleDateTimeSpan(-3615897.0).GetStatus(), COleDateTimeSpan::valid);
    EXPECT_EQ(COleDateTimeSpan(3615897.5).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ(COleDateTimeSpan(3615898, 0, 0, 0).GetStatus(), COleDateTimeSpan::invalid);
    EXPECT_EQ((COleDateTimeSpan(3615897.0) + COleDateTimeSpan(1.0)).GetStatus(),
              COleDateTimeSpan::invalid);

    COleDateTimeSpan a(1.5), b(0.25);
    a -= COleDateTimeSpan(2.0);
    EXPECT_DOUBLE_EQ((a + b).m_span, -0.25);
    EXPECT_DOUBLE_EQ((-a).m_span, 0.5);

    EXPECT_STREQ(COleDateTimeSpan(3, 4, 5, 6).Format("%D days %H:%M:%S, 100%%"),
                 "3 days 04:05:06, 100%");
}

TEST(OleDateTime, FormatAsTheSystemShowsDatesOrByCodes) {
    const std::tuple<double, DWORD, LCID, const char*> cases[] = {
        {37998.0 + 13.75 / 24, 0, 1033, "1/12/2004 1:45:00 PM"},
        {37998.0, 0, 1033, "1/12/2004"}, // midnight: the date alone
        {0.5, 0, 1033, "12:00:00 PM"},   // day 0: the time alone
        {37998.0 + 13.75 / 24, 1, 1033, "1:45:00 PM"},
        {37998.0 + 13.75 / 24, 2, 1033, "1/12/2004"},
        {37998.0 + 13.75 / 24, 0, 1031, "12.01.2004 13:45:00"}};
    for (const auto& [value, flags, locale, text] : cases)
        EXPECT_STREQ(COleDateTime(value).Format(flags, locale), text) << value;
    // With strftime codes.
    EXPECT_STREQ(COleDateTime(2004, 1, 5, 9, 7, 3).Format("%A %B %d, %Y (%j) %H:%M:%S"),
                 "Monday January 05, 2004 (005) 09:07:03");
}

TEST(OleDateTime, TimesAndFileTimesAreLocal) {
    const auto ft = tessaly::platform::FileTimeFromUnix(1073915100, 0); // 2004-01-12 13:45 UTC
    {
        tessaly::testing::ScopedZone zone("UTC0");
        EXPECT_DOUBLE_EQ(COleDateTime(static_cast<time_t>(0)).m_dt, 25569.0);
        EXPECT_EQ(fields(COleDateTime(ft)), "2004-01-12 13:45:00");
    }
    {
        tessaly::testing::ScopedZone zone("EST5");
        EXPECT_EQ(fields(COleDateTime(static_cast<time_t>(0))), "1969-12-31 19:00:00");
        EXPECT_EQ(fields(COleDateTime(ft)), "2004-01-12 08:45:00");
    }
    EXPECT_EQ(COleDateTime(static_cast<time_t>(-1)).GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(COleDateTime(CComVariant("38000")).GetStatus(), COleDateTime::invalid);
}
