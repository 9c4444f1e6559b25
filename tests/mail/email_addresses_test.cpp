// E-mail address text: the splitter, the validity test and the display forms, hostile text too.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <utility>

#include <tessaly/mail.h>

#include "support/prefix.h"
#include "support/registry.h"

namespace {

class EmailAddresses : public tessaly::testing::PrefixTest {};
using Parts = std::pair<std::string, std::string>;

Parts split(const std::string& full) {
    CString name("stale name"), address("stale address"); // always assigned
    GetEmailParts(CString(full), name, address);
    return {name.str(), address.str()};
}

} // namespace

TEST_F(EmailAddresses, SplitsNameAndAddressAtBracketsOrTheFirstBlank) {
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"john@x.com", "", "john@x.com"},
        {"John Smith john@x.com", "John", "Smith john@x.com"},       // first blank splits
        {"John Smith <john@x.com>", "John Smith", "john@x.com"},     // a bracket goes first
        {"John [john@x.com] (work) <x@y.zz>", "John", "john@x.com"}, // text after "]" is lost
        {"J\xFCrgen\x01\x1a [j\xFC%_@x.de]", "J\xFCrgen\x01\x1a", "j\xFC%_@x.de"}, // whole
    };
    for (const auto& [full, name, address] : cases)
        EXPECT_EQ(split(full), Parts(name, address)) << full;
    // Under GBK "\x81\x5B" is one character whose trail byte is "[".
    tessaly::testing::UseAnsiCodePage("936");
    EXPECT_EQ(split("\x81\x5Bname a@b.cc"), Parts("\x81\x5Bname", "a@b.cc"));
}

// Validity: trimmed first; the first dot, wherever it is, needs two characters after it.
TEST_F(EmailAddresses, ValidityAndTheDisplayForms) {
    const std::pair<const char*, int> cases[] = {
        {"a@b.c", 0},        {"@b.cc", 0},    {"a.b@cc", 1}, {"abc.de", 0},
        {"\ta@b.cc\r\n", 1}, {"a!b@c.de", 0}, {nullptr, 0},  {"o'b\"c\\d%_@\xE9.fg", 1},
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(IsValidEMailAddress(text), valid) << (text ? text : "(null)");
    // Name, address, brackets; the full address, the full name and the display name.
    const std::array<const char*, 7> forms[] = {
        {"Bob", "bob@x.com", "", "", "Bob bob@x.com", "Bob [bob@x.com]", "Bob [bob@x.com]"},
        // Equal ignoring case: the address alone, except for the display name.
        {"J\xDCRGEN@X.DE", "j\xFCrgen@x.de", "<", ">", "j\xFCrgen@x.de", "j\xFCrgen@x.de",
         "J\xDCRGEN@X.DE [j\xFCrgen@x.de]"},
    };
    for (const auto& [name, address, open, close, full, fullName, display] : forms) {
        EXPECT_STREQ(GetFullAddress(name, address, open, close), full) << name;
        EXPECT_STREQ(GetEmailFullName(name, address), fullName) << name;
        EXPECT_STREQ(GetEmailDisplayName(name, address), display) << name;
    }
}
