// The Check Spelling dialog against a caller's editor that answers the highlight and replace
// messages, and the engine's options dialog, driven by the automation API only.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/spelling_engine.h>
#include <tessaly/text.h>
#include <tessaly/wnd.h>

#include "platform/prefix.h"
#include "spelling_support.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/registry.h"

using tessaly::automation::Dialog;

namespace {

constexpr int kErrorWord = 8701, kChangeTo = 8702, kSuggestions = 8703, kChange = 8704,
              kIgnore = 8705, kOptions = 8708;

// The word processor's side: selects the word it is told (from the end of the last selection)
// and puts the text it is given in place of the selection.
class Editor : public QTextEdit {
  public:
    std::vector<std::string> highlights;
    std::vector<WPARAM> wParams;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != CWndMessageEvent::EventType()) return QTextEdit::event(e);
        auto* m = static_cast<CWndMessageEvent*>(e);
        const std::string text = reinterpret_cast<const char*>(m->lParam());
        wParams.push_back(m->wParam());
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

class SpellingDialog : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        tessaly::testing::EnsureQtApplication();
        tessaly::automation::SetMessageBoxHandler([this](const auto& info) {
            messages.push_back(info.text);
            return IDOK;
        });
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
    }

    // Runs the check over the editor's text; script answers the Check Spelling dialog, options
    // the engine's options dialog.
    int check(Editor& editor, std::function<void(Dialog&)> script,
              std::function<void(Dialog&)> options = nullptr) {
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            if (d.TemplateName() == "OPTIONSDLG") {
                if (options) options(d);
                return;
            }
            EXPECT_EQ(d.TemplateId(), 8700u);
            ++opened;
            if (script) script(d);
        });
        CWnd wrapper(&editor);
        const std::string text = editor.toPlainText().toLatin1().toStdString();
        return ShowCheckSpellingDlg(&wrapper, text.c_str());
    }

    static std::string complete(int errors, int changed) {
        return "The spelling check is complete.\r\n" + std::to_string(errors) +
               " errors detected, " + std::to_string(changed) + " words changed.";
    }

    std::vector<std::string> messages;
    int opened = 0;
};

// A script of the dialog's steps separated by '|': "!ID" clicks, ">ID=TEXT" types into a box,
// "?ID=TEXT" expects a box's text.
void runSteps(Dialog& d, const std::string& steps, const char* rule) {
    for (const std::string& step : tessaly::testing::Pieces(steps, '|')) {
        const size_t eq = step.find('=');
        const int id = std::stoi(step.substr(1, eq == std::string::npos ? eq : eq - 1));
        const std::string text = eq == std::string::npos ? "" : step.substr(eq + 1);
        if (step[0] == '!') {
            EXPECT_TRUE(d.Click(id)) << rule << ": " << step;
        } else if (step[0] == '>') {
            d.SetText(id, text);
        } else {
            EXPECT_EQ(d.GetText(id), text) << rule << ": " << step;
        }
    }
}

// One row per button's rule: the editor's text afterwards, the words highlighted, and the
// completion message with its counts (none after Cancel). 8701 Consider Changing, 8702 Change
// To, 8704 Change, 8705 Ignore, 8706 Add, 8707 Change All, 2 Cancel.
TEST_F(SpellingDialog, EachButtonLeavesTheEditorAndTheCountsAsItShould) {
    // highlighted: the words, separated by '|'; message: empty for none.
    struct Row {
        const char* rule;
        const char* text;
        const char* steps;
        const char* after;
        const char* highlighted;
        std::string message;
    };
    const Row rows[] = {
        {"a text without errors", "The cat sat.", "", "The cat sat.", "", complete(0, 0)},
        {"Change takes the first suggestion", "I recieve mail.",
         "?8701=recieve|?8702=receive|!8704", "I receive mail.", "recieve", complete(1, 1)},
        {"Change takes a typed word", "I recieve mail.", ">8702=get|!8704", "I get mail.",
         "recieve", complete(1, 1)},
        {"no suggestions and an empty Change To remove the word", "a qzxqzxqzx b", "?8702=|!8704",
         "a  b", "qzxqzxqzx", complete(1, 1)},
        {"Change All changes later ones without stopping", "teh cat and teh dog", ">8702=the|!8707",
         "the cat and the dog", "teh|teh", complete(2, 1)},
        {"Ignore records nothing", "I recieve a recieve", "!8705|!8705", "I recieve a recieve",
         "recieve|recieve", complete(2, 0)},
        {"Add lets later ones pass", "Zorblatt met Zorblatt.", "!8706", "Zorblatt met Zorblatt.",
         "Zorblatt", complete(1, 0)},
        {"Cancel keeps the changes so far", "I recieve and recieve.", "!8704|!2",
         "I receive and recieve.", "recieve|recieve", ""},
    };
    for (const auto& row : rows) {
        messages.clear();
        Editor editor;
        editor.setPlainText(row.text);
        const int result = check(editor, [&](Dialog& d) { runSteps(d, row.steps, row.rule); });
        EXPECT_EQ(result, IDCANCEL) << row.rule;
        EXPECT_EQ(editor.toPlainText().toStdString(), row.after) << row.rule;
        EXPECT_EQ(editor.highlights, tessaly::testing::Pieces(row.highlighted, '|')) << row.rule;
        for (WPARAM w : editor.wParams)
            EXPECT_EQ(w, 0x01010000u) << row.rule;
        EXPECT_EQ(messages, tessaly::testing::Pieces(row.message, '|')) << row.rule;
    }
}

// The list shows the engine's suggestions in order; choosing one puts it in Change To.
TEST_F(SpellingDialog, ChoosingASuggestionPutsItInChangeTo) {
    Editor editor;
    editor.setPlainText("I recieve mail.");
    CStringArray engine;
    GetSuggestionWordList("recieve", engine);
    ASSERT_GE(engine.GetSize(), 2);
    check(editor, [&](Dialog& d) {
        const auto items = d.GetItems(kSuggestions);
        ASSERT_EQ(items.size(), static_cast<size_t>(engine.GetSize()));
        EXPECT_TRUE(
            std::equal(items.begin(), items.end(), engine.GetData(),
                       [](const std::string& a, const CString& b) { return b == a.c_str(); }));
        EXPECT_EQ(d.GetCurSel(kSuggestions), 0);
        EXPECT_TRUE(d.SetCurSel(kSuggestions, 1));
        EXPECT_EQ(d.GetText(kChangeTo), items[1]);
        d.Click(kChange);
    });
    EXPECT_EQ(editor.toPlainText().toStdString(),
              std::string("I ") + engine[1].GetString() + " mail.");
}

// Options... shows the engine's dialog from the library's template; the check goes on under
// the new choices.
TEST_F(SpellingDialog, OptionsChangeTheRestOfTheCheck) {
    Editor editor;
    editor.setPlainText("see the the cat Qwzx");
    check(
        editor,
        [](Dialog& d) {
            EXPECT_EQ(d.GetText(kErrorWord), "the");
            d.Click(kOptions);
            d.Click(kIgnore);
        },
        [](Dialog& o) {
            EXPECT_EQ(o.GetCheck(1021), 0);
            o.SetCheck(1021, 1); // ignore capitalised words
            o.Click(IDOK);
        });
    EXPECT_EQ(messages, std::vector<std::string>{complete(1, 0)});
    EXPECT_TRUE(ENGINE(SSCE_GetOptions)() & SSCE_IGNORE_CAPPED_WORD_OPT);
}

// The exported options dialog: the engine's current choices shown, every installed
// dictionary offered, OK keeps the choices (in the registry, for every later session),
// Cancel keeps nothing.
TEST_F(SpellingDialog, TheOptionsDialogShowsAndKeepsTheEnginesChoices) {
    const int ids[] = {1021, 1028, 1025, 1044, 1046, 1022, 1041, 1042, 1045, 1043, 1050};
    tessaly::automation::SetDialogHandler([&](Dialog& o) {
        EXPECT_EQ(o.Caption(), "Options");
        int checked = 0;
        for (int id : ids)
            checked += o.GetCheck(id);
        EXPECT_EQ(checked, __builtin_popcount(SSCE_DEFAULT_OPTIONS));
        EXPECT_EQ(o.GetCheck(1052), 1);
        // Every installed dictionary by its language's name, the engine's own chosen.
        const auto languages = o.GetItems(1059);
        const auto at = [&](const char* name) {
            return std::find(languages.begin(), languages.end(), name) - languages.begin();
        };
        ASSERT_LT(at("German (Germany)"), static_cast<long>(languages.size()));
        EXPECT_EQ(o.GetCurSel(1059), at("English (United States)"));
        for (int id : ids)
            o.SetCheck(id, o.GetCheck(id) ? 0 : 1);
        o.SetCheck(1052, 0);
        o.SetCheck(1053, 1);
        o.SetCurSel(1059, static_cast<int>(at("German (Germany)")));
        o.Click(IDOK);
    });
    EXPECT_EQ(SSCEOptionsDlgTmplt(), IDOK);
    EXPECT_EQ(ENGINE(SSCE_GetOptions)(), ~SSCE_DEFAULT_OPTIONS & 0x7FF);
    EXPECT_EQ(ENGINE(SSCE_GetSuggestionDepth)(), SSCE_DEPTH_SLOW);
    char name[16];
    ENGINE(SSCE_GetMainLexName)(name, sizeof name);
    EXPECT_STREQ(name, "de_DE");
    DWORD stored = 0;
    EXPECT_EQ(GetRegDWORD("Software\\Varnholt\\Spelling Engine", "Options", stored, 0), 1);
    EXPECT_EQ(stored, static_cast<DWORD>(~SSCE_DEFAULT_OPTIONS & 0x7FF));

    tessaly::automation::SetDialogHandler([&](Dialog& o) {
        o.SetCheck(1021, 0);
        o.Click(IDCANCEL);
    });
    EXPECT_EQ(SSCEOptionsDlgTmplt(), IDCANCEL);
    EXPECT_EQ(ENGINE(SSCE_GetOptions)(), ~SSCE_DEFAULT_OPTIONS & 0x7FF);
}

// "To Save Log": the progress lines in the install folder's Log\CorvaneWordDll.log, and
// none without the switch.
TEST_F(SpellingDialog, TheLogSwitchWritesTheProgressLines) {
    const std::string install = prefix_.scratch() + "/install";
    tessaly::testing::WriteFile(install + "/Log/keep", "");
    tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR",
                                 "", tessaly::testing::WindowsPath(install));
    const std::string log = install + "/Log/CorvaneWordDll.log";
    for (DWORD on : {0u, 1u}) {
        tessaly::testing::PutRegValue(HKEY_CURRENT_USER, "Software\\varnholt\\Lintor\\Options",
                                      "To Save Log", REG_DWORD, &on, sizeof on);
        Editor editor;
        editor.setPlainText("I recieve mail.");
        check(editor, [](Dialog& d) { d.Click(kIgnore); });
        const std::string expected =
            on ? "initializing\r\ninit step1\r\ninit step2\r\nto find error word\r\n"
                 "found the error word\r\ninitailization finished\r\n"
               : "";
        EXPECT_EQ(tessaly::testing::ReadFile(log), expected) << on;
    }
}

// The dialog sits at the editor's right edge, 10 pixels above its top.
TEST_F(SpellingDialog, TheDialogLinesUpWithTheEditor) {
    Editor editor;
    editor.setPlainText("I recieve mail.");
    editor.setGeometry(300, 200, 420, 300);
    editor.show();
    RECT dialogRect{}, editorRect{};
    CWnd(&editor).GetWindowRect(&editorRect);
    check(editor, [&](Dialog& d) {
        CWnd::FromHandle(d.Handle())->GetWindowRect(&dialogRect);
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(dialogRect.right, editorRect.right);
    EXPECT_EQ(dialogRect.top, editorRect.top - 10);
}

// Without a dictionary the block cannot be opened: Cancel before the dialog is seen, no
// message; without suggestions the list is left as it was.
TEST_F(SpellingDialog, AMissingDictionaryEndsAtOnceWithCancel) {
    ENGINE(SSCE_SetMainLexName)("xx_XX");
    Editor editor;
    editor.setPlainText("I recieve mail.");
    EXPECT_EQ(check(editor, [](Dialog& d) { d.Click(kChange); }), IDCANCEL);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(editor.toPlainText().toStdString(), "I recieve mail.");
}

TEST_F(SpellingDialog, SuggestionListsAreAppendedTo) {
    CStringArray list;
    const int once = GetSuggestionWordList("recieve", list);
    ASSERT_GT(once, 0);
    EXPECT_EQ(list[0], "receive");
    EXPECT_EQ(GetSuggestionWordList("recieve", list), 2 * once);
    EXPECT_EQ(list[once], "receive");
    EXPECT_EQ(GetSuggestionWordList("", list), 2 * once);
}

} // namespace
