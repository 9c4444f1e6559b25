// The password dialogs: entering a password, setting a new one, confirming one.
#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>

#include "dialogs/family_ids.h"
#include "dialogs/password_edit.h"
#include "framework/widgets/message_box.h"
#include "framework/core/module_state.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

// Enter Password: the caption argument, when given, replaces the title.
class CPasswordDlg : public CDialog {
  public:
    CPasswordDlg() : CDialog(static_cast<UINT>(IDD_FAMILY_PASSWORD)) {}

    CString m_caption;
    CString m_password; // empty until OK, so Cancel leaves it empty

    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Password(pDX, IDC_FAMILY_PASSWORD, m_edit, m_password);
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog(); // binds the field
        if (!m_caption.IsEmpty()) SetWindowText(m_caption);
        m_edit.SetFocus();
        return FALSE;
    }

  private:
    CPasswordEdit m_edit;
};

// Set Password: both entries must be the same, case included.
class CSetPasswordDlg : public CDialog {
  public:
    CSetPasswordDlg() : CDialog(static_cast<UINT>(IDD_FAMILY_SET_PASSWORD)) {}

    CString m_password, m_confirmation;

    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Password(pDX, IDC_FAMILY_PASSWORD, m_edit, m_password);
        DDX_Password(pDX, IDC_FAMILY_PASSWORD_CONFIRM, m_confirm, m_confirmation);
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_edit.SetFocus();
        return FALSE;
    }

    void OnOK() override {
        if (!UpdateData(TRUE)) return;
        if (m_password != m_confirmation) {
            framework::AfxMessageBox(static_cast<UINT>(IDS_PASSWORD_NOT_IDENTICAL), MB_OK);
            FocusAndSelectField(&m_edit);
            return;
        }
        EndDialog(IDOK);
    }

  private:
    CPasswordEdit m_edit, m_confirm;
};

// Confirm Password: the typed text must equal the expected password exactly.
class CConfirmPasswordDlg : public CDialog {
  public:
    explicit CConfirmPasswordDlg(const char* expected)
        : CDialog(static_cast<UINT>(IDD_FAMILY_CONFIRM_PASSWORD)), m_expected(expected) {}

    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Password(pDX, IDC_FAMILY_INPUT_TEXT, m_edit, m_typed);
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_edit.SetFocus();
        return FALSE;
    }

    void OnOK() override {
        if (!UpdateData(TRUE)) return;
        if (m_typed != m_expected) {
            DisplayMessageBox(static_cast<UINT>(IDS_PASSWORDS_DO_NOT_MATCH), MB_OK, this);
            FocusAndSelectField(&m_edit);
            return;
        }
        EndDialog(IDOK);
    }

  private:
    CString m_expected, m_typed;
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
