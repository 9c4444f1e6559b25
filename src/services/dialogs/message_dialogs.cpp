// Message dialogs of the family: the two-choice message on the skin and the long message.
#include <tessaly/dialogs.h>

#include <tessaly/controls.h>

#include <cstring>

#include "dialogs/family_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/module_state.h"

namespace tessaly::dialogs {

namespace {

// The message's own background, a shade off the skin's.
constexpr COLORREF kMessageBackground = RGB(255, 255, 202); // 0xCAFFFF

class CMsgBoxDlg : public CSkinDialog {
  public:
    CMsgBoxDlg() : CSkinDialog(static_cast<UINT>(IDD_FAMILY_MSGBOX)) {}

    CString m_text;

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        CWnd* control = GetDlgItem(IDC_FAMILY_MSGBOX_TEXT);
        if (auto* edit = dynamic_cast<CRichEditCtrl*>(control)) {
            CHARFORMAT format;
            format.dwMask = CFM_FACE | CFM_SIZE;
            format.yHeight = 200; // 10 points
            std::strcpy(format.szFaceName, "Arial");
            edit->SetDefaultCharFormat(format);
            edit->SetBackgroundColor(FALSE, kMessageBackground);
        }
        if (control) control->SetWindowText(m_text);
        return TRUE;
    }
};

class CLongMessageDlg : public CDialog {
  public:
    CLongMessageDlg() : CDialog(static_cast<UINT>(IDD_FAMILY_LONG_MESSAGE)) {}

    CString m_text, m_caption;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (!m_caption.IsEmpty()) SetWindowText(m_caption);
        if (CWnd* text = GetDlgItem(IDC_FAMILY_LONG_TEXT)) text->SetWindowText(m_text);
        return TRUE;
    }
};

} // namespace

} // namespace tessaly::dialogs

int ShowMsgBoxDlg(CString text) {
    tessaly::framework::ManageModuleState state;
    tessaly::dialogs::CMsgBoxDlg dialog;
    dialog.m_text = text;
    return dialog.DoModal();
}

int ShowLongMessageDlg(CString text, CString caption) {
    tessaly::framework::ManageModuleState state;
    tessaly::dialogs::CLongMessageDlg dialog;
    dialog.m_text = text;
    dialog.m_caption = caption;
    return dialog.DoModal();
}
