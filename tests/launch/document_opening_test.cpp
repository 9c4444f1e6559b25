// Opening documents: registered programs, viewers and the PDF reader, files.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/winapp.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <tuple>

#include "../foundation/windows_version.h"
#include "support/outside_programs.h"
#include "support/xvfb.h"

using namespace tessaly::testing;

namespace {

CWinApp theProgram("Lintor"); // the calling program, whose profile holds "Viewer Show"

const char kViewerKey[] = "Viewer.Document\\shell\\open\\command";
const char kAcrobatKey[] = "AcroExch.Document\\Shell\\open\\command";
const char kCommonServer[] = "CLSID\\{A4BD8641-0676-11D6-A1FA-00207800E375}\\InprocServer32";

class DocumentOpening : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        Recorder(prefix_.scratch() + "/viewer", "viewer");
        document = WindowsPath(WriteFile(prefix_.scratch() + "/My Docs/report.doc", "x"));
    }
    std::string document;
};

TEST_F(DocumentOpening, ExecAssociationOpensOrInstallsTheViewer) {
    theProgram.SetRegistryKey("Varnholt");
    const std::string lib = std::string(TESSALY_BUILD_DIR) + "/lib";
    // The command is cut after the program's name and one more character.
    PutRegText(HKEY_CLASSES_ROOT, kViewerKey, "",
               "\"" + WindowsPath(prefix_.scratch()) + "\\Viewer.exe\" \"%1\" /s");
    // The common-services object registered (kind 2 keeps its answer in the caller's option),
    // kind, answer, result, the dialog library's folder.
    const std::tuple<bool, int, int, int, const char*> rows[] = {
        {false, 0, 0, 2, "/none"},
        {false, 1, 0, 1, "/selwin"},
        {true, 2, kSecondButton, 1, "/selwin"},
        {false, 2, 0, 0, "/selwin"},
        {false, 3, kSecondButton, 2, "/selwin"}};
    for (const auto& [common, kind, answer, result, library] : rows) {
        Expect({answer});
        theProgram.WriteProfileInt("Options", "Viewer Show", 0);
        setenv("TESSALY_MODULE_PATH", (lib + ":" + lib + library).c_str(), 1);
        common ? PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", "OfficeCommon.dll")
               : void(DeleteRegKey(HKEY_CLASSES_ROOT, kCommonServer));
        EXPECT_EQ(ExecAssociation(kViewerKey, "Viewer\\setup.exe", document.c_str(), kind), result)
            << kind;
        EXPECT_EQ(seen.size(), answer ? 1u : 0u) << kind;
        EXPECT_EQ(RunsAfter(result == 1 ? 2 : 0),
                  (result == 1 ? Strings{"run viewer", "arg " + document} : Strings{}));
        EXPECT_EQ(theProgram.GetProfileInt("Options", "Viewer Show", 0), common ? 1u : 0u);
    }
    // Nothing registered: the viewer's setup runs (on after the call).
    tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "Viewer.Document");
    Recorder(install + "/Viewer/setup.exe", "setup");
    Expect({});
    EXPECT_EQ(ExecAssociation(kViewerKey, "Viewer\\setup.exe", document.c_str(), 2), 1);
    EXPECT_EQ(RunsAfter(1), Strings{"run setup"});
}

TEST_F(DocumentOpening, ThePdfReaderOpensOrIsOffered) {
    PrivateDisplay display;
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    // The reader's program file of version 5 on old Windows: a warning first.
    std::filesystem::copy_file(std::string(TESSALY_BUILD_DIR) + "/lib/libReader5.so",
                               prefix_.scratch() + "/AcroRd32.exe");
    PutRegText(HKEY_CLASSES_ROOT, kAcrobatKey, "",
               "\"" + WindowsPath(prefix_.scratch()) + "\\AcroRd32.exe\" \"%1\"");
    PresentWindows(1, 4, 0);
    Expect({1401, IDOK});
    EXPECT_EQ(ExecAssociationAcrobat(kAcrobatKey, "rp500enu.exe", "doc", 0), 1);
    EXPECT_TRUE(Seen({"132"}));
    // No reader: its download page offered; its setup run and waited for until its window went.
    tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "AcroExch.Document");
    Expect({610});
    EXPECT_EQ(ExecAssociationAcrobat(kAcrobatKey, "rp500enu.exe", "doc", 0), 1);
    EXPECT_TRUE(Seen({"324"}));
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg https://get.adobe.com/reader/"}));
    WriteScript(install + "/rp500enu.exe", "QT_QPA_PLATFORM=xcb '" + TessalyProgram() +
                                               "' window show --title 'Acrobat Reader Setup' "
                                               "--seconds 1.5 > /dev/null\necho done >> '" +
                                               log + "'");
    Expect({IDOK});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ExecAssociationAcrobat(kAcrobatKey, "rp500enu.exe", "doc", 0), 2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_TRUE(Seen({"323"}));
    EXPECT_EQ(RunsAfter(1), Strings{"done"});
}

TEST_F(DocumentOpening, FilesAndTheCommonServicesObject) {
    // Files through the suite's opener (the shell's own way is the open command's).
    Recorder(install + "/Ostrel", "opener");
    EXPECT_GT(OpenFile(document.c_str(), 1), 32);
    EXPECT_EQ(RunsAfter(2), (Strings{"run opener", "arg " + document}));
    EXPECT_EQ(OpenFile((WindowsPath(prefix_.scratch()) + "\\none.doc").c_str(), 0), 2);
    // The common-services object: registered, and a module without a factory (both null).
    for (const std::string module : {"OfficeCommon.dll", "Brennick.dll"}) {
        PutRegText(HKEY_CLASSES_ROOT, kCommonServer, "", module);
        auto* object = reinterpret_cast<IUnknown*>(1);
        auto* common = reinterpret_cast<IOfficeCommon*>(1);
        const bool made = module == "OfficeCommon.dll";
        EXPECT_EQ(GetOfficeCommonInterface(&object, &common), made ? 1 : 0);
        EXPECT_EQ(std::pair(object != nullptr, common != nullptr), std::pair(made, made));
        ReleaseOfficeCommonInterface(&object, &common);
        EXPECT_TRUE(object == nullptr && common == nullptr);
    }
}

} // namespace
