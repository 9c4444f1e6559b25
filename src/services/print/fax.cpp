// The fax dialogs shown around a transmission, the modem's initialisation-string choice, and
// the set-up of the fax printer "Merrow Driver" (made default, or its installer started).
#include <cstdio>
#include <string>

#include <tessaly/foundation.h>
#include <tessaly/printers.h>
#include <tessaly/show_commands.h>

#include "dialogs/fax_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/shell_open.h"
#include "resource.h"

namespace {

namespace p = tessaly::platform;
using tessaly::dialogs::CSkinDialog;
using tessaly::framework::AfxMessageBox;
using tessaly::framework::ManageModuleState;

constexpr const char kFaxPrinter[] = "Merrow Driver";
constexpr const char kFaxInstaller[] = "\\FaxPrinters\\faxinstall.exe";
constexpr const char kFaxProgram[] = "\\Merrow.exe";
constexpr const char kDriverDownloadPage[] = "https://www.varnholt.com/download/faxdriver.htm";
constexpr const char kOptionsKey[] = "Software\\Varnholt\\Tessaly2001\\Options";
constexpr const char kCustomInitValue[] = "Fax Custom Init String";
constexpr DWORD kShortPathRoom = 1000;
constexpr int kCustomModemType = 7;

// The radio button of each modem type, in type order.
constexpr int kModemButtons[] = {IDC_FAX_INIT_DEFAULT,   IDC_FAX_INIT_USR,
                                 IDC_FAX_INIT_USR_ALT,   IDC_FAX_INIT_PRACTICAL,
                                 IDC_FAX_INIT_MULTITECH, IDC_FAX_INIT_MULTITECH_ALT,
                                 IDC_FAX_INIT_HAYES,     IDC_FAX_INIT_CUSTOM};

int shellOpen(const char* file, const char* parameters = nullptr) {
    return int(p::ShellExecuteA(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL));
}

// The help file of the installation folder, opened at its table of contents: the shell's
// viewer of help files stands in for the HTML Help control.
void openHelpFile(const CString& helpFile) {
    shellOpen(GetInstallDir() + "\\" + helpFile);
}

class CFaxErrorDlg : public CSkinDialog {
  public:
    CFaxErrorDlg(UINT templateId, CString helpFile)
        : CSkinDialog(templateId), helpFile_(std::move(helpFile)) {}

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_FAX_HELP) {
            openHelpFile(helpFile_);
            return TRUE;
        }
        return CSkinDialog::OnCommand(id);
    }

  private:
    CString helpFile_;
};

class CFaxInitStringDlg : public CSkinDialog {
  public:
    CFaxInitStringDlg(int modemType, CString custom)
        : CSkinDialog(IDD_FAX_INIT_STRING), type_(modemType), custom_(std::move(custom)) {}

    int type() const { return type_; }
    const CString& custom() const { return custom_; }

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        if (type_ >= 0 && type_ <= kCustomModemType)
            if (CWnd* button = GetDlgItem(kModemButtons[type_])) button->SetCheck(1);
        if (CWnd* field = GetDlgItem(IDC_FAX_INIT_TEXT)) {
            field->SetWindowText(custom_);
            field->EnableWindow(type_ == kCustomModemType);
        }
        return TRUE;
    }
    BOOL OnCommand(UINT id) override {
        for (int type = 0; type <= kCustomModemType; ++type)
            if (int(id) == kModemButtons[type]) {
                type_ = type;
                if (CWnd* field = GetDlgItem(IDC_FAX_INIT_TEXT))
                    field->EnableWindow(type == kCustomModemType);
                return TRUE;
            }
        return CSkinDialog::OnCommand(id);
    }
    void OnOK() override {
        if (CWnd* field = GetDlgItem(IDC_FAX_INIT_TEXT)) custom_ = field->GetWindowText();
        CSkinDialog::OnOK();
    }

  private:
    int type_;
    CString custom_;
};

class CFaxModemDiagnosticsDlg : public CSkinDialog {
  public:
    CFaxModemDiagnosticsDlg(int modemType, CString helpFile, CString custom)
        : CSkinDialog(IDD_FAX_DIAGNOSTICS), type_(modemType), helpFile_(std::move(helpFile)),
          custom_(std::move(custom)) {}

  protected:
    BOOL OnCommand(UINT id) override {
        switch (id) {
        case IDC_FAX_HELP:
            openHelpFile(helpFile_);
            return TRUE;
        case IDC_FAX_CONTROL_PANEL:
            shellOpen("Control.exe");
            return TRUE;
        case IDC_FAX_MODEM_FOLDER:
            shellOpen("Control.exe", "modem.CPL");
            return TRUE;
        case IDC_FAX_FLOW_CONTROL: {
            // The choice lives only while this dialog is open: neither its result nor the
            // registry carries it out.
            CFaxInitStringDlg choice(type_, custom_);
            if (choice.DoModal() == IDOK) type_ = choice.type();
            return TRUE;
        }
        default:
            return CSkinDialog::OnCommand(id);
        }
    }

  private:
    int type_;
    CString helpFile_;
    CString custom_;
};

class CFaxDriverFilesDlg : public CSkinDialog {
  public:
    CFaxDriverFilesDlg() : CSkinDialog(IDD_FAX_DRIVER_FILES) {}

  protected:
    void OnOK() override {
        shellOpen(kDriverDownloadPage);
        CSkinDialog::OnOK();
    }
};

// The short form of an installation file's path; empty (after telling the user the error
// code) when it cannot be had.
CString shortPathOf(const CString& path) {
    char shortPath[kShortPathRoom + 1] = "";
    if (p::GetShortPathNameA(path, shortPath, kShortPathRoom) == 0) {
        char text[64];
        std::snprintf(text, sizeof text, "Error: %ld", long(p::GetLastError()));
        AfxMessageBox(text);
        return CString();
    }
    return CString(shortPath);
}

} // namespace

int ShowFaxErrorDlg(int templateId, CString helpFile) {
    ManageModuleState state;
    CFaxErrorDlg dialog(UINT(templateId), helpFile);
    return dialog.DoModal();
}

int ShowFaxSuccessfulDlg() {
    ManageModuleState state;
    CSkinDialog dialog(IDD_FAX_SUCCESS);
    return dialog.DoModal();
}

int ShowFaxInfoDlg() {
    ManageModuleState state;
    CSkinDialog dialog(IDD_FAX_INFO);
    return dialog.DoModal();
}

int ShowFaxNeedFiles() {
    ManageModuleState state;
    CFaxDriverFilesDlg dialog;
    return dialog.DoModal();
}

int ShowFaxModemDiagnosticsDlg(int modemType, CString helpFile) {
    ManageModuleState state;
    CFaxModemDiagnosticsDlg dialog(modemType, helpFile, GetFaxInitString(kCustomModemType));
    return dialog.DoModal();
}

int ShowFaxInitStringDlg(int& modemType) {
    ManageModuleState state;
    CFaxInitStringDlg dialog(modemType, GetFaxInitString(kCustomModemType));
    const int result = dialog.DoModal();
    if (result != 0) {
        modemType = dialog.type();
        if (modemType == kCustomModemType)
            SetRegString(kOptionsKey, kCustomInitValue, dialog.custom(), 0);
    }
    return result;
}

int OnSetFaxDriver() {
    ManageModuleState state;
    if (FindPrinter(CString(kFaxPrinter))) {
        std::string name = kFaxPrinter;
        DPSetDefaultPrinter(name.data());
        return 1;
    }
    const CString install = GetInstallDir();
    const CString installer = install + kFaxInstaller;
    if (p::GetFileAttributesA(installer) == p::INVALID_FILE_ATTRIBUTES) {
        CFaxDriverFilesDlg dialog;
        dialog.DoModal();
        return 0;
    }
    AfxMessageBox(IDS_FAX_DRIVER_INSTALL, MB_OK);
    const CString shortInstaller = shortPathOf(installer);
    if (shortInstaller.IsEmpty()) return 0;
    const CString shortProgram = shortPathOf(install + kFaxProgram);
    CmdExec(shortInstaller + " Merrow " + shortProgram + " \"" + kFaxPrinter + "\"", 0);
    return 0;
}
