// The password dialogs: what they store on OK and Cancel, refusals, and the closed field.
#include <tessaly/dialogs.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <string>
#include <vector>

#include "choices_support.h"

using namespace choices_test;

namespace {

constexpr int kPassword = 1104, kConfirmation = 1105, kConfirmField = 1770;

class PasswordDialogs : public ScriptedDialogs {};

} // namespace

// The caption replaces the title when given; OK stores the typed password, Escape an empty one.
TEST_F(PasswordDialogs, EnterPasswordStoresOnOkAndEmptiesOnCancel) {
    const struct {
        const char *caption, *title, *typed;
        int button; // 0: Escape
        int result;
        const char* stored;
    } cases[] = {
        {"Open the mailbox", "Open the mailbox", "Se(c)ret 1", IDOK, 1, "Se(c)ret 1"},
        {"", "Enter Password", "typed", 0, 2, ""},
    };
    for (const auto& c : cases) {
        CString password("passed in");
        const Script end = c.button ? Click(c.button) : Escape();
        EXPECT_EQ(Run(Then([&](Dialog& d) { d.SetText(kPassword, c.typed); }, end),
                      [&] { return ShowPasswordDlg(password, c.caption); }),
                  c.result);
        EXPECT_EQ(captions.back(), c.title) << c.typed;
        EXPECT_EQ(password.str(), c.stored);
    }
}

// Others asking the field for its text get nothing; its length is not guarded; the dialog reads.
TEST_F(PasswordDialogs, PasswordFieldRefusesOtherReaders) {
    std::string automationText = "unread", messageText = "unread";
    int length = -1;
    CString password;
    const int code = Run(
        [&](Dialog& d) {
            d.SetText(kPassword, "hidden words");
            automationText = d.GetText(kPassword);
            CWnd* field = CWnd::FromHandle(d.Handle())->GetDlgItem(kPassword);
            length = field->GetWindowTextLength();
            char buffer[64] = "unread";
            EXPECT_EQ(CWnd::SendMessage(field->GetSafeHwnd(), WM_GETTEXT, sizeof buffer,
                                        reinterpret_cast<LPARAM>(buffer)),
                      0);
            messageText = buffer;
            d.Click(IDOK);
        },
        [&] { return ShowPasswordDlg(password, ""); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(automationText, "");
    EXPECT_EQ(messageText, "");
    EXPECT_EQ(length, 12);
    EXPECT_EQ(password.str(), "hidden words");
}

// A new password is stored only when both entries are the same, case included.
TEST_F(PasswordDialogs, SetPasswordComparesBothEntriesExactly) {
    const struct {
        const char *password, *confirmation;
        bool accepted;
    } cases[] = {
        {"Secret", "secret", false},
        {"P\xe4sswort", "P\xe4sswort", true},
    };
    for (const auto& c : cases) {
        bool openAfterOk = false;
        int focusAfterOk = 0;
        CString password("old");
        const int result = Run(
            [&](Dialog& d) {
                d.SetText(kPassword, c.password);
                d.SetText(kConfirmation, c.confirmation);
                d.SetFocus(kConfirmation);
                d.Click(IDOK);
                openAfterOk = d.IsOpen();
                focusAfterOk = d.GetFocus();
                if (!openAfterOk) return;
                // Corrected entries go through; Cancel here would store nothing.
                d.SetText(kConfirmation, c.password);
                d.Click(IDOK);
            },
            [&] { return ShowSetPasswordDlg(password); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(password.str(), c.password);
        EXPECT_EQ(openAfterOk, !c.accepted) << c.password << "|" << c.confirmation;
        if (c.accepted) continue;
        EXPECT_EQ(focusAfterOk, kPassword); // back to the password to type again
        EXPECT_EQ(messages,
                  std::vector<std::string>{"Password is not identical to confirm password."});
    }
    // Cancel stores nothing.
    CString password("old");
    EXPECT_EQ(Run(Then([](Dialog& d) { d.SetText(kPassword, "new"); }, Click(IDCANCEL)),
                  [&] { return ShowSetPasswordDlg(password); }),
              2);
    EXPECT_EQ(password.str(), "old");
}

// Confirmation: the same text closes with OK; any other is refused with a message.
TEST_F(PasswordDialogs, ConfirmPasswordMatchesExactly) {
    const struct {
        const char *expected, *typed;
        int result;
    } cases[] = {{"pw", "pw", 1}, {"pw", "PW", 2}};
    for (const auto& c : cases) {
        const int result = Run(
            [&](Dialog& d) {
                d.SetText(kConfirmField, c.typed);
                d.SetFocus(IDOK);
                d.Click(IDOK);
                if (d.IsOpen()) {
                    EXPECT_EQ(d.GetFocus(), kConfirmField);
                    d.Click(IDCANCEL);
                }
            },
            [&] { return ConfirmPassword(c.expected); });
        EXPECT_EQ(result, c.result);
        if (c.result == 1)
            EXPECT_TRUE(messages.empty());
        else
            EXPECT_EQ(messages, std::vector<std::string>{"The passwords do not match."});
    }
    // A null expected password is an empty one.
    EXPECT_EQ(Run(Click(IDOK), [] { return ConfirmPassword(nullptr); }), 1);
}
