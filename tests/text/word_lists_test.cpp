// Related words from the thesaurus component, two-column tables via the spreadsheet one, and
// the tessaly spell, related and table commands that print them.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <tessaly/text.h>
#include <tessaly/word_components.h>

#include "../dialogs/choices_support.h"
#include "platform/com.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "spelling_support.h"
#include "support/qt_app.h"
#include "support/registry.h"
#include "support/run.h"

using namespace choices_test;
namespace tt = tessaly::testing;

namespace {

class WordLists : public ScriptedDialogs {
  protected:
    void SetUp() override {
        tt::EnsureQtApplication();
        install = prefix_.scratch() + "/install";
        std::filesystem::create_directories(install);
        tt::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR", "",
                       tt::WindowsPath(install));
    }

    // The class's server module as its registration names it; empty removes the class.
    static void setServer(REFCLSID clsid, const char* module) {
        const std::string key = "CLSID\\" + tessaly::platform::ClsidToString(clsid);
        if (*module)
            tt::PutRegText(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), "", module);
        else
            tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    }
    void installDataFile() {
        std::filesystem::copy_file(TESSALY_BUILD_DIR "/lib/Vere17.dav", install + "/Vere17.dav");
    }
    // A workbook written by the system Python's xlwt; cells that read as numbers are numbers.
    std::string workbook(const std::string& name, const std::string& rows) {
        const std::string path = prefix_.scratch() + "/" + name;
        const char* script = "import xlwt, sys; b = xlwt.Workbook(); s = b.add_sheet('Words'); "
                             "[s.write(r, c, v) for r, row in enumerate(eval(sys.argv[2])) for c, "
                             "v in enumerate(row)]; b.save(sys.argv[1])";
        EXPECT_EQ(tt::RunProgram({"/usr/bin/python3", "-c", script, path, rows}).status, 0);
        return path;
    }
    int dataFromFile(const std::string& path, CStringArray& first, CStringArray& second) {
        return Run(Escape(), [&] { return GetDataFromFile(path.c_str(), first, second); });
    }

    std::string install;
};

// Related words follow what the list held: one row per rule, the word, the result (-1: the
// list's new size), words the list holds afterwards (separated by '|'). The word itself and
// the relation's notes are not related words. Failures leave the list alone.
TEST_F(WordLists, RelatedWordsFromTheThesaurusAndTheirFailures) {
    CStringArray failed;
    EXPECT_EQ(GetRelatedWordList("happy", failed), 0); // no data file, whatever the component
    installDataFile(); // the component is registered in every new prefix
    const std::tuple<const char*, int, std::string> rows[] = {
        {"", 0, "kept"},
        {"happy", -1, "kept|glad|felicitous|cheerful|unhappy"},
        {"Happy", -1, "kept|glad"}, // found in lower case
        {"qzxqzx", 1, "kept"},
    };
    for (const auto& [word, result, mustHold] : rows) {
        CStringArray list;
        list.Add("kept");
        const int returned = GetRelatedWordList(word, list);
        const auto got = Texts(list);
        EXPECT_EQ(returned, result < 0 ? static_cast<int>(got.size()) : result) << word;
        for (const auto& held : tt::Pieces(mustHold, '|'))
            EXPECT_NE(std::find(got.begin(), got.end(), held), got.end()) << word << ": " << held;
        for (const auto& related : got)
            EXPECT_TRUE(related.find('(') == std::string::npos && related != "happy") << related;
    }
    // The class's server (empty: not registered), a data file naming no thesaurus, the error.
    const std::tuple<const char*, bool, HRESULT> failures[] = {
        {"", false, REGDB_E_CLASSNOTREG},
        {"Missing.dll", false, CO_E_DLLNOTFOUND},
        {"VereWords.dll", true, STG_E_FILENOTFOUND},
    };
    for (const auto& [module, noThesaurus, error] : failures) {
        setServer(CLSID_RelatedWords, module);
        if (noThesaurus)
            tt::WriteFile(install + "/Vere17.dav", "index=/nonexistent/th.idx\ndata=/n/th.dat\n");
        HRESULT thrown = S_OK;
        try {
            GetRelatedWordList("happy", failed);
        } catch (const _com_error& e) {
            thrown = e.Error();
        }
        EXPECT_EQ(thrown, error) << module;
        EXPECT_EQ(failed.GetSize(), 0) << module;
    }
}

// One row per kind of file and rule of the table reader; none without the component's module.
TEST_F(WordLists, TablesComeFromEveryKindOfDataFile) {
    const std::string dir = prefix_.scratch();
    tt::WriteFile(dir + "/quotes.csv", "a,b\r\n\"x,y\",z\r\n");
    setServer(CLSID_BookView, "Missing.dll");
    CStringArray none, unused;
    EXPECT_EQ(dataFromFile(tt::WindowsPath(dir + "/quotes.csv"), none, unused), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Fatal Error: F1 BookView CreateInstance failed"});
    setServer(CLSID_BookView, "BookView.dll");
    const std::string xlsBytes =
        tt::ReadFile(workbook("words.xls", "[('apple', 'Apfel'), ('house', 'Haus'), (3, 2.5)]"));
    workbook("single.xls", "[('one',), ('two',)]");
    const std::string offset0(4, '\0'), offset16("\x10\0\0\0", 4); // the book's offset
    tt::WriteFile(dir + "/offset.ess", offset16 + std::string(12, 'x') + xlsBytes);
    tt::WriteFile(dir + "/UPPER.ESS", offset0 + xlsBytes);
    const std::string brokenBook = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "junk";
    tt::WriteFile(dir + "/broken.ess", offset0 + brokenBook);
    tt::WriteFile(dir + "/broken.xls", brokenBook);
    tt::WriteFile(dir + "/tabbed.txt", "eins\tone\nzwei\ttwo");
    const auto failedOpen = [&](const char* file) {
        return "Failed to open " + tt::WindowsPath(dir + "/" + file) + ".";
    };
    // File, result, the two lists afterwards (the second keeps what it held), the messages.
    using Items = std::vector<std::string>;
    const std::tuple<std::string, int, Items, Items, Items> rows[] = {
        {"words.xls", 1, {"apple", "house", "3"}, {"old", "Apfel", "Haus", "2.5"}, {}},
        {"offset.ess", 1, {"apple", "house", "3"}, {"old", "Apfel", "Haus", "2.5"}, {}},
        {"UPPER.ESS", 1, {"apple", "house", "3"}, {"old", "Apfel", "Haus", "2.5"}, {}},
        {"quotes.csv", 1, {"a", "\"x,y\""}, {"old", "b", "z"}, {}},
        {"tabbed.txt", 1, {"eins", "zwei"}, {"old", "one", "two"}, {}},
        {"single.xls", 0, {}, {"old"}, {"File structure is wrong."}},
        // A document that cannot be opened ends before the first list is emptied.
        {"missing.ess", 0, {"old"}, {"old"}, {failedOpen("missing.ess")}},
        {"broken.ess", 0, {}, {"old"}, {failedOpen("broken.ess")}},
        {"broken.xls", 0, {}, {"old"}, {}},
    };
    for (const auto& [file, result, firstAfter, secondAfter, shown] : rows) {
        CStringArray first, second;
        first.Add("old");
        second.Add("old");
        const int read = dataFromFile(tt::WindowsPath(dir + "/" + file), first, second);
        EXPECT_EQ(std::tuple(read, Texts(first), Texts(second), messages),
                  std::tuple(result, firstAfter, secondAfter, shown))
            << file;
    }
    char temp[260] = {}; // the temporary files are gone after every read
    tessaly::platform::GetTempPathA(sizeof temp, temp);
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::is_empty(tessaly::platform::ToPosixPath(temp), ec) || ec) << temp;
}

// The commands at the shell, one row per rule: what they print, their exit statuses, which
// file they name when one is missing. Each set-up only adds to what the rows before it left.
TEST_F(WordLists, CommandsPrintTheirResultsOrNameTheMissingFile) {
    const auto file = [this](const std::string& name, const std::string& content) {
        return tt::WriteFile(prefix_.scratch() + "/" + name, content);
    };
    const std::string text = file("letter.txt", "Ths is fine.\nA second line with teh error.\n");
    const std::string clean = file("clean.txt", "All good here.\n");
    const std::string csv = file("words.csv", "apple,Apfel\n\"x,y\",z\n");
    const std::string single = file("single.csv", "one\ntwo\n");
    const std::string named = file("name.txt", "Greetings from Quorbly.\n");
    // Set-up, arguments (separated by blanks), status, texts that must appear in the output
    // and in the errors (separated by '|'); an empty output must be empty.
    const std::tuple<std::function<void()>, std::string, int, std::string, std::string> rows[] = {
        {nullptr, "spell " + text, 1, "1: Ths (misspelled): |This|2: teh (misspelled): the", ""},
        {nullptr, "spell " + clean, 0, "", ""},
        // The user dictionary (a word added with action 105) is kept across runs.
        {[] { (ENGINE(SSCE_AddToLex))(ENGINE(SSCE_GetSid)(), 1, "Quorbly", 105, nullptr); },
         "spell " + named, 0, "", ""},
        {nullptr, "spell " + text + ".gone", 1, "", "file " + text + ".gone is missing"},
        {[] { (ENGINE(SSCE_SetMainLexName))("xx_XX"); }, // kept in the user's settings
         "spell " + clean, 1, "",
         "dictionary file /usr/share/hunspell/xx_XX.aff, /usr/share/hunspell/xx_XX.dic is missing"},
        {nullptr, "related happy", 1, "",
         "data file " + tt::WindowsPath(install) + "\\Vere17.dav is missing"},
        {[&] { installDataFile(); }, "related happy", 0, "glad\n|cheerful\n", ""},
        {[&] { file("install/Vere17.dav", "index=/nonexistent/th.idx\ndata=/n/th.dat\n"); },
         "related happy", 1, "", "thesaurus file /nonexistent/th.idx is missing"},
        {nullptr, "table " + csv, 0, "apple\tApfel\n\"x,y\"\tz\n", ""},
        {nullptr, "table " + single, 1, "", "tessaly: table: File structure is wrong."},
        {nullptr, "table " + csv + ".gone", 1, "", "file " + csv + ".gone is missing"},
    };
    for (const auto& [setUp, args, status, out, err] : rows) {
        if (setUp) setUp();
        const auto run = tt::RunTessaly(tt::Pieces(args, ' '));
        EXPECT_EQ(run.status, status) << args << "\n" << run.out << run.err;
        EXPECT_EQ(out.empty() ? run.out : std::string(), "") << args;
        for (const auto& [got, wanted] : {std::pair{run.out, out}, {run.err, err}})
            for (const auto& s : tt::Pieces(wanted, '|'))
                EXPECT_NE(got.find(s), std::string::npos) << args << ": " << s;
    }
}

} // namespace
