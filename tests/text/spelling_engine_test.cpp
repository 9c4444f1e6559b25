// The spelling engine module (block walks, options, replacements, suggestions, dictionaries)
// and the Check Spelling and options dialogs on it, against an editor answering their messages.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/text.h>
#include <tessaly/wnd.h>

#include "../dialogs/choices_support.h"
#include "platform/prefix.h"
#include "spelling_support.h"
#include "support/qt_app.h"
#include "support/registry.h"

using namespace choices_test;

namespace {

using Report = std::tuple<std::string, int, int>; // word, flags, cursor

class SpellingEngine : public ScriptedDialogs {
  protected:
    void SetUp() override { tessaly::testing::EnsureQtApplication(); }

    // Every word the walk reports over the text, passing over each (Ignore).
    std::vector<Report> walk(std::string text, int options) {
        ENGINE(SSCE_SetOptions)(options);
        const SSCE_S16 sid = ENGINE(SSCE_GetSid)();
        const int length = static_cast<int>(text.size());
        text.resize(length + 256);
        const SSCE_S16 block = SSCEOpenBlock(text.data(), length, length + 256);
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

// The user dictionary is a plain word list in application data, one line per word; action 105.
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

constexpr int kChangeTo = 8702, kSuggestions = 8703, kIgnore = 8705;

// Selects the word it is told (after the last selection); puts given text over the selection.
class Editor : public QTextEdit {
  public:
    explicit Editor(const char* text = "I recieve mail.") { setPlainText(text); }
    std::vector<std::string> highlights;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != CWndMessageEvent::EventType()) return QTextEdit::event(e);
        auto* m = static_cast<CWndMessageEvent*>(e);
        const std::string text = reinterpret_cast<const char*>(m->lParam());
        EXPECT_EQ(m->wParam(), 0x01010000u);
        if (m->message() == WM_USER + 200) {
            highlights.push_back(text);
            const QTextCursor found = document()->find(
                QString::fromLatin1(text.c_str()), textCursor().selectionEnd(),
                QTextDocument::FindCaseSensitively | QTextDocument::FindWholeWords);
            if (!found.isNull()) setTextCursor(found);
        } else if (m->message() == WM_USER + 201) {
            insertPlainText(QString::fromLatin1(text.c_str()));
        }
        m->setResult(1);
        return true;
    }
};

class SpellingDialog : public SpellingEngine {
  protected:
    // The first script answers the Check Spelling dialog, a second the engine's options dialog.
    int check(Editor& editor, std::vector<Script> scripts) {
        CWnd wrapper(&editor);
        const std::string text = editor.toPlainText().toLatin1().toStdString();
        return Run(scripts, [&] { return ShowCheckSpellingDlg(&wrapper, text.c_str()); });
    }

    static std::string complete(int errors, int changed) {
        return "The spelling check is complete.\r\n" + std::to_string(errors) +
               " errors detected, " + std::to_string(changed) + " words changed.";
    }
};

// Steps separated by '|': "!ID" clicks, ">ID=TEXT" types into a box, "?ID=TEXT" expects it.
void runSteps(Dialog& d, const std::string& steps, const char* rule) {
    for (const std::string& step : tessaly::testing::Pieces(steps, '|')) {
        const int id = std::stoi(step.substr(1));
        const std::string text = step.substr(std::min(step.find('='), step.size() - 1) + 1);
        if (step[0] == '>') d.SetText(id, text);
        const bool done = step[0] == '!' ? d.Click(id) : step[0] == '>' || d.GetText(id) == text;
        EXPECT_TRUE(done) << rule << ": " << step << " (shown: " << d.GetText(id) << ")";
    }
}

// 8701 Consider Changing, 8702 Change To, 8704 Change, 8705 Ignore, 8706 Add, 8707 Change All,
// 8708 Options... (the engine's dialog, where the test sets "ignore capitalised words").
TEST_F(SpellingDialog, EachButtonLeavesTheEditorAndTheCountsAsItShould) {
    // Text, steps, the text afterwards, the words highlighted, the closing message.
    const std::tuple<const char*, const char*, const char*, const char*, std::string> rows[] = {
        {"The cat sat.", "", "The cat sat.", "", complete(0, 0)},
        {"I recieve mail.", "?8701=recieve|?8702=receive|!8704", "I receive mail.", "recieve",
         complete(1, 1)},
        // Without suggestions an empty Change To removes the word.
        {"a qzxqzxqzx b", "?8702=|!8704", "a  b", "qzxqzxqzx", complete(1, 1)},
        {"teh cat and teh dog", ">8702=the|!8707", "the cat and the dog", "teh|teh",
         complete(2, 1)},
        {"I recieve a recieve", "!8705|!8705", "I recieve a recieve", "recieve|recieve",
         complete(2, 0)},
        {"Plonkrat met Plonkrat.", "!8706", "Plonkrat met Plonkrat.", "Plonkrat", complete(1, 0)},
        {"I recieve and recieve.", "!8704|!2", "I receive and recieve.", "recieve|recieve", ""},
        {"see the the cat Qwzx", "?8701=the|!8708|!8705", "see the the cat Qwzx", "the",
         complete(1, 0)},
    };
    const auto ignoreCapitalised = [](Dialog& o) {
        o.SetCheck(1021, 1);
        o.Click(IDOK);
    };
    for (const auto& [text, steps, after, highlighted, message] : rows) {
        Editor editor(text);
        EXPECT_EQ(check(editor, {[&](Dialog& d) { runSteps(d, steps, text); }, ignoreCapitalised}),
                  IDCANCEL);
        EXPECT_EQ(editor.toPlainText().toStdString(), after) << text;
        EXPECT_EQ(editor.highlights, tessaly::testing::Pieces(highlighted, '|')) << text;
        EXPECT_EQ(messages, tessaly::testing::Pieces(message, '|')) << text;
    }
}

// The list holds the engine's suggestions in order (which GetSuggestionWordList appends to a
// list, an empty word none); choosing one puts it in Change To.
TEST_F(SpellingDialog, TheListHoldsTheEnginesSuggestions) {
    CStringArray engine;
    const int once = GetSuggestionWordList("recieve", engine);
    EXPECT_EQ(GetSuggestionWordList("", engine), once);
    Editor editor;
    std::vector<std::string> shown;
    check(editor, {[&](Dialog& d) {
              shown = d.GetItems(kSuggestions);
              d.SetCurSel(kSuggestions, 1);
              shown.push_back(d.GetText(kChangeTo));
              d.Click(IDCANCEL);
          }});
    engine.Add(engine[1]); // the one chosen, in Change To
    EXPECT_EQ(shown, Texts(engine));
    EXPECT_EQ(GetSuggestionWordList("recieve", engine), 2 * once + 1);
}

// The engine's choices shown, every dictionary offered; OK keeps them (registry), Cancel not.
TEST_F(SpellingDialog, TheOptionsDialogShowsAndKeepsTheEnginesChoices) {
    const auto flipAll = [](Dialog& o) {
        const auto languages = o.GetItems(1059);
        const auto german = std::find(languages.begin(), languages.end(), "German (Germany)");
        EXPECT_EQ(languages.at(o.GetCurSel(1059)), "English (United States)");
        for (int id : {1021, 1028, 1025, 1044, 1046, 1022, 1041, 1042, 1045, 1043, 1050})
            o.SetCheck(id, o.GetCheck(id) ? 0 : 1);
        o.SetCurSel(1059, static_cast<int>(german - languages.begin()));
        o.Click(IDOK);
    };
    const DWORD flipped = ~SSCE_DEFAULT_OPTIONS & 0x7FF;
    EXPECT_EQ(Run(flipAll, [] { return SSCEOptionsDlgTmplt(); }), IDOK);
    EXPECT_EQ(ENGINE(SSCE_GetOptions)(), static_cast<SSCE_S32>(flipped));
    char name[16];
    DWORD stored = 0;
    ENGINE(SSCE_GetMainLexName)(name, sizeof name);
    GetRegDWORD("Software\\Varnholt\\Spelling Engine", "Options", stored, 0);
    EXPECT_EQ(std::pair(std::string(name), stored), std::pair(std::string("de_DE"), flipped));
    const auto cancel = Then([](Dialog& o) { o.SetCheck(1021, 0); }, Click(IDCANCEL));
    EXPECT_EQ(Run(cancel, [] { return SSCEOptionsDlgTmplt(); }), IDCANCEL);
    EXPECT_EQ(ENGINE(SSCE_GetOptions)(), static_cast<SSCE_S32>(flipped));
}

// "To Save Log" writes the progress lines to the install folder's log; none without it.
TEST_F(SpellingDialog, TheLogSwitchWritesTheProgressLines) {
    const std::string install = prefix_.scratch() + "/install";
    tessaly::testing::WriteFile(install + "/Log/keep", "");
    tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR",
                                 "", tessaly::testing::WindowsPath(install));
    for (DWORD on : {0u, 1u}) {
        tessaly::testing::PutRegValue(HKEY_CURRENT_USER, "Software\\varnholt\\Lintor\\Options",
                                      "To Save Log", REG_DWORD, &on, sizeof on);
        Editor editor;
        check(editor, {[](Dialog& d) { d.Click(kIgnore); }});
        const std::string expected =
            on ? "initializing\r\ninit step1\r\ninit step2\r\nto find error word\r\n"
                 "found the error word\r\ninitailization finished\r\n"
               : "";
        EXPECT_EQ(tessaly::testing::ReadFile(install + "/Log/CorvaneWordDll.log"), expected) << on;
    }
}

// The main dictionary is chosen among those installed; without one no block opens, there are
// no suggestions, and the dialog ends at once with Cancel, showing nothing.
TEST_F(SpellingDialog, TheMainDictionaryIsChosenAmongThoseInstalled) {
    EXPECT_EQ(ENGINE(SSCE_SetMainLexName)("de_DE"), 0);
    EXPECT_EQ(walk("in der Stadt Hauss", kDefault), (std::vector<Report>{{"Hauss", 1, 13}}));
    EXPECT_EQ(ENGINE(SSCE_SetMainLexName)("xx_XX"), 0);
    char text[64] = "some text";
    EXPECT_EQ(SSCEOpenBlock(text, 9, 64), SSCE_NO_DICTIONARY_ERR);
    CStringArray none;
    EXPECT_EQ(GetSuggestionWordList("recieve", none), 0);
    Editor editor;
    EXPECT_EQ(check(editor, {[](Dialog&) {}}), IDCANCEL);
    EXPECT_EQ(opened.size() + messages.size(), 0u);
}

} // namespace
