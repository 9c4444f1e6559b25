#pragma once
// Other processes' windows on an X11 display, through a connection of the library's own to
// the display DISPLAY names (opened on first need, opened again when DISPLAY changes).
// Windows are X window ids; 0 is none.
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::framework::x11 {

using Window = std::uint32_t;

// True when DISPLAY names a display that accepts a connection.
bool Available();
// The application windows: the window manager's client list when it keeps one, otherwise
// the root's children (or, under a frame, the first descendant with WM_STATE) that carry a
// class (WM_CLASS). Topmost first.
std::vector<Window> TopLevelWindows();
// Child windows bottom to top (in the order they were made).
std::vector<Window> Children(Window window);
bool Exists(Window window);
// The class part of WM_CLASS (empty when unset).
std::string ClassName(Window window);
// _NET_WM_NAME (UTF-8), else WM_NAME; empty when neither is set.
std::string Title(Window window);
// _NET_WM_PID of the window or of the top-level window it lies in; 0 when unset.
std::uint32_t ProcessId(Window window);
// Sets WM_CLASS to "instance\0class\0"; false without a display.
bool SetClass(Window window, const std::string& instance, const std::string& className);

// Whether the window is mapped and all its ancestors are (the map state "viewable").
bool IsViewable(Window window);
// Withdraws a top-level window from the screen (unmaps it, and tells the window manager as
// the conventions between clients ask); false without a display.
bool Withdraw(Window window);

} // namespace tessaly::framework::x11
