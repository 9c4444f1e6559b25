#pragma once
// What the platform lends to the library's callers: global memory blocks (several functions
// return one that the caller frees with GlobalFree, or take one of the caller's) and the
// calling thread's last error (the code a failed call left behind, read by the functions
// that report it), and the keyboard state.
#include <cstddef>

#include <tessaly/export.h>
#include <tessaly/types.h>

// A block's handle (flags GMEM_... in tessaly/types.h); null when it cannot be had.
TESSALY_C HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// The block's first byte (a handle is usable after locking, as on Windows).
TESSALY_C void* GlobalLock(HGLOBAL memory);
TESSALY_C BOOL GlobalUnlock(HGLOBAL memory);
// The block's size in bytes; 0 for no block.
TESSALY_C std::size_t GlobalSize(HGLOBAL memory);
// Null when freed, the handle when it is no block.
TESSALY_C HGLOBAL GlobalFree(HGLOBAL memory);

TESSALY_C DWORD GetLastError();
TESSALY_C void SetLastError(DWORD code);

// The keyboard state: 256 entries by Windows virtual key, the high bit (0x80) set while the
// key is down, the low bit the toggle (Caps Lock on), kept current from the application's key
// events. FALSE for a null table.
TESSALY_C BOOL GetKeyboardState(BYTE* keys);
TESSALY_C BOOL SetKeyboardState(BYTE* keys);
