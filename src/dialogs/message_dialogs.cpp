// Message dialogs of the family: the two-choice message on the skin and the long message.
#include <tessaly/dialogs.h>

#include <QTextEdit>

#include "dialogs/family_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/module_state.h"
#include "framework/wnd_internal.h"

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
        if (auto* edit = qobject_cast<QTextEdit*>(control ? control->GetWidget() : nullptr)) {
            // Default character format: Arial, 10 points (200 twips).
            QFont font(QStringLiteral("Arial"));
            font.setPointSize(10);
            edit->document()->setDefaultFont(font);
            edit->setFont(font);
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base,
                             QColor(kMessageBackground & 0xFF, (kMessageBackground >> 8) & 0xFF,
                                    (kMessageBackground >> 16) & 0xFF));
            edit->setPalette(palette);
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
