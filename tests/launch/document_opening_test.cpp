// Opening documents: registered programs, viewers and the PDF reader, office suite, shell.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/winapp.h>
#include <tessaly/wnd.h>

#include <QMainWindow>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "../foundation/windows_version.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;

namespace {

CWinApp theProgram("Lintor"); // the calling program, whose profile holds "Viewer Show"

const char kViewerKey[] = "Viewer.Document\\shell\\open\\command";
const char kAcrobatKey[] = "AcroExch.Document\\Shell\\open\\command";
const char kCommonServer[] = "CLSID\\{A4BD8641-0676-11D6-A1FA-00207800E375}\\InprocServer32";
const char kLibraryOptions[] = "Software\\Varnholt\\Tessaly\\Options";

// The calling program's main window, noting in the log when it is hidden and shown.
class MainWindow : public QMainWindow {
  public:
    std::string log;

  protected:
    void hideEvent(QHideEvent*) override { std::ofstream(log, std::ios::app) << "hidden\n"; }
    void showEvent(QShowEvent*) override { std::ofstream(log, std::ios::app) << "shown\n"; }
};

class DocumentOpening : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        theProgram.SetRegistryKey("Varnholt");
        Recorder(prefix_.scratch() + "/viewer", "viewer");
        viewer =
            "\"" + WindowsPath(prefix_.scratch()) + "\\Viewer.exe\" \"%1\" /s"; // cut after .exe"
        document = WindowsPath(WriteFile(prefix_.scratch() + "/My Docs/report.doc", "x"));
    }
    void Use(const char* selwin, bool common) {
        const std::string lib = std::string(TESSALY_BUILD_DIR) + "/lib";
        setenv("TESSALY_MODULE_PATH", (lib + ":" + lib + selwin).c_str(), 1);
        common ? PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", "OfficeCommon.dll")
               : void(DeleteRegKey(HKEY_CLASSES_ROOT, kCommonServer));
    }
    std::string viewer, document;
};

TEST_F(DocumentOpening, ExecAssociationOpensOrInstallsTheViewer) {
    MainWindow window;
    window.log = log;
    window.show();
    // The program registered or not; without, the viewer's setup in the installation folder
    // or not. journal: the dialog library's calls, the follow-up's after the setup.
    const struct {
        bool registered;
        int kind, viewerShow;
        bool common, setup;
        const char* selwin;
        int answer, result;
        const char *seen, *journal;
        UINT viewerShowAfter;
    } cases[] = {
        {true, 1, 0, false, false, "/selwin", 0, 1, nullptr, "", 0},
        {true, 2, 0, true, false, "/selwin", kSecondButton, 1, "Show this notice again", "", 1},
        {true, 2, 1, false, false, "/selwin", 0, 1, nullptr, "", 1},
        {true, 2, 0, false, false, "/selwin", 0, 0, nullptr, "", 0},
        {true, 3, 0, false, false, "/selwin", kFirstButton, 1, "will open in the document viewer",
         "ShowTranstoViewerDlg", 0},
        {true, 3, 0, false, false, "/selwin", kSecondButton, 2, "will open in the document viewer",
         "ShowTranstoViewerDlg", 0},
        {true, 3, 0, false, false, "/selwin-partial", 0, 1, nullptr, "", 0},
        {true, 7, 0, false, false, "/selwin", 0, 1, nullptr, "", 0},
        {true, 0, 0, false, false, "/none", 0, 2, nullptr, "", 0},
        {false, 1, 0, false, false, "/selwin", 0, 1, "its setup is not",
         "ShowAccessViewNotFoundDlg", 0},
        {false, 2, 0, true, false, "/selwin", 0, 1, "setup is not in the installation folder", "",
         0},
        {false, 3, 0, false, false, "/selwin", 0, 0, nullptr, "", 0},
        {false, 0, 0, false, true, "/selwin", 0, 1, nullptr, "", 0},
        {false, 1, 0, false, true, "/selwin", 0, 1, "snapshot",
         "ShowInstallViewerMsgDlg 23009,ShowAfterInstallSnapDlg", 0},
        {false, 2, 0, false, true, "/selwin", 0, 1, "document viewer is not installed yet",
         "ShowInstallViewerMsgDlg 193,ShowAfterInstallWordViewerDlg", 0},
    };
    for (const auto& c : cases) {
        Expect({c.answer});
        unlink(journal.c_str());
        Use(c.selwin, c.common);
        PutRegDword(HKEY_CURRENT_USER, "Software\\Varnholt\\Lintor\\Options", "Viewer Show",
                    c.viewerShow);
        PutRegText(HKEY_CLASSES_ROOT, ".doc", "", "Word.Document");
        c.registered
            ? PutRegText(HKEY_CLASSES_ROOT, kViewerKey, "", viewer)
            : void(tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "Viewer.Document"));
        unlink((install + "/Viewer/setup.exe").c_str());
        if (c.setup) Recorder(install + "/Viewer/setup.exe", "setup");
        EXPECT_EQ(ExecAssociation(kViewerKey, "Viewer\\setup.exe", document.c_str(), c.kind),
                  c.result)
            << c.kind;
        EXPECT_TRUE(Seen(c.seen ? Strings{c.seen} : Strings{})) << c.kind;
        // Kinds 0 and 1 start through the shell; the others wait for the program, the main
        // window hidden meanwhile. The viewer's installation runs on after the call.
        Strings runs{"run viewer", "arg " + document};
        if (c.kind >= 2) runs = {"hidden", runs[0], runs[1], "shown"};
        if (!c.registered) runs = {"run setup"};
        const bool ran = c.registered ? c.result == 1 : c.setup;
        EXPECT_EQ(c.registered && c.kind >= 2 ? Lines(log) : RunsAfter(ran ? runs.size() : 0),
                  ran ? runs : Strings{})
            << c.kind;
        const std::string expected = c.journal;
        std::string calls;
        for (const std::string& call :
             RunsAfter(expected.empty() ? 0 : std::count(expected.begin(), expected.end(), ',') + 1,
                       journal))
            calls += (calls.empty() ? "" : ",") + call;
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(GetStringRegistry(HKEY_CLASSES_ROOT, ".doc", "").str(),
                  c.setup && c.kind == 2 ? "Lintor.Document" : "Word.Document");
        EXPECT_EQ(theProgram.GetProfileInt("Options", "Viewer Show", -1), c.viewerShowAfter);
    }
}

TEST_F(DocumentOpening, ThePdfReaderOpensOrIsOffered) {
    // The reader's program file of version 5, for the warning on old Windows.
    std::filesystem::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/libReader5.so",
                               prefix_.scratch() + "/AcroRd32.exe");
    const std::string reader5 = "\"" + WindowsPath(prefix_.scratch()) + "\\AcroRd32.exe\" \"%1\"";
    const struct {
        const char* command; // null: none registered; the old reader only on old Windows
        int mode, flag;
        bool setup;
        int answer, result;
        const char* seen;
        Strings runs;
        DWORD flagAfter;
    } cases[] = {
        {"viewer", 0, 0, false, 0, 1, nullptr, {"run viewer", "arg doc"}, 0},
        {"reader5", 0, 0, false, 1401, 1, "132", {}, 1},
        {"reader5", 0, 1, false, 0, 1, nullptr, {}, 1},
        {"reader5", 1, 0, false, 0, 1, nullptr, {}, 0},
        {nullptr,
         0,
         0,
         false,
         610,
         1,
         "324",
         {"run browser", "arg https://get.adobe.com/reader/"},
         0},
        {nullptr, 1, 0, false, 0, 1, nullptr, {}, 0},
        {nullptr, 0, 0, true, IDCANCEL, 2, "323", {}, 0},
    };
    for (const auto& c : cases) {
        Expect({c.answer, IDOK});
        const bool old = c.command && std::string(c.command) == "reader5";
        old ? PresentWindows(1, 4, 0) : PresentWindows(2, 5, 1);
        PutRegDword(HKEY_CURRENT_USER, kLibraryOptions, "Acrobat in 95", c.flag);
        tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "AcroExch.Document");
        if (c.command) PutRegText(HKEY_CLASSES_ROOT, kAcrobatKey, "", old ? reader5 : viewer);
        unlink((install + "/rp500enu.exe").c_str());
        if (c.setup) Recorder(install + "/rp500enu.exe", "setup");
        EXPECT_EQ(ExecAssociationAcrobat(kAcrobatKey, "rp500enu.exe", "doc", c.mode), c.result);
        EXPECT_TRUE(Seen(c.seen ? Strings{c.seen} : Strings{})) << c.mode;
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs);
        DWORD flag = 0;
        GetRegDWORD(kLibraryOptions, "Acrobat in 95", flag, 0);
        EXPECT_EQ(flag, c.flagAfter);
    }
}

TEST_F(DocumentOpening, TheReaderSetupIsWaitedForUntilItsWindowHasGone) {
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    WriteScript(install + "/rp500enu.exe",
                "QT_QPA_PLATFORM=xcb '" + TessalyProgram() +
                    "' window show --title 'Acrobat Reader Setup' --seconds 1.5 > /dev/null\n"
                    "echo done >> '" +
                    log + "'");
    Expect({IDOK});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ExecAssociationAcrobat("Missing\\command", "rp500enu.exe", "doc", 0), 2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(Seen({"323"}));
    EXPECT_EQ(RunsAfter(1), Strings{"done"}); // the setup has ended
}

TEST_F(DocumentOpening, OfficeDocumentsFilesAndTheCommonServicesObject) {
    const std::string soffice = WindowsPath(Recorder(prefix_.scratch() + "/soffice", "soffice"));
    const std::pair<const char*, std::string> classes[] = {
        {"soffice.StarWriterDocument", "\"" + soffice + "\" -o \"%1\""},
        {"soffice.StarCalcDocument", soffice + " -O \"%1\""},
        {"soffice.StarImpressDocument", "\"" + soffice + "\" -o \"%1\""},
        {"soffice.StarDrawDocument", "\"" + soffice + "\\missing\" -o \"%1\""}};
    for (const auto& [cls, command] : classes) {
        PutRegText(HKEY_CLASSES_ROOT, (std::string(cls) + "\\CurVer").c_str(), "",
                   std::string(cls) + ".6");
        PutRegText(HKEY_CLASSES_ROOT, (std::string(cls) + ".6\\shell\\open\\command").c_str(), "",
                   command);
    }
    const std::pair<int, const char*> kinds[] = {{0, "-writer"}, {1, "-calc"}, {2, "-impress"},
                                                 {3, "-web"},    {4, nullptr}, {-1, nullptr}};
    for (const auto& [kind, option] : kinds) {
        Expect({});
        CString unused;
        EXPECT_EQ(OpenWithOpenOffice(kind, document.c_str(), 0, unused), option ? 1 : 0) << kind;
        const Strings runs = option ? Strings{"run soffice", "arg -o", std::string("arg ") + option,
                                              "arg " + document}
                                    : Strings{};
        EXPECT_EQ(RunsAfter(runs.size()), runs) << kind;
    }
    // Files through the shell, or through the suite's opener.
    Associate(".doc", "Word.Document", "word");
    Recorder(install + "/Ostrel", "opener");
    for (int viaOpener : {0, 1}) {
        Expect({});
        EXPECT_GT(OpenFile(document.c_str(), viaOpener), 32);
        EXPECT_EQ(RunsAfter(2),
                  (Strings{viaOpener ? "run opener" : "run word", "arg " + document}));
    }
    EXPECT_EQ(OpenFile((WindowsPath(prefix_.scratch()) + "\\none.doc").c_str(), 0), 2);
    // The common-services object: registered, not registered, a module without a factory.
    for (const char* module : {"OfficeCommon.dll", "", "Brennick.dll"}) {
        *module ? PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", module)
                : void(DeleteRegKey(HKEY_CLASSES_ROOT, kCommonServer));
        IUnknown* object = reinterpret_cast<IUnknown*>(1);
        IOfficeCommon* common = reinterpret_cast<IOfficeCommon*>(1);
        const int expected = std::string(module) == "OfficeCommon.dll";
        EXPECT_EQ(GetOfficeCommonInterface(&object, &common), expected) << module;
        EXPECT_EQ(object != nullptr && common != nullptr, expected == 1);
        ReleaseOfficeCommonInterface(&object, &common);
        EXPECT_TRUE(object == nullptr && common == nullptr);
    }
}

} // namespace
