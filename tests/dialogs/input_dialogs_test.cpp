// The input dialog, its buffer form and the two-choice message, answered through UI automation.
#include <tessaly/controls.h>
#include <tessaly/dialogs.h>
#include <tessaly/wnd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "choices_support.h"

using namespace choices_test;

namespace {

constexpr int kText = 1770, kPrompt = 1020;

class InputDialogs : public ScriptedDialogs {};

} // namespace

// Title and prompt default to "Input"; OK stores the field, Cancel and Escape leave the text.
TEST_F(InputDialogs, InputDialogShowsAndStores) {
    // Text, prompt, caption, typed (null: none), button (0: Escape); the title and prompt shown,
    // the result and the text afterwards.
    const std::tuple<const char*, const char*, const char*, const char*, int, const char*,
                     const char*, int, const char*>
        cases[] = {
            {"", "", "", "a & b", IDOK, "Input", "Input:", 1, "a & b"},
            {"start", "Your name:", "Who", nullptr, IDOK, "Who", "Your name:", 1, "start"},
            {"start", "Prompt", "", "other", 0, "Input", "Prompt", 2, "start"},
        };
    for (const auto& [start, prompt, caption, typed, button, title, shown, result, stored] :
         cases) {
        std::string promptShown, startShown;
        CString text(start);
        EXPECT_EQ(Run(Then(
                          [&](Dialog& d) {
                              promptShown = d.GetText(kPrompt);
                              startShown = d.GetText(kText);
                              if (typed) d.SetText(kText, typed);
                          },
                          button ? Click(button) : Escape()),
                      [&] { return InputDialog(text, prompt, caption); }),
                  result);
        using Texts = std::tuple<std::string, std::string, std::string, std::string>;
        EXPECT_EQ(Texts(captions.back(), promptShown, startShown, text.str()),
                  Texts(title, shown, start, stored));
    }
}

// OK on an empty field says why and keeps the dialog open; typing then OK goes through.
TEST_F(InputDialogs, EmptyFieldKeepsDialogOpen) {
    CString text("before");
    const int result = Run(
        [&](Dialog& d) {
            d.SetText(kText, "");
            d.SetFocus(IDOK);
            d.Click(IDOK);
            EXPECT_EQ(d.GetFocus(), kText); // still open, back on the field
            d.SetText(kText, "now");
            d.Click(IDOK);
        },
        [&] { return InputDialog(text, "", ""); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(messages, std::vector<std::string>{"Input should not be empty."});
    EXPECT_EQ(text.str(), "now");
}

// The buffer form: OK copies at most the maximum length and a zero; Cancel leaves the buffer.
TEST_F(InputDialogs, BufferFormCutsAtMaximumLength) {
    for (const auto& [maximum, button, expected] :
         {std::tuple{3, IDOK, "abc"}, {0, IDOK, ""}, {3, IDCANCEL, "xy"}}) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        std::strcpy(buffer, "xy");
        const int result = Run(Then(
                                   [&](Dialog& d) {
                                       EXPECT_EQ(d.GetText(kText), "xy");
                                       d.SetText(kText, "abcdef");
                                   },
                                   Click(button)),
                               [&] { return ShowInputDialog(buffer, maximum, "Code:", "Unlock"); });
        EXPECT_EQ(result, button) << maximum;
        EXPECT_STREQ(buffer, expected) << maximum;
        // Nothing is written past the room the caller gave (maximum and the zero).
        for (int i = std::max(3, maximum + 1); i < 16; ++i)
            EXPECT_EQ(buffer[i], '#') << i;
    }
    char kept[8] = "kept"; // null prompt and caption are empty ones
    EXPECT_EQ(Run(Click(IDOK), [&] { return ShowInputDialog(kept, 7, nullptr, nullptr); }), 1);
    EXPECT_EQ(captions.back(), "Input");
}

// The two-choice message: the text in the rich edit, "&Continue Anyway" 1.
TEST_F(InputDialogs, MessageWithTwoChoices) {
    std::string text;
    CHARFORMAT format;
    const Script look = [&](Dialog& d) {
        text = d.GetText(1100);
        // The text's default character format: Arial, 10 points (200 twips).
        if (CWnd* dialog = CWnd::FromHandle(d.Handle()))
            if (auto* edit = dynamic_cast<CRichEditCtrl*>(dialog->GetDlgItem(1100))) {
                edit->SetSel(0, 5);
                edit->GetSelectionCharFormat(format);
            }
    };
    EXPECT_EQ(Run(Then(look, Click(IDOK)), [] { return ShowMsgBoxDlg("Checking stopped early."); }),
              IDOK);
    EXPECT_EQ(text, "Checking stopped early.");
    EXPECT_STREQ(format.szFaceName, "Arial");
    EXPECT_EQ(format.yHeight, 200);
}
