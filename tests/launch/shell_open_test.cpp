// The shell's open: programs, documents through the prefix's associations and the desktop's,
// the shell's error codes, and no shell interpreter in between.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell_open.h"
#include "support/outside_programs.h"

namespace p = tessaly::platform;
using tessaly::testing::OutsideProgramTest;
using tessaly::testing::PutRegText;
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;

namespace {

using ShellOpen = OutsideProgramTest;

TEST_F(ShellOpen, ProgramsDocumentsAndErrorCodes) {
    const std::string tool = WindowsPath(Recorder(prefix_.scratch() + "/tool", "tool"));
    const std::string docs = prefix_.scratch() + "/docs/";
    // Shell syntax, blanks, a percent sign and a Windows-1252 letter (0xC4) in the name.
    const std::string trap = "a;$(touch pwned)`touch pwned2` x%1";
    ASSERT_EQ(chdir(prefix_.scratch().c_str()),
              0); // where a shell would have made the traps' files
    WriteFile(docs + trap + "\xC3\x84.txt", "x");
    WriteFile(docs + "README", "x");
    WriteFile(docs + "setup.exe", "x");
    chmod(WriteFile(docs + "broken", std::string("\x7f"
                                                 "ELF\x02\x01\x01",
                                                 7))
              .c_str(),
          0755);
    WriteFile(docs + "letter.rtf", "x");
    WriteFile(docs + "essay.odt", "x");
    Associate(".txt", "txtfile", "viewer");
    Associate(".rtf", "rtffile", "classroot");
    // The per-user choice of the Explorer wins over the class root's.
    Associate(".chosen", "Chosen.Document", "chosen");
    PutRegText(HKEY_CURRENT_USER,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf", "Progid",
               "Chosen.Document");
    // A class without a command of its own follows its current version.
    PutRegText(HKEY_CLASSES_ROOT, ".odt", "", "Writer");
    PutRegText(HKEY_CLASSES_ROOT, "Writer\\CurVer", "", "Writer.6");
    Associate(".odt6", "Writer.6", "writer");
    const std::string win = WindowsPath(docs);
    const std::string hostile = win + trap + "\xC4.txt";
    struct Case {
        std::string file, parameters;
        intptr_t code;
        std::vector<std::string> runs;
    } const cases[] = {
        {tool, "a \"b c\"", 42, {"run tool", "arg a", "arg b c"}},
        {tool + ".exe", "", 42, {"run tool"}},
        {" \"" + tool + "\" ", "x", 42, {"run tool", "arg x"}},
        {hostile, "", 42, {"run viewer", "arg " + win + trap + "\xC3\x84.txt"}},
        {win + "letter.rtf", "", 42, {"run chosen", "arg " + win + "letter.rtf"}},
        {win + "essay.odt", "", 42, {"run writer", "arg " + win + "essay.odt"}},
        {win + "README", "", p::SE_ERR_NOASSOC, {}},
        {win + "missing.txt", "", p::SE_ERR_FNF, {}},
        {win + "nowhere\\missing.txt", "", p::SE_ERR_PNF, {}},
        {win + "setup.exe", "", p::SE_ERR_ACCESSDENIED, {}},
        {win + "broken", "", p::SE_ERR_BAD_FORMAT, {}},
        {"", "", p::SE_ERR_FNF, {}},
    };
    for (const Case& c : cases) {
        unlink(log.c_str());
        EXPECT_EQ(
            p::ShellExecuteA(nullptr, "open", c.file.c_str(), c.parameters.c_str(), nullptr, 1),
            c.code)
            << c.file;
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs) << c.file;
    }
    EXPECT_NE(access((prefix_.scratch() + "/pwned").c_str(), F_OK), 0);
    EXPECT_NE(access((prefix_.scratch() + "/pwned2").c_str(), F_OK), 0);
}

TEST_F(ShellOpen, TheDesktopsChoiceWhenThePrefixHasNone) {
    const std::string xdg = prefix_.scratch() + "/xdg";
    WriteFile(xdg + "/applications/desk.desktop",
              "[Desktop Entry]\nType=Application\nName=Desk\nExec=" +
                  Recorder(prefix_.scratch() + "/desk", "desk") + " %f\n");
    WriteFile(xdg + "/mimeapps.list", "[Default Applications]\ntext/plain=desk.desktop\n");
    setenv("DISPLAY", ":99", 1); // the desktop opens files only where there is a display
    const std::string notes = WriteFile(prefix_.scratch() + "/notes.txt", "plain text\n");
    const std::string letter = WriteFile(prefix_.scratch() + "/letter.rtf", "plain text\n");
    EXPECT_EQ(p::DesktopDefaultFor(notes), "desk.desktop");
    EXPECT_EQ(p::ShellExecuteA(nullptr, "open", WindowsPath(notes).c_str(), nullptr, nullptr, 1),
              42);
    EXPECT_EQ(RunsAfter(2), (std::vector<std::string>{"run desk", "arg " + notes}));
    // The prefix's association wins over the desktop's.
    unlink(log.c_str());
    Associate(".rtf", "rtffile", "prefix");
    EXPECT_EQ(p::ShellExecuteA(nullptr, nullptr, WindowsPath(letter).c_str(), nullptr, nullptr, 1),
              42);
    EXPECT_EQ(RunsAfter(2), (std::vector<std::string>{"run prefix", "arg " + WindowsPath(letter)}));
}

} // namespace
