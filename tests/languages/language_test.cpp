// Language names, the suite's language settings, the agent's speech languages, the
// keyboard layout and the country, in a process that runs with the built-in English texts.
#include <tessaly/foundation.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "frame_support.h"
#include "support/environment.h"
#include "support/prefix.h"

using namespace frame_test;
using tessaly::testing::PrefixTest;

namespace {

class Languages : public PrefixTest {};

} // namespace

// Every listed identifier has its name; of those not in the table only six primary
// languages still have a name.
TEST(LanguageNames, ListedAndPrimaryLanguages) {
    for (const auto& language : kOffered)
        EXPECT_EQ(GetLanguageName(std::atoi(language.stored)), language.name) << language.stored;
    // French is primary 12, not itself listed; Russian (1049) and Czech (1029) have only
    // their whole identifiers listed; only the low 10 bits are the primary language.
    const std::pair<int, const char*> cases[] = {
        {0x10000 | 9, "English"},     {1035, "Finnish"},
        {2055, "German (Standard) "}, {12, "French (Standard) "},
        {1043, "Dutch (Standard) "},  {1034, "Spanish (Traditional Sort) "}};
    for (const auto& [language, name] : cases)
        EXPECT_EQ(GetLanguageName(language), name) << language;
    for (int language : {1049, 1041, -1, 0x3FF})
        EXPECT_EQ(GetLanguageName(language), "Unknown language") << language;
}

TEST(AgentLanguages, ExactlyTheListed) {
    std::set<int> expected = {7,    1031, 2055, 3079, 4103, 5127, 12,   1036, 2060, 3084,
                              4108, 5132, 19,   1043, 2067, 16,   1040, 2064, 17,   1041,
                              18,   1042, 2066, 22,   1046, 2070, 25,   1049, 10};
    for (int k = 0; k <= 19; ++k)
        expected.insert(1034 + 1024 * k);
    ASSERT_EQ(expected.size(), 49u);
    std::set<int> found;
    for (int language = -2; language <= 0x10000; ++language)
        if (GetSAPI4AgentLanguage(language)) found.insert(language);
    EXPECT_EQ(found, expected);
}

// "Current", "Install Version" and "Original" under HKEY_LOCAL_MACHINE, read with atoi.
TEST_F(Languages, SettingsAreReadFromTheMachineHive) {
    struct Case {
        const char* stored; // null: value missing
        int expected;
    } const cases[] = {{"12abc", 12}, {"abc", 0}, {" -7", -7}, {nullptr, 0}};
    struct Reader {
        const char* value;
        int (*read)();
    } const readers[] = {{"Current", &GetCurrentLanguage},
                         {"Install Version", &GetInstallLangID},
                         {"Original", &GetOriginalLanguageID}};
    for (const auto& reader : readers) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(reader.value) + " = " + (c.stored ? c.stored : "(missing)"));
            p::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kLanguageKey);
            if (c.stored) SetText(HKEY_LOCAL_MACHINE, kLanguageKey, reader.value, c.stored);
            EXPECT_EQ(reader.read(), c.expected);
        }
    }
    // The same values of the user's hive are not what these read.
    p::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Varnholt");
    SetText(HKEY_CURRENT_USER, kLanguageKey, "Current", "1036");
    EXPECT_EQ(GetCurrentLanguage(), 0);
    EXPECT_EQ(GetCurrentLanguageName(), "Unknown language");
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "1036");
    EXPECT_EQ(GetCurrentLanguageName(), "French (Standard) ");
}

// The first preloaded layout of the user, a hexadecimal text; English (United States) when
// there is none.
TEST_F(Languages, KeyboardLayoutLanguageAndCountry) {
    tessaly::testing::ScopedEnv locale("LC_ALL", "C");
    struct Case {
        const char* stored; // null: no value (the user's locale decides the country)
        DWORD language;
        const char* country; // null: not checked
    } const cases[] = {{nullptr, 1033, "United States"},
                       {"00000807", 2055, "Switzerland"},
                       {"E0010411", 0xE0010411u, nullptr},
                       {"411", 0x411, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        p::RegDeleteTreeA(HKEY_CURRENT_USER, "Keyboard Layout");
        if (c.stored) SetText(HKEY_CURRENT_USER, "Keyboard Layout\\Preload", "1", c.stored);
        EXPECT_EQ(GetKeyboardLayoutLanguage(), c.language);
        if (c.country) {
            EXPECT_EQ(GetCurrentCountryName(), c.country);
        }
    }
    // Only the user's layouts count, and only the first.
    p::RegDeleteTreeA(HKEY_CURRENT_USER, "Keyboard Layout");
    SetText(HKEY_LOCAL_MACHINE, "Keyboard Layout\\Preload", "1", "00000407");
    SetText(HKEY_CURRENT_USER, "Keyboard Layout\\Preload", "2", "00000407");
    EXPECT_EQ(GetKeyboardLayoutLanguage(), 1033u);
}

// Strings of the library's table through the framework's loader.
TEST(StringLoading, BuiltInTable) {
    CString text;
    EXPECT_FALSE(text.LoadString(1));
    EXPECT_TRUE(text.LoadString(61664));
    EXPECT_EQ(text, "Unknown language");
}
