// The "E-Mail Infomation" dialog and ShowAddressInfoDlgEx, its editable use.
#include "mail/email_info_dialog.h"

#include <tessaly/controls.h>
#include <tessaly/mail.h>

#include "framework/widgets/message_box.h"
#include "framework/core/module_state.h"
#include "resource.h"

namespace tessaly::mail {

namespace {

// The edit-control read-only switch, on the framework's control for the id or a wrapper.
void setReadOnly(CWnd* control, BOOL readOnly) {
    if (!control) return;
    if (auto* rich = dynamic_cast<CRichEditCtrl*>(control)) {
        rich->SetReadOnly(readOnly);
        return;
    }
    CRichEditCtrl wrapper(control->GetWidget());
    wrapper.SetReadOnly(readOnly);
}

void focus(CWnd* dialog, int id) {
    if (CWnd* control = dialog->GetDlgItem(id)) control->SetFocus();
}

} // namespace

CEmailInfoDlg::CEmailInfoDlg(CWnd* parent) : CDialog(static_cast<UINT>(IDD_EMAIL_INFO), parent) {}

BOOL CEmailInfoDlg::OnInitDialog() {
    CDialog::OnInitDialog(); // the fields into the controls
    if (CWnd* cancel = GetDlgItem(IDCANCEL)) cancel->ShowWindow(m_editable ? SW_SHOW : SW_HIDE);
    setReadOnly(GetDlgItem(IDC_EMAIL_DISPLAY_NAME), m_editable ? FALSE : TRUE);
    setReadOnly(GetDlgItem(IDC_EMAIL_ADDRESS), m_editable ? FALSE : TRUE);
    if (!m_caption.IsEmpty()) SetWindowText(m_caption);
    return TRUE; // the focus goes to the first field
}

void CEmailInfoDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EMAIL_ADDRESS, m_address);
    DDX_Text(pDX, IDC_EMAIL_DISPLAY_NAME, m_displayName);
}

void CEmailInfoDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    if (m_editable) {
        namespace fw = tessaly::framework;
        if (m_displayName.IsEmpty()) {
            fw::AfxMessageBox(IDS_CONTACT_INFO_EMPTY, MB_OK);
            focus(this, IDC_EMAIL_DISPLAY_NAME);
            return;
        }
        if (m_address.IsEmpty()) {
            fw::AfxMessageBox(IDS_CONTACT_INFO_EMPTY, MB_OK);
            focus(this, IDC_EMAIL_ADDRESS);
            return;
        }
        if (!IsValidEMailAddress(m_address)) {
            CString message;
            message.FormatMessage(IDS_MAIL_ADDRESS_INVALID, m_address.GetString());
            fw::AfxMessageBox(message, MB_OK);
            focus(this, IDC_EMAIL_ADDRESS);
            return;
        }
    }
    EndDialog(IDOK);
}

} // namespace tessaly::mail

int ShowAddressInfoDlgEx(const char* caption, CString& name, CString& address, int editable) {
    tessaly::framework::ManageModuleState state;
    tessaly::mail::CEmailInfoDlg dialog;
    dialog.m_caption = caption ? caption : "";
    dialog.m_displayName = name;
    dialog.m_address = address;
    dialog.m_editable = editable;
    const int result = dialog.DoModal();
    if (result == IDOK) {
        name = dialog.m_displayName;
        address = dialog.m_address;
    }
    return result;
}
