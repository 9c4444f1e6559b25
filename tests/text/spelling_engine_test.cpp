// The spelling engine module as the library loads it: the block walk over the caller's
// buffer, result bits under each option, replacements, suggestions, the user dictionary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/spelling_engine.h>
#include <tessaly/text.h>

#include "platform/prefix.h"
#include "spelling_support.h"
#include "support/prefix.h"

namespace {

struct Report {
    std::string word;
    int flags;
    int cursor;
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Report& r) {
    return out << "{" << r.word << ", " << r.flags << ", " << r.cursor << "}";
}

class SpellingEngine : public tessaly::testing::PrefixTest {
  protected:
    // Every word the walk reports over the text, passing over each (Ignore).
    std::vector<Report> walk(std::string text, int options) {
        ENGINE(SSCE_SetOptions)(options);
        const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
        std::vector<char> buffer(text.size() + 256);
        std::memcpy(buffer.data(), text.data(), text.size());
        const SSCE_S16 block = SSCEOpenBlock(buffer.data(), static_cast<int>(text.size()),
                                             static_cast<int>(buffer.size()));
        EXPECT_GE(block, 0);
        std::vector<Report> reports;
        for (int guard = 0; guard < 100; ++guard) {
            char word[64], other[64];
            const SSCE_S16 r = ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64);
            if (r == SSCE_END_OF_BLOCK_RSLT) break;
            SSCE_S32 cursor = -1;
            ENGINE(SSCE_GetBlockInfo)(sid, block, nullptr, nullptr, &cursor, nullptr);
            reports.push_back({word, r, cursor});
            ENGINE(SSCE_NextBlockWord)(sid, block);
        }
        ENGINE(SSCE_CloseBlock)(sid, block);
        return reports;
    }

    static std::vector<std::string> suggestions(const char* word) {
        char buffer[4096];
        SSCE_S16 scores[256];
        const SSCE_S16 n =
            ENGINE(SSCE_Suggest)(ENGINE(SSCE_GetSid)(), word, 30, buffer, 4096, scores, 256);
        std::vector<std::string> out;
        for (const char* p = buffer; *p; p += std::strlen(p) + 1)
            out.push_back(p);
        EXPECT_EQ(n, static_cast<SSCE_S16>(out.size()));
        return out;
    }
};

constexpr int kDefault = SSCE_DEFAULT_OPTIONS;

// One row per rule of the word checks: which words stop the walk, with which bits, where.
TEST_F(SpellingEngine, TheWalkReportsEachRuleWithItsBitAtTheWordsStart) {
    struct Row {
        const char* rule;
        std::string text;
        int options;
        std::vector<Report> expected;
    };
    const Row rows[] = {
        {"correct text passes", "The cat sat on the mat.", kDefault, {}},
        {"unknown words", "Ths is a tst", kDefault, {{"Ths", 1, 0}, {"tst", 1, 9}}},
        {"doubled word", "see the the cat", kDefault, {{"the", 4, 8}}},
        {"doubled across a line end", "the\r\nthe", kDefault, {{"the", 4, 5}}},
        {"doubled needs only blanks between", "the, the", kDefault, {}},
        {"doubled words not reported",
         "see the the cat",
         kDefault & ~SSCE_REPORT_DOUBLED_WORD_OPT,
         {}},
        {"case-sensitive capitalisation", "on monday", kDefault, {{"monday", 8, 3}}},
        {"case-insensitive letter case passes",
         "on monday",
         kDefault & ~SSCE_CASE_SENSITIVE_OPT,
         {}},
        {"all capitals ignored", "QWZX here", kDefault, {}},
        {"all capitals checked",
         "QWZX here",
         kDefault & ~SSCE_IGNORE_ALL_CAPS_WORD_OPT,
         {{"QWZX", 1, 0}}},
        {"capitalised checked", "Qwzx here", kDefault, {{"Qwzx", 1, 0}}},
        {"capitalised ignored", "Qwzx here", kDefault | SSCE_IGNORE_CAPPED_WORD_OPT, {}},
        {"words with digits ignored", "Wqn95 1999", kDefault, {}},
        {"words with digits checked, numbers never",
         "Wqn95 1999",
         kDefault & ~SSCE_IGNORE_MIXED_DIGITS_OPT,
         {{"Wqn95", 1, 0}}},
        {"mixed case checked", "qwSuperBaze", kDefault, {{"qwSuperBaze", 1, 0}}},
        {"mixed case ignored", "qwSuperBaze", kDefault | SSCE_IGNORE_MIXED_CASE_OPT, {}},
        {"domain names ignored", "see xyzq.com now", kDefault, {}},
        {"domain parts checked",
         "see xyzq.com now",
         kDefault & ~SSCE_IGNORE_DOMAIN_NAMES_OPT,
         {{"xyzq", 1, 4}}},
        {"apostrophes inside words", "don't 'it's'", kDefault, {}},
        {"hyphens separate", "well-knwn", kDefault, {{"knwn", 1, 5}}},
        {"too long for the error buffer: cut and flagged",
         "a " + std::string(70, 'q'),
         kDefault,
         {{std::string(63, 'q'), 33, 2}}},
        {"code-page letters belong to the word", "caf\xe9 here", kDefault, {{"caf\xe9", 1, 0}}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(walk(row.text, row.options), row.expected) << row.rule;
}

// Replacements work in the caller's buffer: the text after the word moves, the block grows
// up to its size and no further, and the walk goes on after the replacement.
TEST_F(SpellingEngine, ReplacementsGrowTheCallersBufferUpToItsSize) {
    struct Row {
        const char* text;
        int size; // 0: the text's length + 256
        const char* replacement;
        int result;
        const char* after;
    };
    const Row rows[] = {
        {"I hav a cat", 0, "have", 0, "I have a cat"},
        {"I hav a cat", 0, "", 0, "I  a cat"},
        {"I hav a cat", 13, "have", 0, "I have a cat"},
        {"I hav a cat", 12, "have", SSCE_BUFFER_TOO_SMALL_ERR, "I hav a cat"},
    };
    for (const auto& row : rows) {
        const int length = static_cast<int>(std::strlen(row.text));
        std::vector<char> buffer(row.size ? row.size : length + 256, 'X');
        std::memcpy(buffer.data(), row.text, length);
        const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
        const SSCE_S16 block =
            SSCEOpenBlock(buffer.data(), length, static_cast<int>(buffer.size()));
        ASSERT_GE(block, 0);
        char word[64], other[64];
        ASSERT_EQ(ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64), 1);
        EXPECT_STREQ(word, "hav");
        EXPECT_EQ(ENGINE(SSCE_ReplaceBlockWord)(sid, block, row.replacement), row.result);
        EXPECT_STREQ(buffer.data(), row.after) << row.replacement;
        SSCE_S32 textLength = 0;
        ENGINE(SSCE_GetBlockInfo)(sid, block, &textLength, nullptr, nullptr, nullptr);
        EXPECT_EQ(textLength, static_cast<int>(std::strlen(row.after)));
        ENGINE(SSCE_NextBlockWord)(sid, block);
        EXPECT_EQ(ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64), 64);
        SSCE_S32 cursor = 0;
        ENGINE(SSCE_GetBlockInfo)(sid, block, nullptr, nullptr, &cursor, nullptr);
        EXPECT_EQ(cursor, textLength);
        EXPECT_EQ(ENGINE(SSCE_CloseBlock)(sid, block), 0);
    }
}

TEST_F(SpellingEngine, SuggestionsComeBestFirstAndTheDepthLimitsThem) {
    struct Row {
        int depth;
        const char* word;
        const char* first;
        size_t most;
    };
    const Row rows[] = {
        {SSCE_DEPTH_MODERATE, "recieve", "receive", 10},
        {SSCE_DEPTH_FAST, "recieve", "receive", 4},
        {SSCE_DEPTH_SLOW, "helo", "hole", 20},
        {SSCE_DEPTH_MODERATE, "Recieve", "Receive", 10},
        {SSCE_DEPTH_MODERATE, "qzxqzxqzxqzxqzx", "", 0},
    };
    for (const auto& row : rows) {
        ENGINE(SSCE_SetSuggestionDepth)(row.depth);
        const auto list = suggestions(row.word);
        EXPECT_LE(list.size(), row.most) << row.word;
        EXPECT_EQ(list.empty() ? "" : list.front(), row.first) << row.word;
    }
    // Split words only at the slow depth with their option.
    ENGINE(SSCE_SetOptions)(kDefault | SSCE_SUGGEST_SPLIT_WORDS_OPT);
    ENGINE(SSCE_SetSuggestionDepth)(SSCE_DEPTH_SLOW);
    const auto split = suggestions("catdog");
    EXPECT_NE(std::find(split.begin(), split.end(), "cat dog"), split.end());
}

TEST_F(SpellingEngine, SuggestionsNeverOverrunASmallBuffer) {
    for (int size : {1, 2, 5, 9, 40}) {
        std::vector<char> buffer(size + 8, 'Z');
        const SSCE_S16 n = ENGINE(SSCE_Suggest)(ENGINE(SSCE_GetSid)(), "recieve", 30, buffer.data(),
                                                size, nullptr, 0);
        EXPECT_GE(n, 0);
        EXPECT_EQ(std::string(buffer.data() + size, 8), std::string(8, 'Z')) << size;
        EXPECT_EQ(buffer[0] == '\0', n == 0) << size;
    }
}

// The user dictionary: a plain word list in the application-data folder, read by every
// session, appended by AddToLex; the library's suggestions and walk see it.
TEST_F(SpellingEngine, AddedWordsPassAndLandInThePlainWordList) {
    char names[256];
    ASSERT_EQ(ENGINE(SSCE_GetUserLexFiles)(names, 256), 1);
    EXPECT_NE(std::string(names).find("Application Data\\Tessaly\\userdic.tlx"), std::string::npos)
        << names;
    const SSCE_S16 lex = ENGINE(SSCE_GetLexId)(names);
    EXPECT_EQ(ENGINE(SSCE_GetLexId)("C:\\other.tlx"), SSCE_BAD_LEX_ID_ERR);
    const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
    EXPECT_EQ(walk("Zorblatt wins", kDefault).size(), 1u);
    EXPECT_EQ(ENGINE(SSCE_AddToLex)(sid, lex, "Zorblatt", 'x', nullptr), SSCE_INVALID_WORD_ERR);
    EXPECT_EQ(ENGINE(SSCE_AddToLex)(sid, lex, "Zorblatt", SSCE_IGNORE_ACTION, nullptr), 0);
    EXPECT_EQ(ENGINE(SSCE_AddToLex)(sid, lex, "Zorblatt", SSCE_IGNORE_ACTION, nullptr), 0);
    EXPECT_TRUE(walk("Zorblatt wins", kDefault).empty());
    EXPECT_EQ(ENGINE(SSCE_CheckWord)(sid, "Zorblatt", nullptr, 0), SSCE_USER_WORD_RSLT);
    CStringArray list; // the library's suggestions come from the same session
    GetSuggestionWordList("Zorblat", list);
    EXPECT_EQ(list[0], "Zorblatt");
    const std::string file = tessaly::testing::ReadFile(prefix_.root() + "/drive_c/users/" +
                                                        tessaly::platform::PrefixUserName() +
                                                        "/Application Data/Tessaly/userdic.tlx");
    EXPECT_EQ(file, "Zorblatt\r\n");
}

// The main dictionary is chosen by name among those installed; one that is missing leaves
// every block unopened and every suggestion list empty.
TEST_F(SpellingEngine, TheMainDictionaryIsChosenAmongThoseInstalled) {
    char names[1024];
    ASSERT_GE(ENGINE(SSCE_GetMainLexFiles)(names, sizeof names), 2);
    std::vector<std::string> installed;
    for (const char* p = names; *p; p += std::strlen(p) + 1)
        installed.push_back(p);
    EXPECT_NE(std::find(installed.begin(), installed.end(), "en_US"), installed.end());
    EXPECT_NE(std::find(installed.begin(), installed.end(), "de_DE"), installed.end());

    ASSERT_EQ(ENGINE(SSCE_SetMainLexName)("de_DE"), 0);
    EXPECT_EQ(walk("Gr\xfc\xdf"
                   "e aus der Stra\xdf"
                   "e Hauss",
                   kDefault),
              (std::vector<Report>{{"Hauss", 1, 21}}));
    CStringArray list;
    EXPECT_GT(GetSuggestionWordList("Strasze", list), 0);

    ASSERT_EQ(ENGINE(SSCE_SetMainLexName)("xx_XX"), 0);
    char text[64] = "some text";
    EXPECT_EQ(SSCEOpenBlock(text, 9, 64), SSCE_NO_DICTIONARY_ERR);
    CStringArray none;
    EXPECT_EQ(GetSuggestionWordList("recieve", none), 0);
    char paths[512];
    ENGINE(SSCE_GetMainLexPaths)(paths, sizeof paths);
    EXPECT_NE(std::string(paths).find("xx_XX.aff,"), std::string::npos) << paths;
}

} // namespace
