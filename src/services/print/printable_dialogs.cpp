// The printable help dialogs: sending an e-mail (159) and installing the mail program (197).
#include <tessaly/print.h>

#include "dialogs/print_ids.h"
#include "framework/core/module_state.h"

namespace tessaly::print {

namespace {

using framework::ManageModuleState;

// How to install the mail program: prints its heading alone.
class CInstallOutlookExpressDlg : public CPrintableDlg {
  public:
    CInstallOutlookExpressDlg() : CPrintableDlg(IDD_INSTALL_OUTLOOK_EXPRESS) {
        m_nCurrentControl = IDC_PRINTABLE_TEXT1;
        m_nLastControl = IDC_PRINTABLE_TEXT1;
    }

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_INSTALL_OE_PRINT) {
            OnFilePrint();
            return TRUE;
        }
        return CPrintableDlg::OnCommand(id);
    }
};

// How to send an e-mail: prints its texts 1501 to 1508, the heading and the steps.
class COutlookHelpDlg : public CPrintableDlg {
  public:
    COutlookHelpDlg() : CPrintableDlg(IDD_OUTLOOK_HELP) {}

  protected:
    BOOL OnInitDialog() override {
        CPrintableDlg::OnInitDialog();
        m_nCurrentControl = IDC_PRINTABLE_TEXT1;
        m_nLastControl = IDC_PRINTABLE_TEXT8;
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_OUTLOOK_HELP_PRINT) {
            // A second print starts from the first text again.
            m_nCurrentControl = IDC_PRINTABLE_TEXT1;
            OnFilePrint();
            return TRUE;
        }
        if (id == IDC_OUTLOOK_HELP_INSTALL) {
            CInstallOutlookExpressDlg install;
            install.DoModal();
            return TRUE;
        }
        return CPrintableDlg::OnCommand(id);
    }
};

} // namespace

} // namespace tessaly::print

int ShowOutlookHelpDlg() {
    tessaly::framework::ManageModuleState state;
    tessaly::print::COutlookHelpDlg dialog;
    return dialog.DoModal();
}
