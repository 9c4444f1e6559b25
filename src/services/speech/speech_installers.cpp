// Installing the speech runtime, its language pack and the recognition engine from the
// setups of the installation folder, keeping the caller's windows alive while they run.
#include <tessaly/foundation.h>
#include <tessaly/speech.h>

#include "dialogs/launch_ids.h"
#include "dialogs/skin_dialog.h"
#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "launch/launch_internal.h"

namespace {

namespace launch = tessaly::launch;

constexpr const char* kRuntimeSetup = "\\SPEECHSDK51\\SETUP.EXE";
constexpr const char* kRuntimeTitle = "Microsoft Speech SDK 5.1 - InstallShield Wizard";
constexpr const char* kLanguagePackSetup = "\\SPEECHSDK51\\LanguagePack\\SETUP.EXE";
constexpr const char* kLanguagePackTitle =
    "Microsoft Speech SDK 5.1 Language Pack - InstallShield Wizard";
constexpr const char* kRecognitionSetup = "\\SPEECHSDK5\\SR\\SETUP.EXE";
constexpr const char* kRecognitionTitle = "SAPI 5.1 Speech Recognition - InstallShield Wizard";
constexpr unsigned kWatchTickMs = 3000;
constexpr UINT kNextWindowPauseMs = 5000;

// The installer window being watched: one installation at a time on the calling thread.
CString watchedTitle;

bool userAgrees() {
    tessaly::dialogs::CSkinDialog explanation(IDD_SPEECH_INSTALL);
    return explanation.DoModal() == IDOK;
}

// Starts the setup through the shell and waits until its installer window has gone; the
// shell's error code when it cannot be started, else 0.
int installFrom(const CString& setup, const char* title) {
    const int started = launch::ShellOpen(setup, "");
    if (started <= 32) return started;
    watchedTitle = title;
    launch::WaitForInstallerWindow(watchedTitle, kWatchTickMs);
    return 0;
}

bool isChineseOrJapanese() {
    const int language = GetCurrentLanguage();
    return language == 2052 || (language & 0x3FF) == 17;
}

} // namespace

int InstalledSAPI5() {
    tessaly::framework::ManageModuleState state;
    const CString install = GetInstallDir();
    bool explained = false;
    if (!IsSAPI5Installed() && tessaly::companion::PathExists(install + kRuntimeSetup)) {
        if (!userAgrees()) return -1;
        if (int error = installFrom(install + kRuntimeSetup, kRuntimeTitle)) return error;
        explained = true;
    }
    const bool languagePackPresent = IsSAPI5LangPackInstalled() != 0;
    if (!languagePackPresent && tessaly::companion::PathExists(install + kLanguagePackSetup)) {
        if (!explained && !userAgrees()) return -1;
        if (isChineseOrJapanese())
            if (int error = installFrom(install + kLanguagePackSetup, kLanguagePackTitle))
                return error;
    }
    return languagePackPresent ? 34 : 33;
}

int InstalledSAPI5SR() {
    if (IsSAPI5SRInstalled()) return 34;
    const int started = launch::ShellOpen(GetInstallDir() + kRecognitionSetup, "");
    if (started <= 32) return started;
    watchedTitle = kRecognitionTitle;
    while (!launch::InstallerWindowExists(watchedTitle))
        launch::DispatchMessagesOnce();
    // The setup may close one window and open the next under the same title.
    do {
        while (launch::InstallerWindowExists(watchedTitle))
            launch::DispatchMessagesOnce();
        Delay(kNextWindowPauseMs);
    } while (launch::InstallerWindowExists(watchedTitle));
    return 34;
}
