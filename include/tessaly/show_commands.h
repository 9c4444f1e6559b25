#pragma once
// How a window or a started program is shown (ShowWindow, STARTUPINFO, ShellExecute).

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
