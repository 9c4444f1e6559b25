// The mail client's own services: copying its data files to a backup folder with a per-file
// callback, and the data-recovery dialog shown when the client fails at start-up.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>
#include <tessaly/wnd.h>

#include <strings.h>

#include <vector>

#include "dialogs/mailsend_ids.h"
#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "resource.h"

namespace {

namespace companion = tessaly::companion;
namespace p = tessaly::platform;

// The client's data files: two fixed names and four database extensions, any letter case.
bool isMailDataFile(const CString& path) {
    const CString name = GetFileName(path);
    for (const char* fixed : {"Corvane", "ZozizevIre"})
        if (strcasecmp(name.GetString(), fixed) == 0) return true;
    const CString extension = GetFileNameExt(path);
    for (const char* data : {"dat", "dbf", "cdx", "fpt"})
        if (strcasecmp(extension.GetString(), data) == 0) return true;
    return false;
}

// Copies one file; false when the user chose Cancel after a described failure.
bool copyOne(const CString& source, const CString& target) {
    if (!companion::PathExists(source)) return true;
    if (p::CopyFileA(source.GetString(), target.GetString(), FALSE)) return true;
    CString reason;
    if (!ReportLastError(p::GetLastError(), 0x1300, reason)) return true;
    CString text;
    text.FormatMessage(static_cast<UINT>(IDS_COPY_FILE_FAILED), source.GetString(),
                       target.GetString());
    text += "\n\n" + reason;
    return tessaly::framework::AfxMessageBox(text.GetString(), MB_OKCANCEL) != IDCANCEL;
}

class CCorvaneDataRecoveryDlg : public CDialog {
  public:
    CCorvaneDataRecoveryDlg() : CDialog(static_cast<UINT>(IDD_CORVANE_DATA_RECOVERY)) {}

    int sendReceive = 0;
    int dataIntegrity = 0;

  protected:
    BOOL OnCommand(UINT id) override {
        switch (id) {
        case IDC_RECOVERY_RUN_AGAIN:
            EndDialog(IDOK);
            return TRUE;
        case IDC_RECOVERY_SEND_RECEIVE_ON:
            sendReceive = 1;
            return TRUE;
        case IDC_RECOVERY_DATA_INTEGRITY:
            dataIntegrity = 1;
            EndDialog(IDOK);
            return TRUE;
        case IDC_RECOVERY_CANCEL_TOO: // the second "Cancel" does nothing
            return TRUE;
        default:
            return CDialog::OnCommand(id);
        }
    }
};

} // namespace

int BackupCorvaneData(CString source, CString destination, CORVANE_BACKUP_CALLBACK callback) {
    tessaly::framework::ManageModuleState state;
    if (CreateDir(destination) != 0) {
        CString text;
        text.FormatMessage(static_cast<UINT>(IDS_CREATE_FOLDER_FAILED), destination.GetString());
        tessaly::framework::AfxMessageBox(text.GetString(), MB_OK);
        return 0;
    }
    const CString folder = companion::SetDirectorySlashTail(source);
    const CString target = companion::SetDirectorySlashTail(destination);
    p::WIN32_FIND_DATAA found{};
    HANDLE find = p::FindFirstFileA((folder + "*.*").GetString(), &found);
    if (find == INVALID_HANDLE_VALUE) return 1;
    int result = 1;
    do {
        const CString name(found.cFileName);
        if (name == "." || name == ".." || (found.dwFileAttributes & p::FILE_ATTRIBUTE_DIRECTORY))
            continue;
        const CString path = folder + name;
        if (!isMailDataFile(path)) continue;
        const CString copy = target + GetFileName(path);
        if (!copyOne(path, copy) || (callback && callback(path, copy) == 0)) {
            result = 0;
            break;
        }
    } while (p::FindNextFileA(find, &found));
    p::FindClose(find);
    return result;
}

int ShowCorvaneDataRecoveryDlg(int& sendReceive, int& dataIntegrity) {
    tessaly::framework::ManageModuleState state;
    CCorvaneDataRecoveryDlg dialog;
    const int result = static_cast<int>(dialog.DoModal());
    if (result == IDOK) {
        sendReceive = dialog.sendReceive;
        dataIntegrity = dialog.dataIntegrity;
    }
    return result;
}
