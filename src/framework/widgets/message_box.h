#pragma once
// The framework's standard message box (the one most services use to tell the user why
// something was refused) and the system's plain message box.
#include <tessaly/wnd.h> // the button sets, icons and command ids

namespace tessaly::framework {

// The standard message box of the framework: the application's title as caption.
// Returns the button pressed (IDOK ...).
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The same with a text of the string table.
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = 0);
// The system's message box with a caption of the caller's (MessageBoxA).
int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT type);

} // namespace tessaly::framework
