// The compiled string tables against their scripts: every id once, texts exact, inserts kept.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>

#include "resource_files.h"

namespace res = tessaly::testing::res;

namespace {

// The FormatMessage inserts of a text (%1, %2!d! ...), sorted; "%%" is not an insert.
std::string Inserts(const std::string& text) {
    static const std::regex insert(R"(%%|%\d{1,2}(![^!]*!)?)");
    std::multiset<std::string> inserts;
    for (std::sregex_iterator it(text.begin(), text.end(), insert), end; it != end; ++it)
        if (it->str() != "%%") inserts.insert(it->str());
    std::string s;
    for (const std::string& insert : inserts)
        s += insert + " ";
    return s;
}

} // namespace

// windres silently keeps the last of two same-id entries and drops empty texts; texts that do
// not fit Windows-1252 reach the user as "?".
TEST(StringTable, EveryScriptEntryCompilesToItsOwnIdInWindows1252) {
    const std::map<std::string, unsigned> names = res::ReadDefines(res::HeaderPath());
    for (const res::Module* module : res::AllModules()) {
        SCOPED_TRACE(module->name);
        std::map<unsigned, int> scriptLine;
        for (const res::ScriptEntry& e : res::ReadScriptStringEntries(module->script, names)) {
            if (!e.id) {
                ADD_FAILURE() << module->script << ":" << e.line << ": unknown id " << e.token;
                continue;
            }
            auto [it, fresh] = scriptLine.emplace(*e.id, e.line);
            EXPECT_TRUE(fresh) << module->script << ":" << e.line << ": id " << *e.id
                               << " already given on line " << it->second;
        }
        ASSERT_FALSE(scriptLine.empty()) << "no string entries found in " << module->script;
        const std::map<unsigned, std::u16string> compiled = res::Strings(*module);
        for (const auto& [id, line] : scriptLine)
            EXPECT_TRUE(compiled.count(id))
                << module->script << ":" << line << ": id " << id << " compiled to no text";
        for (const auto& [id, text] : compiled) {
            EXPECT_TRUE(scriptLine.count(id)) << "id " << id << " is not in the script";
            EXPECT_TRUE(res::ToCp1252(text)) << "id " << id << ": " << res::ToUtf8(text);
        }
    }
}

// German texts keep the English inserts; buttons, decoding errors and language names exist.
TEST(StringTable, GermanTextsMatchTheEnglishOnes) {
    const auto english = res::Strings(res::EnglishModule());
    const auto german = res::Strings(res::GermanModule());
    int withInserts = 0;
    for (const auto& [id, text] : german) {
        auto it = english.find(id);
        if (it == english.end()) {
            ADD_FAILURE() << "German id " << id << " (" << res::ToUtf8(text) << ") has no English";
            continue;
        }
        const std::string expected = Inserts(res::ToUtf8(it->second));
        withInserts += !expected.empty();
        EXPECT_EQ(Inserts(res::ToUtf8(text)), expected) << "id " << id << ": " << res::ToUtf8(text);
    }
    EXPECT_GT(withInserts, 0);
    int checked = 0;
    for (auto [first, last] :
         {std::pair{705u, 706u}, {61490u, 61496u}, {61576u, 61577u}, {61664u, 61693u}})
        for (unsigned id = first; id <= last; ++id)
            if (english.count(id)) {
                ++checked;
                EXPECT_TRUE(german.count(id)) << "no German text for " << id;
            }
    EXPECT_GE(checked, 2 + 7 + 31);
}

// Characters easy to get wrong in a script come out as Windows-1252 bytes.
TEST(StringTable, TrickyTextsComeOutExactly) {
    const struct {
        const res::Module* module;
        unsigned id;
        const char* cp1252;
    } cases[] = {
        {&res::EnglishModule(), 186, // quotes, written "" in the script
         "File \"%1\" already exists, do you want to overwrite this file?"},
        {&res::EnglishModule(), 61682, "German (Standard) "}, // trailing blanks kept
        {&res::EnglishModule(), 51469,
         "The spelling check is complete.\r\n%1!d! errors detected, %2!d! words changed."},
        // UTF-8 in the script; typographic quotes are in Windows-1252, not in Latin-1.
        {&res::GermanModule(), 186,
         "Die Datei \x84%1\x93 ist bereits vorhanden. M\xF6"
         "chten Sie diese Datei \xFC"
         "berschreiben?"},
    };
    std::map<const res::Module*, std::map<unsigned, std::u16string>> tables;
    for (const res::Module* module : res::AllModules())
        tables[module] = res::Strings(*module);
    for (const auto& c : cases)
        EXPECT_EQ(res::ToCp1252(tables[c.module][c.id]).value_or("?"), c.cp1252) << c.id;
}
