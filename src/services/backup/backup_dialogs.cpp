// The backup settings dialogs (generation backups, and automatic backups with ancestor
// copies), their folder chooser on the folder tree, the clear-folder actions and the two
// explanation dialogs.
#include <cstdlib>
#include <cstring>

#include <tessaly/activex.h>
#include <tessaly/backup.h>
#include <tessaly/controls.h>
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include "dialogs/backup_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/module_state.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "resource.h"

namespace p = tessaly::platform;

namespace tessaly::backup {

namespace {

constexpr int kCallerFolderBuffer = 260; // MAX_PATH: the caller's folder buffer
const char* const kAncestorsFolder = "c:\\Ancestors Backups";
const char* const kGenerationFolders[] = {"Backup", "Grandfather_Backup",
                                          "Greate_Grandfather_Backup"};

CString textOf(const VARIANT& value) {
    VARIANT text{};
    if (VariantChangeType(&text, &value, 0, VT_BSTR) != S_OK) return CString();
    std::u16string wide;
    if (text.bstrVal)
        wide.assign(reinterpret_cast<const char16_t*>(text.bstrVal), SysStringLen(text.bstrVal));
    SysFreeString(text.bstrVal);
    return CString(p::Utf16ToAnsi(wide).c_str());
}

// "Select a folder": the folder tree writes the selection's path into the text box, where
// the user may also type a new folder.
class CFolderChooserDlg : public CDialog {
  public:
    explicit CFolderChooserDlg(const CString& folder, CWnd* parent)
        : CDialog(static_cast<UINT>(IDD_SELECT_FOLDER), parent), folder_(folder) {}
    const CString& Folder() const { return folder_; }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (CWnd* text = GetDlgItem(IDC_FOLDER_TEXT)) text->SetWindowText(folder_);
        if (auto* tree = static_cast<CFolderView*>(GetDlgItem(IDC_FOLDER_TREE)))
            if (!folder_.IsEmpty()) tree->SetSelectedPath(folder_);
        return TRUE;
    }

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        const auto* event = reinterpret_cast<const NMAXEVENT*>(lParam);
        if (wParam != IDC_FOLDER_TREE || !event || event->hdr.code != AXN_EVENT ||
            event->dispid != CFolderView::dispidSelChange || event->count < 1)
            return CDialog::OnNotify(wParam, lParam, result);
        CString path = textOf(event->params[0]);
        // A top-level item (a drive, a special folder) has no backslash after its first
        // character: its shown name stands for it.
        if (path.GetLength() < 2 || std::strchr(path.GetString() + 1, '\\') == nullptr)
            if (auto* tree = static_cast<CFolderView*>(GetDlgItem(IDC_FOLDER_TREE)))
                path = tree->GetAlternativeText();
        if (CWnd* text = GetDlgItem(IDC_FOLDER_TEXT)) text->SetWindowText(path);
        return TRUE;
    }

    void OnOK() override {
        if (CWnd* text = GetDlgItem(IDC_FOLDER_TEXT)) folder_ = text->GetWindowText();
        EndDialog(IDOK);
    }

  private:
    CString folder_;
};

// The explanation dialogs: a text and OK and Cancel, both closing.
class CExplanationDlg : public dialogs::CSkinDialog {
  public:
    explicit CExplanationDlg(UINT id) : CSkinDialog(id) {}
};

// The settings shared by both dialogs: the minutes, the folder and its chooser.
class CBackupSettingsDlg : public dialogs::CSkinDialog {
  public:
    CBackupSettingsDlg(UINT id, int minutes, const CString& folder)
        : CSkinDialog(id), minutes_(minutes), folder_(folder) {}
    int Minutes() const { return minutes_; }
    const CString& Folder() const { return folder_; }

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        CString minutes;
        minutes.Format("%d", minutes_);
        setText(IDC_BACKUP_MINUTES, minutes);
        setText(IDC_BACKUP_FOLDER, folder_);
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        switch (id) {
        case IDC_BACKUP_BROWSE:
            browse();
            return TRUE;
        case IDC_BACKUP_CLEAR:
            readScreen();
            clearGenerations();
            return TRUE;
        default:
            return CSkinDialog::OnCommand(id);
        }
    }

    void OnOK() override {
        readScreen();
        EndDialog(IDOK);
    }

    // The screen's minutes (the text's leading whole number) and folder.
    void readScreen() {
        minutes_ = std::atoi(getText(IDC_BACKUP_MINUTES));
        folder_ = getText(IDC_BACKUP_FOLDER);
    }

    CString getText(int id) const {
        CWnd* control = GetDlgItem(id);
        return control ? control->GetWindowText() : CString();
    }
    void setText(int id, const char* text) {
        if (CWnd* control = GetDlgItem(id)) control->SetWindowText(text);
    }

  private:
    void browse() {
        CFolderChooserDlg chooser(getText(IDC_BACKUP_FOLDER), this);
        if (chooser.DoModal() == IDOK) setText(IDC_BACKUP_FOLDER, chooser.Folder());
    }

    // Removes the three generation folders under the folder; the folder and the files lying
    // directly in it stay.
    void clearGenerations() {
        if (DisplayMessageBox(IDS_ARE_YOU_SURE, MB_OKCANCEL, this) != IDOK) return;
        const CString base = RemoveDirectorySlashTail(folder_);
        for (const char* name : kGenerationFolders) {
            const CString path = base + "\\" + name;
            const DWORD attributes = p::GetFileAttributesA(path);
            if (attributes == p::INVALID_FILE_ATTRIBUTES ||
                !(attributes & p::FILE_ATTRIBUTE_DIRECTORY))
                continue;
            ClearSpace(path);
            p::RemoveDirectoryA(path);
        }
    }

    int minutes_;
    CString folder_;
};

// The automatic-backup settings: on/off for both kinds, the ancestors folder (which must
// exist or be creatable), the ancestors clear action and the search help.
class CAutoBackupSettingsDlg : public CBackupSettingsDlg {
  public:
    CAutoBackupSettingsDlg(int automatic, int ancestors, int minutes, const CString& folder,
                           CStringArray* firstErase, CStringArray* secondErase)
        : CBackupSettingsDlg(IDD_AUTO_BACKUP_SETTINGS, minutes, folder), automatic_(automatic),
          ancestors_(ancestors), firstErase_(firstErase), secondErase_(secondErase) {}
    int Automatic() const { return automatic_; }
    int Ancestors() const { return ancestors_; }

  protected:
    BOOL OnInitDialog() override {
        CBackupSettingsDlg::OnInitDialog();
        setChoice(IDC_AUTO_BACKUP_OFF, IDC_AUTO_BACKUP_ON, automatic_);
        setChoice(IDC_ANCESTORS_OFF, IDC_ANCESTORS_ON, ancestors_);
        if (auto* engines = static_cast<CComboBox*>(GetDlgItem(IDC_SEARCH_ENGINE))) {
            engines->ResetContent();
            engines->AddString("Windows standard Find utility");
            engines->SetCurSel(0);
        }
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        switch (id) {
        case IDC_ANCESTORS_CLEAR:
            clearAncestors();
            return TRUE;
        case IDC_FIND_HELP: {
            CExplanationDlg help(IDD_FIND_HELP);
            help.DoModal();
            return TRUE;
        }
        default:
            return CBackupSettingsDlg::OnCommand(id);
        }
    }

    void OnOK() override {
        readScreen();
        if (Folder().IsEmpty() || CreateDir(Folder()) != 0) {
            DisplayMessageBox(IDS_FOLDER_NAME_INCORRECT, MB_OK, this);
            if (CWnd* text = GetDlgItem(IDC_BACKUP_FOLDER)) text->SetFocus();
            return;
        }
        automatic_ = choice(IDC_AUTO_BACKUP_ON);
        ancestors_ = choice(IDC_ANCESTORS_ON);
        EndDialog(IDOK);
    }

  private:
    void setChoice(int off, int on, int value) {
        if (CWnd* button = GetDlgItem(off)) button->SetCheck(value ? 0 : 1);
        if (CWnd* button = GetDlgItem(on)) button->SetCheck(value ? 1 : 0);
    }
    int choice(int on) const {
        CWnd* button = GetDlgItem(on);
        return button && button->GetCheck() == 1 ? 1 : 0;
    }

    // Empties the default ancestors folder (not the one typed here) and deletes the caller's
    // files; the first list is emptied, the second keeps its entries.
    void clearAncestors() {
        if (DisplayMessageBox(IDS_ARE_YOU_SURE, MB_OKCANCEL, this) != IDOK) return;
        ClearSpace(kAncestorsFolder);
        if (firstErase_) {
            for (int i = 0; i < firstErase_->GetSize(); ++i)
                p::DeleteFileA((*firstErase_)[i]);
            firstErase_->RemoveAll();
        }
        if (secondErase_)
            for (int i = 0; i < secondErase_->GetSize(); ++i)
                p::DeleteFileA((*secondErase_)[i]);
    }

    int automatic_;
    int ancestors_;
    CStringArray* firstErase_;
    CStringArray* secondErase_;
};

} // namespace

} // namespace tessaly::backup

using namespace tessaly::backup;

int ShowBackupSettingsDlg(int& minutes, char* folder) {
    tessaly::framework::ManageModuleState state;
    CBackupSettingsDlg dialog(IDD_BACKUP_SETTINGS, minutes, folder ? folder : "");
    const int result = dialog.DoModal();
    if (result == IDOK) {
        minutes = dialog.Minutes();
        if (folder) {
            std::strncpy(folder, dialog.Folder(), kCallerFolderBuffer - 1);
            folder[kCallerFolderBuffer - 1] = '\0';
        }
    }
    return result;
}

int ShowAutoBackupSettingsDlg(int* automatic, int* ancestors, int* minutes, CString& folder,
                              CStringArray* firstErase, CStringArray* secondErase) {
    tessaly::framework::ManageModuleState state;
    CAutoBackupSettingsDlg dialog(automatic ? *automatic : 0, ancestors ? *ancestors : 0,
                                  minutes ? *minutes : 0, folder, firstErase, secondErase);
    const int result = dialog.DoModal();
    if (result == IDOK) {
        if (automatic) *automatic = dialog.Automatic();
        if (ancestors) *ancestors = dialog.Ancestors();
        if (minutes) *minutes = dialog.Minutes();
        folder = dialog.Folder();
    }
    return result;
}

int ShowhowAutoBackupWorkDlg() {
    tessaly::framework::ManageModuleState state;
    CExplanationDlg dialog(IDD_AUTO_BACKUP_HELP);
    return dialog.DoModal();
}
