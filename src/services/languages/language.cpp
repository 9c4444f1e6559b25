// The suite's languages: display names, the language settings, the agent's speech
// languages, the keyboard layout and the country.
#include <tessaly/foundation.h>

#include <cstdlib>

#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "platform/locale.h"

namespace {

namespace p = tessaly::platform;

const char* const kLanguageKey = "Software\\varnholt\\Tessaly2001\\Language";

// Display names of the languages: string-table texts of the library.
struct LanguageName {
    int language;
    UINT stringId;
};

constexpr LanguageName kLanguageNames[] = {
    {3, 61673},    {5, 61675},    {6, 61676},    {7, 61682},    {8, 61683},    {9, 61576},
    {10, 61692},   {11, 61679},   {14, 61684},   {16, 61685},   {17, 61667},   {18, 61668},
    {19, 61677},   {20, 61686},   {21, 61687},   {25, 61669},   {26, 61674},   {27, 61690},
    {29, 61693},   {30, 61670},   {31, 61671},   {33, 61666},   {36, 61691},   {45, 61672},
    {1028, 61665}, {1036, 61680}, {1046, 61688}, {2052, 61577}, {2070, 61689}, {3084, 61681},
};

// When the whole identifier is not listed, these primary languages still have a name.
constexpr LanguageName kPrimaryLanguageNames[] = {
    {9, 61576}, {7, 61682}, {12, 61680}, {10, 61692}, {19, 61677}, {11, 61679},
};

constexpr UINT kUnknownLanguage = 61664;

UINT languageNameId(int language) {
    for (const auto& entry : kLanguageNames)
        if (entry.language == language) return entry.stringId;
    for (const auto& entry : kPrimaryLanguageNames)
        if (entry.language == (language & 0x3FF)) return entry.stringId;
    return kUnknownLanguage;
}

int readLanguageValue(const char* valueName, int hive) {
    CString text;
    if (!tessaly::companion::GetRegString(kLanguageKey, valueName, text, hive)) return 0;
    return std::atoi(text);
}

// The languages the animated agent speaks.
bool agentSpeaks(int language) {
    static constexpr int kLanguages[] = {
        7,  1031, 2055, 3079, 4103, 5127, // German
        12, 1036, 2060, 3084, 4108, 5132, // French
        19, 1043, 2067,                   // Dutch
        16, 1040, 2064,                   // Italian
        17, 1041,                         // Japanese
        18, 1042, 2066,                   // Korean
        22, 1046, 2070,                   // Portuguese
        25, 1049,                         // Russian
        10,                               // Spanish; its sub-languages below
    };
    for (int known : kLanguages)
        if (known == language) return true;
    for (int k = 0; k <= 19; ++k)
        if (language == 1034 + 1024 * k) return true;
    return false;
}

} // namespace

CString GetLanguageName(int languageId) {
    tessaly::framework::ManageModuleState state;
    CString name;
    name.LoadString(languageNameId(languageId));
    return name;
}

int GetCurrentLanguage() {
    return readLanguageValue("Current", 1);
}
int GetInstallLangID() {
    return readLanguageValue("Install Version", 1);
}
int GetOriginalLanguageID() {
    return readLanguageValue("Original", 1);
}

CString GetCurrentLanguageName() {
    return GetLanguageName(GetCurrentLanguage());
}

int GetSAPI4AgentLanguage(int languageId) {
    return agentSpeaks(languageId) ? 1 : 0;
}

// The first preloaded keyboard layout, "00000409" style; English (United States) when
// none is set.
DWORD GetKeyboardLayoutLanguage() {
    CString layout;
    if (!tessaly::companion::GetRegString("Keyboard Layout\\Preload", "1", layout, 0)) return 1033;
    return HexToDword(layout.GetBuffer(), nullptr, 16);
}

CString GetCurrentCountryName() {
    const auto layout = reinterpret_cast<std::uintptr_t>(p::GetKeyboardLayout(0));
    char buffer[260] = {};
    if (p::GetLocaleInfoA(static_cast<LCID>(layout & 0xFFFF), p::LOCALE_SENGCOUNTRY, buffer,
                          sizeof buffer) <= 0)
        return CString();
    return CString(buffer);
}
