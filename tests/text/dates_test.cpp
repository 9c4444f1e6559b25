// Mail and database date texts, spans, UTC to local time, file dates, the Date Received dialog.
#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "../dialogs/choices_support.h"
#include "../foundation/windows_version.h"

using namespace choices_test;

namespace {

// A date as the tests write it: "-1", "0", or its fields.
std::string shown(double date) {
    if (date == -1.0 || date == 0.0) return date == 0.0 ? "0" : "-1";
    return std::string(COleDateTime(date).Format("%Y-%m-%d %H:%M:%S"));
}

const std::pair<const char*, const char*> kMailDates[] = {
    {"Mon, 5 Jan 2004 10:00:00 +0100", "2004-01-05 09:00:00"},  // east of UTC
    {"Tue, 06 jan 04 23:30:00 -0200", "2004-01-07 01:30:00"},   // case, short year, day + 1
    {"Thu, 1 Jan 2004 00:30:00 +0100", "2003-12-31 23:30:00"},  // day 0 rolls back
    {"Mon, 5 Jan 99 10:00:00 +0000", "2099-01-05 10:00:00"},    // 99 is 2099
    {"Mon, 5 Jan 2004 10:00:00", "2004-01-05 10:00:00"},        // no zone
    {"Mon, 5 Jan 2004 10:00:00 GMT", "2004-01-05 10:00:00"},    // zone names read 0
    {"Mon, 5 Jan 2004 10:00:00 +0530", "2004-01-05 05:00:00"},  // zone minutes dropped
    {"Mon, 5 Jan 2004 10:00:00 -0930", "2004-01-05 19:00:00"},  // toward zero
    {"Mon, 5 Jan 2004 10:00:00 +5", "2004-01-05 05:00:00"},     // a small zone is hours
    {"Mon, 5 3 2004 10:00:00 +0000", "2004-03-05 10:00:00"},    // month as a number
    {"x,   5   Jan   2004   10:7:09", "2004-01-05 10:07:09"},   // blanks, any weekday
    {"Mon, 31 Feb 2004 10:00:00 +0000", "2004-03-02 10:00:00"}, // the calendar rolls on
    {"Mon, 40 Jan 2004 10:00:00 +0000", "0"},                   // and refuses day 40
    {"Mon, 5 January 2004 10:00:00 +0000", "0"},                // month 0
    {"5 Jan 2004 10:00:00 +0000", "-1"},                        // no comma
    {"Mon, 5 Jan 2004", "-1"},                                  // no blank after the year
    {"Mon, 5 Jan 2004 10 +0000", "-1"},                         // no colon
    {"Mon, 5 Jan 2004 10:00 +0000", "-1"},                      // no seconds
};

TEST(Dates, MailDatabaseAndSpans) {
    for (auto [text, date] : kMailDates)
        EXPECT_EQ(shown(GetDateTime(text)), date) << text;
    EXPECT_EQ(shown(GetDateFromString("2004-01-12 13:45:59")), "2004-01-12 13:45:00");
    EXPECT_EQ(shown(GetDateFromString("2004/01/12T13x45")), "2004-01-12 13:45:00");
    EXPECT_EQ(GetDateFromString("2004-01-12 13:4"), 0.0);
    for (auto [minutes, days] : {std::pair{1500, 1 + 1 / 24.0}, {-30, -30 / 1440.0}, {2880, 2.0}})
        EXPECT_NEAR(double(GetDateTimeSpanFromMinutes(minutes)), days, 1e-12) << minutes;
}

class LocalTime : public tessaly::testing::PrefixTest {
  protected:
    static void zone(const char* tz) {
        tz ? setenv("TZ", tz, 1) : unsetenv("TZ");
        tzset();
    }
    void TearDown() override { zone(nullptr); }
};

// Half-hour zones and both sides of daylight-saving changes, through both version families
// (XP gives a version code of 30 or more, 98 one below); the hours are subtracted first.
TEST_F(LocalTime, FollowsTheZoneRulesForTheInstant) {
    const std::tuple<const char*, COleDateTime, int, const char*> cases[] = {
        {"Asia/Kolkata", {2004, 1, 12, 12, 0, 0}, 0, "2004-01-12 17:30:00"},
        {"America/New_York", {2004, 4, 4, 6, 59, 0}, 0, "2004-04-04 01:59:00"},
        {"America/New_York", {2004, 4, 4, 7, 0, 0}, 0, "2004-04-04 03:00:00"},
        {"America/New_York", {2004, 4, 4, 9, 0, 0}, 2, "2004-04-04 03:00:00"},
        {"Australia/Adelaide", {2004, 1, 12, 0, 0, 0}, 0, "2004-01-12 10:30:00"},
        {"Europe/Berlin", {2004, 1, 1, 0, 30, 0}, -1, "2004-01-01 02:30:00"},
    };
    for (DWORD platformId : {2, 1}) {
        tessaly::testing::PresentWindows(platformId, platformId == 2 ? 5 : 4,
                                         platformId == 2 ? 1 : 10);
        long code = -1;
        GetOSVersion(code);
        EXPECT_EQ(code >= 30, platformId == 2);
        for (const auto& [tz, utc, hours, local] : cases) {
            zone(tz);
            EXPECT_EQ(shown(GetLocalDateTime(utc, hours)), local) << tz << platformId;
        }
    }
    // Before 30 December 1899 the subtraction goes through linear time (-1.25 is 29 Dec 06:00).
    zone("UTC");
    EXPECT_NEAR(GetLocalDateTime(-1.25, 2), -1 - 4 / 24.0, 1e-9);
    EXPECT_NEAR(GetLocalDateTime(0.0625, 2), -1 - 23.5 / 24.0, 1e-9);
}

// A file's date by name or wild card, in local time; a missing file leaves every output alone.
TEST_F(LocalTime, FileDatesInLocalTime) {
    const std::string posix = tessaly::testing::WriteFile(prefix_.scratch() + "/letter.txt", "x");
    std::tm tm{};
    tm.tm_min = 30, tm.tm_hour = 14, tm.tm_mday = 5, tm.tm_year = 104, tm.tm_isdst = -1;
    const time_t when = mktime(&tm);
    const utimbuf times{when, when};
    utime(posix.c_str(), &times);
    const std::string path = tessaly::testing::WindowsPath(posix), missing = path + "x";
    const std::string pattern = path.substr(0, path.size() - 6) + "*.txt";
    int month = 0, day = 0, year = 0;
    EXPECT_EQ(std::string(GetFileDate(pattern.c_str(), nullptr, nullptr, nullptr)),
              "January 05, 2004");
    EXPECT_EQ(std::string(GetFileDate(path.c_str(), &month, &day, &year)), "January 05, 2004");
    EXPECT_EQ(std::string(GetFileDate(missing.c_str(), &month, &day, &year)), "");
    EXPECT_EQ((std::vector<int>{month, day, year}), (std::vector<int>{1, 5, 2004}));
    COleDateTime value;
    CString text;
    for (const std::string& file : {path, missing}) // the missing file last: it changes neither
        EXPECT_EQ(std::pair(GetFileModifiedDateTime(file.c_str(), value),
                            GetFileModifiedDateTime(file.c_str(), text)),
                  std::pair(int(file == path), int(file == path)));
    EXPECT_EQ(shown(value), "2004-01-05 14:30:00");
    EXPECT_EQ(text, value.Format(DWORD(0), 0x400));
}

constexpr int kAfterBox = 24720, kAfter = 24721, kBeforeBox = 24722, kBefore = 24723;

class DateReceived : public ScriptedDialogs {};

// A box starts set when its element reads above 0 as a whole number (fewer than two elements:
// neither), its picker showing that date, else now (After) or a day later (Before); a click
// enables its picker. OK writes the range (nothing without a box set), refusing a Before date
// not after the After one; Cancel (a Before date of 0 below) leaves the array as given.
TEST_F(DateReceived, OpensFromTheArrayAndOkWritesTheRange) {
    // Given, the boxes as they open, the boxes clicked, the Before date, the range afterwards.
    using Range = std::vector<std::string>;
    const std::tuple<Range, bool, bool, bool, bool, double, Range> cases[] = {
        {{}, 0, 0, 0, 0, 38003.25, {}},
        {{"38000.5"}, 0, 0, 0, 0, 0, {"38000.5"}},
        {{"38000.5", "0"}, 1, 0, 0, 0, 0, {"38000.5", "0"}},
        {{"0.75", "38002.25"}, 0, 1, 0, 0, 0, {"0.75", "38002.25"}},
        {{"0", "0"}, 0, 0, 1, 0, 38003.25, {"38000.500000", "0.000000"}},
        {{"0", "0"}, 0, 0, 0, 1, 38003.25, {"0.000000", "38003.250000"}},
        {{"0", "0"}, 0, 0, 1, 1, 38000.5, {"38000.500000", "38001.000000"}},
    };
    for (const auto& [given, after, before, clickAfter, clickBefore, beforeDate, expected] :
         cases) {
        CStringArray range;
        Fill(range, given);
        std::vector<int> seen;
        double dates[2] = {0, 0};
        bool refused = false;
        const double now = COleDateTime::GetCurrentTime();
        const int result = Run(
            [&](Dialog& d) {
                d.GetDateValue(kAfter, &dates[0]);
                d.GetDateValue(kBefore, &dates[1]);
                if (clickAfter) d.Click(kAfterBox);
                if (clickBefore) d.Click(kBeforeBox);
                seen = {d.GetCheck(kAfterBox), d.GetCheck(kBeforeBox), d.IsEnabled(kAfter),
                        d.IsEnabled(kBefore)};
                if (beforeDate == 0) return d.PressEscape();
                d.SetDateValue(kAfter, 38000.5);
                d.SetDateValue(kBefore, beforeDate);
                if (!(refused = OkRefused(d, kAfter))) return;
                d.SetDateValue(kBefore, 38001.0);
                d.Click(IDOK);
            },
            [&] { return SelectDateSpanDlg(range); });
        const bool afterSet = after != clickAfter, beforeSet = before != clickBefore;
        EXPECT_EQ(seen, (std::vector<int>{afterSet, beforeSet, afterSet, beforeSet}));
        EXPECT_NEAR(dates[0], after ? 38000.5 : now, 2 / 86400.0);
        EXPECT_NEAR(dates[1], before ? 38002.25 : now + 1, 2 / 86400.0);
        EXPECT_EQ(std::tuple(result, Texts(range), refused),
                  std::tuple(beforeDate == 0 ? 2 : 1, expected, afterSet && beforeSet));
        EXPECT_EQ(messages.size() == 1 && messages[0].starts_with("Please enter a date in 'Bef"),
                  refused);
    }
}

} // namespace
