// Mail and database date texts, UTC to local time under several zones, minute spans, file
// dates, and the Date Received dialog through the automation API.
#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "../dialogs/choices_support.h"
#include "platform/registry.h"

using namespace choices_test;
namespace p = tessaly::platform;

namespace {

struct Fields {
    int year, month, day, hour, minute, second;
};

// The date's calendar fields; all -1 for an invalid or refused date.
Fields fieldsOf(double date) {
    COleDateTime value(date);
    return {value.GetYear(), value.GetMonth(),  value.GetDay(),
            value.GetHour(), value.GetMinute(), value.GetSecond()};
}

bool operator==(const Fields& a, const Fields& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

std::ostream& operator<<(std::ostream& out, const Fields& f) {
    return out << f.year << '-' << f.month << '-' << f.day << ' ' << f.hour << ':' << f.minute
               << ':' << f.second;
}

// One row per rule of the mail date reader.
struct MailDateCase {
    const char* text;
    double result; // -1.0 no date, 0.0 refused by the calendar, else see fields
    Fields fields;
};

const MailDateCase kMailDates[] = {
    {"Mon, 5 Jan 2004 10:00:00 +0100", 1, {2004, 1, 5, 9, 0, 0}},     // east of UTC
    {"Mon, 5 Jan 2004 10:00:00 -0500", 1, {2004, 1, 5, 15, 0, 0}},    // west of UTC
    {"Tue, 06 jan 04 23:30:00 -0200", 1, {2004, 1, 7, 1, 30, 0}},     // case, 2-digit year, day +1
    {"Thu, 1 Jan 2004 00:30:00 +0100", 1, {2003, 12, 31, 23, 30, 0}}, // day 0 rolls back
    {"Mon, 5 Jan 99 10:00:00 +0000", 1, {2099, 1, 5, 10, 0, 0}},      // 99 is 2099
    {"Mon, 5 Jan 2004 10:00:00", 1, {2004, 1, 5, 10, 0, 0}},          // no zone
    {"Mon, 5 Jan 2004 10:00:00 GMT", 1, {2004, 1, 5, 10, 0, 0}},      // zone names read 0
    {"Mon, 5 Jan 2004 10:00:00 +0530", 1, {2004, 1, 5, 5, 0, 0}},     // zone minutes dropped
    {"Mon, 5 Jan 2004 10:00:00 -0930", 1, {2004, 1, 5, 19, 0, 0}},    // toward zero
    {"Mon, 5 Jan 2004 10:00:00 +5", 1, {2004, 1, 5, 5, 0, 0}},        // small zone is hours
    {"Mon, 5 3 2004 10:00:00 +0000", 1, {2004, 3, 5, 10, 0, 0}},      // month as number
    {"x,   5   Jan   2004   10:7:09 +0000", 1, {2004, 1, 5, 10, 7, 9}},  // blanks, no weekday
    {"Mon, 5 January 2004 10:00:00 +0000", 0, {-1, -1, -1, -1, -1, -1}}, // month 0
    {"Mon, 31 Feb 2004 10:00:00 +0000", 1, {2004, 3, 2, 10, 0, 0}},      // the converter rolls on
    {"Mon, 40 Jan 2004 10:00:00 +0000", 0, {}},                          // and refuses day 40
    {"5 Jan 2004 10:00:00 +0000", -1, {}},                               // no comma
    {"Mon, 5", -1, {}},                                                  // no blank after the day
    {"Mon, 5 Jan", -1, {}},                                              // nor after the month
    {"Mon, 5 Jan 2004", -1, {}},                                         // nor after the year
    {"Mon, 5 Jan 2004 10 +0000", -1, {}},                                // no colon
    {"Mon, 5 Jan 2004 10:00 +0000", -1, {}},                             // no seconds
    {"", -1, {}},
};

TEST(MailDates, EachRuleOfTheReader) {
    for (const MailDateCase& c : kMailDates) {
        const double date = GetDateTime(c.text);
        if (c.result == -1.0 || c.result == 0.0)
            EXPECT_EQ(date, c.result) << c.text;
        else
            EXPECT_EQ(fieldsOf(date), c.fields) << c.text;
    }
}

TEST(MailDates, HostileTextsEndCleanly) {
    const std::string longDay(100000, '9');
    for (const std::string& text :
         {"Mon, " + longDay + " Jan 2004 10:00:00 +0000", "Mon, 1 Jan 2004 10:00:00 -" + longDay,
          std::string("Mon, 1 Jan 2004 10:00:00 +2147483647"), std::string(",,,, :: ::"),
          std::string("Mon, \xff\xfe \x80 2004 1:1:1")})
        GetDateTime(text.c_str()); // only ends, under the sanitizers
    // Text after a NUL is not seen.
    const char withNul[] = "Mon, 5 Jan 2004 10:00:00\0 +0100";
    EXPECT_EQ(fieldsOf(GetDateTime(withNul)), (Fields{2004, 1, 5, 10, 0, 0}));
}

TEST(DatabaseDates, FixedColumnsAndLength) {
    struct Case {
        const char* text;
        Fields fields;
    } cases[] = {
        {"2004-01-12 13:45:59", {2004, 1, 12, 13, 45, 0}}, // seconds ignored
        {"2004/01/12T13x45", {2004, 1, 12, 13, 45, 0}},    // separators unchecked
    };
    for (const Case& c : cases)
        EXPECT_EQ(fieldsOf(GetDateFromString(c.text)), c.fields) << c.text;
    EXPECT_EQ(GetDateFromString("2004-01-12 13:4"), 0.0);
    EXPECT_EQ(GetDateFromString(""), 0.0);
}

TEST(Spans, MinutesToDaysHoursMinutes) {
    struct Case {
        int minutes;
        double days;
    } cases[] = {{1500, 1 + 1 / 24.0}, {-30, -30 / 1440.0},   {59, 59 / 1440.0},
                 {60, 1 / 24.0},       {1439, 1439 / 1440.0}, {2880, 2.0}};
    for (const Case& c : cases) {
        const COleDateTimeSpan span = GetDateTimeSpanFromMinutes(c.minutes);
        EXPECT_NEAR(static_cast<double>(span), c.days, 1e-12) << c.minutes;
        EXPECT_EQ(span.GetStatus(), COleDateTimeSpan::valid);
    }
    EXPECT_EQ(GetDateTimeSpanFromMinutes(1500).GetHours(), 1);
}

// ---- UTC to local time ----

class LocalTime : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        hadTz_ = tz != nullptr;
        if (tz) oldTz_ = tz;
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void Zone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    // The system as Windows 98 (version code below 30) or XP.
    static void PresentWindows(DWORD platformId, DWORD major, DWORD minor) {
        HKEY key = nullptr;
        p::RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Platform\\Version", &key);
        for (auto [name, value] : {std::pair<const char*, DWORD>{"PlatformId", platformId},
                                   {"MajorVersion", major},
                                   {"MinorVersion", minor},
                                   {"BuildNumber", 2222}})
            p::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
        p::RegCloseKey(key);
    }

    bool hadTz_ = false;
    std::string oldTz_;
};

struct ZoneCase {
    const char* tz;
    Fields utc;
    int hours; // subtracted first
    Fields local;
};

// The zone's rules for the instant: half-hour zones, both sides of daylight-saving changes.
const ZoneCase kZones[] = {
    {"UTC", {2004, 1, 12, 12, 0, 0}, 0, {2004, 1, 12, 12, 0, 0}},
    {"Asia/Kolkata", {2004, 1, 12, 12, 0, 0}, 0, {2004, 1, 12, 17, 30, 0}},
    {"America/New_York", {2004, 4, 4, 6, 59, 0}, 0, {2004, 4, 4, 1, 59, 0}},
    {"America/New_York", {2004, 4, 4, 7, 0, 0}, 0, {2004, 4, 4, 3, 0, 0}},
    {"America/New_York", {2004, 4, 4, 9, 0, 0}, 2, {2004, 4, 4, 3, 0, 0}},
    {"Australia/Adelaide", {2004, 1, 12, 0, 0, 0}, 0, {2004, 1, 12, 10, 30, 0}},
    {"Australia/Adelaide", {2004, 7, 12, 0, 0, 0}, 0, {2004, 7, 12, 9, 30, 0}},
    {"Europe/Berlin", {2004, 1, 1, 0, 30, 0}, -1, {2004, 1, 1, 2, 30, 0}},
};

double dateOf(const Fields& f) {
    return COleDateTime(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

TEST_F(LocalTime, FollowsTheZoneRulesForTheInstant) {
    PresentWindows(2, 5, 1);
    long code = -1;
    GetOSVersion(code);
    ASSERT_GE(code, 30);
    for (const ZoneCase& c : kZones) {
        Zone(c.tz);
        EXPECT_EQ(fieldsOf(GetLocalDateTime(dateOf(c.utc), c.hours)), c.local)
            << c.tz << " " << c.utc;
    }
}

// The older systems' zone record gives the same local times: the daylight bias counts only
// while daylight time is in force at the instant.
TEST_F(LocalTime, OlderSystemsUseTheZoneBiasOfTheInstant) {
    PresentWindows(1, 4, 10);
    long code = 0;
    GetOSVersion(code);
    ASSERT_LT(code, 30);
    const ZoneCase cases[] = {
        {"Asia/Kolkata", {2004, 1, 12, 12, 0, 0}, 0, {2004, 1, 12, 17, 30, 0}},
        {"America/New_York", {2004, 1, 12, 12, 0, 0}, 0, {2004, 1, 12, 7, 0, 0}},
        {"America/New_York", {2004, 7, 12, 12, 0, 0}, 1, {2004, 7, 12, 7, 0, 0}},
    };
    for (const ZoneCase& c : cases) {
        Zone(c.tz);
        EXPECT_EQ(fieldsOf(GetLocalDateTime(dateOf(c.utc), c.hours)), c.local) << c.tz;
    }
}

// Before 30 December 1899 the fraction counts forward: the subtraction goes through linear
// time. -1.25 is 29 December 1899 06:00; two hours earlier is 04:00, which is -1.1666....
TEST_F(LocalTime, NegativeDatesSubtractInLinearTime) {
    Zone("UTC");
    EXPECT_NEAR(GetLocalDateTime(-1.25, 2), -1 - 4 / 24.0, 1e-9);
    EXPECT_NEAR(GetLocalDateTime(0.0625, 2), -1 - 23.5 / 24.0, 1e-9); // 01:30 -> day before
}

// ---- File dates ----

class FileDates : public tessaly::testing::PrefixTest {
  protected:
    // A file whose modification time is that local time; its Windows path.
    std::string FileAt(const std::string& name, const Fields& local) {
        const std::string posix =
            tessaly::testing::WriteFile(prefix_.scratch() + "/" + name, "text");
        std::tm tm{};
        tm.tm_year = local.year - 1900;
        tm.tm_mon = local.month - 1;
        tm.tm_mday = local.day;
        tm.tm_hour = local.hour;
        tm.tm_min = local.minute;
        tm.tm_sec = local.second;
        tm.tm_isdst = -1;
        const time_t when = mktime(&tm);
        utimbuf times{when, when};
        utime(posix.c_str(), &times);
        return tessaly::testing::WindowsPath(posix);
    }
};

TEST_F(FileDates, TextFieldsAndValueInLocalTime) {
    const std::string path = FileAt("letter.txt", {2004, 1, 5, 14, 30, 10});
    int month = 0, day = 0, year = 0;
    EXPECT_EQ(std::string(GetFileDate(path.c_str(), &month, &day, &year)), "January 05, 2004");
    EXPECT_EQ((std::vector<int>{month, day, year}), (std::vector<int>{1, 5, 2004}));
    // Wild cards find the first match; null pointers are skipped.
    const std::string pattern = path.substr(0, path.size() - 10) + "lett*.txt";
    EXPECT_EQ(std::string(GetFileDate(pattern.c_str(), nullptr, nullptr, nullptr)),
              "January 05, 2004");

    COleDateTime when;
    EXPECT_EQ(GetFileModifiedDateTime(path.c_str(), when), 1);
    EXPECT_EQ(fieldsOf(when), (Fields{2004, 1, 5, 14, 30, 10}));
    CString text;
    EXPECT_EQ(GetFileModifiedDateTime(path.c_str(), text), 1);
    EXPECT_EQ(text, COleDateTime(2004, 1, 5, 14, 30, 10).Format(static_cast<DWORD>(0), 0x400));
}

TEST_F(FileDates, MissingFileLeavesEverythingAlone) {
    const std::string missing = tessaly::testing::WindowsPath(prefix_.scratch() + "/none.txt");
    int month = 7, day = 8, year = 9;
    EXPECT_EQ(std::string(GetFileDate(missing.c_str(), &month, &day, &year)), "");
    EXPECT_EQ(month + day + year, 24);
    COleDateTime when(2001, 2, 3, 4, 5, 6);
    CString text("kept");
    EXPECT_EQ(GetFileModifiedDateTime(missing.c_str(), when), 0);
    EXPECT_EQ(GetFileModifiedDateTime(missing.c_str(), text), 0);
    EXPECT_EQ(fieldsOf(when), (Fields{2001, 2, 3, 4, 5, 6}));
    EXPECT_EQ(text, "kept");
}

// ---- Date Received ----

constexpr int kAfterBox = 24720, kAfter = 24721, kBeforeBox = 24722, kBefore = 24723;

class DateReceived : public ScriptedDialogs {};

TEST_F(DateReceived, OpensFromTheArray) {
    struct Case {
        std::vector<std::string> given;
        bool afterSet, beforeSet;
    } cases[] = {
        {{}, false, false},
        {{"38000.5"}, false, false}, // one element is as none
        {{"38000.5", "0"}, true, false},
        {{"0.75", "38002.25"}, false, true}, // 0.75 reads 0 as a whole number
    };
    for (const Case& c : cases) {
        CStringArray range;
        Fill(range, c.given);
        double shown[2] = {0, 0};
        bool checked[2] = {}, enabled[2] = {};
        const double now = COleDateTime::GetCurrentTime();
        Run(
            [&](Dialog& d) {
                checked[0] = d.GetCheck(kAfterBox) == 1;
                checked[1] = d.GetCheck(kBeforeBox) == 1;
                enabled[0] = d.IsEnabled(kAfter);
                enabled[1] = d.IsEnabled(kBefore);
                d.GetDateValue(kAfter, &shown[0]);
                d.GetDateValue(kBefore, &shown[1]);
                d.PressEscape();
            },
            [&] { return SelectDateSpanDlg(range); });
        EXPECT_EQ(checked[0], c.afterSet);
        EXPECT_EQ(checked[1], c.beforeSet);
        EXPECT_EQ(enabled[0], c.afterSet);
        EXPECT_EQ(enabled[1], c.beforeSet);
        const double after = c.afterSet ? std::atof(c.given[0].c_str()) : now;
        const double before = c.beforeSet ? std::atof(c.given[1].c_str()) : now + 1;
        EXPECT_NEAR(shown[0], after, 2 / 86400.0);
        EXPECT_NEAR(shown[1], before, 2 / 86400.0);
        EXPECT_EQ(Texts(range), c.given) << "Cancel leaves the array";
    }
}

TEST_F(DateReceived, OkWritesTheRangeOrNothing) {
    struct Case {
        bool after, before;
        std::vector<std::string> expected;
    } cases[] = {
        {false, false, {}},
        {true, false, {"38000.500000", "0.000000"}},
        {false, true, {"0.000000", "38003.250000"}},
        {true, true, {"38000.500000", "38003.250000"}},
    };
    for (const Case& c : cases) {
        CStringArray range;
        Fill(range, {"0", "0"});
        const int result = Run(
            [&](Dialog& d) {
                // A click on a box enables its picker at once.
                d.Click(kAfterBox);
                EXPECT_TRUE(d.IsEnabled(kAfter));
                d.Click(kAfterBox);
                EXPECT_FALSE(d.IsEnabled(kAfter));
                if (c.after) d.Click(kAfterBox);
                if (c.before) d.Click(kBeforeBox);
                d.SetDateValue(kAfter, 38000.5);
                d.SetDateValue(kBefore, 38003.25);
                d.Click(IDOK);
            },
            [&] { return SelectDateSpanDlg(range); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(Texts(range), c.expected);
        EXPECT_TRUE(messages.empty());
    }
}

TEST_F(DateReceived, BeforeNotAfterAfterKeepsTheDialogOpen) {
    CStringArray range;
    Fill(range, {"38000.5", "38000.5"});
    bool stayed = false;
    const int result = Run(
        [&](Dialog& d) {
            stayed = OkRefused(d, kAfter);
            d.SetDateValue(kBefore, 38001.0);
            d.Click(IDOK);
        },
        [&] { return SelectDateSpanDlg(range); });
    EXPECT_TRUE(stayed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Please enter a date in 'Before' box that is after ", 0), 0u)
        << messages[0];
    EXPECT_NE(messages[0].find("2004"), std::string::npos) << messages[0];
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Texts(range), (std::vector<std::string>{"38000.500000", "38001.000000"}));
}

} // namespace
