// The "E-Mail Infomation" dialog through ShowAddressInfoDlgEx, driven by the automation API.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

    static QTextEdit* field(Dialog& d, int id) {
        CWnd* dialog = CWnd::FromHandle(d.Handle());
        CWnd* item = dialog ? dialog->GetDlgItem(id) : nullptr;
        return item ? qobject_cast<QTextEdit*>(item->GetWidget()) : nullptr;
    }

    std::vector<std::string> messages;
};

} // namespace

// Editable: OK names the fault, focuses its field and stays open; valid text comes back as typed.
TEST_F(EmailInfoDialog, EditableChecksKeepTheDialogOpenUntilTheInputIsValid) {
    // The name and address typed, the message shown (none: the dialog ends), the field focused.
    const std::tuple<const char*, const char*, std::string, int> steps[] = {
        {"", "ann@b.cc", "Contact Infomation cannot be empty.", kName},
        {"Ann", "ann@b.c", "E-mail address 'ann@b.c' is invalid.", kAddress},
        {"O'Brien \"Bob\" \\ J\xFC\x01", "o'b\\%_@x.com", "", 0},
    };
    CString name("Old"), address("old@x.com");
    int opened = 0;
    tessaly::automation::SetDialogHandler([&](Dialog& d) {
        ++opened;
        EXPECT_EQ(d.TemplateId(), 191u);
        EXPECT_EQ(d.Caption(), "E-Mail Infomation"); // an empty caption keeps the template's
        for (const auto& [typedName, typedAddress, message, focus] : steps) {
            messages.clear();
            d.SetText(kName, typedName);
            d.SetText(kAddress, typedAddress);
            d.SetFocus(IDOK); // the check must move the focus
            EXPECT_TRUE(d.Click(IDOK));
            if (message.empty()) break;
            EXPECT_EQ(messages, std::vector<std::string>{message}) << typedName << typedAddress;
            EXPECT_EQ(field(d, focus)->window()->focusWidget(), field(d, focus));
        }
    });
    EXPECT_EQ(ShowAddressInfoDlgEx("", name, address, 1), IDOK);
    EXPECT_EQ(opened, 1);
    EXPECT_STREQ(name, std::get<0>(steps[2]));
    EXPECT_STREQ(address, std::get<1>(steps[2]));
}
