// Taking the office file associations over for the suite, and restoring the ones kept in the
// association store from before the suite was installed.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>

#include <string>

#include "dialogs/launch_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/module_state.h"
#include "platform/registry.h"

namespace tessaly::launch {

namespace {

using dialogs::CSkinDialog;

constexpr const char* kStore = "software\\varnholt\\Tessaly\\association";
constexpr const char* kExplorer =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// One check box of the association dialog: the extension, the class the suite writes, the
// per-user Explorer value it writes (name and text), and the field showing the stored one.
struct Extension {
    const char* name;
    int checkBox;
    int previousField;
    const char* suiteClass;
    const char* explorerValue;
    const char* explorerText;
};

const Extension kExtensions[] = {
    {".rtf", IDC_ASSOC_RTF, IDC_ASSOC_PREVIOUS_RTF, "soffice.StarWriterDocument.6", "Application",
     "soffice.StarWriterDocument.6"},
    {".doc", IDC_ASSOC_DOC, IDC_ASSOC_PREVIOUS_DOC, "soffice.StarWriterDocument.6", "Application",
     "soffice.StarWriterDocument.6"},
    {".xls", IDC_ASSOC_XLS, IDC_ASSOC_PREVIOUS_XLS, "soffice.StarCalcDocument.6", "progid",
     "soffice.StarCalcDocument.6"},
    {".zip", IDC_ASSOC_ZIP, IDC_ASSOC_PREVIOUS_ZIP, "Kavra.Document", "progid", "Kavra.Document"},
    {".txt", IDC_ASSOC_TXT, IDC_ASSOC_PREVIOUS_TXT, "Sollet.Document", "progid", "Sollet.document"},
    {".ppt", IDC_ASSOC_PPT, IDC_ASSOC_PREVIOUS_PPT, "soffice.StarImpressDocument.6", "progid",
     "soffice.StarImpressDocument.6"},
};

bool wholeKey(const Extension& e) {
    const CString name = e.name;
    return name == ".rtf" || name == ".doc" || name == ".xls";
}

CString explorerKey(const char* extension) {
    return CString(kExplorer) + extension;
}

CString storeKey(const char* subkey) {
    return CString(kStore) + "\\" + subkey;
}

class CRestoreAssociationDlg : public CSkinDialog {
  public:
    CRestoreAssociationDlg() : CSkinDialog(IDD_RESTORE_ASSOCIATION) {}

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        for (const Extension& e : kExtensions) {
            if (CWnd* field = GetDlgItem(e.previousField))
                field->SetWindowText(GetStringRegistry(HKEY_LOCAL_MACHINE, storeKey(e.name), ""));
            if (CWnd* box = GetDlgItem(e.checkBox)) box->SetCheck(BST_UNCHECKED);
        }
        if (CWnd* restore = GetDlgItem(IDC_ASSOC_RESTORE)) restore->SetCheck(BST_CHECKED);
        return TRUE;
    }

    void OnOK() override {
        const int version = GetOSVersionEx();
        explorer_ = version == 2 || version == 5 || version == 6;
        const bool toSuite = checked(IDC_ASSOC_SET_SUITE);
        for (const Extension& e : kExtensions) {
            if (!checked(e.checkBox)) continue;
            if (!toSuite) {
                restore(e);
            } else if (!setToSuite(e)) {
                return; // the error was shown; the dialog stays open
            }
        }
        EndDialog(IDOK);
    }

  private:
    bool checked(int id) const {
        CWnd* box = GetDlgItem(id);
        return box && box->GetCheck() == BST_CHECKED;
    }

    // A write of "Set to Orvo": its failure is shown with the system's text.
    static bool written(long code) {
        if (code == ERROR_SUCCESS) return true;
        DisplayErrorText(static_cast<DWORD>(code));
        return false;
    }

    bool setToSuite(const Extension& e) {
        if (wholeKey(e)) platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, e.name);
        if (CString(e.name) == ".zip") {
            for (const char* archive : {".zip", ".gz", ".tar"})
                if (!written(
                        SetStringRegistry(HKEY_CLASSES_ROOT, archive, "", REG_SZ, e.suiteClass)))
                    return false;
        } else if (!written(
                       SetStringRegistry(HKEY_CLASSES_ROOT, e.name, "", REG_SZ, e.suiteClass))) {
            return false;
        }
        if (!explorer_) return true;
        platform::RegDeleteTreeA(HKEY_CURRENT_USER, explorerKey(e.name));
        return written(SetStringRegistry(HKEY_CURRENT_USER, explorerKey(e.name), e.explorerValue,
                                         REG_SZ, e.explorerText));
    }

    // Copies the stored default value of subkey to HKEY_CLASSES_ROOT target with its type and
    // bytes as stored, so a restored value is the one saved; a missing entry writes the
    // value read before (an empty text at first).
    void restoreValue(const char* subkey, const char* target) {
        namespace reg = tessaly::platform;
        HKEY stored = nullptr;
        if (reg::RegOpenKeyExA(HKEY_LOCAL_MACHINE, storeKey(subkey), 0, reg::KEY_READ, &stored) ==
            ERROR_SUCCESS) {
            DWORD type = REG_SZ, size = 0;
            if (reg::RegQueryValueExA(stored, "", nullptr, &type, nullptr, &size) ==
                ERROR_SUCCESS) {
                std::string data(size, '\0');
                if (reg::RegQueryValueExA(stored, "", nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()),
                                          &size) == ERROR_SUCCESS) {
                    value_.assign(data.data(), size);
                    valueType_ = type;
                }
            }
            reg::RegCloseKey(stored);
        }
        HKEY written = nullptr;
        if (reg::RegCreateKeyA(HKEY_CLASSES_ROOT, target, &written) != ERROR_SUCCESS) return;
        reg::RegSetValueExA(written, "", 0, valueType_,
                            reinterpret_cast<const BYTE*>(value_.data()),
                            static_cast<DWORD>(value_.size()));
        reg::RegCloseKey(written);
    }

    void restore(const Extension& e) {
        const CString name = e.name;
        if (wholeKey(e)) {
            platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, e.name);
            CopyKey(HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, storeKey(e.name), e.name);
        } else if (name == ".zip") {
            for (const char* archive : {".zip", ".gz", ".tar"})
                restoreValue(archive, archive);
        } else if (name == ".txt") {
            restoreValue(".txt", ".txt");
            restoreValue("TxtIcon", "txtfile\\DefaultIcon");
        } else {
            restoreValue(e.name, e.name);
        }
        if (!explorer_) return;
        platform::RegDeleteTreeA(HKEY_CURRENT_USER, explorerKey(e.name));
        CopyKey(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, storeKey(name + "1"), explorerKey(e.name));
    }

    bool explorer_ = false;
    // One value for every stored value read, as the procedure reads them.
    std::string value_;
    DWORD valueType_ = REG_SZ;
};

} // namespace

} // namespace tessaly::launch

int RestoreFileAssociation() {
    tessaly::framework::ManageModuleState state;
    tessaly::launch::CSkinDialog introduction(IDD_CHANGE_ASSOCIATION);
    if (introduction.DoModal() != IDOK) return -1;
    tessaly::launch::CRestoreAssociationDlg dialog;
    return dialog.DoModal();
}
