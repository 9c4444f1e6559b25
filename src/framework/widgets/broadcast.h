#pragma once
// Sending a message to one window or to every top-level window of this process with a bound
// on how long each receiver may take (windows of other processes take no messages).
#include <tessaly/wnd.h>

namespace tessaly::framework {

inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(std::uintptr_t(0xFFFF));
enum : UINT { SMTO_NORMAL = 0x0, SMTO_BLOCK = 0x1, SMTO_ABORTIFHUNG = 0x2 };

// Nonzero when every receiver answered within timeoutMs (result: the last answer); 0 when one
// did not (last error 1460) or the window is unknown. A window on the calling thread answers
// at once.
LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeoutMs, DWORD_PTR* result);

} // namespace tessaly::framework
