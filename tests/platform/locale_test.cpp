#include "platform/locale.h"

#include <string>
#include <tuple>

#include "platform/errors.h"
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

std::string Date(LCID lcid, DWORD flags, const char* format, WORD year = 2004, WORD day = 7) {
    // The day of the week given is wrong on purpose: it is worked out from the date.
    SYSTEMTIME date{year, WORD(year == 2004 ? 3 : 2), 3, day, 0, 0, 0, 0};
    char buffer[260] = {};
    int n = GetDateFormatA(lcid, flags, &date, format, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer) : "<failed " + std::to_string(GetLastError()) + ">";
}

} // namespace

TEST(Locale, UserLocaleComesFromTheEnvironment) {
    // LC_ALL, LC_TIME, LANG; the locale.
    const std::tuple<const char*, const char*, const char*, LCID> cases[] = {
        {"de_CH.UTF-8", "fr_FR.UTF-8", "ja_JP.UTF-8", 2055}, // LC_ALL first
        {"", "fr_CA.utf8", "ja_JP.UTF-8", 3084},             // an empty variable is skipped
        {nullptr, nullptr, "de", 1031},                      // a bare language: its main country
        {nullptr, nullptr, "sv_FI.UTF-8", 1053}, // unknown country: the language's entry
        {nullptr, nullptr, "xx_YY.UTF-8", 1033},
    };
    for (auto [all, time, lang, expected] : cases) {
        LocaleEnvironment environment(all, time, lang);
        EXPECT_EQ(GetUserDefaultLCID(), expected) << lang;
    }
    LocaleEnvironment environment(nullptr, nullptr, "de_CH.UTF-8");
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY), "Switzerland");
    EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE), "German");
    EXPECT_EQ(Info(0x9999, LOCALE_SENGCOUNTRY), "<failed 87>");
}

TEST(Locale, DatesWrittenWithPictures) {
    // 7 March 2004 in each locale and picture (null: the locale's own).
    const std::tuple<LCID, DWORD, const char*, const char*> cases[] = {
        {1033, DATE_LONGDATE, nullptr, "Sunday, March 07, 2004"},
        {1031, DATE_LONGDATE, nullptr, "Sonntag, 7. M\xE4rz 2004"},
        {1033, 0, "d dd ddd dddd", "7 07 Sun Sunday"},
        {1033, 0, "M MM MMM MMMM", "3 03 Mar March"},
        {1033, 0, "'It''s' d/M", "It's 7/3"},
        {1041, DATE_LONGDATE, nullptr, "2004?3?7?"},     // what the code page lacks becomes '?'
        {1033, DATE_SHORTDATE, "yyyy", "<failed 1004>"}, // a picture and a flag
    };
    for (auto [lcid, flags, format, expected] : cases)
        EXPECT_EQ(Date(lcid, flags, format), expected);
    EXPECT_EQ(Date(1033, DATE_SHORTDATE, nullptr, 2003, 29), "<failed 87>"); // 29 February 2003
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
    EXPECT_EQ(low(), 0x407u);

    preload("1", "00010409"); // a variant layout keeps its language
    EXPECT_EQ(low(), 0x409u);

    preload("1", "not hex");
    EXPECT_EQ(low(), 3084u);
}
