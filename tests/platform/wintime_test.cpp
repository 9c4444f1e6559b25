// FILETIME and SYSTEMTIME conversions, local time through the time zone, Unix times.
#include <cstdint>
#include <cstring>
#include <tuple>

#include "platform/errors.h"
#include "platform/wintime.h"
#include "support/environment.h"
#include <gtest/gtest.h>

using namespace tessaly::platform;

namespace {

std::uint64_t Ticks(const FILETIME& ft) {
    return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

SYSTEMTIME Make(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    return SYSTEMTIME{y, mo, 0, d, h, mi, s, ms};
}

// Both ways, with the day of the week worked out; invalid records are refused.
TEST(WinTime, SystemTimesConvertBothWays) {
    // The time; its ticks and day of the week (7: refused).
    const std::tuple<SYSTEMTIME, std::uint64_t, WORD> cases[] = {
        {Make(1601, 1, 1), 0, 1}, // Monday
        {Make(2000, 2, 29, 12, 34, 56, 789), 125963012967890000ULL, 2},
        {Make(30827, 12, 31, 23, 59, 59, 999), 0x7FFF35F4F06C58F0ULL, 5},
        {Make(1600, 12, 31), 0, 7},
        {Make(2001, 2, 29), 0, 7},
        {Make(2000, 1, 1, 24), 0, 7},
    };
    for (const auto& [time, ticks, dayOfWeek] : cases) {
        FILETIME ft;
        SetLastError(0);
        ASSERT_EQ(SystemTimeToFileTime(&time, &ft), dayOfWeek < 7) << time.wYear;
        EXPECT_EQ(GetLastError(), dayOfWeek < 7 ? 0u : 87u);
        if (dayOfWeek == 7) continue;
        EXPECT_EQ(Ticks(ft), ticks) << time.wYear;
        SYSTEMTIME back{}, expected = time;
        expected.wDayOfWeek = dayOfWeek;
        EXPECT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(std::memcmp(&back, &expected, sizeof back), 0) << time.wYear;
    }
}

TEST(WinTime, LocalTimeFollowsTheZoneAtThatDate) {
    tessaly::testing::ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const std::pair<SYSTEMTIME, int> cases[] = {
        {Make(2021, 7, 15, 12, 0, 0), 2},
        {Make(1969, 1, 20, 20, 17, 30, 500), 1}, // before 1970: the fraction survives
        {Make(2021, 3, 28, 3, 30), 2},           // just after the change to summer time
    };
    for (const auto& [time, offsetHours] : cases) {
        FILETIME local, utc, again;
        ASSERT_TRUE(SystemTimeToFileTime(&time, &local));
        ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
        EXPECT_EQ(std::int64_t(Ticks(local) - Ticks(utc)),
                  std::int64_t(offsetHours) * 36000000000LL)
            << time.wYear << "-" << time.wMonth;
        ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &again));
        EXPECT_EQ(Ticks(again), Ticks(local));
    }
    const std::pair<long long, long> unix[] = {{1700000000, 999999900}, {-86400, 100}};
    for (const auto& [seconds, nanos] : unix) {
        long long s = 0;
        long n = 0;
        UnixFromFileTime(FileTimeFromUnix(seconds, nanos), s, n);
        EXPECT_EQ(s, seconds);
        EXPECT_EQ(n, nanos);
    }
    EXPECT_EQ(Ticks(FileTimeFromUnix(-11644473601LL, 0)), 0u); // before 1601: clamped
}

} // namespace
