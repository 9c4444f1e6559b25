// The Check Spelling dialog against an editor answering its messages, and the options dialog.

#include <algorithm>
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
#include "spelling_support.h"
#include "support/qt_app.h"
#include "support/registry.h"

using namespace choices_test;

namespace {

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
            QTextCursor cursor = textCursor();
            cursor.insertText(QString::fromLatin1(text.c_str()));
            setTextCursor(cursor);
        }
        m->setResult(1);
        return true;
    }
};

class SpellingDialog : public ScriptedDialogs {
  protected:
    void SetUp() override { tessaly::testing::EnsureQtApplication(); }

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

// 8701 Consider Changing, 8702 Change To, 8704 Change, 8705 Ignore, 8706 Add, 8707 Change All.
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
        {"Zorblatt met Zorblatt.", "!8706", "Zorblatt met Zorblatt.", "Zorblatt", complete(1, 0)},
        {"I recieve and recieve.", "!8704|!2", "I receive and recieve.", "recieve|recieve", ""},
    };
    for (const auto& [text, steps, after, highlighted, message] : rows) {
        Editor editor(text);
        EXPECT_EQ(check(editor, {[&](Dialog& d) { runSteps(d, steps, text); }}), IDCANCEL);
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
    std::vector<std::string> expected = Texts(engine);
    expected.push_back(expected.at(1));
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(GetSuggestionWordList("recieve", engine), 2 * once);
}

// Options... (8708) opens the engine's dialog; the check goes on under the new choices.
TEST_F(SpellingDialog, OptionsChangeTheRestOfTheCheck) {
    Editor editor("see the the cat Qwzx");
    check(editor, {[](Dialog& d) { runSteps(d, "?8701=the|!8708|!8705", "options"); },
                   [](Dialog& o) {
                       o.SetCheck(1021, 1); // ignore capitalised words
                       o.Click(IDOK);
                   }});
    EXPECT_EQ(messages, std::vector<std::string>{complete(1, 0)});
    EXPECT_TRUE(ENGINE(SSCE_GetOptions)() & SSCE_IGNORE_CAPPED_WORD_OPT);
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
    ENGINE(SSCE_GetMainLexName)(name, sizeof name);
    EXPECT_STREQ(name, "de_DE");
    DWORD stored = 0;
    EXPECT_EQ(GetRegDWORD("Software\\Varnholt\\Spelling Engine", "Options", stored, 0), 1);
    EXPECT_EQ(stored, flipped);
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

// Without a dictionary: Cancel before any dialog is shown, and no message.
TEST_F(SpellingDialog, AMissingDictionaryEndsAtOnceWithCancel) {
    ENGINE(SSCE_SetMainLexName)("xx_XX");
    Editor editor;
    EXPECT_EQ(check(editor, {[](Dialog&) {}}), IDCANCEL);
    EXPECT_EQ(opened.size() + messages.size(), 0u);
}

} // namespace
