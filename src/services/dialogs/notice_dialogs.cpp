// The notice dialogs: reminders, the style explanation with its printed page, copy choice,
// dialing, the sound wizard, the Escape-key notices, the browser and speech notices, alerts
// and the report to technical support.
#include <tessaly/controls.h>
#include <tessaly/dialogs.h>

#include <memory>

#include "dialogs/choices_ids.h"
#include "dialogs/dont_show_again.h"
#include "dialogs/skin_dialog.h"
#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/print_setup.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

namespace fw = tessaly::framework;
using framework::ManageModuleState;

CString textOf(const CDialog& dialog, int id) {
    CWnd* control = dialog.GetDlgItem(id);
    return control ? control->GetWindowText() : CString();
}

// A notice whose only choices are its buttons: OK, Cancel, and any other button listed,
// which closes the dialog with its own id.
template <typename Base> class CNoticeDlg : public Base {
  public:
    explicit CNoticeDlg(UINT templateId, std::initializer_list<UINT> closing = {})
        : Base(templateId), closing_(closing) {}

  protected:
    BOOL OnCommand(UINT id) override {
        for (UINT closing : closing_)
            if (id == closing) {
                this->EndDialog(static_cast<int>(id));
                return TRUE;
            }
        return Base::OnCommand(id);
    }

  private:
    std::vector<UINT> closing_;
};

int runNotice(UINT templateId, std::initializer_list<UINT> closing = {}) {
    ManageModuleState state;
    CNoticeDlg<CDialog> dialog(templateId, closing);
    return dialog.DoModal();
}

int runSkinNotice(UINT templateId, std::initializer_list<UINT> closing = {}) {
    ManageModuleState state;
    CNoticeDlg<CSkinDialog> dialog(templateId, closing);
    return dialog.DoModal();
}

// ---- Contacts due ----

class CContactsDueDlg : public CDialog {
  public:
    explicit CContactsDueDlg(bool withCancel)
        : CDialog(IDD_CONTACTS_DUE), withCancel_(withCancel) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (CWnd* cancel = GetDlgItem(IDC_CONTACTS_CANCEL))
            cancel->ShowWindow(withCancel_ ? SW_SHOW : SW_HIDE);
        if (!withCancel_) centreTwoButtons();
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_CONTACTS_CANCEL) {
            EndDialog(static_cast<int>(id));
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

  private:
    // Without the third button the other two share the row evenly.
    void centreTwoButtons() {
        CWnd* first = GetDlgItem(IDOK);
        CWnd* second = GetDlgItem(IDCANCEL);
        if (!first || !second) return;
        RECT client, button;
        GetClientRect(&client);
        first->GetWindowRect(&button);
        ScreenToClient(&button);
        const int width = button.right - button.left, height = button.bottom - button.top;
        const int gap = (client.right - 2 * width) / 3;
        first->MoveWindow(gap, button.top, width, height);
        second->MoveWindow(2 * gap + width, button.top, width, height);
    }

    bool withCancel_;
};

int runContactsDue(bool withCancel) {
    ManageModuleState state;
    CContactsDueDlg dialog(withCancel);
    return dialog.DoModal();
}

// ---- What is a style ----

// Texts of the explanation that run straight into the next one (a term and its meaning).
bool runsIntoNext(int id) {
    const int offset = id - IDC_CHOICE_TEXT1 + 1;
    return offset == 2 || offset == 4 || offset == 7 || offset == 9 || offset == 11;
}

class CStyleInfoDlg : public CDialog {
  public:
    CStyleInfoDlg() : CDialog(IDD_STYLE_INFO) {}

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_CHOICE_PRINT_TEXT) {
            if (printExplanation()) EndDialog(IDOK);
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

  private:
    // One page with the explanation's texts; false when nothing was printed.
    bool printExplanation() {
        CString text;
        for (int id = IDC_CHOICE_TEXT1; id < IDC_CHOICE_TEXT1 + 14; ++id) {
            text += textOf(*this, id);
            if (!runsIntoNext(id)) text += "\n\n";
        }
        CString documentName;
        documentName.LoadString(IDS_LABEL_PRINTING);
        return fw::PrintOnePage(documentName, text, IDS_NO_DEFAULT_PRINTER);
    }
};

// ---- Sound wizard ----

class CWizardPage : public CDialog {
  public:
    explicit CWizardPage(UINT templateId) : CDialog(templateId) {}

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == ID_WIZBACK || id == ID_WIZNEXT || id == ID_WIZFINISH) {
            EndDialog(static_cast<int>(id));
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }
};

// ---- Browser component notices ----

// The check box's state is handed back however the notice ends.
class CBrowserNoticeDlg : public CNoticeDlg<CSkinDialog> {
  public:
    explicit CBrowserNoticeDlg(UINT templateId) : CNoticeDlg<CSkinDialog>(templateId) {}

    int m_dontShow = 0;

  protected:
    BOOL OnCommand(UINT id) override {
        if (const auto* box = static_cast<CButton*>(GetDlgItem(IDC_CHOICE_DONT_SHOW)))
            m_dontShow = box->GetCheck();
        return CNoticeDlg<CSkinDialog>::OnCommand(id);
    }
};

int runBrowserNotice(UINT templateId, int* dontShowAgain) {
    ManageModuleState state;
    CBrowserNoticeDlg dialog(templateId);
    const int code = dialog.DoModal();
    if (dontShowAgain) *dontShowAgain = dialog.m_dontShow;
    return code;
}

// ---- Alert message ----

class CAlertMessageDlg : public CDialog {
  public:
    CAlertMessageDlg() : CDialog(IDD_ALERT_MESSAGE) {}

    CString m_text;

  protected:
    // The text goes into the field at start and comes back on OK (the defaults call this).
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_ALERT_TEXT, m_text);
    }
};

// ---- Report to technical support ----

class CTechReportDlg : public CDialog {
  public:
    CTechReportDlg() : CDialog(IDD_TECH_REPORT) {}

    CString m_report;

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_TECH_PRINT) {
            companion::PrintText(pageText());
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

    void OnOK() override {
        m_report = textOf(*this, IDC_TECH_PROBLEM);
        CDialog::OnOK();
    }

  private:
    // The heading, the request and the list's title, then each point and the problem.
    CString pageText() const {
        CString text = textOf(*this, IDC_CHOICE_TEXT1) + "\n\n" +
                       textOf(*this, IDC_CHOICE_TEXT1 + 1) + "\n\n\n" +
                       textOf(*this, IDC_CHOICE_TEXT1 + 2);
        for (int id = IDC_CHOICE_TEXT1 + 3; id <= IDC_CHOICE_TEXT1 + 7; ++id)
            text += "\n\n" + textOf(*this, id);
        text += "\n\n" + textOf(*this, IDC_TECH_PROBLEM);
        return text;
    }
};

} // namespace

} // namespace tessaly::dialogs

using namespace tessaly::dialogs;
using tessaly::framework::ManageModuleState;

int ShowStartDateDlg() {
    return runContactsDue(false);
}

int ShowFollowRemindDlg() {
    return runContactsDue(true);
}

int ShowStyleInfoDlg() {
    ManageModuleState state;
    CStyleInfoDlg dialog;
    return dialog.DoModal();
}

int ShowCopyChoiceDlg() {
    return runSkinNotice(IDD_COPY_CHOICE, {IDC_COPY_ALL});
}

int ShowDialingTipsDlg() {
    return runSkinNotice(IDD_DIALING_TIPS);
}

int ShowDialingTestDlg() {
    return runNotice(IDD_DIALING_TEST);
}

int ShowInsertSoundWizardDlg() {
    ManageModuleState state;
    // The pages follow each other: Next and Back move between them; Finish ends the wizard
    // with its own id, Cancel with 2.
    UINT page = IDD_SOUND_WIZARD1;
    for (;;) {
        CWizardPage dialog(page);
        const int code = dialog.DoModal();
        if (code == ID_WIZNEXT && page == IDD_SOUND_WIZARD1)
            page = IDD_SOUND_WIZARD2;
        else if (code == ID_WIZBACK && page == IDD_SOUND_WIZARD2)
            page = IDD_SOUND_WIZARD1;
        else
            return code;
    }
}

int ShowOpenWithLintorDlg() {
    return runNotice(IDD_OPEN_WITH_LINTOR);
}

int ShowEascapeDlg() {
    ManageModuleState state;
    CDontShowAgainDlg<CDialog> dialog(IDD_ESCAPE_KEY, "Escape Key", IDC_CHOICE_DONT_SHOW);
    return dialog.DoModal();
}

int ShowPracticeEscapeDlg() {
    return runNotice(IDD_PRACTICE_ESCAPE);
}

int ShowNeedIEDialog(int* dontShowAgain) {
    return runBrowserNotice(IDD_NEED_IE, dontShowAgain);
}

int IEFirstInstallDialog(int* dontShowAgain) {
    return runBrowserNotice(IDD_IE_FIRST_INSTALL, dontShowAgain);
}

int ShowXPSpeechMsgDlg() {
    return runNotice(IDD_XP_SPEECH);
}

int ShowAlertMessageDlg(CStringArray& texts) {
    ManageModuleState state;
    CAlertMessageDlg dialog;
    if (texts.GetSize() > 0) dialog.m_text = texts[0];
    const int code = dialog.DoModal();
    if (code == IDOK) {
        texts.RemoveAll();
        texts.Add(dialog.m_text);
    }
    return code;
}

int ShowCorvaneTechDlg(CString& report) {
    ManageModuleState state;
    CTechReportDlg dialog;
    const int code = dialog.DoModal();
    if (code == IDOK) report = dialog.m_report;
    return code;
}
