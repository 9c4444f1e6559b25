// The compiled string tables against the scripts they come from: every id once, every text
// as intended after windres, and translations that keep their inserts.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resource_files.h"

namespace res = tessaly::testing::res;

namespace {

// The FormatMessage inserts of a text (%1, %2!d! ...) with their format parts, in order;
// "%%" is an escaped percent sign, not an insert.
std::string Inserts(const std::string& text) {
    std::multiset<std::string> inserts;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() && j < i + 3 && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j == i + 1) continue;
        if (j < text.size() && text[j] == '!' && text.find('!', j + 1) != std::string::npos)
            j = text.find('!', j + 1) + 1;
        inserts.insert(text.substr(i, j - i));
        i = j - 1;
    }
    std::string s;
    for (const std::string& insert : inserts)
        s += insert + " ";
    return s;
}

} // namespace

// windres keeps the last of two entries with the same id without a word (also two names of
// one number), and an empty text compiles to nothing; so the script's entries and the
// compiled ids must be the same set.
// Every text must fit Windows-1252, or it reaches the user as "?".
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

// Every German text has its English one with the same inserts; the message dialog's buttons,
// the decoding errors and the language names never fall back to English in a German
// installation.
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

// Texts with characters that are easy to get wrong in a resource script, as the library
// hands them out: Windows-1252 bytes.
TEST(StringTable, TrickyTextsComeOutExactly) {
    const struct {
        const res::Module* module;
        unsigned id;
        const char* cp1252;
    } cases[] = {
        // Embedded double quotes, written "" in the script.
        {&res::EnglishModule(), 186,
         "File \"%1\" already exists, do you want to overwrite this file?"},
        // Trailing blanks are part of the language names.
        {&res::EnglishModule(), 61682, "German (Standard) "},
        // Escaped line breaks: LF alone, and CR LF.
        {&res::EnglishModule(), 388,
         "Can't find Orvo WebMail Agent.\nPlease install it from Orvo Disc."},
        {&res::EnglishModule(), 51469,
         "The spelling check is complete.\r\n%1!d! errors detected, %2!d! words changed."},
        // German letters, written as UTF-8 in the script, arrive as Windows-1252 bytes;
        // typographic quotes exist in Windows-1252 but not in Latin-1.
        {&res::GermanModule(), 186,
         "Die Datei \x84%1\x93 ist bereits vorhanden. M\xF6"
         "chten Sie diese Datei \xFC"
         "berschreiben?"},
    };
    std::map<const res::Module*, std::map<unsigned, std::u16string>> tables;
    for (const res::Module* module : res::AllModules())
        tables[module] = res::Strings(*module);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.module->name) + " " + std::to_string(c.id));
        auto it = tables[c.module].find(c.id);
        ASSERT_NE(it, tables[c.module].end()) << "missing";
        EXPECT_EQ(res::ToCp1252(it->second).value_or("?"), c.cp1252);
    }
}
