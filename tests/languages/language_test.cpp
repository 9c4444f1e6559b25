// Language names and settings, speech languages, keyboard layout and country, in English.
#include <tessaly/foundation.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "frame_support.h"
#include "support/environment.h"
#include "support/prefix.h"

using namespace frame_test;
using tessaly::testing::PrefixTest;

namespace {

class Languages : public PrefixTest {};

} // namespace

// Every listed identifier has its name; of others, only six primary languages have one.
TEST(LanguageNames, ListedAndPrimaryLanguages) {
    for (const auto& language : kOffered)
        EXPECT_EQ(GetLanguageName(std::stoi(language.stored)), language.name) << language.stored;
    // Russian (1049) is listed only whole; only the low 10 bits are the primary language.
    const std::pair<int, const char*> cases[] = {
        {0x10000 | 9, "English"}, {2055, "German (Standard) "}, {12, "French (Standard) "}};
    for (const auto& [language, name] : cases)
        EXPECT_EQ(GetLanguageName(language), name) << language;
    for (int language : {1049, 1041, -1, 0x3FF})
        EXPECT_EQ(GetLanguageName(language), "Unknown language") << language;
}

TEST(AgentLanguages, ExactlyTheListed) {
    std::set<int> expected = {7,    1031, 2055, 3079, 4103, 5127, 12,   1036, 2060, 3084,
                              4108, 5132, 19,   1043, 2067, 16,   1040, 2064, 17,   1041,
                              18,   1042, 2066, 22,   1046, 2070, 25,   1049, 10};
    for (int k = 0; k <= 19; ++k) // Spanish in every country
        expected.insert(1034 + 1024 * k);
    std::set<int> found;
    for (int language = -2; language <= 0x10000; ++language)
        if (GetSAPI4AgentLanguage(language)) found.insert(language);
    EXPECT_EQ(found, expected);
}

// "Current", "Install Version" and "Original" under HKEY_LOCAL_MACHINE, read with atoi.
TEST_F(Languages, SettingsAreReadFromTheMachineHive) {
    // Each value holds a different number, read with atoi; missing ones read 0.
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "12abc");
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Install Version", " -7");
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Original", "1036");
    EXPECT_EQ(std::vector({GetCurrentLanguage(), GetInstallLangID(), GetOriginalLanguageID()}),
              std::vector({12, -7, 1036}));
    p::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kLanguageKey);
    EXPECT_EQ(std::vector({GetCurrentLanguage(), GetInstallLangID(), GetOriginalLanguageID()}),
              std::vector({0, 0, 0}));
    // The same values of the user's hive are not what these read.
    p::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Varnholt");
    SetText(HKEY_CURRENT_USER, kLanguageKey, "Current", "1036");
    EXPECT_EQ(GetCurrentLanguageName(), "Unknown language");
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "1036");
    EXPECT_EQ(GetCurrentLanguageName(), "French (Standard) ");
}

// The user's first preloaded layout, in hexadecimal; English (United States) when none.
TEST_F(Languages, KeyboardLayoutLanguageAndCountry) {
    tessaly::testing::ScopedEnv locale("LC_ALL", "C");
    // The stored layout (null: none), its language, its country (null: not checked).
    const std::tuple<const char*, DWORD, const char*> cases[] = {
        {nullptr, 1033, "United States"},
        {"00000807", 2055, "Switzerland"},
        {"E0010411", 0xE0010411u, nullptr}};
    for (const auto& [stored, language, country] : cases) {
        p::RegDeleteTreeA(HKEY_CURRENT_USER, "Keyboard Layout");
        if (stored) SetText(HKEY_CURRENT_USER, "Keyboard Layout\\Preload", "1", stored);
        EXPECT_EQ(GetKeyboardLayoutLanguage(), language) << (stored ? stored : "(missing)");
        if (country) {
            EXPECT_EQ(GetCurrentCountryName(), country);
        }
    }
    // Only the user's layouts count, and only the first.
    p::RegDeleteTreeA(HKEY_CURRENT_USER, "Keyboard Layout");
    SetText(HKEY_LOCAL_MACHINE, "Keyboard Layout\\Preload", "1", "00000407");
    SetText(HKEY_CURRENT_USER, "Keyboard Layout\\Preload", "2", "00000407");
    EXPECT_EQ(GetKeyboardLayoutLanguage(), 1033u);
}
