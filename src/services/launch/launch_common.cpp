// The pieces the document openers, companion launcher and speech setups share.
#include <tessaly/foundation.h>
#include <tessaly/show_commands.h>
#include <tessaly/wnd.h>

#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QWidget>

#include <chrono>

#include "framework/widgets/windows.h"
#include "launch/launch_internal.h"
#include "platform/codepage.h"
#include "platform/pump.h"
#include "platform/shell_open.h"

namespace tessaly::launch {

CString RegisteredCommand(const char* commandKey) {
    std::string command = GetStringRegistry(HKEY_CLASSES_ROOT, commandKey, "").str();
    platform::AnsiLower(command);
    const size_t exe = command.find(".exe");
    if (exe != std::string::npos) command = command.substr(0, exe + 5);
    return CString(command.c_str());
}

CString DocumentArgument(const CString& path) {
    std::string text = path.str();
    if (text.find(' ') != std::string::npos) return CString((" \"" + text + "\"").c_str());
    return CString((" " + text).c_str());
}

int ShellOpen(const CString& file, const CString& parameters) {
    const char* params = parameters.IsEmpty() ? nullptr : static_cast<const char*>(parameters);
    return static_cast<int>(
        platform::ShellExecuteA(nullptr, "open", file, params, nullptr, SW_SHOWNORMAL));
}

HiddenMainWindow::HiddenMainWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && CWnd(widget).IsWindowVisible()) {
            window_ = widget;
            CWnd(window_).ShowWindow(SW_HIDE);
            return;
        }
}

HiddenMainWindow::~HiddenMainWindow() {
    if (window_) CWnd(window_).ShowWindow(SW_SHOW);
}

bool InstallerWindowExists(const char* title) {
    return CWnd::FindWindow(nullptr, title) != nullptr;
}

void DispatchMessagesOnce() {
    Delay(50);
}

void WaitForInstallerWindow(const char* title, unsigned tickMs) {
    while (!InstallerWindowExists(title)) {
        if (platform::ApplicationQuitting()) return;
        DispatchMessagesOnce();
    }
    using Clock = std::chrono::steady_clock;
    auto tick = Clock::now() + std::chrono::milliseconds(tickMs);
    for (;;) {
        if (platform::ApplicationQuitting()) return;
        DispatchMessagesOnce();
        if (Clock::now() < tick) continue;
        if (!InstallerWindowExists(title)) return;
        tick += std::chrono::milliseconds(tickMs);
    }
}

WaitCursor::WaitCursor() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    set_ = true;
}

WaitCursor::~WaitCursor() {
    if (set_) QApplication::restoreOverrideCursor();
}

bool WindowShown(HWND window) {
    return framework::IsWindowOnScreen(window);
}

void HideWindow(HWND window) {
    framework::HideAnyWindow(window);
}

} // namespace tessaly::launch
