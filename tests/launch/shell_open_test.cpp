// The shell's open: programs, documents through the prefix's associations and the desktop's,
// the shell's error codes, and no shell interpreter in between.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tuple>

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
    for (const std::string& name : Strings{trap + "\xC3\x84.txt", "README", "setup.exe"})
        WriteFile(docs + name, "x");
    WriteFile(docs + "notes", "plain text\n");
    chmod(WriteFile(docs + "broken", std::string("\x7f\x45LF\x02\x01\x01", 7)).c_str(), 0755);
    // The desktop opens plain text, where there is a display; the prefix's association wins.
    DesktopDefault("text/plain", "desk");
    setenv("DISPLAY", ":99", 1);
    Associate(".txt", "txtfile", "viewer");
    const std::tuple<std::string, std::string, intptr_t, Strings> rows[] = {
        {tool, "a \"b c\"", 42, {"run tool", "arg a", "arg b c"}},
        {" \"" + tool + ".exe\" ", "", 42, {"run tool"}},
        {win + trap + "\xC4.txt", "", 42, {"run viewer", "arg " + win + trap + "\xC3\x84.txt"}},
        {win + "notes", "", 42, {"run desk", "arg " + docs + "notes"}},
        {win + "README", "", p::SE_ERR_NOASSOC, {}},
        {win + "missing.txt", "", p::SE_ERR_FNF, {}},
        {win + "nowhere\\missing.txt", "", p::SE_ERR_PNF, {}},
        {win + "setup.exe", "", p::SE_ERR_ACCESSDENIED, {}},
        {win + "broken", "", p::SE_ERR_BAD_FORMAT, {}},
    };
    for (const auto& [file, parameters, code, runs] : rows) {
        Expect({});
        EXPECT_EQ(p::ShellExecuteA(nullptr, "open", file.c_str(), parameters.c_str(), nullptr, 1),
                  code)
            << file;
        EXPECT_EQ(RunsAfter(runs.size()), runs) << file;
    }
    EXPECT_EQ(access("pwned", F_OK) + access("pwned2", F_OK), -2); // neither was made
}

} // namespace
