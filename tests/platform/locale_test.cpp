#include "platform/locale.h"

#include <ctime>
#include <string>

#include "platform/errors.h"
#include "platform/registry.h"
#include "support/environment.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::platform;

namespace {

// Sets the three locale variables for one case and puts the old values back afterwards.
struct LocaleEnvironment {
    LocaleEnvironment(const char* all, const char* time, const char* lang)
        : all_("LC_ALL", all), time_("LC_TIME", time), lang_("LANG", lang) {}
    tessaly::testing::ScopedEnv all_, time_, lang_;
};

std::string Info(LCID lcid, DWORD type) {
    char buffer[260] = {};
    int n = GetLocaleInfoA(lcid, type, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer) : "<failed " + std::to_string(GetLastError()) + ">";
}

std::string Date(LCID lcid, DWORD flags, int year, int month, int day, const char* format) {
    SYSTEMTIME date{};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    date.wDayOfWeek = 3; // ignored: the day of the week is worked out from the date
    char buffer[260] = {};
    int n = GetDateFormatA(lcid, flags, &date, format, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer) : "<failed " + std::to_string(GetLastError()) + ">";
}

} // namespace

TEST(Locale, UserLocaleComesFromTheEnvironment) {
    struct {
        const char* all;
        const char* time;
        const char* lang;
        LCID expected;
    } cases[] = {
        {"de_CH.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8", 2055}, // LC_ALL first
        {"", "fr_CA.utf8", "ja_JP.UTF-8", 3084},             // an empty variable is skipped
        {nullptr, nullptr, "zh_TW.Big5", 1028},
        {nullptr, nullptr, "ja_JP", 1041},
        {nullptr, nullptr, "en_US.UTF-8", 1033},
        {nullptr, nullptr, "de_DE.UTF-8@euro", 1031},
        {nullptr, nullptr, "de", 1031},          // a bare language: its main country
        {nullptr, nullptr, "sv_FI.UTF-8", 1053}, // unknown country: the language's entry
        {nullptr, nullptr, "pt-BR", 1046},
        {nullptr, nullptr, "C", 1033},
        {nullptr, nullptr, "xx_YY.UTF-8", 1033},
        {nullptr, nullptr, nullptr, 1033},
    };
    for (const auto& c : cases) {
        LocaleEnvironment environment(c.all, c.time, c.lang);
        EXPECT_EQ(GetUserDefaultLCID(), c.expected) << (c.lang ? c.lang : "(no LANG)");
    }
}

TEST(Locale, InformationOfTheCommonLocales) {
    struct {
        LCID lcid;
        DWORD type;
        const char* expected;
    } cases[] = {
        {1033, LOCALE_SENGCOUNTRY, "United States"},
        {1031, LOCALE_SENGCOUNTRY, "Germany"},
        {2055, LOCALE_SENGCOUNTRY, "Switzerland"},
        {2052, LOCALE_SENGCOUNTRY, "People's Republic of China"},
        {1028, LOCALE_SENGCOUNTRY, "Taiwan"},
        {1031, LOCALE_SENGLANGUAGE, "German"},
        {2052, LOCALE_SENGLANGUAGE, "Chinese"},
        {1033, LOCALE_SSHORTDATE, "M/d/yyyy"},
        {1033, LOCALE_SLONGDATE, "dddd, MMMM dd, yyyy"},
        {1031, LOCALE_SSHORTDATE, "dd.MM.yyyy"},
        {1031, LOCALE_SLONGDATE, "dddd, d. MMMM yyyy"},
        {3084, LOCALE_SSHORTDATE, "yyyy-MM-dd"},
        {1033 | 0x80000000u, LOCALE_SENGCOUNTRY, "United States"}, // sort bits ignored
        {1031, LOCALE_SENGCOUNTRY | 0x80000000u, "Germany"},       // no user overrides
        {1031, LOCALE_SMONTHNAME1 + 2, "M\xE4rz"},                 // in the ANSI code page
        {1031, LOCALE_SABBREVMONTHNAME1 + 2, "Mrz"},
        {1031, LOCALE_SDAYNAME1 + 6, "Sonntag"},
        {1033, LOCALE_SDAYNAME1, "Monday"},
        {2055, LOCALE_SISO3166CTRYNAME, "CH"},
        {2055, LOCALE_SISO639LANGNAME, "de"},
        {1031, LOCALE_ILANGUAGE, "0407"},
        {1031, LOCALE_SABBREVLANGNAME, "DEU"},
        {0x9999, LOCALE_SENGCOUNTRY, "<failed 87>"},
        {1033, 0x7777, "<failed 1004>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Info(c.lcid, c.type), c.expected) << c.lcid << " type " << c.type;
}

TEST(Locale, DefaultLocaleArgumentsFollowTheUser) {
    LocaleEnvironment environment(nullptr, nullptr, "de_CH.UTF-8");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY), "Switzerland");
    EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE), "German");
}

TEST(Locale, BufferSizesFollowTheSystemRules) {
    EXPECT_EQ(GetLocaleInfoA(1033, LOCALE_SENGCOUNTRY, nullptr, 0), 14); // with terminator
    char small[5] = "xxxx";
    EXPECT_EQ(GetLocaleInfoA(1033, LOCALE_SENGCOUNTRY, small, sizeof small), 0);
    EXPECT_EQ(GetLastError(), 122u);
    char exact[14];
    EXPECT_EQ(GetLocaleInfoA(1033, LOCALE_SENGCOUNTRY, exact, sizeof exact), 14);
    EXPECT_STREQ(exact, "United States");

    SYSTEMTIME date{2004, 3, 0, 7, 0, 0, 0, 0};
    EXPECT_EQ(GetDateFormatA(1033, DATE_SHORTDATE, &date, nullptr, nullptr, 0), 9); // 3/7/2004
    EXPECT_EQ(GetDateFormatA(1033, 0, &date, "yyyy", small, 4), 0);
    EXPECT_EQ(GetLastError(), 122u);
}

TEST(Locale, DatePicturesInEnglishAndGerman) {
    struct {
        LCID lcid;
        DWORD flags;
        const char* format;
        const char* expected;
    } cases[] = {
        {1033, DATE_LONGDATE, nullptr, "Sunday, March 07, 2004"},
        {1033, DATE_SHORTDATE, nullptr, "3/7/2004"},
        {1031, DATE_LONGDATE, nullptr, "Sonntag, 7. M\xE4rz 2004"},
        {1031, DATE_SHORTDATE, nullptr, "07.03.2004"},
        {3079, DATE_LONGDATE, nullptr, "Sonntag, 07. M\xE4rz 2004"},
        {3084, DATE_SHORTDATE, nullptr, "2004-03-07"},
        {2057, DATE_SHORTDATE, nullptr, "07/03/2004"},
        {1033, 0, "d dd ddd dddd", "7 07 Sun Sunday"},
        {1033, 0, "M MM MMM MMMM", "3 03 Mar March"},
        {1031, 0, "M MM MMM MMMM", "3 03 Mrz M\xE4rz"},
        {1033, 0, "y yy yyyy", "4 04 2004"},
        {1033, 0, "dddd, dd' de 'MMMM' de 'yyyy", "Sunday, 07 de March de 2004"},
        {1033, 0, "'It''s' d/M", "It's 7/3"},
        {1033, 0, "'d M y' d", "d M y 7"},
        {1033, 0, "[dd]-(MM)", "[07]-(03)"},
        {1033, 0, "", ""},
        // Characters the code page lacks become '?'.
        {1041, DATE_LONGDATE, nullptr, "2004?3?7?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Date(c.lcid, c.flags, 2004, 3, 7, c.format), c.expected)
            << c.lcid << " " << (c.format ? c.format : "(locale picture)");
}

TEST(Locale, DayOfTheWeekIsWorkedOutFromTheDate) {
    struct {
        int year, month, day;
        const char* expected;
    } cases[] = {
        {1601, 1, 1, "Monday"},   {1900, 3, 1, "Thursday"},  {2000, 1, 1, "Saturday"},
        {2000, 2, 29, "Tuesday"}, {2024, 2, 29, "Thursday"}, {2024, 12, 31, "Tuesday"},
        {2100, 3, 1, "Monday"},   {1999, 12, 31, "Friday"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Date(1033, 0, c.year, c.month, c.day, "dddd"), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(Locale, InvalidDatesAndFlagsAreRefused) {
    EXPECT_EQ(Date(1033, DATE_SHORTDATE, 2003, 2, 29, nullptr), "<failed 87>");
    EXPECT_EQ(Date(1033, DATE_SHORTDATE, 2004, 13, 1, nullptr), "<failed 87>");
    EXPECT_EQ(Date(1033, DATE_SHORTDATE, 2004, 4, 31, nullptr), "<failed 87>");
    EXPECT_EQ(Date(1033, DATE_SHORTDATE, 1600, 1, 1, nullptr), "<failed 87>");
    EXPECT_EQ(Date(1033, DATE_SHORTDATE, 2004, 3, 7, "yyyy"), "<failed 1004>");
    EXPECT_EQ(Date(0x9999, DATE_SHORTDATE, 2004, 3, 7, nullptr), "<failed 87>");
}

TEST(Locale, NoDateMeansToday) {
    char buffer[64] = {};
    ASSERT_GT(GetDateFormatA(1033, 0, nullptr, "yyyy-MM-dd", buffer, sizeof buffer), 0);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char expected[64];
    std::strftime(expected, sizeof expected, "%Y-%m-%d", &local);
    EXPECT_STREQ(buffer, expected);
}

class KeyboardLayoutTest : public tessaly::testing::PrefixTest {};

TEST_F(KeyboardLayoutTest, FirstPreloadedLayoutElseTheUserLocale) {
    LocaleEnvironment environment(nullptr, nullptr, "fr_CA.UTF-8");
    auto low = [] { return reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0)) & 0xFFFF; };
    EXPECT_EQ(low(), 3084u);

    auto preload = [](const char* name, const char* layout) {
        tessaly::testing::PutRegText(HKEY_CURRENT_USER, "Keyboard Layout\\Preload", name, layout);
    };
    preload("1", "00000407");
    preload("2", "00000409");
    EXPECT_EQ(low(), 0x407u);
    EXPECT_EQ(Info(static_cast<LCID>(low()), LOCALE_SENGCOUNTRY), "Germany");

    preload("1", "00010409"); // a variant layout keeps its language
    EXPECT_EQ(low(), 0x409u);

    preload("1", "not hex");
    EXPECT_EQ(low(), 3084u);
}
