// The password dialogs: entering a password, setting a new one, confirming one.
#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>

#include "dialogs/family_ids.h"
#include "dialogs/password_edit.h"
#include "framework/message_box.h"
#include "framework/module_state.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

// Enter Password: the caption argument, when given, replaces the title.
class CPasswordDlg : public CDialog {
  public:
    CPasswordDlg() : CDialog(static_cast<UINT>(IDD_FAMILY_PASSWORD)) {}

    CString m_caption;
    CString m_password; // empty until OK, so Cancel leaves it empty

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_edit.SubclassDlgItem(IDC_FAMILY_PASSWORD, this);
        if (!m_caption.IsEmpty()) SetWindowText(m_caption);
        m_edit.SetFocus();
        return FALSE;
    }

    void OnOK() override {
        m_password = m_edit.ReadPassword();
        CDialog::OnOK();
    }

  private:
    CPasswordEdit m_edit;
};

// Set Password: both entries must be the same, case included.
class CSetPasswordDlg : public CDialog {
  public:
    CSetPasswordDlg() : CDialog(static_cast<UINT>(IDD_FAMILY_SET_PASSWORD)) {}

    CString m_password;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_edit.SubclassDlgItem(IDC_FAMILY_PASSWORD, this);
        m_confirm.SubclassDlgItem(IDC_FAMILY_PASSWORD_CONFIRM, this);
        m_edit.SetFocus();
        return FALSE;
    }

    void OnOK() override {
        const CString password = m_edit.ReadPassword();
        const CString confirmation = m_confirm.ReadPassword();
        if (password != confirmation) {
            framework::AfxMessageBox(static_cast<UINT>(IDS_PASSWORD_NOT_IDENTICAL), MB_OK);
            FocusAndSelectField(&m_edit);
            return;
        }
        m_password = password;
        CDialog::OnOK();
    }

  private:
    CPasswordEdit m_edit, m_confirm;
};

// Confirm Password: the typed text must equal the expected password exactly.
class CConfirmPasswordDlg : public CDialog {
  public:
    explicit CConfirmPasswordDlg(const char* expected)
        : CDialog(static_cast<UINT>(IDD_FAMILY_CONFIRM_PASSWORD)), m_expected(expected) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_edit.SubclassDlgItem(IDC_FAMILY_INPUT_TEXT, this);
        m_edit.SetFocus();
        return FALSE;
    }

    void OnOK() override {
        if (m_edit.ReadPassword() != m_expected) {
            DisplayMessageBox(static_cast<UINT>(IDS_PASSWORDS_DO_NOT_MATCH), MB_OK, this);
            FocusAndSelectField(&m_edit);
            return;
        }
        CDialog::OnOK();
    }

  private:
    CString m_expected;
    CPasswordEdit m_edit;
};

} // namespace

} // namespace tessaly::dialogs

using namespace tessaly::dialogs;

int ShowPasswordDlg(CString& password, CString caption) {
    tessaly::framework::ManageModuleState state;
    CPasswordDlg dialog;
    dialog.m_caption = caption;
    const int result = dialog.DoModal();
    password = dialog.m_password; // stored in every case (empty when cancelled)
    return result;
}

int ShowSetPasswordDlg(CString& password) {
    tessaly::framework::ManageModuleState state;
    CSetPasswordDlg dialog;
    const int result = dialog.DoModal();
    if (result == IDOK) password = dialog.m_password;
    return result;
}

int ConfirmPassword(const char* expected) {
    tessaly::framework::ManageModuleState state;
    CConfirmPasswordDlg dialog(expected ? expected : "");
    return dialog.DoModal();
}
