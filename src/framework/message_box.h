#pragma once
// The framework's standard message box (the one most services use to tell the user why
// something was refused) and the system's plain message box.
#include <tessaly/types.h>

// Button sets and icons, as for the system's message box.
#define MB_OK 0x0u
#define MB_OKCANCEL 0x1u
#define MB_ABORTRETRYIGNORE 0x2u
#define MB_YESNOCANCEL 0x3u
#define MB_YESNO 0x4u
#define MB_RETRYCANCEL 0x5u
#define MB_ICONHAND 0x10u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x20u
#define MB_ICONEXCLAMATION 0x30u
#define MB_ICONINFORMATION 0x40u
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

namespace tessaly::framework {

// The standard message box of the framework: the application's title as caption.
// Returns the button pressed (IDOK ...).
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The same with a text of the string table.
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = 0);
// The system's message box with a caption of the caller's (MessageBoxA).
int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type);

} // namespace tessaly::framework
