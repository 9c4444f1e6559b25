// CPasswordEdit and the one-read-allowed flag.
#include "dialogs/password_edit.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace tessaly::dialogs {

namespace {
// One flag for the process: the dialogs run on the caller's user-interface thread.
bool oneReadAllowed = false;
} // namespace

void CPasswordEdit::AllowOneRead() {
    oneReadAllowed = true;
}

bool CPasswordEdit::IsOneReadAllowed() {
    return oneReadAllowed;
}

BOOL CPasswordEdit::AllowTextRead() const {
    if (!oneReadAllowed) return FALSE;
    oneReadAllowed = false;
    return TRUE;
}

BOOL CPasswordEdit::SubclassDlgItem(UINT id, CWnd* parent) {
    CWnd* control = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
    QWidget* widget = control ? control->GetWidget() : nullptr;
    if (!qobject_cast<QLineEdit*>(widget) && !qobject_cast<QPlainTextEdit*>(widget)) return FALSE;
    return CWnd::SubclassDlgItem(id, parent);
}

CString CPasswordEdit::ReadPassword() const {
    AllowOneRead();
    CString text;
    GetWindowText(text);
    oneReadAllowed = false; // a read that did not reach the field must not leave it open
    return text;
}

void DDX_Password(CDataExchange* pDX, int id, CPasswordEdit& edit, CString& value) {
    DDX_Control(pDX, id, edit);
    if (!pDX->m_bSaveAndValidate) {
        DDX_Text(pDX, id, value);
        return;
    }
    // The one read this field allows: the flag is set just before it and never left set.
    pDX->PrepareEditCtrl(id);
    value = edit.ReadPassword();
}

void FocusAndSelectField(CWnd* edit) {
    QWidget* widget = edit ? edit->GetWidget() : nullptr;
    if (!widget) return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->selectAll();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        plain->selectAll();
        plain->ensureCursorVisible();
    }
}

} // namespace tessaly::dialogs
