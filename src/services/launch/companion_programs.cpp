// Installing the companion programs from their setups, starting installed ones, and starting
// the two mail proxies in the background.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <cctype>
#include <string>

#include "dialogs/launch_ids.h"
#include "dialogs/skin_dialog.h"
#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "launch/launch_internal.h"
#include "platform/files.h"
#include "platform/process.h"
#include "resource.h"

namespace tessaly::launch {

namespace {

namespace p = tessaly::platform;

constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kInnoPath = "Inno Setup: App Path";
constexpr const char* kJavaKey = "Software\\JavaSoft\\Java Runtime Environment";
constexpr const char* kPostManClass = "org.mrbook.mrpostman.gui.MrPostmanGui";
constexpr const char* kPostManTitle = "MrPostMan";
constexpr int kPostManTries = 500;
constexpr UINT kPostManPollMs = 500;

// One companion program: its setups (relative to the installation folder), its uninstall
// entry and value, its program file and the folder adjustment.
struct Program {
    const char* key;
    const char* setup;
    const char* secondSetup;
    const char* uninstallEntry; // null: the key followed by "_is1"
    const char* value;
    const char* file;
    const char* folderSuffix;
};

const Program kPrograms[] = {
    {"openoffice", "\\OpenSource\\OpenOffice Setup\\setup.exe", nullptr, nullptr, kInnoPath, "",
     ""},
    {"ergane", "\\OpenSource\\Ergane Setup\\setup.exe", nullptr, nullptr, kInnoPath, "Ergane.exe",
     ""},
    {"filezilla", "\\OpenSource\\FileZilla Setup\\FileZilla_2_2_6_setup.exe", nullptr, "filezilla",
     "UninstallString", "FileZilla.exe", ""},
    {"gimp", "\\OpenSource\\GIMP Setup\\gtk+-2.2.4-20040124-setup.exe.exe",
     "\\OpenSource\\GIMP Setup\\gimp-2.0.1-setup.exe", "WinGimp-2.0_is1", kInnoPath, "gimp-2.0.exe",
     "\\bin"},
    {"xananews", "\\OpenSource\\XanaNews Setup\\xananews_setup.exe", nullptr, nullptr, kInnoPath,
     "NewsReader3.exe", ""},
    {"skype", "\\OpenSource\\Skype Setup\\SkypeSetup-Beta.exe", nullptr, nullptr, kInnoPath,
     "Skype.exe", ""},
    {"scilab", "\\OpenSource\\SciLab Setup\\scilab272.exe", nullptr, "Scilab 2.7.2_is1", kInnoPath,
     "runscilab.exe", "\\bin"},
    {"tamsel", nullptr, nullptr, "keynote_is1", kInnoPath, "keynote.exe", ""},
    {"abiword", nullptr, nullptr, "Abiword2", "InstallLocation", "abiword\\bin\\abiword.exe", ""},
};

// The row of the key (exact, case-sensitive) or the row every other key gets.
Program programOf(const CString& key) {
    for (const Program& program : kPrograms)
        if (key == program.key) return program;
    return {nullptr, nullptr, nullptr, nullptr, kInnoPath, "", ""};
}

CString uninstallEntry(const Program& program, const CString& key) {
    return program.uninstallEntry ? CString(program.uninstallEntry) : key + "_is1";
}

void showMessage(UINT id, const CString& insert) {
    CString text;
    text.FormatMessage(id, insert.GetString());
    DisplayMessageBox(text, MB_OK);
}

bool exists(const CString& path) {
    return IsFileExist(path) || !p::ResolveProgram(path.str()).empty();
}

int runSetup(const CString& setup) {
    return CmdExec(AddQuotation(setup), 1);
}

constexpr const char* kJavaDownloadPage = "https://www.java.com/download/";

// The notice that the Java runtime is missing; its link opens the runtime's download page.
class CJavaMissingDlg : public tessaly::dialogs::CSkinDialog {
  public:
    CJavaMissingDlg() : CSkinDialog(IDD_JAVA_MISSING) {}

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_JAVA_LINK) {
            ShellOpen(kJavaDownloadPage, "");
            return TRUE;
        }
        return CSkinDialog::OnCommand(id);
    }
};

void showJavaMissing() {
    CJavaMissingDlg notice;
    notice.DoModal();
}

// The process's current folder, changed for the object's lifetime.
class CurrentFolder {
  public:
    explicit CurrentFolder(const CString& folder) {
        char buffer[MAX_PATH] = {};
        p::GetCurrentDirectoryA(MAX_PATH, buffer);
        previous_ = buffer;
        p::SetCurrentDirectoryA(folder);
    }
    ~CurrentFolder() { p::SetCurrentDirectoryA(previous_); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

  private:
    CString previous_;
};

} // namespace

} // namespace tessaly::launch

using namespace tessaly::launch;
namespace companion = tessaly::companion;

int InstallOpenSourceProgram(CString key) {
    tessaly::framework::ManageModuleState state;
    const Program program = programOf(key);
    const CString install = GetInstallDir();
    const CString setup = program.setup ? install + program.setup : CString();
    if (key == "gimp")
        tessaly::platform::SetCurrentDirectoryA(install + "\\OpenSource\\GIMP Setup");
    if (!exists(setup)) {
        showMessage(IDS_FILE_NOT_FOUND, setup);
        return 2;
    }
    WaitCursor cursor;
    runSetup(setup);
    if (program.secondSetup) runSetup(install + program.secondSetup);
    if (key == "ergane") {
        CString folder;
        if (GetRegistryStringValue(HKEY_LOCAL_MACHINE, CString(kUninstall) + key + "_is1",
                                   kInnoPath, folder) &&
            !folder.IsEmpty())
            XCopy(install + "\\OpenSource\\Ergane Setup", folder);
    }
    return 1;
}

int StartOpenSourceProgram(const char* keyText, const char* parameters) {
    tessaly::framework::ManageModuleState state;
    const CString key = keyText ? keyText : "";
    const Program program = programOf(key);
    CString name = key;
    if (!name.IsEmpty())
        name.SetAt(0, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
    CString question;
    question.FormatMessage(IDS_NOT_INSTALLED_ASK, name.GetString());
    CString folder;
    const bool installed =
        GetRegistryStringValue(HKEY_LOCAL_MACHINE,
                               CString(kUninstall) + uninstallEntry(program, key), program.value,
                               folder) &&
        !folder.IsEmpty();
    if (!installed) {
        if (DisplayMessageBox(question, MB_OKCANCEL) != IDOK) return 0;
        ShellOpen(AddQuotation(GetInstallDir() + "\\OstrelSourceInstaller.exe"), "/" + key);
        return 1;
    }
    folder.Remove('"');
    if (key == "filezilla") folder.Replace("uninstall.exe", "");
    folder += program.folderSuffix;
    WaitCursor cursor;
    const CString file = companion::SetDirectorySlashTail(folder) + program.file;
    ShellOpen(AddQuotation(file), AddQuotation(CString(parameters ? parameters : "")));
    return 2;
}

int StartPostMan(int checkOnly, int showErrors) {
    tessaly::framework::ManageModuleState state;
    if (CWnd::FindWindow(kPostManClass, kPostManTitle)) return 1;
    CString version, home;
    if (!companion::GetRegString(kJavaKey, "CurrentVersion", version, 1) || version.IsEmpty() ||
        !companion::GetRegString(CString(kJavaKey) + "\\" + version, "JavaHome", home, 1)) {
        if (showErrors) showJavaMissing();
        return 0;
    }
    const CString javaw = companion::SetDirectorySlashTail(home) + "bin\\javaw.exe";
    if (!exists(javaw)) {
        if (showErrors) showJavaMissing();
        return 0;
    }
    const CString install = companion::SetDirectorySlashTail(GetInstallDir());
    const CString jar = install + "OpenSource\\OpenSourceHTTP\\OpenSourceHTTP.jar";
    if (!exists(jar)) {
        if (showErrors) DisplayMessageBox(IDS_WEBMAIL_AGENT_MISSING, MB_OK);
        return 0;
    }
    if (checkOnly) return 1;
    if (!SetRegString("Software\\JavaSoft\\Prefs\\org\\mrbook\\mrpostman", "/Run/Gui/Start", "true",
                      0)) {
        if (showErrors) DisplayMessageBox(IDS_WEBMAIL_AGENT_MISSING, MB_OK);
        return 0;
    }
    CurrentFolder folder(install + "OpenSource\\OpenSourceHTTP");
    DWORD code = 0;
    if (!ExecProc(AddQuotation(javaw) + " -jar " + AddQuotation(jar), 0, 0, code)) {
        showMessage(IDS_START_FAILED, jar);
        return 0;
    }
    for (int attempt = 0; attempt < kPostManTries; ++attempt) {
        HWND window = CWnd::FindWindow(kPostManClass, kPostManTitle);
        if (window && CWnd::IsWindow(window) && WindowShown(window)) {
            HideWindow(window);
            return 1;
        }
        Delay(kPostManPollMs);
    }
    if (showErrors) showMessage(IDS_START_TIMEOUT, jar);
    return 0;
}

int StartFreePops(int checkOnly, int showErrors) {
    tessaly::framework::ManageModuleState state;
    if (companion::GetProcessID(CString("Rindle") + ".exe")) return 1;
    const CString install = companion::SetDirectorySlashTail(GetInstallDir());
    const CString program = install + "OpenSource\\Rindle\\" + "Rindle" + ".exe";
    if (!companion::PathExists(program)) {
        if (showErrors) DisplayMessageBox(IDS_WEBMAIL_AGENT_MISSING, MB_OK);
        return 0;
    }
    if (checkOnly) return 1;
    {
        CurrentFolder folder(install + "OpenSource\\Rindle");
        DWORD code = 0;
        if (!ExecProc(AddQuotation(program) + " --no-icon", 0, 0, code)) {
            showMessage(IDS_START_FAILED, program);
            return 0;
        }
    }
    Delay(200);
    return 1;
}
