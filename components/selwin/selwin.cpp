// The suite's dialog library of viewer notices: each entry shows its notice in the library's
// message dialog when called on the program's user-interface thread, and notes the call in
// the file SELWIN_JOURNAL names (one line: the entry and its argument), which is how calls
// from other threads are seen. The partial build lacks the confirmation and the after-install
// notices of the document viewer.
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string>

#define SELWIN_ENTRY extern "C" __attribute__((visibility("default")))

namespace {

void note(const std::string& line) {
    const char* journal = std::getenv("SELWIN_JOURNAL");
    if (!journal || !*journal) return;
    if (FILE* file = std::fopen(journal, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

bool onUserInterfaceThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

int notice(const char* entry, const char* text, UINT type = MB_OK | MB_ICONINFORMATION) {
    note(entry);
    return onUserInterfaceThread() ? DisplayMessageBox(text, type) : IDOK;
}

} // namespace

SELWIN_ENTRY int ShowAccessViewNotFoundDlg() {
    return notice("ShowAccessViewNotFoundDlg",
                  "The snapshot viewer is not installed, and its setup is not in the "
                  "installation folder. Please install it from the Orvo disc.");
}

SELWIN_ENTRY int ShowInstallViewerMsgDlg(int which) {
    note("ShowInstallViewerMsgDlg " + std::to_string(which));
    const char* text = which == 23009
                           ? "The snapshot viewer is not installed yet. I will install it now."
                           : "The document viewer is not installed yet. I will install it now.";
    return onUserInterfaceThread() ? DisplayMessageBox(text, MB_OK | MB_ICONINFORMATION) : IDOK;
}

SELWIN_ENTRY int ShowAfterInstallSnapDlg() {
    return notice("ShowAfterInstallSnapDlg", "The snapshot viewer has been installed.");
}

#ifndef SELWIN_PARTIAL
// 1 (OK) opens the document in the viewer; Cancel gives 2, a box that cannot be shown -1.
SELWIN_ENTRY int ShowTranstoViewerDlg() {
    return notice("ShowTranstoViewerDlg",
                  "This document will open in the document viewer, where it can be read and "
                  "printed but not changed.",
                  MB_OKCANCEL | MB_ICONQUESTION);
}

SELWIN_ENTRY int ShowAfterInstallWordViewerDlg() {
    return notice("ShowAfterInstallWordViewerDlg", "The document viewer has been installed.");
}
#endif
