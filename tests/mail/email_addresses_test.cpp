// E-mail address text: the splitter, the validity test and the display forms, hostile text too.
#include <gtest/gtest.h>

#include <string>
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
    const struct {
        std::string full, name, address;
    } cases[] = {
        {"john@x.com", "", "john@x.com"},
        {"John Smith john@x.com", "John", "Smith john@x.com"},       // first blank splits
        {"John Smith <john@x.com>", "John Smith", "john@x.com"},     // a bracket goes first
        {"John [john@x.com] (work) <x@y.zz>", "John", "john@x.com"}, // text after "]" is lost
        {"J\xFCrgen\x01\x1a [j\xFC%_@x.de]", "J\xFCrgen\x01\x1a", "j\xFC%_@x.de"}, // whole
    };
    for (const auto& c : cases)
        EXPECT_EQ(split(c.full), Parts(c.name, c.address)) << c.full;
    // Under GBK "\x81\x5B" is one character whose trail byte is "[".
    tessaly::testing::UseAnsiCodePage("936");
    EXPECT_EQ(split("\x81\x5Bname a@b.cc"), Parts("\x81\x5Bname", "a@b.cc"));
}

// Trimmed first; the first dot, wherever it is, needs two characters after it.
TEST_F(EmailAddresses, ValidityNeedsAtDotTwoCharactersAfterTheDotAndNoBang) {
    const std::pair<const char*, int> cases[] = {
        {"a@b.c", 0},        {"@b.cc", 0},    {"a.b@cc", 1}, {"abc.de", 0},
        {"\ta@b.cc\r\n", 1}, {"a!b@c.de", 0}, {nullptr, 0},  {"o'b\"c\\d%_@\xE9.fg", 1},
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(IsValidEMailAddress(text), valid) << (text ? text : "(null)");
}

TEST_F(EmailAddresses, DisplayFormsComposeNameAndAddress) {
    const struct {
        const char *name, *address, *open, *close;
        const char *full, *fullName, *display;
    } cases[] = {
        {"Bob", "bob@x.com", "", "", "Bob bob@x.com", "Bob [bob@x.com]", "Bob [bob@x.com]"},
        // Equal ignoring case: the address alone, except for the display name.
        {"J\xDCRGEN@X.DE", "j\xFCrgen@x.de", "<", ">", "j\xFCrgen@x.de", "j\xFCrgen@x.de",
         "J\xDCRGEN@X.DE [j\xFCrgen@x.de]"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetFullAddress(c.name, c.address, c.open, c.close), c.full) << c.name;
        EXPECT_STREQ(GetEmailFullName(c.name, c.address), c.fullName) << c.name;
        EXPECT_STREQ(GetEmailDisplayName(c.name, c.address), c.display) << c.name;
    }
}
