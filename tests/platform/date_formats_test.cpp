// The date and time pictures a locale offers, and times written with a picture.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/locale.h"

namespace p = tessaly::platform;

namespace {

std::vector<std::string>* sink = nullptr;

BOOL collect(char* picture) {
    sink->emplace_back(picture);
    return TRUE;
}

std::vector<std::string> pictures(LCID locale, int kind) { // kind: 1 short, 2 long, 0 time
    std::vector<std::string> list;
    sink = &list;
    if (kind)
        p::EnumDateFormatsA(collect, locale, kind == 1 ? p::DATE_SHORTDATE : p::DATE_LONGDATE);
    else
        p::EnumTimeFormatsA(collect, locale, 0);
    sink = nullptr;
    return list;
}

std::string localeText(LCID locale, DWORD type) {
    char buffer[128] = {};
    p::GetLocaleInfoA(locale, type, buffer, sizeof buffer);
    return buffer;
}

TEST(DateFormats, EveryLocaleOffersItsOwnPictureFirstAndEachOnce) {
    for (LCID locale : {1033u, 1031u}) {
        for (int kind : {1, 2}) {
            const std::vector<std::string> list = pictures(locale, kind);
            ASSERT_FALSE(list.empty()) << locale;
            EXPECT_EQ(list.front(),
                      localeText(locale, kind == 1 ? p::LOCALE_SSHORTDATE : p::LOCALE_SLONGDATE));
            EXPECT_EQ(std::set<std::string>(list.begin(), list.end()).size(), list.size());
        }
        const std::vector<std::string> times = pictures(locale, 0);
        ASSERT_FALSE(times.empty());
        EXPECT_EQ(times.front(), locale == 1033u ? "h:mm:ss tt" : "HH:mm:ss") << locale;
    }
    EXPECT_FALSE(p::EnumDateFormatsA(collect, 0x7777, p::DATE_SHORTDATE));
}

TEST(DateFormats, TimePictures) {
    // Hour, minute, second, picture; the text.
    const std::tuple<WORD, WORD, WORD, const char*, std::string> cases[] = {
        {0, 5, 9, "h:mm:ss tt", "12:05:09 AM"},
        {12, 0, 0, "h:mm:ss tt", "12:00:00 PM"},
        {13, 7, 30, "hh:mm:ss tt", "01:07:30 PM"},
        {9, 7, 3, "HH:mm t", "09:07 A"},
    };
    for (const auto& [hour, minute, second, picture, text] : cases) {
        SYSTEMTIME time{2024, 2, 0, 29, hour, minute, second, 0};
        char buffer[64] = {};
        const int n = p::GetTimeFormatA(1033, 0, &time, picture, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, n), text + '\0') << picture;
    }
    SYSTEMTIME bad{};
    bad.wHour = 24;
    char buffer[16];
    EXPECT_EQ(p::GetTimeFormatA(1033, 0, &bad, "H", buffer, sizeof buffer), 0);
}

} // namespace
