// The two-step shortcut table: which character a held shortcut stands for, in Windows-1252
// and in GB2312 for the Chinese interface, and the character of a typed Alt code.
#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "platform/codepage.h"
#include "platform/keyboard.h"
#include "text/keyboard_internal.h"

namespace p = tessaly::platform;

namespace tessaly::text {

namespace {

// One letter of an accent state: its key, the Windows-1252 codes and the GB2312 bytes.
struct Letter {
    BYTE key;
    const char* lower;
    const char* upper;
    const char* gbLower; // "" where GB2312 has no look-alike
    const char* gbUpper;
};

struct AccentState {
    bool (*held)(const BYTE* keys);
    std::initializer_list<Letter> letters;
};

bool down(const BYTE* keys, BYTE key) {
    return keys[key] >= 80;
}
bool ctrl(const BYTE* keys) {
    return down(keys, p::VK_CONTROL);
}
bool ctrlShift(const BYTE* keys) {
    return ctrl(keys) && down(keys, p::VK_SHIFT);
}

const AccentState kStates[] = {
    // 1 grave
    {[](const BYTE* k) { return ctrl(k) && down(k, p::VK_OEM_3) && !down(k, p::VK_SHIFT); },
     {{'A', "0224", "0192", "\xA8\xA4", "\xA8\xA4"},
      {'E', "0232", "0200", "\xA8\xA8", "\xA8\xA8"},
      {'I', "0236", "0204", "\xA8\xAC", "\xA8\xAC"},
      {'O', "0242", "0210", "\xA8\xB0", "\xA8\xB0"},
      {'U', "0249", "0217", "\xA8\xB4", "\xA8\xB4"}}},
    // 2 acute
    {[](const BYTE* k) { return ctrl(k) && down(k, p::VK_OEM_7); },
     {{'A', "0225", "0193", "\xA8\xA2", "\xA8\xA2"},
      {'E', "0233", "0201", "\xA8\xA6", "\xA8\xA6"},
      {'I', "0237", "0205", "\xA8\xAA", "\xA8\xAA"},
      {'O', "0243", "0211", "\xA8\xAE", "\xA8\xAE"},
      {'U', "0250", "0218", "\xA8\xB2", "\xA8\xB2"},
      {'Y', "0253", "0221", "", ""},
      {'D', "0240", "0208", "\xA6\xC4", "\xA6\xC4"}}},
    // 3 circumflex
    {[](const BYTE* k) { return ctrlShift(k) && down(k, '6'); },
     {{'A', "0226", "0194", "", ""},
      {'E', "0234", "0202", "\xA8\xBA", "\xA8\xBA"},
      {'I', "0238", "0206", "", ""},
      {'O', "0244", "0212", "", ""},
      {'U', "0251", "0219", "", ""}}},
    // 4 diaeresis
    {[](const BYTE* k) { return ctrlShift(k) && down(k, p::VK_OEM_1); },
     {{'A', "0228", "0196", "", ""},
      {'E', "0235", "0203", "\xA7\xD7", "\xA7\xD7"},
      {'I', "0239", "0207", "", ""},
      {'O', "0246", "0214", "", ""},
      {'U', "0252", "0220", "\xA8\xB9", "\xA8\xB9"},
      {'Y', "0255", "0159", "", ""}}},
    // 5 tilde
    {[](const BYTE* k) { return ctrlShift(k) && down(k, p::VK_OEM_3); },
     {{'A', "0227", "0195", "\xA8\xA3", "\xA8\xA3"},
      {'N', "0241", "0209", "\xA8\xBE", "\xA8\xBE"},
      {'O', "0245", "0213", "\xA8\xAF", "\xA8\xAF"}}},
    // 6 ring
    {[](const BYTE* k) { return ctrlShift(k) && down(k, '2'); },
     {{'A', "0229", "0197", "\xA8\xA1", "\xA8\xA1"}}},
    // 7 ligatures
    {[](const BYTE* k) { return ctrlShift(k) && down(k, '7'); },
     {{'A', "0230", "0198", "\xA6\xC1", "\xA6\xC1"},
      {'S', "0223", "0223", "\xA6\xC2", "\xA6\xC2"},
      {'O', "0156", "0140", "\xA6\xC5", "\xA6\xC5"}}},
    // 8 cedilla
    {[](const BYTE* k) { return ctrl(k) && down(k, p::VK_OEM_COMMA); },
     {{'C', "0231", "0199", "\xA6\xC6", "\xA6\xC6"}}},
    // 9 stroke
    {[](const BYTE* k) { return ctrl(k) && down(k, p::VK_OEM_2); },
     {{'O', "0248", "0216", "\xA6\xD5", "\xA6\xB5"}}},
    // 10 inverted marks
    {[](const BYTE* k) { return ctrlShift(k) && down(k, p::VK_MENU); },
     {{p::VK_OEM_2, "0191", "0191", "\xA6\xD3", "\xA6\xD3"},
      {'1', "0161", "0161", "\xA6\xC9", "\xA6\xC9"}}},
};

// Shortcuts that give a character at once.
struct Direct {
    BYTE key;
    const char* code;
    const char* gb;
};
const Direct kDirect[] = {
    {'4', "0128", "0128"},
    {p::VK_OEM_4, "0147", "\xA1\xB0"},
    {p::VK_OEM_6, "0148", "\xA1\xB1"},
};

} // namespace

int DecideShortcut(const BYTE* keys, bool chinese, int* state, std::string& code) {
    if (ctrl(keys)) {
        for (const Direct& d : kDirect)
            if (down(keys, d.key)) {
                code = chinese ? d.gb : d.code;
                return 1;
            }
        if (down(keys, p::VK_OEM_3) && !down(keys, p::VK_SHIFT) && state) *state = 1;
    }
    const bool upper = (keys[p::VK_CAPITAL] != 0) != down(keys, p::VK_SHIFT);
    for (int n = 1; n <= 10; ++n) {
        const AccentState& accent = kStates[n - 1];
        if (accent.held(keys) && state) *state = n;
        if (!state || *state != n) continue;
        for (const Letter& letter : accent.letters)
            if (down(keys, letter.key)) {
                if (chinese)
                    code = upper ? letter.gbUpper : letter.gbLower;
                else
                    code = upper ? letter.upper : letter.lower;
                return 1;
            }
    }
    return 0;
}

// The character a typed Alt code stands for: with a leading 0 the Windows-1252 character,
// otherwise the OEM code page's, as the numeric keypad gives them; 0 for none.
char16_t CharacterOfCode(const std::string& code) {
    if (code.empty() || code.size() > 5) return 0;
    for (char ch : code)
        if (!std::isdigit(static_cast<unsigned char>(ch))) return 0;
    const int value = std::atoi(code.c_str()) & 0xFF;
    if (value == 0) return 0;
    const char byte = static_cast<char>(value);
    WCHAR wide = 0;
    const UINT page = code[0] == '0' ? 1252 : p::GetOEMCP();
    if (p::MultiByteToWideChar(page, 0, &byte, 1, &wide, 1) != 1) return 0;
    return static_cast<char16_t>(wide);
}

} // namespace tessaly::text
