#pragma once
// What the document openers, the companion launcher and the speech setups share: the
// registered command of a class key, starting through the shell, the caller's main window,
// and waiting for an installer's window while the caller's messages keep flowing.
#include <tessaly/cstring.h>
#include <tessaly/types.h>

#include <string>

class QWidget;

namespace tessaly::launch {

// The default value of HKEY_CLASSES_ROOT commandKey in lower case, cut after ".exe" and the
// character that follows it (normally the closing quotation mark or a blank).
CString RegisteredCommand(const char* commandKey);
// " \"path\"" when the path holds a blank, else " path".
CString DocumentArgument(const CString& path);

// The shell's "open" of a file with parameters, shown normally; its result (above 32 is
// success).
int ShellOpen(const CString& file, const CString& parameters);

// Hides the calling program's main window (its first visible main window, if it has one)
// for the object's lifetime.
class HiddenMainWindow {
  public:
    HiddenMainWindow();
    ~HiddenMainWindow();
    HiddenMainWindow(const HiddenMainWindow&) = delete;
    HiddenMainWindow& operator=(const HiddenMainWindow&) = delete;

  private:
    QWidget* window_ = nullptr;
};

// True while a top-level window with exactly that title exists (this process's windows,
// and other processes' on the X11 display).
bool InstallerWindowExists(const char* title);
// Dispatches the caller's messages (about 50 ms) once.
void DispatchMessagesOnce();
// Dispatches messages until the window exists, then checks every tickMs whether it still
// does, dispatching in between, and returns once it is gone.
void WaitForInstallerWindow(const char* title, unsigned tickMs);

} // namespace tessaly::launch

namespace tessaly::launch {

// The calling program's wait cursor (its application's override cursor) for the object's
// lifetime; nothing without an application.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    bool set_ = false;
};

// A window of this process or another one: shown (mapped) and hidden.
bool WindowShown(HWND window);
void HideWindow(HWND window);

} // namespace tessaly::launch
