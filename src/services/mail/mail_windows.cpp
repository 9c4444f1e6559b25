// The windows of the running mail client (the word processor's frame hosting its child
// frame) and of the sibling program, found by class and title.
#include <tessaly/mail.h>
#include <tessaly/wnd.h>

namespace {

constexpr const char* kFrameClass = "LintorClass";
constexpr const char* kChildFrameClass = "CorvaneClientClass";
constexpr const char* kSiblingTitle = "{544FDFAE-0467-4342-ADF4-107E1ACBF4ED}";

// The mail client's child frame among the children of the frame's first child (its client
// area holding the child frames), or null.
HWND childFrameOf(HWND frame) {
    HWND client = CWnd::GetFirstChild(frame);
    return client ? CWnd::FindWindowEx(client, nullptr, kChildFrameClass, nullptr) : nullptr;
}

} // namespace

HWND GetCorvaneClient() {
    HWND frame = CWnd::FindWindow(kFrameClass, nullptr);
    if (!frame) return nullptr;
    if (childFrameOf(frame)) return frame;
    // Another frame of the word processor may host the mail client: the first whose class is
    // exactly the frame class (letter case included) and that holds a child frame.
    for (HWND window : CWnd::EnumTopLevelWindows())
        if (CWnd::ClassNameOf(window) == kFrameClass && childFrameOf(window)) return window;
    return nullptr;
}

HWND GetCorvaneChildFrame() {
    HWND frame = GetCorvaneClient();
    return frame ? childFrameOf(frame) : nullptr;
}

HWND GetPradel() {
    return CWnd::FindWindow(nullptr, kSiblingTitle);
}
