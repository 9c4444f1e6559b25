// Text on the clipboard, in the ANSI code page (the plain text format).
//
// Qt's clipboard has no open and close: within this process it is always there once the
// application exists, and on X11 taking it over cannot be refused. So "cannot open the
// clipboard" here means the process has no clipboard at all (no Qt application could be
// made, or its platform offers none), and "cannot empty" means the clipboard still holds
// text after it was cleared. The window argument only says on whose behalf the clipboard
// is used; it changes nothing.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

#include <tessaly/dialogs.h>

#include "framework/widgets/application.h"
#include "framework/widgets/message_box.h"
#include "framework/core/module_state.h"
#include "framework/widgets/wnd_internal.h"
#include "resource.h"

using namespace tessaly::framework;

namespace {

// The clipboard "opened": null when the process has none.
QClipboard* openClipboard() {
    EnsureApplication();
    return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
}

bool holdsText(const QClipboard* clipboard) {
    const QMimeData* data = clipboard->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

bool emptyClipboard(QClipboard* clipboard) {
    clipboard->clear();
    return !holdsText(clipboard);
}

void putText(const CString& text) {
    ManageModuleState state; // the messages come from the library's string table
    QClipboard* clipboard = openClipboard();
    if (!clipboard) {
        AfxMessageBox(IDS_CLIPBOARD_OPEN_FAILED);
        return;
    }
    if (!emptyClipboard(clipboard)) {
        AfxMessageBox(IDS_CLIPBOARD_EMPTY_FAILED);
        return;
    }
    clipboard->setText(FromAnsi(text.GetString()));
}

CString readText(bool emptyAfter) {
    QClipboard* clipboard = openClipboard();
    if (!clipboard) return CString();
    const CString text =
        holdsText(clipboard) ? CString(ToAnsi(clipboard->text()).c_str()) : CString();
    if (emptyAfter) {
        // The text can be taken only once: the clipboard is emptied shortly after.
        QThread::msleep(100);
        clipboard->clear();
    }
    return text;
}

} // namespace

void SetClipData(CString text) {
    putText(text);
}

void CopyToClipboard(CString text, CWnd* /*window*/) {
    putText(text);
}

void EmptyClipData() {
    if (QClipboard* clipboard = openClipboard()) clipboard->clear();
}

void EmptyClipboard(CWnd* /*window*/) {
    EmptyClipData();
}

CString GetClipBoardString() {
    return readText(false);
}

CString GetClipBoardText(CWnd* /*window*/) {
    return readText(true);
}
