// The input dialog and its buffer form, and the long message and two-choice message,
// answered through UI automation.
#include <tessaly/automation.h>
#include <tessaly/controls.h>
#include <tessaly/dialogs.h>
#include <tessaly/wnd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/prefix.h"

using tessaly::automation::Dialog;
using tessaly::automation::MessageBoxInfo;
using tessaly::testing::PrefixTest;

namespace {

constexpr int kText = 1770, kPrompt = 1020;

class InputDialogs : public PrefixTest {
  protected:
    void SetUp() override {
        PrefixTest::SetUp();
        tessaly::automation::SetMessageBoxHandler([this](const MessageBoxInfo& info) {
            messages.push_back(info.text);
            return 1;
        });
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
        PrefixTest::TearDown();
    }

    void answer(std::function<void(Dialog&)> script) {
        tessaly::automation::SetDialogHandler(std::move(script));
    }

    std::vector<std::string> messages;
};

struct Shown {
    UINT templateId = 0;
    std::string title, prompt, text;
};

} // namespace

// Title and prompt default to the string table's "Input"; the field starts with the
// caller's text; OK stores the field, Cancel and Escape leave the caller's text alone.
TEST_F(InputDialogs, InputDialogShowsAndStores) {
    struct Case {
        const char* text;
        const char* prompt;
        const char* caption;
        const char* typed; // null: leave the field as it starts
        int button;        // 0: Escape
        Shown shown;
        int result;
        const char* stored;
    };
    const Case cases[] = {
        {"", "", "", "typed", IDOK, {1021, "Input", "Input:", ""}, 1, "typed"},
        {"start",
         "Your name:",
         "Who",
         nullptr,
         IDOK,
         {1021, "Who", "Your name:", "start"},
         1,
         "start"},
        {"start", "", "Title", "other", IDCANCEL, {1021, "Title", "Input:", "start"}, 2, "start"},
        {"start", "Prompt", "", "other", 0, {1021, "Input", "Prompt", "start"}, 2, "start"},
        {"", "", "", "a & b", IDOK, {1021, "Input", "Input:", ""}, 1, "a & b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + "|" + c.prompt + "|" + c.caption);
        Shown shown;
        answer([&](Dialog& d) {
            shown = {d.TemplateId(), d.Caption(), d.GetText(kPrompt), d.GetText(kText)};
            if (c.typed) d.SetText(kText, c.typed);
            c.button ? (void)d.Click(c.button) : d.PressEscape();
        });
        CString text(c.text);
        EXPECT_EQ(InputDialog(text, c.prompt, c.caption), c.result);
        EXPECT_EQ(shown.templateId, c.shown.templateId);
        EXPECT_EQ(shown.title, c.shown.title);
        EXPECT_EQ(shown.prompt, c.shown.prompt);
        EXPECT_EQ(shown.text, c.shown.text);
        EXPECT_EQ(text.str(), c.stored);
        EXPECT_TRUE(messages.empty());
    }
}

// OK on an empty field says why and keeps the dialog open; typing then OK goes through.
TEST_F(InputDialogs, EmptyFieldKeepsDialogOpen) {
    std::vector<bool> openAfterOk;
    answer([&](Dialog& d) {
        d.SetText(kText, "");
        d.SetFocus(IDOK);
        d.Click(IDOK);
        openAfterOk.push_back(d.IsOpen());
        EXPECT_EQ(d.GetFocus(), kText);
        d.SetText(kText, "now");
        d.Click(IDOK);
        openAfterOk.push_back(d.IsOpen());
    });
    CString text("before");
    EXPECT_EQ(InputDialog(text, "", ""), 1);
    EXPECT_EQ(openAfterOk, (std::vector<bool>{true, false}));
    EXPECT_EQ(messages, std::vector<std::string>{"Input should not be empty."});
    EXPECT_EQ(text.str(), "now");
}

// The buffer form: the buffer's text starts the field; OK copies at most the maximum length
// and a terminating zero; Cancel leaves the buffer as it was.
TEST_F(InputDialogs, BufferFormCutsAtMaximumLength) {
    struct Case {
        int maximum;
        const char* typed;
        int button;
        const char* buffer;
    };
    const Case cases[] = {
        {3, "abcdef", IDOK, "abc"}, {10, "abcdef", IDOK, "abcdef"}, {6, "abcdef", IDOK, "abcdef"},
        {0, "abcdef", IDOK, ""},    {3, "abcdef", IDCANCEL, "xy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.maximum) + " " + c.typed);
        std::string startText, title, prompt;
        answer([&](Dialog& d) {
            startText = d.GetText(kText);
            title = d.Caption();
            prompt = d.GetText(kPrompt);
            d.SetText(kText, c.typed);
            d.Click(c.button);
        });
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        std::strcpy(buffer, "xy");
        EXPECT_EQ(ShowInputDialog(buffer, c.maximum, "Code:", "Unlock"), c.button);
        EXPECT_EQ(startText, "xy");
        EXPECT_EQ(title, "Unlock");
        EXPECT_EQ(prompt, "Code:");
        EXPECT_STREQ(buffer, c.buffer);
        // Nothing is written past the room the caller gave (maximum and the zero).
        for (int i = std::max(3, c.maximum + 1); i < 16; ++i)
            EXPECT_EQ(buffer[i], '#') << i;
    }
    // Null prompt and caption are empty ones.
    answer([&](Dialog& d) {
        EXPECT_EQ(d.Caption(), "Input");
        EXPECT_EQ(d.GetText(kPrompt), "Input:");
        d.Click(IDOK);
    });
    char buffer[8] = "kept";
    EXPECT_EQ(ShowInputDialog(buffer, 7, nullptr, nullptr), 1);
    EXPECT_STREQ(buffer, "kept");
}

// The long message: its text in the read-only field, the caption only when given; OK ends.
TEST_F(InputDialogs, LongMessageShowsTextAndCaption) {
    struct Case {
        const char* caption;
        const char* title;
    };
    const Case cases[] = {{"", "Message"}, {"Read me", "Read me"}};
    const std::string text = "First line\r\nSecond line\r\n\r\nLast line";
    for (const Case& c : cases) {
        std::string shown, title;
        answer([&](Dialog& d) {
            EXPECT_EQ(d.TemplateId(), 226u);
            title = d.Caption();
            shown = d.GetText(1253);
            d.Click(IDOK);
        });
        EXPECT_EQ(ShowLongMessageDlg(text.c_str(), c.caption), 1);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(shown, text);
    }
}

// The two-choice message: the text in the rich edit, "&Continue Anyway" 1 and "E&xit" 2.
TEST_F(InputDialogs, MessageWithTwoChoices) {
    for (int button : {IDOK, IDCANCEL, 0}) {
        std::string text, first, second;
        CHARFORMAT format;
        answer([&](Dialog& d) {
            EXPECT_EQ(d.TemplateId(), 293u);
            text = d.GetText(1100);
            // The text's default character format: Arial, 10 points (200 twips).
            if (CWnd* dialog = CWnd::FromHandle(d.Handle()))
                if (auto* edit = dynamic_cast<CRichEditCtrl*>(dialog->GetDlgItem(1100))) {
                    edit->SetSel(0, 5);
                    edit->GetSelectionCharFormat(format);
                }
            first = d.GetText(IDOK);
            second = d.GetText(IDCANCEL);
            button ? (void)d.Click(button) : d.PressEscape();
        });
        EXPECT_EQ(ShowMsgBoxDlg("Checking stopped early."), button ? button : 2);
        EXPECT_EQ(text, "Checking stopped early.");
        EXPECT_EQ(first, "&Continue Anyway");
        EXPECT_EQ(second, "E&xit");
        EXPECT_STREQ(format.szFaceName, "Arial");
        EXPECT_EQ(format.yHeight, 200);
    }
}
