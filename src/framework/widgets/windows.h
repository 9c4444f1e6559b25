#pragma once
// What the library's services need of the window framework beyond CWnd's interface: the
// posted-message queue, the screen's size and dpi, and the classes of widgets.
#include <QString>

#include <tessaly/wnd.h>

class QWidget;

namespace tessaly::framework {

// Removes every posted message of the window (of every window when null) in [first, last]
// (all messages when both are 0, as Windows reads that range) from the queue and delivers
// it now, in posting order. Returns how many were delivered.
int DispatchPostedMessages(HWND window, UINT first, UINT last);

// The primary screen in device pixels and its logical dots per inch, as the display
// reports them (on the offscreen platform: its configuration file, 800 x 600 at 96 dpi
// by default). Creates the application when there is none.
int ScreenWidth();
int ScreenHeight();
int ScreenLogicalDpi();

// The window class of a widget (see CWnd::SetWindowClass).
QString WindowClassOf(const QWidget* widget);

// Whether a window of this process (shown with its parents) or of another process on the
// display (viewable) is on screen, and hiding it; false and nothing for an unknown handle.
bool IsWindowOnScreen(HWND window);
void HideAnyWindow(HWND window);

} // namespace tessaly::framework
