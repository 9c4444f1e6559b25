// The "E-Mail Infomation" dialog through ShowAddressInfoDlgEx, driven by the automation API.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <QTextEdit>
#include <QWidget>

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
        tessaly::automation::SetMessageBoxHandler(
            [this](const tessaly::automation::MessageBoxInfo& info) {
                messages.push_back(info.text);
                return IDOK;
            });
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
    }

    // Runs the dialog with the script; the dialog must open exactly once.
    int run(const char* caption, CString& name, CString& address, int editable,
            std::function<void(Dialog&)> script) {
        int opened = 0;
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            ++opened;
            script(d);
        });
        const int result = ShowAddressInfoDlgEx(caption, name, address, editable);
        EXPECT_EQ(opened, 1);
        return result;
    }

    static QWidget* control(Dialog& d, int id) {
        CWnd* dialog = CWnd::FromHandle(d.Handle());
        CWnd* item = dialog ? dialog->GetDlgItem(id) : nullptr;
        return item ? item->GetWidget() : nullptr;
    }
    static bool readOnly(Dialog& d, int id) {
        auto* edit = qobject_cast<QTextEdit*>(control(d, id));
        return edit && edit->isReadOnly();
    }
    // The control the dialog gives the keyboard focus to (when it is the active window).
    static bool focused(Dialog& d, int id) {
        QWidget* w = control(d, id);
        return w && w->window()->focusWidget() == w;
    }

    std::vector<std::string> messages;
};

} // namespace

TEST_F(EmailInfoDialog, ReadOnlyShowsTheEntryWithoutCancel) {
    CString name("Bob"), address("bob@x.com");
    const int result = run("Recipient", name, address, 0, [&](Dialog& d) {
        EXPECT_EQ(d.TemplateId(), 191u);
        EXPECT_EQ(d.Caption(), "Recipient");
        EXPECT_EQ(d.GetText(kName), "Bob");
        EXPECT_EQ(d.GetText(kAddress), "bob@x.com");
        EXPECT_FALSE(d.IsVisible(IDCANCEL));
        EXPECT_FALSE(d.Click(IDCANCEL));
        EXPECT_TRUE(readOnly(d, kName));
        EXPECT_TRUE(readOnly(d, kAddress));
        EXPECT_TRUE(d.Click(IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EmailInfoDialog, ReadOnlyOkMakesNoChecks) {
    CString name(""), address("not an address");
    EXPECT_EQ(run(nullptr, name, address, 0, [](Dialog& d) { d.Click(IDOK); }), IDOK);
    EXPECT_TRUE(messages.empty());
    EXPECT_STREQ(name, "");
    EXPECT_STREQ(address, "not an address");
}

TEST_F(EmailInfoDialog, TemplateLayoutAndCaption) {
    CString name, address;
    run("", name, address, 1, [&](Dialog& d) {
        EXPECT_EQ(d.Caption(), "E-Mail Infomation"); // an empty caption keeps the template's
        for (int id : {kName, kAddress, IDOK, IDCANCEL})
            EXPECT_TRUE(d.IsVisible(id)) << id;
        EXPECT_FALSE(readOnly(d, kName));
        EXPECT_FALSE(readOnly(d, kAddress));
        // The fields sit side by side with their labels, the buttons below them.
        const auto nameRect = d.GetRect(kName), addressRect = d.GetRect(kAddress);
        const auto ok = d.GetRect(IDOK), cancel = d.GetRect(IDCANCEL), client = d.GetRect(0);
        EXPECT_LT(nameRect.top + nameRect.height, addressRect.top);
        EXPECT_LT(addressRect.top + addressRect.height, ok.top);
        EXPECT_LT(ok.left + ok.width, cancel.left);
        EXPECT_LE(cancel.left + cancel.width, client.width);
        EXPECT_LE(ok.top + ok.height, client.height);
        EXPECT_TRUE(d.SavePng(prefix_.scratch() + "/email_info.png"));
        d.PressEscape();
    });
}

TEST_F(EmailInfoDialog, EditableChecksKeepTheDialogOpenUntilTheInputIsValid) {
    struct Step {
        const char *name, *address;
        const char* message; // null: the dialog ends
        int focus;
    } steps[] = {
        {"", "ann@b.cc", "Contact Infomation cannot be empty.", kName},
        {"Ann", "", "Contact Infomation cannot be empty.", kAddress},
        {"", "", "Contact Infomation cannot be empty.", kName},
        {"Ann", "ann@b.c", "E-mail address 'ann@b.c' is invalid.", kAddress},
        {"Ann", "@b.cc", "E-mail address '@b.cc' is invalid.", kAddress},
        {"Ann", "a!n@b.cc", "E-mail address 'a!n@b.cc' is invalid.", kAddress},
        {"Ann", "ann@b.cc", nullptr, 0},
    };
    CString name("Old"), address("old@x.com");
    const int result = run("New contact", name, address, 1, [&](Dialog& d) {
        for (const Step& s : steps) {
            messages.clear();
            d.SetText(kName, s.name);
            d.SetText(kAddress, s.address);
            // Another control has the focus before OK, so the check must move it.
            d.SetFocus(IDOK);
            EXPECT_TRUE(d.Click(IDOK)) << s.name << "/" << s.address;
            if (!s.message) {
                EXPECT_TRUE(messages.empty());
                return;
            }
            ASSERT_EQ(messages.size(), 1u) << s.name << "/" << s.address;
            EXPECT_EQ(messages[0], s.message);
            EXPECT_TRUE(focused(d, s.focus)) << s.name << "/" << s.address;
            EXPECT_EQ(d.Caption(), "New contact"); // still open
        }
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(name, "Ann");
    EXPECT_STREQ(address, "ann@b.cc");
}

TEST_F(EmailInfoDialog, EditableCancelAndEscapeLeaveTheStrings) {
    for (bool escape : {false, true}) {
        CString name("Old"), address("old@x.com");
        const int result = run("Contact", name, address, 1, [&](Dialog& d) {
            d.SetText(kName, "Changed");
            d.SetText(kAddress, "changed@x.com");
            if (escape)
                d.PressEscape();
            else
                EXPECT_TRUE(d.Click(IDCANCEL));
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_STREQ(name, "Old");
        EXPECT_STREQ(address, "old@x.com");
    }
}

TEST_F(EmailInfoDialog, HostileValuesComeBackUnchanged) {
    struct Case {
        const char *name, *address;
    } cases[] = {
        {"O'Brien \"Bob\" \\ J\xFCrgen", "o'b\\%_@x.com"},
        {"100% _x_; <tag>", "a\"b@c.de"},
        {"Caf\xE9 \x01\x1a", "caf\xE9@x.fr"},
    };
    for (const auto& c : cases) {
        CString name(c.name), address(c.address);
        const int result = run("Contact", name, address, 1, [&](Dialog& d) {
            EXPECT_EQ(d.GetText(kName), c.name);
            EXPECT_EQ(d.GetText(kAddress), c.address);
            d.Click(IDOK);
        });
        EXPECT_EQ(result, IDOK) << c.name;
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(address, c.address);
        EXPECT_TRUE(messages.empty()) << c.name;
    }
}
