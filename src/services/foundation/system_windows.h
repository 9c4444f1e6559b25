#pragma once
// What the process starter needs of the window services.
#include <tessaly/types.h>

namespace tessaly::base {

// The first top-level window of the process with that id: on an X11 display the first
// window whose _NET_WM_PID is the process's, waited for (messages pumped) while the process
// runs, at most kProcessWindowWaitMs; null at once without a display.
inline constexpr DWORD kProcessWindowWaitMs = 10000;
HWND FirstWindowOfProcess(DWORD processId, HANDLE process);

} // namespace tessaly::base
