#pragma once
// The keyboard state: one entry per Windows virtual key, high bit set while the key is down,
// low bit the toggle (Caps Lock on). The framework keeps it current from the application's key
// events; callers read and set it as GetKeyboardState and SetKeyboardState do.
#include "api.h"

namespace tessaly::platform {

enum : BYTE {
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_CAPITAL = 0x14,
    VK_LSHIFT = 0xA0,
    VK_RSHIFT = 0xA1,
    VK_LCONTROL = 0xA2,
    VK_RCONTROL = 0xA3,
    VK_LMENU = 0xA4,
    VK_RMENU = 0xA5,
    VK_OEM_1 = 0xBA,     // ;:
    VK_OEM_COMMA = 0xBC, // ,<
    VK_OEM_2 = 0xBF,     // /?
    VK_OEM_3 = 0xC0,     // `~ (the grave key)
    VK_OEM_4 = 0xDB,     // [{
    VK_OEM_6 = 0xDD,     // ]}
    VK_OEM_7 = 0xDE,     // '"
    VK_NUMPAD0 = 0x60,
};

// FALSE (ERROR_INVALID_PARAMETER) for a null table.
PLATFORM_API BOOL GetKeyboardState(BYTE* keys);
PLATFORM_API BOOL SetKeyboardState(const BYTE* keys);
// A key going down or up (the toggle flips on each press, as Windows keeps it).
PLATFORM_API void SetKeyDown(BYTE key, bool down);
// The toggle bit of a key (the Caps Lock indicator as the display reports it).
PLATFORM_API void SetKeyToggled(BYTE key, bool on);

} // namespace tessaly::platform
