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
        tessaly::automation::SetMessageBoxHandler([this](const auto& info) {
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
            EXPECT_EQ(d.TemplateId(), 191u);
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

    std::vector<std::string> messages;
};

} // namespace

// Read-only: the entry shown, no Cancel, and OK checks nothing.
TEST_F(EmailInfoDialog, ReadOnlyShowsTheEntryWithoutCancelAndChecksNothing) {
    CString name(""), address("not an address");
    const int result = run("Recipient", name, address, 0, [&](Dialog& d) {
        EXPECT_EQ(d.Caption(), "Recipient");
        EXPECT_EQ(d.GetText(kName), "");
        EXPECT_EQ(d.GetText(kAddress), "not an address");
        EXPECT_FALSE(d.IsVisible(IDCANCEL));
        EXPECT_FALSE(d.Click(IDCANCEL));
        EXPECT_TRUE(readOnly(d, kName));
        EXPECT_TRUE(readOnly(d, kAddress));
        EXPECT_TRUE(d.Click(IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(messages.empty());
    EXPECT_STREQ(address, "not an address");
}

// Editable: OK says what is wrong, puts the focus on that field and keeps the dialog open
// until the entry is valid; then the strings come back as typed, hostile text included.
TEST_F(EmailInfoDialog, EditableChecksKeepTheDialogOpenUntilTheInputIsValid) {
    const char* const kEmpty = "Contact Infomation cannot be empty.";
    const struct {
        const char *name, *address;
        std::string message; // empty: the dialog ends
        int focus;
    } steps[] = {
        {"", "ann@b.cc", kEmpty, kName},
        {"Ann", "", kEmpty, kAddress},
        {"Ann", "ann@b.c", "E-mail address 'ann@b.c' is invalid.", kAddress},
        {"O'Brien \"Bob\" \\ J\xFC\x01", "o'b\\%_@x.com", "", 0},
    };
    CString name("Old"), address("old@x.com");
    const int result = run("", name, address, 1, [&](Dialog& d) {
        EXPECT_EQ(d.Caption(), "E-Mail Infomation"); // an empty caption keeps the template's
        EXPECT_EQ(d.GetText(kName), "Old");
        EXPECT_FALSE(readOnly(d, kName));
        EXPECT_FALSE(readOnly(d, kAddress));
        for (const auto& s : steps) {
            SCOPED_TRACE(std::string(s.name) + "/" + s.address);
            messages.clear();
            d.SetText(kName, s.name);
            d.SetText(kAddress, s.address);
            d.SetFocus(IDOK); // the check must move the focus
            EXPECT_TRUE(d.Click(IDOK));
            if (s.message.empty()) break;
            EXPECT_EQ(messages, std::vector<std::string>{s.message});
            QWidget* field = control(d, s.focus);
            EXPECT_TRUE(field && field->window()->focusWidget() == field);
            EXPECT_TRUE(d.IsOpen());
        }
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(messages.empty());
    EXPECT_STREQ(name, steps[3].name);
    EXPECT_STREQ(address, steps[3].address);
    // Escape leaves the strings.
    EXPECT_EQ(run("Contact", name, address, 1,
                  [&](Dialog& d) {
                      d.SetText(kName, "Changed");
                      d.PressEscape();
                  }),
              IDCANCEL);
    EXPECT_STREQ(name, steps[3].name);
}
