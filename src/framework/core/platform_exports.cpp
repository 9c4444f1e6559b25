// The platform's global memory, last error and keyboard state, lent to callers under their
// Windows names.
#include <tessaly/platform.h>

#include "platform/errors.h"
#include "platform/keyboard.h"
#include "platform/memory.h"

namespace p = tessaly::platform;

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    return p::GlobalAlloc(flags, bytes);
}

void* GlobalLock(HGLOBAL memory) {
    return p::GlobalLock(memory);
}

BOOL GlobalUnlock(HGLOBAL memory) {
    return p::GlobalUnlock(memory);
}

std::size_t GlobalSize(HGLOBAL memory) {
    return p::GlobalSize(memory);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    return p::GlobalFree(memory);
}

DWORD GetLastError() {
    return p::GetLastError();
}

void SetLastError(DWORD code) {
    p::SetLastError(code);
}

BOOL GetKeyboardState(BYTE* keys) {
    return p::GetKeyboardState(keys);
}

BOOL SetKeyboardState(BYTE* keys) {
    return p::SetKeyboardState(keys);
}
