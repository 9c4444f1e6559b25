// The password dialogs answered through UI automation: what they show, what they store on
// OK and on Cancel, the refusals that keep them open, and the password field that hands its
// text to nobody but its own dialog.
#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <functional>
#include <string>
#include <vector>

#include "support/prefix.h"

using tessaly::automation::Dialog;
using tessaly::automation::MessageBoxInfo;
using tessaly::testing::PrefixTest;

namespace {

constexpr int kPassword = 1104, kConfirmation = 1105, kConfirmField = 1770;

class PasswordDialogs : public PrefixTest {
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

    // Answers the first dialog with the script; the library's message dialog opened from it
    // is noted and closed with its first button.
    void answer(std::function<void(Dialog&)> script) {
        tessaly::automation::SetDialogHandler([this, script](Dialog& d) {
            if (d.TemplateId() == 1789) {
                messages.push_back(d.GetText(1501));
                d.Click(1785);
                return;
            }
            ++opened;
            script(d);
        });
    }

    std::vector<std::string> messages;
    int opened = 0;
};

} // namespace

// The caption argument replaces the title only when given; the typed password is stored
// on OK, an empty one on Cancel and Escape whatever was typed or passed in.
TEST_F(PasswordDialogs, EnterPasswordStoresOnOkAndEmptiesOnCancel) {
    struct Case {
        const char* caption;
        const char* title;
        const char* typed;
        int button; // 0: Escape
        int result;
        const char* stored;
    };
    const Case cases[] = {
        {"", "Enter Password", "Se(c)ret 1", IDOK, 1, "Se(c)ret 1"},
        {"Open the mailbox", "Open the mailbox", "x", IDOK, 1, "x"},
        {"", "Enter Password", "", IDOK, 1, ""},
        {"", "Enter Password", "typed", IDCANCEL, 2, ""},
        {"Locked", "Locked", "typed", 0, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + "/" + c.typed);
        std::string title;
        UINT templateId = 0;
        answer([&](Dialog& d) {
            templateId = d.TemplateId();
            title = d.Caption();
            d.SetText(kPassword, c.typed);
            c.button ? (void)d.Click(c.button) : d.PressEscape();
        });
        CString password("passed in");
        EXPECT_EQ(ShowPasswordDlg(password, c.caption), c.result);
        EXPECT_EQ(templateId, 296u);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(password.str(), c.stored);
    }
}

// Whoever asks the field for its text gets nothing: the automation's text, the list of
// controls, a window object of the dialog's handle, the window-text query message. The dialog's own
// read still works afterwards, and a second dialog's field is as closed as the first.
TEST_F(PasswordDialogs, PasswordFieldRefusesOtherReaders) {
    for (int round = 0; round < 2; ++round) {
        std::string automationText = "unread", listedText = "unread", windowText = "unread",
                    messageText = "unread";
        int length = -1;
        LRESULT copied = -1;
        answer([&](Dialog& d) {
            d.SetText(kPassword, "hidden words");
            automationText = d.GetText(kPassword);
            for (const auto& control : d.Controls())
                if (control.id == kPassword) listedText = control.text;
            if (CWnd* dialog = CWnd::FromHandle(d.Handle()))
                if (CWnd* field = dialog->GetDlgItem(kPassword)) {
                    windowText = field->GetWindowText().str();
                    length = field->GetWindowTextLength();
                    // The window-text query message, as another window would send it.
                    char buffer[64] = "unread";
                    copied = CWnd::SendMessage(field->GetSafeHwnd(), WM_GETTEXT, sizeof buffer,
                                               reinterpret_cast<LPARAM>(buffer));
                    messageText = buffer;
                }
            d.Click(IDOK);
        });
        CString password;
        EXPECT_EQ(ShowPasswordDlg(password, ""), 1);
        EXPECT_EQ(automationText, "");
        EXPECT_EQ(listedText, "");
        EXPECT_EQ(windowText, "");
        EXPECT_EQ(messageText, "");
        EXPECT_EQ(copied, 0);
        EXPECT_EQ(length, 12); // the length is not guarded
        EXPECT_EQ(password.str(), "hidden words");
    }
}

// A new password is stored only when both entries are the same, case included; otherwise
// the standard message box tells why and the dialog stays open.
TEST_F(PasswordDialogs, SetPasswordComparesBothEntriesExactly) {
    struct Case {
        const char* password;
        const char* confirmation;
        bool accepted;
    };
    const Case cases[] = {
        {"abc", "abc", true},
        {"abc", "abd", false},
        {"Secret", "secret", false},
        {"", "", true},
        {"abc", "", false},
        {"abc ", "abc", false},
        {"P\xe4sswort", "P\xe4sswort", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.password) + "|" + c.confirmation);
        messages.clear();
        bool openAfterOk = false;
        int focusAfterOk = 0;
        answer([&](Dialog& d) {
            EXPECT_EQ(d.TemplateId(), 23002u);
            EXPECT_EQ(d.Caption(), "Set Password");
            d.SetText(kPassword, c.password);
            d.SetText(kConfirmation, c.confirmation);
            d.SetFocus(kConfirmation);
            d.Click(IDOK);
            openAfterOk = d.IsOpen();
            focusAfterOk = d.GetFocus();
            if (openAfterOk) d.Click(IDCANCEL);
        });
        CString password("old");
        const int result = ShowSetPasswordDlg(password);
        if (c.accepted) {
            EXPECT_EQ(result, 1);
            EXPECT_FALSE(openAfterOk);
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(password.str(), c.password);
        } else {
            EXPECT_EQ(result, 2);
            EXPECT_TRUE(openAfterOk);
            EXPECT_EQ(focusAfterOk, kPassword); // back to the password to type again
            EXPECT_EQ(messages,
                      std::vector<std::string>{"Password is not identical to confirm password."});
            EXPECT_EQ(password.str(), "old"); // Cancel stores nothing
        }
    }
}

// After a refused pair the user corrects the entries and OK goes through.
TEST_F(PasswordDialogs, SetPasswordAcceptsCorrectedEntries) {
    answer([&](Dialog& d) {
        d.SetText(kPassword, "first");
        d.SetText(kConfirmation, "First");
        d.Click(IDOK);
        d.SetText(kConfirmation, "first");
        d.Click(IDOK);
    });
    CString password;
    EXPECT_EQ(ShowSetPasswordDlg(password), 1);
    EXPECT_EQ(password.str(), "first");
    EXPECT_EQ(messages.size(), 1u);
}

// Confirmation: the same text closes with OK; any other text shows the library's message
// dialog and keeps the dialog open until it is cancelled.
TEST_F(PasswordDialogs, ConfirmPasswordMatchesExactly) {
    struct Case {
        const char* expected;
        const char* typed;
        int result;
    };
    const Case cases[] = {
        {"pw", "pw", 1}, {"pw", "PW", 2}, {"pw", "pw ", 2}, {"pw", "", 2}, {"", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.expected) + "|" + c.typed);
        messages.clear();
        answer([&](Dialog& d) {
            EXPECT_EQ(d.TemplateId(), 218u);
            EXPECT_EQ(d.Caption(), "Confirm Password");
            d.SetText(kConfirmField, c.typed);
            d.SetFocus(IDOK);
            d.Click(IDOK);
            if (d.IsOpen()) {
                EXPECT_EQ(d.GetFocus(), kConfirmField);
                d.Click(IDCANCEL);
            }
        });
        EXPECT_EQ(ConfirmPassword(c.expected), c.result);
        if (c.result == 1)
            EXPECT_TRUE(messages.empty());
        else
            EXPECT_EQ(messages, std::vector<std::string>{"The passwords do not match."});
    }
    // A null expected password is an empty one.
    answer([](Dialog& d) { d.Click(IDOK); });
    EXPECT_EQ(ConfirmPassword(nullptr), 1);
}
