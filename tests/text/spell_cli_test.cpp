// tessaly spell, related and table at the shell: what they print, their exit statuses, and
// which file they name when one is missing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "spelling_support.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "support/run.h"

namespace tt = tessaly::testing;

namespace {

class SpellCommands : public tt::PrefixTest {};

// One row per rule of the commands: arguments, status, what the output and errors hold. The
// rows share the prefix: each set-up only adds to what the rows before it left.
TEST_F(SpellCommands, EachCommandPrintsItsResultOrNamesTheMissingFile) {
    const auto file = [this](const std::string& name, const std::string& content) {
        return tt::WriteFile(prefix_.scratch() + "/" + name, content);
    };
    const auto setInstallDir = [](const std::string& posix) {
        tt::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "",
                       tt::WindowsPath(posix));
    };
    const std::string text = file("letter.txt", "Ths is fine.\nA second line with teh error.\n");
    const std::string clean = file("clean.txt", "All good here.\n");
    const std::string csv = file("words.csv", "apple,Apfel\n\"x,y\",z\n");
    const std::string single = file("single.csv", "one\ntwo\n");
    const std::string folder = prefix_.scratch() + "/install";
    file("install/Vere17.dav", "index=/nonexistent/th.idx\ndata=/nonexistent/th.dat\n");
    const std::string named = file("name.txt", "Greetings from Quorbly.\n");
    const auto addWord = [] {
        ENGINE(SSCE_AddToLex)(ENGINE(SSCE_GetSid)(), 1, "Quorbly", SSCE_IGNORE_ACTION, nullptr);
    };
    const auto noDictionary = [] {
        tt::PutRegText(HKEY_CURRENT_USER, "Software\\Varnholt\\Spelling Engine", "Main Dictionary",
                       "xx_XX");
    };
    // Set-up, arguments (separated by blanks), status, texts that must appear in the output
    // and in the errors (separated by '|'); an empty output must be empty.
    const std::tuple<std::function<void()>, std::string, int, std::string, std::string> rows[] = {
        {nullptr, "spell " + text, 1, "1: Ths (misspelled): |This|2: teh (misspelled): the", ""},
        {nullptr, "spell " + clean, 0, "", ""},
        {addWord, "spell " + named, 0, "", ""}, // the user dictionary is kept across runs
        {nullptr, "spell " + text + ".gone", 1, "", "file " + text + ".gone is missing"},
        {noDictionary, "spell " + clean, 1, "",
         "dictionary file /usr/share/hunspell/xx_XX.aff, /usr/share/hunspell/xx_XX.dic is missing"},
        {[&] { setInstallDir(TESSALY_BUILD_DIR "/lib"); }, "related happy", 0, "glad\n|cheerful\n",
         ""},
        {[&] { setInstallDir(prefix_.scratch()); }, "related happy", 1, "",
         "data file " + tt::WindowsPath(prefix_.scratch()) + "\\Vere17.dav is missing"},
        {[&] { setInstallDir(folder); }, "related happy", 1, "",
         "thesaurus file /nonexistent/th.idx is missing"},
        {nullptr, "table " + csv, 0, "apple\tApfel\n\"x,y\"\tz\n", ""},
        {nullptr, "table " + single, 1, "", "tessaly: table: File structure is wrong."},
        {nullptr, "table " + csv + ".gone", 1, "", "file " + csv + ".gone is missing"},
    };
    for (const auto& [setUp, args, status, out, err] : rows) {
        if (setUp) setUp();
        const auto run = tt::RunTessaly(tt::Pieces(args, ' '));
        EXPECT_EQ(run.status, status) << args << "\n" << run.out << run.err;
        for (const auto& s : tt::Pieces(out, '|'))
            EXPECT_NE(run.out.find(s), std::string::npos) << args << ": " << s;
        EXPECT_EQ(out.empty() ? run.out : std::string(), "") << args;
        for (const auto& s : tt::Pieces(err, '|'))
            EXPECT_NE(run.err.find(s), std::string::npos) << args << ": " << s;
    }
}

} // namespace
