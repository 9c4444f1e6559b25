// The shell's open: programs, documents through the prefix's associations and the desktop's,
// the shell's error codes, and no shell interpreter in between.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell_open.h"
#include "support/outside_programs.h"

namespace p = tessaly::platform;
using namespace tessaly::testing;

namespace {

using ShellOpen = OutsideProgramTest;

TEST_F(ShellOpen, ProgramsDocumentsAndErrorCodes) {
    const std::string tool = WindowsPath(Recorder(prefix_.scratch() + "/tool", "tool"));
    const std::string docs = prefix_.scratch() + "/docs/", win = WindowsPath(docs);
    // Shell syntax, blanks, a percent sign and a Windows-1252 letter (0xC4) in the name.
    const std::string trap = "a;$(touch pwned)`touch pwned2` x%1";
    ASSERT_EQ(chdir(prefix_.scratch().c_str()), 0); // where a shell would make the files
    for (const std::string& name :
         Strings{trap + "\xC3\x84.txt", "README", "setup.exe", "letter.rtf", "essay.odt"})
        WriteFile(docs + name, "x");
    chmod(WriteFile(docs + "broken", std::string("\x7f\x45LF\x02\x01\x01", 7)).c_str(), 0755);
    Associate(".txt", "txtfile", "viewer");
    Associate(".rtf", "rtffile", "classroot");
    Associate(".chosen", "Chosen.Document", "chosen"); // the per-user choice wins
    PutRegText(HKEY_CURRENT_USER,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rtf", "Progid",
               "Chosen.Document");
    PutRegText(HKEY_CLASSES_ROOT, ".odt", "", "Writer"); // a class without a command: CurVer
    PutRegText(HKEY_CLASSES_ROOT, "Writer\\CurVer", "", "Writer.6");
    Associate(".odt6", "Writer.6", "writer");
    const struct {
        std::string file, parameters;
        intptr_t code;
        Strings runs;
    } cases[] = {
        {tool, "a \"b c\"", 42, {"run tool", "arg a", "arg b c"}},
        {" \"" + tool + ".exe\" ", "", 42, {"run tool"}},
        {win + trap + "\xC4.txt", "", 42, {"run viewer", "arg " + win + trap + "\xC3\x84.txt"}},
        {win + "letter.rtf", "", 42, {"run chosen", "arg " + win + "letter.rtf"}},
        {win + "essay.odt", "", 42, {"run writer", "arg " + win + "essay.odt"}},
        {win + "README", "", p::SE_ERR_NOASSOC, {}},
        {win + "missing.txt", "", p::SE_ERR_FNF, {}},
        {win + "nowhere\\missing.txt", "", p::SE_ERR_PNF, {}},
        {win + "setup.exe", "", p::SE_ERR_ACCESSDENIED, {}},
        {win + "broken", "", p::SE_ERR_BAD_FORMAT, {}},
    };
    for (const auto& c : cases) {
        Expect({});
        EXPECT_EQ(
            p::ShellExecuteA(nullptr, "open", c.file.c_str(), c.parameters.c_str(), nullptr, 1),
            c.code)
            << c.file;
        EXPECT_EQ(RunsAfter(c.runs.size()), c.runs) << c.file;
    }
    EXPECT_EQ(access("pwned", F_OK) + access("pwned2", F_OK), -2); // neither was made
}

TEST_F(ShellOpen, TheDesktopsChoiceWhenThePrefixHasNone) {
    DesktopDefault("text/plain", "desk");
    setenv("DISPLAY", ":99", 1); // the desktop opens files only where there is a display
    const std::string notes = WriteFile(prefix_.scratch() + "/notes.txt", "plain text\n");
    const std::string letter = WriteFile(prefix_.scratch() + "/letter.rtf", "plain text\n");
    EXPECT_EQ(p::ShellExecuteA(nullptr, "open", WindowsPath(notes).c_str(), nullptr, nullptr, 1),
              42);
    EXPECT_EQ(RunsAfter(2), (Strings{"run desk", "arg " + notes}));
    Expect({});
    Associate(".rtf", "rtffile", "prefix"); // the prefix's association wins
    EXPECT_EQ(p::ShellExecuteA(nullptr, nullptr, WindowsPath(letter).c_str(), nullptr, nullptr, 1),
              42);
    EXPECT_EQ(RunsAfter(2), (Strings{"run prefix", "arg " + WindowsPath(letter)}));
}

} // namespace
