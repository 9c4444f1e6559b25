// The "E-Mail Infomation" dialog through ShowAddressInfoDlgEx, driven by the automation API.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <QTextEdit>

#include <tessaly/automation.h>
#include <tessaly/mail.h>
#include <tessaly/wnd.h>

#include "support/prefix.h"

using tessaly::automation::Dialog;

namespace {

constexpr int kName = 1216, kAddress = 1277;

class EmailInfoDialog : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        tessaly::automation::SetMessageBoxHandler([this](const auto& info) {
            messages.push_back(info.text);
            return IDOK;
        });
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
    }

    int run(const char* caption, CString& name, CString& address, int editable,
            std::function<void(Dialog&)> script) {
        int opened = 0;
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            ++opened;
            EXPECT_EQ(d.TemplateId(), 191u);
            script(d);
        });
        const int result = ShowAddressInfoDlgEx(caption, name, address, editable);
        EXPECT_EQ(opened, 1);
        return result;
    }

    static QTextEdit* field(Dialog& d, int id) {
        CWnd* dialog = CWnd::FromHandle(d.Handle());
        CWnd* item = dialog ? dialog->GetDlgItem(id) : nullptr;
        return item ? qobject_cast<QTextEdit*>(item->GetWidget()) : nullptr;
    }

    std::vector<std::string> messages;
};

} // namespace

// Read-only: the entry shown, no Cancel, and OK checks nothing.
TEST_F(EmailInfoDialog, ReadOnlyShowsTheEntryWithoutCancelAndChecksNothing) {
    CString name(""), address("not an address");
    const int result = run("Recipient", name, address, 0, [&](Dialog& d) {
        EXPECT_EQ(d.GetText(kAddress), "not an address");
        EXPECT_FALSE(d.IsVisible(IDCANCEL));
        EXPECT_TRUE(field(d, kName)->isReadOnly() && field(d, kAddress)->isReadOnly());
        EXPECT_TRUE(d.Click(IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(messages.empty());
}

// Editable: OK names the fault, focuses its field and stays open; valid text comes back as typed.
TEST_F(EmailInfoDialog, EditableChecksKeepTheDialogOpenUntilTheInputIsValid) {
    const char* const kEmpty = "Contact Infomation cannot be empty.";
    const struct {
        const char *name, *address;
        std::string message; // empty: the dialog ends
        int focus;
    } steps[] = {
        {"", "ann@b.cc", kEmpty, kName},
        {"Ann", "ann@b.c", "E-mail address 'ann@b.c' is invalid.", kAddress},
        {"O'Brien \"Bob\" \\ J\xFC\x01", "o'b\\%_@x.com", "", 0},
    };
    CString name("Old"), address("old@x.com");
    const int result = run("", name, address, 1, [&](Dialog& d) {
        EXPECT_EQ(d.Caption(), "E-Mail Infomation"); // an empty caption keeps the template's
        for (const auto& s : steps) {
            messages.clear();
            d.SetText(kName, s.name);
            d.SetText(kAddress, s.address);
            d.SetFocus(IDOK); // the check must move the focus
            EXPECT_TRUE(d.Click(IDOK));
            if (s.message.empty()) break;
            EXPECT_EQ(messages, std::vector<std::string>{s.message}) << s.name << s.address;
            EXPECT_EQ(field(d, s.focus)->window()->focusWidget(), field(d, s.focus));
        }
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(name, steps[2].name);
    EXPECT_STREQ(address, steps[2].address);
}
