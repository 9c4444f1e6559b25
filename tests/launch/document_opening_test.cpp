// Opening documents with the registered program, installing viewers and the PDF reader, the
// office suite's documents, files through the shell, and the common-services object.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/winapp.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "../foundation/windows_version.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using tessaly::testing::OutsideProgramTest;
using tessaly::testing::PutRegDword;
using tessaly::testing::PutRegText;
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;
using Strings = std::vector<std::string>;

namespace {

CWinApp theProgram("Lintor"); // the calling program, whose profile holds "Viewer Show"

const char kViewerKey[] = "Viewer.Document\\shell\\open\\command";
const char kCommonServer[] = "CLSID\\{A4BD8641-0676-11D6-A1FA-00207800E375}\\InprocServer32";
const char kProgramOptions[] = "Software\\Varnholt\\Lintor\\Options";
const char kLibraryOptions[] = "Software\\Varnholt\\Tessaly\\Options";

class DocumentOpening : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        theProgram.SetRegistryKey("Varnholt");
        Recorder(prefix_.scratch() + "/viewer", "viewer");
        viewer = "\"" + WindowsPath(prefix_.scratch()) + "\\Viewer.exe\" \"%1\" /s";
        document = WindowsPath(WriteFile(prefix_.scratch() + "/My Docs/report.doc", "x"));
    }
    void UseSelwin(const char* folder) {
        const std::string lib = std::string(TESSALY_BUILD_DIR) + "/lib";
        setenv("TESSALY_MODULE_PATH", (lib + ":" + lib + folder).c_str(), 1);
    }
    void Journal(size_t lines, const Strings& expected) {
        EXPECT_EQ(RunsAfter(lines, journal), expected);
    }
    std::string Value(HKEY root, const char* key, const char* value) {
        return GetStringRegistry(root, key, value).str();
    }
    std::string viewer, document;
};

TEST_F(DocumentOpening, ExecAssociationWithAProgramRegistered) {
    PutRegText(HKEY_CLASSES_ROOT, kViewerKey, "", viewer);
    const struct {
        int kind, viewerShow;
        bool common;
        const char* selwin;
        std::deque<int> answers;
        int result;
        Strings seen;
        bool started;
        int viewerShowAfter;
    } cases[] = {
        {0, 0, false, "/selwin", {}, 1, {}, true, 0},
        {1, 0, false, "/selwin", {}, 1, {}, true, 0},
        {2, 0, true, "/selwin", {kSecondButton}, 1, {"Show this notice again"}, true, 1},
        {2, 0, true, "/selwin", {kFirstButton}, 1, {"Show this notice again"}, true, 0},
        {2, 1, false, "/selwin", {}, 1, {}, true, 1},
        {2, 0, false, "/selwin", {}, 0, {}, false, 0},
        {3, 0, false, "/selwin", {kFirstButton}, 1, {"will open in the document viewer"}, true, 0},
        {3,
         0,
         false,
         "/selwin",
         {kSecondButton},
         2,
         {"will open in the document viewer"},
         false,
         0},
        {3, 0, false, "/selwin-partial", {}, 1, {}, true, 0},
        {7, 0, false, "/selwin", {}, 1, {}, true, 0},
        {0, 0, false, "/none", {}, 2, {}, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " " << c.selwin);
        unlink(log.c_str());
        seen.clear();
        answers = c.answers;
        UseSelwin(c.selwin);
        PutRegDword(HKEY_CURRENT_USER, kProgramOptions, "Viewer Show", c.viewerShow);
        if (c.common)
            PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", "OfficeCommon.dll");
        else
            DeleteRegKey(HKEY_CLASSES_ROOT, kCommonServer);
        EXPECT_EQ(ExecAssociation(kViewerKey, "", document.c_str(), c.kind), c.result);
        EXPECT_TRUE(Seen(c.seen));
        // Kinds 0 and 1 start through the shell; the others have waited for the program.
        const Strings runs = c.kind < 2 && c.started ? RunsAfter(2) : Runs();
        EXPECT_EQ(runs, (c.started ? Strings{"run viewer", "arg " + document} : Strings{}));
        EXPECT_EQ(theProgram.GetProfileInt("Options", "Viewer Show", -1), UINT(c.viewerShowAfter));
    }
    // The command is cut after ".exe" and the next character (above); without ".exe" it
    // is used whole, in lower case.
    unlink(log.c_str());
    UseSelwin("/selwin");
    PutRegText(HKEY_CLASSES_ROOT, kViewerKey, "",
               "\"" + WindowsPath(prefix_.scratch()) + "\\VIEWER\" /P");
    EXPECT_EQ(ExecAssociation(kViewerKey, "", document.c_str(), 7), 1);
    EXPECT_EQ(Runs(), (Strings{"run viewer", "arg /p", "arg " + document}));
}

TEST_F(DocumentOpening, ExecAssociationWithNothingRegistered) {
    const struct {
        int kind;
        bool setup, common;
        int result;
        Strings seen, journal;
    } cases[] = {
        {1,
         false,
         false,
         1,
         {"snapshot viewer is not installed, and"},
         {"ShowAccessViewNotFoundDlg"}},
        {2, false, true, 1, {"setup is not in the installation folder"}, {}},
        {3, false, false, 0, {}, {}},
        {0, false, false, 1, {}, {}},
        {0, true, false, 1, {}, {}},
        {1,
         true,
         false,
         1,
         {"snapshot viewer is not installed yet"},
         {"ShowInstallViewerMsgDlg 23009", "ShowAfterInstallSnapDlg"}},
        {2,
         true,
         false,
         1,
         {"document viewer is not installed yet"},
         {"ShowInstallViewerMsgDlg 193", "ShowAfterInstallWordViewerDlg"}},
    };
    const char* explorerRtf =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << (c.setup ? " with setup" : ""));
        for (const std::string& file : {log, journal})
            unlink(file.c_str());
        seen.clear();
        PutRegText(HKEY_CLASSES_ROOT, ".doc", "", "Word.Document");
        unlink((install + "/Viewer/setup.exe").c_str());
        if (c.setup) Recorder(install + "/Viewer/setup.exe", "setup");
        if (c.common)
            PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", "OfficeCommon.dll");
        else
            DeleteRegKey(HKEY_CLASSES_ROOT, kCommonServer);
        EXPECT_EQ(
            ExecAssociation("Missing\\command", "Viewer\\setup.exe", document.c_str(), c.kind),
            c.result);
        EXPECT_TRUE(Seen(c.seen));
        // The installation runs on after the call: its setup, then the follow-up notice.
        EXPECT_EQ(RunsAfter(c.setup ? 1 : 0), c.setup ? Strings{"run setup"} : Strings{});
        Journal(c.journal.size(), c.journal);
        const bool documentViewer = c.setup && c.kind == 2;
        EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".doc", ""),
                  documentViewer ? "Lintor.Document" : "Word.Document");
        EXPECT_EQ(Value(HKEY_CURRENT_USER, explorerRtf, "Application"),
                  documentViewer ? "Quorrel.exe" : "");
        if (documentViewer) EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".rtf", ""), "Lintor.Document");
    }
}

TEST_F(DocumentOpening, ThePdfReaderOpensOrIsOffered) {
    // A Reader 5 program file for the warning on old Windows: a module with its version.
    const std::string reader = tessaly::testing::BuildResourceDll(
        prefix_.scratch(), "AcroRd32",
        "1 VERSIONINFO\nFILEVERSION 5,0,1,0\nBEGIN\nBLOCK \"StringFileInfo\"\nBEGIN\nBLOCK "
        "\"040904b0\"\nBEGIN\nVALUE \"FileVersion\", \"5.0.1.2001032700\"\nEND\nEND\nBLOCK "
        "\"VarFileInfo\"\nBEGIN\nVALUE \"Translation\", 0x409, 1200\nEND\nEND\n");
    ASSERT_FALSE(reader.empty());
    ASSERT_EQ(rename(reader.c_str(), (prefix_.scratch() + "/AcroRd32.exe").c_str()), 0);
    const std::string reader5 = "\"" + WindowsPath(prefix_.scratch()) + "\\AcroRd32.exe\" \"%1\"";
    const std::string download = prefix_.scratch() + "/download.log";
    const struct {
        const char* command; // null: none registered
        int windows;         // 1: Windows 95, else XP
        int mode, flag;
        bool setup;
        std::deque<int> answers;
        int result;
        Strings seen, runs;
        int flagAfter;
    } cases[] = {
        {"viewer", 6, 0, 0, false, {}, 1, {}, {"run viewer", "arg doc"}, 0},
        {"viewer", 6, 2, 0, false, {}, 1, {}, {"run viewer", "arg doc"}, 0},
        {"reader5", 1, 0, 0, false, {1401, IDOK}, 1, {"132"}, {}, 1},
        {"reader5", 1, 0, 0, false, {IDOK}, 1, {"132"}, {}, 0},
        {"reader5", 1, 0, 1, false, {}, 1, {}, {}, 1},
        {"reader5", 1, 1, 0, false, {}, 1, {}, {}, 0},
        {nullptr,
         6,
         0,
         0,
         false,
         {610},
         1,
         {"324"},
         {"run browser", "arg https://get.adobe.com/reader/"},
         0},
        {nullptr, 6, 1, 0, false, {}, 1, {}, {}, 0},
        {nullptr, 6, 0, 0, true, {IDCANCEL}, 2, {"323"}, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.command ? c.command : "none") << " mode " << c.mode);
        unlink(log.c_str());
        seen.clear();
        answers = c.answers;
        tessaly::testing::PresentWindows(c.windows == 1 ? 1 : 2, 4 + (c.windows != 1),
                                         c.windows == 1 ? 0 : 1);
        PutRegDword(HKEY_CURRENT_USER, kLibraryOptions, "Acrobat in 95", c.flag);
        if (c.command)
            PutRegText(HKEY_CLASSES_ROOT, "AcroExch.Document\\Shell\\open\\command", "",
                       std::string(c.command) == "viewer" ? viewer : reader5);
        else
            tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "AcroExch.Document");
        unlink((install + "/rp500enu.exe").c_str());
        if (c.setup) Recorder(install + "/rp500enu.exe", "setup");
        EXPECT_EQ(ExecAssociationAcrobat("AcroExch.Document\\Shell\\open\\command", "rp500enu.exe",
                                         "doc", c.mode),
                  c.result);
        EXPECT_TRUE(Seen(c.seen));
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs);
        DWORD flag = 0;
        GetRegDWORD(kLibraryOptions, "Acrobat in 95", flag, 0);
        EXPECT_EQ(flag, DWORD(c.flagAfter));
    }
}

TEST_F(DocumentOpening, TheReaderSetupIsWaitedForUntilItsWindowHasGone) {
    tessaly::testing::PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    tessaly::testing::WriteScript(
        install + "/rp500enu.exe",
        "QT_QPA_PLATFORM=xcb '" + tessaly::testing::TessalyProgram() +
            "' window show --title 'Acrobat Reader Setup' --seconds 1.5 > /dev/null\n"
            "echo done >> '" +
            log + "'");
    for (int mode : {0, 1}) {
        unlink(log.c_str());
        seen.clear();
        answers = {IDOK};
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ExecAssociationAcrobat("Missing\\command", "rp500enu.exe", "doc", mode), 2);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_TRUE(Seen(mode == 0 ? Strings{"323"} : Strings{}));
        EXPECT_EQ(RunsAfter(1), Strings{"done"}); // the setup has ended
    }
}

TEST_F(DocumentOpening, OfficeDocumentsOpenInTheirProgram) {
    const std::string soffice = WindowsPath(Recorder(prefix_.scratch() + "/soffice", "soffice"));
    const struct {
        const char* cls;
        const char* command;
    } classes[] = {{"soffice.StarWriterDocument", "\"%s\" -o \"%%1\""},
                   {"soffice.StarCalcDocument", "%s -O \"%%1\""},
                   {"soffice.StarImpressDocument", "\"%s\" -o \"%%1\""},
                   {"soffice.StarDrawDocument", "\"%s\\missing\" -o \"%%1\""}};
    for (const auto& c : classes) {
        PutRegText(HKEY_CLASSES_ROOT, (std::string(c.cls) + "\\CurVer").c_str(), "",
                   std::string(c.cls) + ".6");
        CString command;
        command.Format(c.command, soffice.c_str());
        PutRegText(HKEY_CLASSES_ROOT, (std::string(c.cls) + ".6\\shell\\open\\command").c_str(), "",
                   command.str());
    }
    const struct {
        int kind, result;
        const char* option;
    } cases[] = {{0, 1, "-writer"}, {1, 1, "-calc"}, {2, 1, "-impress"}, {3, 1, "-web"},
                 {4, 0, nullptr},   {5, 0, nullptr}, {-1, 0, nullptr}};
    for (const auto& c : cases) {
        unlink(log.c_str());
        CString unused;
        EXPECT_EQ(OpenWithOpenOffice(c.kind, document.c_str(), 0, unused), c.result) << c.kind;
        const Strings runs = c.option ? Strings{"run soffice", "arg -o",
                                                std::string("arg ") + c.option, "arg " + document}
                                      : Strings{};
        EXPECT_EQ(RunsAfter(runs.size()), runs) << c.kind;
    }
    DeleteRegKey(HKEY_CLASSES_ROOT, "soffice.StarWriterDocument.6\\shell\\open\\command");
    CString unused;
    EXPECT_EQ(OpenWithOpenOffice(0, document.c_str(), 0, unused), 0);
}

TEST_F(DocumentOpening, OpenFileThroughTheShellOrTheOpener) {
    Associate(".doc", "Word.Document", "word");
    Recorder(install + "/Ostrel", "opener");
    const struct {
        std::string path;
        int viaOpener;
        bool started;
        Strings runs;
    } cases[] = {{document, 0, true, {"run word", "arg " + document}},
                 {document, 1, true, {"run opener", "arg " + document}},
                 {WindowsPath(prefix_.scratch()) + "\\none.doc", 0, false, {}}};
    for (const auto& c : cases) {
        unlink(log.c_str());
        const int result = OpenFile(c.path.c_str(), c.viaOpener);
        EXPECT_EQ(result > 32, c.started) << result;
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs);
    }
    EXPECT_EQ(OpenFile((WindowsPath(prefix_.scratch()) + "\\none.doc").c_str(), 0), 2);
}

TEST_F(DocumentOpening, TheCommonServicesObject) {
    const struct {
        const char* module; // null: class not registered
        int result;
    } cases[] = {{"OfficeCommon.dll", 1}, {nullptr, 0}, {"Brennick.dll", 0}, {"Nowhere.dll", 0}};
    for (const auto& c : cases) {
        if (c.module)
            PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", c.module);
        else
            DeleteRegKey(HKEY_CLASSES_ROOT, kCommonServer);
        IUnknown* object = reinterpret_cast<IUnknown*>(1);
        IOfficeCommon* common = reinterpret_cast<IOfficeCommon*>(1);
        EXPECT_EQ(GetOfficeCommonInterface(&object, &common), c.result)
            << (c.module ? c.module : "none");
        EXPECT_EQ(object != nullptr && common != nullptr, c.result == 1);
        ReleaseOfficeCommonInterface(&object, &common);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(common, nullptr);
    }
}

} // namespace
