#pragma once
// Global memory handles: flags 0 (fixed), 0x40 (zero-filled) and 0x2000 (shareable) are
// accepted; a handle is the block's address, so lock gives the handle back.
#include "api.h"

namespace tessaly::platform {

PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
PLATFORM_API void* GlobalLock(HGLOBAL memory);
PLATFORM_API BOOL GlobalUnlock(HGLOBAL memory);
PLATFORM_API size_t GlobalSize(HGLOBAL memory);
// Null on success, the handle on failure (as on Windows).
PLATFORM_API HGLOBAL GlobalFree(HGLOBAL memory);
// Resizes a block (it may move: use the handle returned); null on failure.
PLATFORM_API HGLOBAL GlobalReAlloc(HGLOBAL memory, size_t bytes, UINT flags);
// The handle of a locked block's address (the same address here); null when unknown.
PLATFORM_API HGLOBAL GlobalHandle(const void* pointer);
// The local heap is the global heap (LocalFree is declared in errors.h).
PLATFORM_API HGLOBAL LocalAlloc(UINT flags, size_t bytes);

} // namespace tessaly::platform
