// Waiting for windows, dispatching a window's posted messages, the screen-resolution warning
// and the first window of a started process.
#include "foundation/system_windows.h"

#include <cstdlib>

#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include "dialogs/system_ids.h"
#include "framework/core/module_state.h"
#include "framework/widgets/windows.h"
#include "platform/process.h"
#include "platform/pump.h"
#include "platform/wintime.h"

namespace platform = tessaly::platform;

namespace {

// How often the waits look again, pumping messages in between.
constexpr UINT kPollMs = 50;

// The warning about a small screen with large fonts: the check box goes back on OK.
class CResolutionWarningDlg : public CDialog {
  public:
    CResolutionWarningDlg() : CDialog(IDD_RESOLUTION_WARNING) {}
    int m_dontShowAgain = 0;

  protected:
    void OnOK() override {
        if (CWnd* check = GetDlgItem(IDC_RESOLUTION_DONT_SHOW))
            m_dontShowAgain = check->GetCheck() == BST_CHECKED ? 1 : 0;
        CDialog::OnOK();
    }
};

} // namespace

namespace tessaly::base {

HWND FirstWindowOfProcess(DWORD processId, HANDLE process) {
    // Without a display there are no other processes' windows to see.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !processId) return nullptr;
    const DWORD start = platform::GetTickCount();
    for (;;) {
        // The program is ready for input once it shows a window: a toolkit makes hidden
        // windows of its own first, which are the answer only when nothing is ever shown.
        HWND hidden = nullptr;
        for (HWND window : CWnd::EnumTopLevelWindows()) {
            if (CWnd::ProcessIdOf(window) != processId) continue;
            if (tessaly::framework::IsWindowOnScreen(window)) return window;
            if (!hidden) hidden = window;
        }
        DWORD exitCode = 0;
        if (process && platform::GetExitCodeProcess(process, &exitCode) && exitCode != 259)
            return nullptr; // ended without a window
        if (platform::GetTickCount() - start >= kProcessWindowWaitMs) return hidden;
        Delay(kPollMs);
    }
}

} // namespace tessaly::base

void WaitForWindow(CString title) {
    const char* wanted = title;
    while (!CWnd::FindWindow(nullptr, wanted)) {
        if (platform::ApplicationQuitting()) return;
        Delay(kPollMs);
    }
}

void FilterHWNDMessages(HWND window, UINT first, UINT last) {
    tessaly::framework::DispatchPostedMessages(window, first, last);
}

int CheckResolution(int* dontShowAgain) {
    if (dontShowAgain && *dontShowAgain) return -1;
    if (tessaly::framework::ScreenWidth() > 640 || tessaly::framework::ScreenLogicalDpi() < 120)
        return -1;
    tessaly::framework::ManageModuleState state;
    CResolutionWarningDlg dialog;
    const int result = dialog.DoModal();
    if (result == IDOK && dontShowAgain) *dontShowAgain = dialog.m_dontShowAgain;
    return result;
}
