// The input dialog: one line of text under a prompt.
#include <tessaly/dialogs.h>

#include <algorithm>
#include <cstring>

#include "dialogs/family_ids.h"
#include "dialogs/password_edit.h"
#include "framework/widgets/message_box.h"
#include "framework/core/module_state.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

class CInputDlg : public CDialog {
  public:
    CInputDlg() : CDialog(static_cast<UINT>(IDD_FAMILY_INPUT)) {}

    CString m_text, m_prompt, m_caption;

    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_FAMILY_INPUT_TEXT, m_text);
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog(); // the text into the field
        SetWindowText(m_caption);
        if (CWnd* prompt = GetDlgItem(IDC_FAMILY_INPUT_PROMPT)) prompt->SetWindowText(m_prompt);
        FocusAndSelectField(GetDlgItem(IDC_FAMILY_INPUT_TEXT));
        return FALSE;
    }

    void OnOK() override {
        if (!UpdateData(TRUE)) return;
        if (m_text.IsEmpty()) {
            framework::AfxMessageBox(static_cast<UINT>(IDS_INPUT_EMPTY), MB_OK);
            FocusAndSelectField(GetDlgItem(IDC_FAMILY_INPUT_TEXT));
            return;
        }
        EndDialog(IDOK);
    }
};

} // namespace

} // namespace tessaly::dialogs

int InputDialog(CString& text, CString prompt, CString caption) {
    tessaly::framework::ManageModuleState state;
    CString input;
    input.LoadString(IDS_INPUT);
    tessaly::dialogs::CInputDlg dialog;
    dialog.m_text = text;
    dialog.m_prompt = prompt.IsEmpty() ? input + ":" : prompt;
    dialog.m_caption = caption.IsEmpty() ? input : caption;
    const int result = dialog.DoModal();
    if (result == IDOK) text = dialog.m_text;
    return result;
}

int ShowInputDialog(char* buffer, int maxLength, const char* prompt, const char* caption) {
    CString text(buffer ? buffer : "");
    const int result =
        InputDialog(text, CString(prompt ? prompt : ""), CString(caption ? caption : ""));
    if (result == IDOK && buffer && maxLength >= 0) {
        // The caller provides room for one more character than the maximum.
        const size_t count =
            std::min<size_t>(static_cast<size_t>(maxLength), static_cast<size_t>(text.GetLength()));
        std::memcpy(buffer, text.GetString(), count);
        buffer[count] = '\0';
    }
    return result;
}
