// The outside-program commands of tessaly: open, assoc, companion.
#include <tessaly/launch.h>

#include <gtest/gtest.h>

#include "support/cli.h"
#include "support/outside_programs.h"

using namespace tessaly::testing;

namespace {

class LaunchCommands : public CliTest<OutsideProgramTest> {
  protected:
    bool Shows(const std::string& text) {
        return RunTessaly({"assoc", "show", "doc"}).out.find(text) != std::string::npos;
    }
};

TEST_F(LaunchCommands, OpenShowTakeOverRestoreAndStart) {
    Associate(".doc", "Word.Document", "word");
    PutRegText(HKEY_LOCAL_MACHINE, "software\\varnholt\\Tessaly\\association\\.doc", "", "Old");
    const std::string doc = WriteFile(prefix_.scratch() + "/a b.doc", "x");
    Expect({{{"open", doc}, 0, ""},
            {{"companion", "start", "gimp", "x"}, 1, "gimp: not installed; not started"}});
    EXPECT_EQ(RunsAfter(2), (Strings{"run word", "arg " + doc}));
    EXPECT_TRUE(Shows("class                  Word.Document\n"));
    EXPECT_TRUE(Shows("before the suite       Old\n"));
    Expect({{{"assoc", "take-over", "--yes"}, 0, "", "1\n"}});
    EXPECT_TRUE(Shows("class                  soffice.StarWriterDocument.6\n"));
    Expect({{{"assoc", "restore", "--yes"}, 0, "", "1\n"}});
    EXPECT_TRUE(Shows("class                  Old\n"));
}

// The machine's office suite and the desktop's PDF viewer, found on a private PATH and in a
// private desktop, registered in the prefix and started through it.
TEST_F(LaunchCommands, RegisterDesktopGivesThePrefixTheMachinesPrograms) {
    Recorder(prefix_.scratch() + "/bin/soffice", "soffice");
    DesktopDefault("application/pdf", "pdfview");
    setenv("PATH", (prefix_.scratch() + "/bin:/usr/bin:/bin").c_str(), 1);
    setenv("DISPLAY", ":99", 1); // the desktop opens files only where there is a display
    const std::string out = RunTessaly({"assoc", "register-desktop"}).out;
    EXPECT_NE(out.find("soffice.StarImpressDocument.6 opens with soffice\n"), std::string::npos);
    EXPECT_NE(out.find("AcroExch.Document opens with the desktop's pdfview.desktop\n"),
              std::string::npos);
    const std::string doc = WriteFile(prefix_.scratch() + "/a b.ppt", "x");
    const std::string pdf = WriteFile(prefix_.scratch() + "/r.pdf", "%PDF-1.4\n");
    CString unused;
    EXPECT_EQ(OpenWithOpenOffice(2, WindowsPath(doc).c_str(), 0, unused), 1);
    EXPECT_EQ(RunsAfter(4), (Strings{"run soffice", "arg -o", "arg -impress", "arg " + doc}));
    OutsideProgramTest::Expect({});
    EXPECT_EQ(ExecAssociationAcrobat("AcroExch.Document\\Shell\\open\\command", "rp500enu.exe",
                                     WindowsPath(pdf).c_str(), 1),
              1);
    EXPECT_EQ(RunsAfter(2), (Strings{"run pdfview", "arg " + pdf}));
}

} // namespace
