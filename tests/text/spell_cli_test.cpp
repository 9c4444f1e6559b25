// tessaly spell, related and table at the shell: what they print, their exit statuses, and
// which file they name when one is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "spelling_support.h"
#include "support/prefix.h"
#include "support/registry.h"
#include "support/run.h"

namespace tt = tessaly::testing;

namespace {

class SpellCommands : public tt::PrefixTest {
  protected:
    std::string file(const std::string& name, const std::string& content) {
        return tt::WriteFile(prefix_.scratch() + "/" + name, content);
    }
    void setInstallDir(const std::string& posix) {
        tt::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "",
                       tt::WindowsPath(posix));
    }
};

// One row per rule of the commands: arguments, status, what the output and errors hold. The
// rows share the prefix: each set-up only adds to what the rows before it left.
TEST_F(SpellCommands, EachCommandPrintsItsResultOrNamesTheMissingFile) {
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
    // Rule, set-up, arguments (separated by blanks), status, texts that must appear in the
    // output and in the errors (separated by '|').
    const std::tuple<const char*, std::function<void()>, std::string, int, std::string, std::string>
        rows[] = {
            {"misspelled words with their lines and suggestions", nullptr, "spell " + text, 1,
             "1: Ths (misspelled): |This|2: teh (misspelled): the", ""},
            {"a clean text", nullptr, "spell " + clean, 0, "", ""},
            {"the user dictionary is kept across runs", addWord, "spell " + named, 0, "", ""},
            {"a missing text", nullptr, "spell " + text + ".gone", 1, "",
             "file " + text + ".gone is missing"},
            {"a missing dictionary names its files", noDictionary, "spell " + clean, 1, "",
             "dictionary file /usr/share/hunspell/xx_XX.aff, /usr/share/hunspell/xx_XX.dic is "
             "missing"},
            {"related words from the installed data file",
             [this] { setInstallDir(TESSALY_BUILD_DIR "/lib"); }, "related happy", 0,
             "glad\n|cheerful\n", ""},
            {"related words without the data file", [this] { setInstallDir(prefix_.scratch()); },
             "related happy", 1, "",
             "data file " + tt::WindowsPath(prefix_.scratch()) + "\\Vere17.dav is missing"},
            {"related words without the thesaurus", [&] { setInstallDir(folder); }, "related happy",
             1, "", "thesaurus file /nonexistent/th.idx is missing"},
            {"a table's two columns", nullptr, "table " + csv, 0, "apple\tApfel\n\"x,y\"\tz\n", ""},
            {"a table of one column", nullptr, "table " + single, 1, "",
             "tessaly: table: File structure is wrong."},
            {"a missing table", nullptr, "table " + csv + ".gone", 1, "",
             "file " + csv + ".gone is missing"},
        };
    for (const auto& [rule, setUp, args, status, out, err] : rows) {
        if (setUp) setUp();
        const auto run = tt::RunTessaly(tt::Pieces(args, ' '));
        EXPECT_EQ(run.status, status) << rule << "\n" << run.out << run.err;
        for (const auto& s : tt::Pieces(out, '|'))
            EXPECT_NE(run.out.find(s), std::string::npos) << rule << ": " << s;
        EXPECT_EQ(out.empty() ? run.out : std::string(), "") << rule; // nothing else
        for (const auto& s : tt::Pieces(err, '|'))
            EXPECT_NE(run.err.find(s), std::string::npos) << rule << ": " << s;
    }
}

} // namespace
