#pragma once
// Global memory handles: flags 0 (fixed), 0x40 (zero-filled) and 0x2000 (shareable) are
// accepted; a handle is the block's address, so lock gives the handle back.
#include "api.h"

namespace tessaly::platform {

enum : UINT { GMEM_FIXED = 0, GMEM_MOVEABLE = 0x2, GMEM_ZEROINIT = 0x40, GMEM_SHARE = 0x2000 };

PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
PLATFORM_API void* GlobalLock(HGLOBAL memory);
PLATFORM_API BOOL GlobalUnlock(HGLOBAL memory);
PLATFORM_API size_t GlobalSize(HGLOBAL memory);
// Null on success, the handle on failure (as on Windows).
PLATFORM_API HGLOBAL GlobalFree(HGLOBAL memory);

} // namespace tessaly::platform
