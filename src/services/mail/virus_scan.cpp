// Virus scanning through the outside scanner registered under HKLM "SOFTWARE\ClamWin": its
// folder, its configuration file's database and log entries, and one scan of one file.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>

#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "resource.h"

namespace {

namespace companion = tessaly::companion;

constexpr const char* kScannerKey = "SOFTWARE\\ClamWin";
constexpr DWORD kScannerError = 2;
constexpr const char* kDefaultDatabase = "C:\\Documents and Settings\\All Users\\.clamwin\\db";

void showScannerMissing(int show) {
    if (show) DisplayMessageBox(static_cast<UINT>(IDS_SCANNER_NOT_DETECTED), MB_OK);
}

// The registered folder; empty (message 387 when show) when unregistered or empty.
CString scannerFolder(int show) {
    CString folder;
    if (!GetRegistryStringValue(HKEY_LOCAL_MACHINE, kScannerKey, "Path", folder) ||
        folder.IsEmpty()) {
        showScannerMissing(show);
        return CString();
    }
    return folder;
}

// One value of the folder's "ClamWin.conf" (at most 260 bytes, as the profile reader gives).
CString configValue(const CString& folder, const char* section, const char* key,
                    const char* fallback) {
    const CString file = companion::SetDirectorySlashTail(folder) + "ClamWin.conf";
    char value[260] = {};
    tessaly::platform::GetPrivateProfileStringA(section, key, fallback, value, sizeof value,
                                                file.GetString());
    return CString(value);
}

} // namespace

int GetAntiVirusPath(CString& folder, int show) {
    tessaly::framework::ManageModuleState state;
    const CString found = scannerFolder(show);
    if (found.IsEmpty()) return 0;
    if (!companion::PathExists(found)) {
        if (show) {
            CString text;
            text.FormatMessage(static_cast<UINT>(IDS_FILE_NOT_FOUND), found.GetString());
            DisplayMessageBox(text, MB_OK);
        }
        return 0;
    }
    folder = found;
    return 1;
}

int CheckAntiVirusConfigure(CString& scanner, CString& database, int show) {
    tessaly::framework::ManageModuleState state;
    const CString folder = scannerFolder(show);
    if (folder.IsEmpty()) return 0;
    scanner = companion::SetDirectorySlashTail(folder) + "clamscan.exe";
    if (!companion::PathExists(scanner)) {
        showScannerMissing(show);
        return 0;
    }
    database = configValue(folder, "ClamAV", "database", kDefaultDatabase);
    if (database.IsEmpty()) {
        showScannerMissing(show);
        return 0;
    }
    return 1;
}

int CheckAntiVirusReport(CString& updateLog, CString& scanLog, int show) {
    tessaly::framework::ManageModuleState state;
    const CString folder = scannerFolder(show);
    if (folder.IsEmpty()) return 0;
    updateLog = configValue(folder, "Updates", "dbupdatelogfile", "");
    if (updateLog.IsEmpty()) {
        showScannerMissing(show);
        return 0;
    }
    scanLog = configValue(folder, "ClamAV", "logfile", "");
    if (scanLog.IsEmpty()) {
        showScannerMissing(show);
        return 0;
    }
    return 1;
}

DWORD GetVirusDetail(CString scanner, CString database, CString file, CString& report) {
    CString log;
    if (MakeTempFilename(log, "") != 0) return 0;
    // The log name goes unquoted, as the scanner's callers have always passed it.
    const CString command = AddQuotation(scanner) + " --database=" + AddQuotation(database) +
                            " --log=" + log + " " + AddQuotation(file);
    DWORD exitCode = 0;
    // A scanner that cannot be started counts as the scanner's own error code (2), never as
    // a clean file.
    if (!ExecProc(command, 1, 0, exitCode))
        exitCode = kScannerError;
    else if (exitCode == 1)
        report = companion::GetFileText(log);
    tessaly::platform::DeleteFileA(log.GetString());
    return exitCode;
}
