// The process's keyboard state table.
#include "keyboard.h"

#include <cstring>
#include <mutex>

#include "errors.h"

namespace tessaly::platform {

namespace {

std::mutex keyboardLock;
BYTE keyboard[256] = {};

} // namespace

BOOL GetKeyboardState(BYTE* keys) {
    if (!keys) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(keyboardLock);
    std::memcpy(keys, keyboard, sizeof keyboard);
    return TRUE;
}

BOOL SetKeyboardState(const BYTE* keys) {
    if (!keys) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> hold(keyboardLock);
    std::memcpy(keyboard, keys, sizeof keyboard);
    return TRUE;
}

void SetKeyDown(BYTE key, bool down) {
    std::lock_guard<std::mutex> hold(keyboardLock);
    BYTE& entry = keyboard[key];
    if (down && !(entry & 0x80)) entry ^= 0x01;
    entry = static_cast<BYTE>(down ? entry | 0x80 : entry & ~0x80);
}

void SetKeyToggled(BYTE key, bool on) {
    std::lock_guard<std::mutex> hold(keyboardLock);
    keyboard[key] = static_cast<BYTE>(on ? keyboard[key] | 0x01 : keyboard[key] & ~0x01);
}

} // namespace tessaly::platform
