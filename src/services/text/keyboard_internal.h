#pragma once
// The shortcut table and the character typing behind OnKeyStroke and InputSymbol.
#include <tessaly/types.h>

#include <string>

namespace tessaly::text {

// The code a held shortcut stands for, from a 256-entry keyboard state: the Windows-1252
// Alt code, or the GB2312 bytes for the Chinese interface. 1 when one was produced; *state
// is the pending accent (null: none can be set).
int DecideShortcut(const BYTE* keys, bool chinese, int* state, std::string& code);
// The character of a digits-only Alt code (a leading 0: Windows-1252, else the OEM code
// page); 0 for a code that is not all digits or names no character.
char16_t CharacterOfCode(const std::string& code);
// Presses the character's key on the X display named by DISPLAY; false without one (or
// without the XTest extension).
bool TypeThroughXTest(char16_t character);

} // namespace tessaly::text
