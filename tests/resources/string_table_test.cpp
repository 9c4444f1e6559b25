// Checks the compiled string tables against the scripts they come from: every id once, every
// text as intended after windres, and translations that keep their inserts.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "modules.h"
#include "resource_files.h"

namespace res = tessaly::testing::res;

namespace {

std::vector<res::StringEntry> Entries(const res::Module& module) {
    return res::StringTableEntries(res::ReadResFile(module.res));
}

std::map<unsigned, std::u16string> Table(const res::Module& module) {
    std::map<unsigned, std::u16string> table;
    for (res::StringEntry& e : Entries(module))
        table[e.id] = std::move(e.text);
    return table;
}

// The FormatMessage inserts of a text (%1, %2!d! ...), each with its format part; "%%" is an
// escaped percent sign, not an insert.
std::multiset<std::string> Inserts(const std::string& text) {
    std::multiset<std::string> inserts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) continue;
        if (text[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() && j < i + 3 && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j == i + 1) continue;
        if (j < text.size() && text[j] == '!') {
            std::size_t close = text.find('!', j + 1);
            if (close != std::string::npos) j = close + 1;
        }
        inserts.insert(text.substr(i, j - i));
        i = j - 1;
    }
    return inserts;
}

std::string Show(const std::multiset<std::string>& inserts) {
    std::string s;
    for (const std::string& i : inserts)
        s += (s.empty() ? "" : " ") + i;
    return s.empty() ? "(none)" : s;
}

} // namespace

TEST(ResourceIds, StringNamesHaveDistinctNumbers) {
    std::map<unsigned, std::vector<std::string>> byNumber;
    for (const auto& [name, number] : res::ReadDefines(res::HeaderPath()))
        if (name.rfind("IDS_", 0) == 0) byNumber[number].push_back(name);
    ASSERT_FALSE(byNumber.empty()) << "no IDS_ names in " << res::HeaderPath();
    for (const auto& [number, names] : byNumber) {
        if (names.size() < 2) continue;
        std::string all;
        for (const std::string& n : names)
            all += " " + n;
        ADD_FAILURE() << "string id " << number << " has several names:" << all;
    }
}

// windres keeps the last of two entries with the same id without a word, and an empty text
// compiles to nothing; so the script's entries and the compiled ids must be the same set.
TEST(StringTable, EveryScriptEntryCompilesToItsOwnId) {
    std::map<std::string, unsigned> names = res::ReadDefines(res::HeaderPath());
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

        std::set<unsigned> compiled;
        for (const res::StringEntry& e : Entries(*module))
            EXPECT_TRUE(compiled.insert(e.id).second) << "id " << e.id << " stored twice";
        for (const auto& [id, line] : scriptLine)
            EXPECT_TRUE(compiled.count(id))
                << module->script << ":" << line << ": id " << id << " compiled to no text";
        for (unsigned id : compiled)
            EXPECT_TRUE(scriptLine.count(id)) << "id " << id << " is not in the script";
    }
}

TEST(StringTable, EachModuleHoldsOneLanguage) {
    for (const res::Module* module : res::AllModules()) {
        SCOPED_TRACE(module->name);
        std::vector<res::StringEntry> entries = Entries(*module);
        ASSERT_FALSE(entries.empty());
        for (const res::StringEntry& e : entries)
            EXPECT_EQ(e.language, module->language) << "id " << e.id;
    }
}

TEST(StringTable, GermanIdsExistInEnglish) {
    std::map<unsigned, std::u16string> english = Table(res::EnglishModule());
    for (const auto& [id, text] : Table(res::GermanModule()))
        EXPECT_TRUE(english.count(id))
            << "German id " << id << " (" << res::ToUtf8(text) << ") has no English text";
}

// The message dialog's buttons and the language names must never fall back to English in a
// German installation.
TEST(StringTable, GermanCoversTheFrameTexts) {
    std::map<unsigned, std::u16string> english = Table(res::EnglishModule());
    std::map<unsigned, std::u16string> german = Table(res::GermanModule());
    const std::pair<unsigned, unsigned> ranges[] = {{61490, 61496}, {61576, 61577}, {61664, 61693}};
    int checked = 0;
    for (auto [first, last] : ranges) {
        for (unsigned id = first; id <= last; ++id) {
            if (!english.count(id)) continue;
            ++checked;
            EXPECT_TRUE(german.count(id))
                << "no German text for " << id << " (" << res::ToUtf8(english[id]) << ")";
        }
    }
    EXPECT_GE(checked, 7 + 31);
}

// Texts with characters that are easy to get wrong in a resource script, as the library will
// hand them out: Windows-1252 bytes.
TEST(StringTable, TrickyTextsComeOutExactly) {
    struct Case {
        const res::Module* module;
        unsigned id;
        const char* cp1252;
    };
    const Case cases[] = {
        // Embedded double quotes, written "" in the script.
        {&res::EnglishModule(), 186,
         "File \"%1\" already exists, do you want to overwrite this file?"},
        // Trailing blanks are part of the language names.
        {&res::EnglishModule(), 61682, "German (Standard) "},
        // FormatMessage inserts with a format part, and apostrophes.
        {&res::EnglishModule(), 66, "Error: %1 (%2!d!)."},
        {&res::EnglishModule(), 46, "E-mail address '%1' is invalid."},
        // Escaped line breaks: LF alone, and CR LF.
        {&res::EnglishModule(), 388,
         "Can't find Orvo WebMail Agent.\nPlease install it from Orvo Disc."},
        {&res::EnglishModule(), 51469,
         "The spelling check is complete.\r\n%1!d! errors detected, %2!d! words changed."},
        // German letters, written as UTF-8 in the script, must arrive as Windows-1252 bytes.
        {&res::GermanModule(), 61676, "D\xE4nisch"},
        {&res::GermanModule(), 61686, "Norwegisch (Bokm\xE5l) "},
        // Typographic quotes exist in Windows-1252 but not in Latin-1.
        {&res::GermanModule(), 186,
         "Die Datei \x84%1\x93 ist bereits vorhanden. M\xF6"
         "chten Sie diese Datei \xFC"
         "berschreiben?"},
        {&res::GermanModule(), 51469,
         "Die Rechtschreibpr\xFC"
         "fung ist abgeschlossen.\r\n%1!d! Fehler gefunden, %2!d! W\xF6rter ge\xE4ndert."},
    };
    std::map<const res::Module*, std::map<unsigned, std::u16string>> tables;
    for (const res::Module* module : res::AllModules())
        tables[module] = Table(*module);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.module->name) + " " + std::to_string(c.id));
        auto it = tables[c.module].find(c.id);
        ASSERT_NE(it, tables[c.module].end()) << "missing";
        std::optional<std::string> bytes = res::ToCp1252(it->second);
        ASSERT_TRUE(bytes) << "not representable in Windows-1252: " << res::ToUtf8(it->second);
        EXPECT_EQ(*bytes, c.cp1252);
    }
}

// A character outside Windows-1252 would reach the user as "?".
TEST(StringTable, EveryTextFitsWindows1252) {
    for (const res::Module* module : res::AllModules()) {
        SCOPED_TRACE(module->name);
        for (const auto& [id, text] : Table(*module))
            EXPECT_TRUE(res::ToCp1252(text)) << "id " << id << ": " << res::ToUtf8(text);
    }
}

TEST(StringTable, GermanTextsKeepTheEnglishInserts) {
    std::map<unsigned, std::u16string> english = Table(res::EnglishModule());
    int withInserts = 0;
    for (const auto& [id, text] : Table(res::GermanModule())) {
        auto it = english.find(id);
        if (it == english.end()) continue; // reported by GermanIdsExistInEnglish
        std::multiset<std::string> expected = Inserts(res::ToUtf8(it->second));
        std::multiset<std::string> actual = Inserts(res::ToUtf8(text));
        if (!expected.empty()) ++withInserts;
        EXPECT_EQ(Show(actual), Show(expected)) << "id " << id << ": " << res::ToUtf8(text);
    }
    EXPECT_GT(withInserts, 0) << "no translated text with inserts was compared";
}

TEST(StringTable, InsertScannerReadsFormatParts) {
    struct Case {
        const char* text;
        const char* inserts;
    };
    const Case cases[] = {
        {"Error: %1 (%2!d!).", "%1 %2!d!"},
        {"100%% sure, %1", "%1"},
        {"%12 and %1!s!%2", "%1!s! %12 %2"},
        {"no inserts, 5% off", "(none)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Show(Inserts(c.text)), c.inserts) << c.text;
}
