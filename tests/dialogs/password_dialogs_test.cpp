// The password dialogs: what they store on OK and Cancel, refusals, and the closed field.
#include <tessaly/dialogs.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <string>
#include <tuple>
#include <vector>

#include "choices_support.h"

using namespace choices_test;

namespace {

constexpr int kPassword = 1104, kConfirmation = 1105, kConfirmField = 1770;

class PasswordDialogs : public ScriptedDialogs {};

} // namespace

// The caption replaces the title when given; OK stores the typed password, Escape an empty one.
TEST_F(PasswordDialogs, EnterPasswordStoresOnOkAndEmptiesOnCancel) {
    // Caption, the title shown, the text typed, the button (0: Escape), result, stored.
    const std::tuple<const char*, const char*, const char*, int, int, const char*> cases[] = {
        {"Open the mailbox", "Open the mailbox", "Se(c)ret 1", IDOK, 1, "Se(c)ret 1"},
        {"", "Enter Password", "typed", 0, 2, ""},
    };
    for (const auto& [caption, title, typed, button, result, stored] : cases) {
        CString password("passed in");
        EXPECT_EQ(Run(Then([&](Dialog& d) { d.SetText(kPassword, typed); },
                           button ? Click(button) : Escape()),
                      [&] { return ShowPasswordDlg(password, caption); }),
                  result);
        EXPECT_EQ(std::pair(captions.back(), password.str()),
                  std::pair(std::string(title), std::string(stored)));
    }
}

// Others asking the field for its text get nothing; its length is not guarded; the dialog reads.
TEST_F(PasswordDialogs, PasswordFieldRefusesOtherReaders) {
    CString password;
    const int code = Run(
        [&](Dialog& d) {
            d.SetText(kPassword, "hidden words");
            EXPECT_EQ(d.GetText(kPassword), "");
            CWnd* field = CWnd::FromHandle(d.Handle())->GetDlgItem(kPassword);
            EXPECT_EQ(field->GetWindowTextLength(), 12);
            char buffer[64] = "unread";
            EXPECT_EQ(CWnd::SendMessage(field->GetSafeHwnd(), WM_GETTEXT, sizeof buffer,
                                        reinterpret_cast<LPARAM>(buffer)),
                      0);
            EXPECT_STREQ(buffer, "");
            d.Click(IDOK);
        },
        [&] { return ShowPasswordDlg(password, ""); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(password.str(), "hidden words");
}

// A new password is stored only when both entries are the same, case included.
TEST_F(PasswordDialogs, SetPasswordComparesBothEntriesExactly) {
    for (auto [typed, confirmation, accepted] :
         {std::tuple{"Secret", "secret", false}, {"P\xe4sswort", "P\xe4sswort", true}}) {
        CString password("old");
        const int result = Run(
            [&](Dialog& d) {
                d.SetText(kPassword, typed);
                d.SetText(kConfirmation, confirmation);
                d.SetFocus(kConfirmation);
                d.Click(IDOK);
                if (!d.IsOpen()) return;
                EXPECT_EQ(d.GetFocus(), kPassword); // back to the password to type again
                d.SetText(kConfirmation, typed);    // corrected entries go through
                d.Click(IDOK);
            },
            [&] { return ShowSetPasswordDlg(password); });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(password.str(), typed);
        EXPECT_EQ(messages, accepted ? std::vector<std::string>{}
                                     : std::vector<std::string>{
                                           "Password is not identical to confirm password."});
    }
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
        EXPECT_EQ(messages, c.result == 1
                                ? std::vector<std::string>{}
                                : std::vector<std::string>{"The passwords do not match."});
    }
    // A null expected password is an empty one.
    EXPECT_EQ(Run(Click(IDOK), [] { return ConfirmPassword(nullptr); }), 1);
}
