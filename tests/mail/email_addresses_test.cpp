// E-mail address text: the splitter, the validity test and the three display forms, with
// hostile text (quotes, backslashes, control characters, code-page and double-byte text).
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
        {"John <john@x.com", "John", "john@x.com"},                  // no closing bracket
        {"John [john@x.com] (work) <x@y.zz>", "John", "john@x.com"}, // text after "]" is lost
        {"  spaced  <  a@b.cc  >  ", "spaced", "a@b.cc"},
        {"a > b ] c", "a > b ] c", ""}, // without "@" the cut does not happen
        // Hostile text stays whole.
        {"J\xFCrgen\x01\x1a [j\xFC%_@x.de]", "J\xFCrgen\x01\x1a", "j\xFC%_@x.de"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split(c.full), Parts(c.name, c.address)) << c.full;
    // Under GBK "\x81\x40" and "\x81\x5B" are characters whose trail bytes are "@" and "[".
    tessaly::testing::UseAnsiCodePage("936");
    EXPECT_EQ(split("\x81\x40\x81\x5B name"), Parts("\x81\x40\x81\x5B name", ""));
    EXPECT_EQ(split("\x81\x5Bname a@b.cc"), Parts("\x81\x5Bname", "a@b.cc"));
}

TEST_F(EmailAddresses, ValidityNeedsAtDotTwoCharactersAfterTheDotAndNoBang) {
    // Trimmed first; the first dot, wherever it is, needs two characters after it.
    const std::pair<const char*, int> cases[] = {
        {"a@b.c", 0},        {"@b.cc", 0},    {"a.b@cc", 1}, {"abc.de", 0},
        {"\ta@b.cc\r\n", 1}, {"a!b@c.de", 0}, {nullptr, 0},  {"o'b\"c\\d%_@\xE9.fg", 1},
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(IsValidEMailAddress(text), valid) << (text ? text : "(null)");
}

// The composed forms, and their split back into the name and address they were made of.
TEST_F(EmailAddresses, DisplayFormsComposeNameAndAddressAndSplitBack) {
    const struct {
        const char *name, *address, *open, *close;
        const char *full, *fullName, *display;
    } cases[] = {
        {"Bob", "bob@x.com", "", "", "Bob bob@x.com", "Bob [bob@x.com]", "Bob [bob@x.com]"},
        {"", "bob@x.com", "<", ">", "bob@x.com", "bob@x.com", "bob@x.com"},
        // Equal ignoring case: the address alone, except for the display name.
        {"J\xDCRGEN@X.DE", "j\xFCrgen@x.de", "<", ">", "j\xFCrgen@x.de", "j\xFCrgen@x.de",
         "J\xDCRGEN@X.DE [j\xFCrgen@x.de]"},
        {"Bob", "", "<", ">", "Bob <>", "Bob []", "Bob []"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetFullAddress(c.name, c.address, c.open, c.close), c.full) << c.name;
        EXPECT_STREQ(GetEmailFullName(c.name, c.address), c.fullName) << c.name;
        EXPECT_STREQ(GetEmailDisplayName(c.name, c.address), c.display) << c.name;
    }
    for (const char* name : {"\"Smith, O'Brien\"", "Ctl\x01\x1a\x7f \xE9", "at@in name"})
        for (const char* address : {"o'b\\s@x.com", "pct%_\x01@x.com"})
            for (const CString& composed :
                 {GetFullAddress(name, address, "<", ">"), GetEmailFullName(name, address),
                  GetEmailDisplayName(name, address)})
                EXPECT_EQ(split(composed.str()), Parts(name, address)) << composed.str();
}
