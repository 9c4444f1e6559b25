// The spelling engine module: block walks, options, replacements, suggestions, dictionaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <tessaly/text.h>

#include "platform/prefix.h"
#include "spelling_support.h"
#include "support/prefix.h"

namespace {

struct Report {
    std::string word;
    int flags, cursor;
    bool operator==(const Report&) const = default;
};

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

    static std::vector<std::string> suggestions(const char* word, SSCE_S16 depth = 30) {
        char buffer[4096];
        SSCE_S16 scores[256];
        const SSCE_S16 n =
            ENGINE(SSCE_Suggest)(ENGINE(SSCE_GetSid)(), word, depth, buffer, 4096, scores, 256);
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
    const std::tuple<std::string, int, std::vector<Report>> rows[] = {
        {"The cat sat on the mat.", kDefault, {}},
        {"Ths is a tst", kDefault, {{"Ths", 1, 0}, {"tst", 1, 9}}},
        {"see the the cat", kDefault, {{"the", 4, 8}}},
        {"the\r\nthe", kDefault, {{"the", 4, 5}}},
        {"on monday", kDefault, {{"monday", 8, 3}}},
        {"QWZX here", kDefault, {}},
        {"Qwzx here", kDefault | SSCE_IGNORE_CAPPED_WORD_OPT, {}},
        {"Wqn95 1999", kDefault, {}},
        {"qwSuperBaze", kDefault | SSCE_IGNORE_MIXED_CASE_OPT, {}},
        {"see xyzq.com now", kDefault & ~SSCE_IGNORE_DOMAIN_NAMES_OPT, {{"xyzq", 1, 4}}},
        {"don't 'it's'", kDefault, {}},
        {"well-knwn", kDefault, {{"knwn", 1, 5}}},
        {"a " + std::string(70, 'q'), kDefault, {{std::string(63, 'q'), 33, 2}}}, // cut, flagged
        {"caf\xe9 here", kDefault, {{"caf\xe9", 1, 0}}},
    };
    for (const auto& [text, options, expected] : rows)
        EXPECT_EQ(walk(text, options), expected) << text;
}

// Replacing "hav" in "I hav a cat" moves the caller's text, growing the block up to the
// buffer's size only; the walk goes on after the new text.
TEST_F(SpellingEngine, ReplacementsGrowTheCallersBufferUpToItsSize) {
    // Buffer size, replacement, result, text after.
    const std::tuple<int, const char*, int, const char*> rows[] = {
        {64, "", 0, "I  a cat"},
        {13, "have", 0, "I have a cat"},
        {12, "have", SSCE_BUFFER_TOO_SMALL_ERR, "I hav a cat"},
    };
    const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
    for (const auto& [size, replacement, result, after] : rows) {
        std::vector<char> buffer(size, 'X');
        std::memcpy(buffer.data(), "I hav a cat", 11);
        const SSCE_S16 block = SSCEOpenBlock(buffer.data(), 11, size);
        char word[64], other[64];
        EXPECT_EQ(ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64), 1);
        EXPECT_EQ(ENGINE(SSCE_ReplaceBlockWord)(sid, block, replacement), result);
        EXPECT_STREQ(buffer.data(), after) << size;
        ENGINE(SSCE_NextBlockWord)(sid, block);
        EXPECT_EQ(ENGINE(SSCE_CheckBlock)(sid, block, word, 64, other, 64), SSCE_END_OF_BLOCK_RSLT);
        EXPECT_EQ(ENGINE(SSCE_CloseBlock)(sid, block), 0);
    }
}

TEST_F(SpellingEngine, SuggestionsComeBestFirstAndTheDepthLimitsThem) {
    const std::tuple<int, const char*, const char*, size_t> rows[] = {
        {SSCE_DEPTH_MODERATE, "recieve", "receive", 10},
        {SSCE_DEPTH_FAST, "recieve", "receive", 4},
        {SSCE_DEPTH_MODERATE, "Recieve", "Receive", 10},
    };
    for (const auto& [depth, word, first, most] : rows) {
        ENGINE(SSCE_SetSuggestionDepth)(depth);
        const auto list = suggestions(word);
        EXPECT_LE(list.size(), most) << word;
        EXPECT_EQ(list.empty() ? "" : list.front(), first) << word;
    }
    // A positive depth keeps that many of the best; 0 or below leaves the option's count.
    const auto all = suggestions("recieve");
    ASSERT_GT(all.size(), 2u); // the rows below take the first two
    for (auto [depth, count] :
         {std::pair<SSCE_S16, size_t>{2, 2}, {0, all.size()}, {-1, all.size()}})
        EXPECT_EQ(suggestions("recieve", depth), std::vector(all.begin(), all.begin() + count))
            << depth;
    // Split words only at the slow depth with their option.
    ENGINE(SSCE_SetOptions)(kDefault | SSCE_SUGGEST_SPLIT_WORDS_OPT);
    ENGINE(SSCE_SetSuggestionDepth)(SSCE_DEPTH_SLOW);
    const auto split = suggestions("catdog");
    EXPECT_NE(std::find(split.begin(), split.end(), "cat dog"), split.end());
}

TEST_F(SpellingEngine, SuggestionsNeverOverrunASmallBuffer) {
    for (int size : {1, 5, 9, 40}) {
        std::vector<char> buffer(size + 8, 'Z');
        const SSCE_S16 n = ENGINE(SSCE_Suggest)(ENGINE(SSCE_GetSid)(), "recieve", 30, buffer.data(),
                                                size, nullptr, 0);
        EXPECT_EQ(std::string(buffer.data() + size, 8), std::string(8, 'Z')) << size;
        EXPECT_EQ(buffer[0] == '\0', n == 0) << size;
    }
}

// The user dictionary (whose words then pass, as the dialog and command tests show) is a
// plain word list in application data, appended once per word; only action 105 adds.
TEST_F(SpellingEngine, AddedWordsLandInThePlainWordList) {
    char names[256];
    EXPECT_EQ(ENGINE(SSCE_GetUserLexFiles)(names, 256), 1);
    const SSCE_S16 lex = ENGINE(SSCE_GetLexId)(names), sid = ENGINE(SSCE_GetSid)();
    EXPECT_EQ(ENGINE(SSCE_AddToLex)(sid, lex, "Zorblatt", 'x', nullptr), SSCE_INVALID_WORD_ERR);
    for (int twice = 0; twice < 2; ++twice)
        EXPECT_EQ(ENGINE(SSCE_AddToLex)(sid, lex, "Zorblatt", SSCE_IGNORE_ACTION, nullptr), 0);
    EXPECT_EQ(tessaly::testing::ReadFile(prefix_.root() + "/drive_c/users/" +
                                         tessaly::platform::PrefixUserName() +
                                         "/Application Data/Tessaly/userdic.tlx"),
              "Zorblatt\r\n");
}

// The main dictionary is chosen among those installed (the options dialog's list shows them);
// a missing one opens no block.
TEST_F(SpellingEngine, TheMainDictionaryIsChosenAmongThoseInstalled) {
    EXPECT_EQ(ENGINE(SSCE_SetMainLexName)("de_DE"), 0);
    EXPECT_EQ(walk("in der Stadt Hauss", kDefault), (std::vector<Report>{{"Hauss", 1, 13}}));
    EXPECT_EQ(ENGINE(SSCE_SetMainLexName)("xx_XX"), 0);
    char text[64] = "some text";
    EXPECT_EQ(SSCEOpenBlock(text, 9, 64), SSCE_NO_DICTIONARY_ERR);
    CStringArray none;
    EXPECT_EQ(GetSuggestionWordList("recieve", none), 0); // its files: the command tests
}

} // namespace
