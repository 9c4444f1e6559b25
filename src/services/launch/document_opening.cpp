// Opening documents with the program registered for them, installing a viewer or the PDF
// reader when none is, opening in the office suite, and the common-services object.
#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/show_commands.h>
#include <tessaly/winapp.h>

#include <chrono>
#include <string>
#include <thread>

#include "dialogs/dont_show_again.h"
#include "dialogs/launch_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/app.h"
#include "framework/core/module_state.h"
#include "launch/launch_internal.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/module.h"
#include "platform/process.h"

namespace tessaly::launch {

namespace {

namespace p = tessaly::platform;
using dialogs::CSkinDialog;
using framework::ManageModuleState;

constexpr int kViewerNoticeSnapshot = 23009;
constexpr int kViewerNoticeDocument = 193;
constexpr const char* kReaderSetupTitle = "Acrobat Reader Setup";
constexpr const char* kReaderDownloadPage = "https://get.adobe.com/reader/";
constexpr const char* kReader5Version = "5.0.1.2001032700";

// The dialog library "Selwin.dll": entries are looked up by name and a missing one is never
// called (its result counts as 0).
class DialogLibrary {
  public:
    DialogLibrary() : module_(p::LoadLibraryA("Selwin.dll")) {}
    ~DialogLibrary() {
        if (module_) p::FreeLibrary(module_);
    }
    DialogLibrary(const DialogLibrary&) = delete;
    DialogLibrary& operator=(const DialogLibrary&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    bool Has(const char* entry) const { return module_ && p::GetProcAddress(module_, entry); }
    int Call(const char* entry) const {
        auto function = reinterpret_cast<int (*)()>(Find(entry));
        return function ? function() : 0;
    }
    int Call(const char* entry, int argument) const {
        auto function = reinterpret_cast<int (*)(int)>(Find(entry));
        return function ? function(argument) : 0;
    }

  private:
    void* Find(const char* entry) const {
        return module_ ? p::GetProcAddress(module_, entry) : nullptr;
    }
    HMODULE module_;
};

// A setup, program or document file as the platform's file search finds it: trailing blanks
// do not count (as the system's path rules drop them) and a missing "x.exe" stands for "x".
bool fileFound(CString path) {
    path.TrimRight();
    if (path.IsEmpty()) return false;
    return IsFileExist(path) || !p::ResolveProgram(path.str()).empty();
}

CString installedFile(const CString& relative) {
    return GetInstallDir() + "\\" + relative;
}

// The calling program's "Viewer Show" option (0 without an application object).
int viewerShow() {
    CWinApp* app = framework::CallerApp();
    return app ? static_cast<int>(app->GetProfileInt("Options", "Viewer Show", 0)) : 0;
}

void setViewerShow(int value) {
    if (CWinApp* app = framework::CallerApp())
        app->WriteProfileInt("Options", "Viewer Show", value);
}

// Creates the common-services object, lets the slot act and releases it; false when the
// object cannot be created.
template <typename Slot> bool withCommonServices(Slot slot) {
    IUnknown* object = nullptr;
    IOfficeCommon* common = nullptr;
    if (!GetOfficeCommonInterface(&object, &common)) return false;
    slot(*common);
    ReleaseOfficeCommonInterface(&object, &common);
    return true;
}

// Runs the command line and waits for it with the caller's main window hidden.
void runAndWait(const CString& commandLine) {
    HiddenMainWindow hidden;
    CmdExec(commandLine, 1);
}

// The viewer installation task: runs the setup, waits for it, shows the follow-up notice and,
// for a document viewer, gives it the word-processing types.
int installViewer(std::string setupPath, int kind) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    p::STARTUPINFOA startup{sizeof(p::STARTUPINFOA), 0, 0};
    p::PROCESS_INFORMATION info{};
    if (!p::CreateProcessA(nullptr, setupPath.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &info))
        return 2;
    DWORD code = STILL_ACTIVE;
    // The task owns no windows, so there are no messages of its own to dispatch.
    while (p::GetExitCodeProcess(info.hProcess, &code) && code == STILL_ACTIVE)
        p::WaitForSingleObject(info.hProcess, 50);
    p::CloseHandle(info.hThread);
    p::CloseHandle(info.hProcess);
    DialogLibrary library;
    if (!library.Loaded()) return 0;
    if (kind == 1) {
        library.Call("ShowAfterInstallSnapDlg");
    } else if (kind != 0) {
        library.Call("ShowAfterInstallWordViewerDlg");
        SetStringRegistry(HKEY_CLASSES_ROOT, ".doc", "", REG_SZ, "Lintor.Document");
        SetStringRegistry(HKEY_CLASSES_ROOT, ".rtf", "", REG_SZ, "Lintor.Document");
        SetStringRegistry(HKEY_CURRENT_USER,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf",
                          "Application", REG_SZ, "Quorrel.exe");
    }
    return 0;
}

// ---- The PDF reader's dialogs ----

class CReaderMissingDlg : public CSkinDialog {
  public:
    CReaderMissingDlg() : CSkinDialog(IDD_READER_MISSING) {}

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_READER_DOWNLOAD) {
            ShellOpen(kReaderDownloadPage, "");
            EndDialog(-1);
            return TRUE;
        }
        return CSkinDialog::OnCommand(id);
    }
};

} // namespace

} // namespace tessaly::launch

using namespace tessaly::launch;

int ExecAssociation(CString commandKey, CString viewerSetup, CString document, int viewerKind) {
    DialogLibrary library;
    if (!library.Loaded()) return 2;
    const CString command = RegisteredCommand(commandKey);
    const CString argument = DocumentArgument(document);
    if (!command.IsEmpty()) {
        switch (viewerKind) {
        case 0:
        case 1:
            ShellOpen(command, argument);
            return 1;
        case 2:
            if (viewerShow() == 0) {
                int show = 0;
                if (!withCommonServices([&](IOfficeCommon& c) { c.QueryViewerShow(&show); }))
                    return 0;
                setViewerShow(show);
            }
            break;
        case 3:
            // Without its confirmation entry the library cannot ask; the document still opens.
            if (library.Has("ShowTranstoViewerDlg")) {
                const int answer = library.Call("ShowTranstoViewerDlg");
                if (answer != 1) return answer;
            }
            break;
        default:
            break;
        }
        runAndWait(command + argument);
        return 1;
    }
    const CString setup = installedFile(viewerSetup);
    if (!fileFound(setup)) {
        if (viewerKind == 1) {
            library.Call("ShowAccessViewNotFoundDlg");
        } else if (viewerKind == 2 || viewerKind == 3) {
            if (!withCommonServices([](IOfficeCommon& c) { c.ReportViewerMissing(); })) return 0;
        }
        return 1;
    }
    if (viewerKind == 1)
        library.Call("ShowInstallViewerMsgDlg", kViewerNoticeSnapshot);
    else if (viewerKind == 2 || viewerKind == 3)
        library.Call("ShowInstallViewerMsgDlg", kViewerNoticeDocument);
    std::thread(installViewer, setup.str(), viewerKind).detach();
    return 1;
}

int ExecAssociationAcrobat(CString commandKey, CString readerSetup, CString document, int mode) {
    tessaly::framework::ManageModuleState state;
    const CString command = RegisteredCommand(commandKey);
    const CString argument = DocumentArgument(document);
    if (!command.IsEmpty()) {
        const int version = GetOSVersionEx();
        if ((version == 0 || version == 1) && mode == 0) {
            CString program = command;
            program.Remove('"');
            if (GetVersionInfo(program, "FileVersion") == kReader5Version) {
                tessaly::dialogs::CDontShowAgainDlg<CSkinDialog> warning(
                    IDD_READER_WIN95, "Acrobat in 95", IDC_READER_WIN95_DONT_SHOW);
                warning.DoModal();
            }
        }
        if (mode == 0 || mode == 1)
            ShellOpen(command, argument);
        else
            runAndWait(command + argument);
        return 1;
    }
    const CString setup = installedFile(readerSetup);
    if (!fileFound(setup)) {
        if (mode == 0) {
            CReaderMissingDlg missing;
            missing.DoModal();
        }
        return 1;
    }
    if (mode == 0) {
        tessaly::dialogs::CSkinDialog offer(IDD_INSTALL_READER);
        if (offer.DoModal() != IDOK) return 2;
    }
    // A setup the shell cannot start never shows its window: nothing to wait for.
    if (ShellOpen(setup, "") > 32) WaitForInstallerWindow(kReaderSetupTitle, 200);
    return 2;
}

int OpenWithOpenOffice(int kind, CString path, int, CString&) {
    struct Kind {
        const char* classKey;
        const char* option;
    };
    static const Kind kinds[] = {{"soffice.StarWriterDocument\\CurVer", "-writer"},
                                 {"soffice.StarCalcDocument\\CurVer", "-calc"},
                                 {"soffice.StarImpressDocument\\CurVer", "-impress"},
                                 {"soffice.StarWriterDocument\\CurVer", "-web"},
                                 {"soffice.StarDrawDocument\\CurVer", "-draw"}};
    const bool known = kind >= 0 && kind <= 4;
    const char* classKey = known ? kinds[kind].classKey : "";
    const char* option = known ? kinds[kind].option : "";
    CString current, command;
    if (!known || !GetRegistryStringValue(HKEY_CLASSES_ROOT, classKey, "", current)) return 0;
    if (!GetRegistryStringValue(HKEY_CLASSES_ROOT, current + "\\shell\\open\\command", "", command))
        return 0;
    int cut = command.Find("-o");
    if (cut < 0) cut = command.Find("-O");
    if (cut >= 0) command = command.Left(cut);
    command.Remove('"');
    if (!fileFound(command)) return 0;
    ShellOpen(command, CString("-o ") + option + " " + AddQuotation(path));
    return 1;
}

int OpenFile(const char* path, int viaOpener) {
    const CString quoted = AddQuotation(CString(path));
    if (!viaOpener) return ShellOpen(quoted, "");
    return ShellOpen(GetInstallDir() + "\\Ostrel", quoted);
}

int GetOfficeCommonInterface(IUnknown** object, IOfficeCommon** common) {
    IUnknown* created = nullptr;
    if (common) *common = nullptr;
    if (object) *object = nullptr;
    if (!object || !common) return 0;
    if (tessaly::platform::CoCreateInstance(CLSID_OfficeCommon, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IUnknown, reinterpret_cast<void**>(&created)) < 0 ||
        !created)
        return 0;
    IOfficeCommon* asked = nullptr;
    if (created->QueryInterface(IID_IOfficeCommon, reinterpret_cast<void**>(&asked)) < 0 ||
        !asked) {
        created->Release();
        return 0;
    }
    *object = created;
    *common = asked;
    return 1;
}

void ReleaseOfficeCommonInterface(IUnknown** object, IOfficeCommon** common) {
    if (common && *common) (*common)->Release();
    if (common) *common = nullptr;
    if (object && *object) (*object)->Release();
    if (object) *object = nullptr;
}
