// Taking the office file associations over and restoring them; the tessaly commands open,
// assoc and companion.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <regex>
#include <tuple>

#include "../foundation/windows_version.h"
#include "support/cli.h"
#include "support/outside_programs.h"

using namespace tessaly::testing;

namespace {

const std::string kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// The associations before the suite came ("[C" class root, "[U" Explorer's), or the installer's
// store of them (Explorer's keys under the extension and "1", the text icon "TxtIcon").
std::string associations(bool store) {
    std::string text =
        "REGEDIT4\n\n[C.rtf]\n@=\"Word.RTF.8\"\n\"Content Type\"=\"application/rtf\"\n"
        "[C.rtf\\ShellNew]\n\"Data\"=hex:7b,5c,72,74,66,7d\n[C.doc]\n@=\"Word.Document.8\"\n"
        "[C.xls]\n@=\"Excel.Sheet.8\"\n[C.zip]\n@=\"CompressedFolder\"\n[C.gz]\n@=\"WinZip\"\n"
        "[C.tar]\n@=\"WinTar\"\n[C.txt]\n@=\"txtfile\"\n"
        "[Ctxtfile\\DefaultIcon]\n@=\"shell32.dll,-152\"\n[C.ppt]\n@=\"PowerPoint.Show.8\"\n"
        "[U.rtf]\n\"Application\"=\"WORDPAD.EXE\"\n[U.doc]\n\"Application\"=\"WINWORD.EXE\"\n"
        "[U.xls]\n\"progid\"=\"Excel.Sheet.8\"\n[U.txt]\n\"progid\"=\"txtfile\"\n"
        "[U.zip]\n\"progid\"=\"CompressedFolder\"\n[U.ppt]\n\"progid\"=\"PowerPoint.Show.8\"\n";
    const std::string to = "[HKEY_LOCAL_MACHINE\\software\\varnholt\\Tessaly\\association\\";
    if (store)
        text =
            std::regex_replace(std::regex_replace(text, std::regex(R"(\[U(\.\w+))"), to + "$011"),
                               std::regex(R"(\[Ctxtfile\\DefaultIcon)"), to + "TxtIcon");
    text = std::regex_replace(text, std::regex(R"(\[U)"), "[HKEY_CURRENT_USER\\" + kExplorer);
    return std::regex_replace(text, std::regex(R"(\[C)"), store ? to : "[HKEY_CLASSES_ROOT\\");
}

using LaunchCommands = CliTest<OutsideProgramTest>;

// Taken over and restored by the commands (which answer every check box), the hives byte for
// byte as before; cancelled or failing, nothing written.
TEST_F(LaunchCommands, AssociationsTakenOverAndRestoredOrLeftAlone) {
    for (bool store : {false, true})
        ASSERT_EQ(tessaly::platform::RegImportText(associations(store)), 0);
    PresentWindows(2, 5, 1); // XP: the Explorer keys are touched
    const auto exported = [&] {
        return RunTessaly({"reg", "export", "HKEY_LOCAL_MACHINE\\Software\\Classes"}).out +
               RunTessaly({"reg", "export", "HKEY_CURRENT_USER\\" + kExplorer}).out;
    };
    const std::string before = exported();
    Expect({{{"assoc", "take-over", "--yes"}, 0, "", "1\n"}});
    EXPECT_NE(RunTessaly({"assoc", "show", "rtf"})
                  .out.find("class                  soffice.StarWriterDocument.6\n"),
              std::string::npos);
    const std::tuple<HKEY, std::string, const char*, const char*> written[] = {
        {HKEY_CLASSES_ROOT, ".rtf", "Content Type", ""}, // the whole key went first
        {HKEY_CURRENT_USER, kExplorer + ".txt", "progid", "Sollet.document"},
    };
    for (const auto& [root, key, value, text] : written)
        EXPECT_EQ(GetStringRegistry(root, key.c_str(), value).str(), text) << key << value;
    Expect({{{"assoc", "restore", "--yes"}, 0, "", "1\n"}});
    EXPECT_EQ(exported(), before);
    // Cancelled in the introduction (189), then in the association dialog (157).
    tessaly::automation::SetMessageBoxHandler(
        [this](const tessaly::automation::MessageBoxInfo& box) {
            seen.push_back(box.text);
            return IDOK;
        });
    OutsideProgramTest::Expect({IDCANCEL});
    EXPECT_EQ(RestoreFileAssociation(), -1);
    EXPECT_TRUE(Seen({"189"}));
    OutsideProgramTest::Expect({IDOK, 1069, 1074, IDCANCEL});
    EXPECT_EQ(RestoreFileAssociation(), IDCANCEL);
    EXPECT_TRUE(Seen({"189", "157"}));
    // The hives may not grow (a read-only file would not stop root): the first write fails, its
    // error is shown and the dialog stays open.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{}, none{0, RLIM_INFINITY};
    getrlimit(RLIMIT_FSIZE, &old);
    OutsideProgramTest::Expect({IDOK, 1069, 1070, 1071, 1072, 1075, 1017, 1074, IDOK});
    setrlimit(RLIMIT_FSIZE, &none);
    const int result = RestoreFileAssociation();
    setrlimit(RLIMIT_FSIZE, &old);
    tessaly::automation::SetMessageBoxHandler(nullptr);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(
        Seen({"189", "157", "An I/O operation initiated by the registry failed unrecoverably."}));
    EXPECT_EQ(exported(), before);
}

TEST_F(LaunchCommands, OpenAndStart) {
    Associate(".doc", "Word.Document", "word");
    const std::string doc = WriteFile(prefix_.scratch() + "/a b.doc", "x");
    Expect({{{"open", doc}, 0, ""},
            {{"companion", "start", "gimp", "x"}, 1, "gimp: not installed; not started"}});
    EXPECT_EQ(RunsAfter(2), (Strings{"run word", "arg " + doc}));
}

// The machine's office suite and the desktop's PDF viewer (on a private PATH and desktop).
TEST_F(LaunchCommands, RegisterDesktopGivesThePrefixTheMachinesPrograms) {
    Recorder(prefix_.scratch() + "/bin/soffice", "soffice");
    DesktopDefault("application/pdf", "pdfview");
    setenv("PATH", (prefix_.scratch() + "/bin:/usr/bin:/bin").c_str(), 1);
    setenv("DISPLAY", ":99", 1); // the desktop opens files only where there is a display
    Expect({{{"assoc", "register-desktop"}, 0, ""}});
    const std::string doc = WriteFile(prefix_.scratch() + "/a b.ppt", "x");
    const std::string pdf = WriteFile(prefix_.scratch() + "/r.pdf", "%PDF-1.4\n");
    const char* options[] = {"-writer", "-calc", "-impress", "-web", "-draw"};
    for (int kind = -1; kind < 5; ++kind) {
        OutsideProgramTest::Expect({});
        CString unused;
        EXPECT_EQ(OpenWithOpenOffice(kind, WindowsPath(doc).c_str(), 0, unused), kind >= 0);
        EXPECT_EQ(RunsAfter(kind >= 0 ? 4 : 0),
                  (kind >= 0 ? Strings{"run soffice", "arg -o", std::string("arg ") + options[kind],
                                       "arg " + doc}
                             : Strings{}));
    }
    OutsideProgramTest::Expect({});
    EXPECT_EQ(ExecAssociationAcrobat("AcroExch.Document\\Shell\\open\\command", "rp500enu.exe",
                                     WindowsPath(pdf).c_str(), 1),
              1);
    EXPECT_EQ(RunsAfter(2), (Strings{"run pdfview", "arg " + pdf}));
}

} // namespace
