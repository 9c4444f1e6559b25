// E-mail address text: the splitter, the validity test and the three display forms, with
// hostile text (quotes, backslashes, control characters, code-page and double-byte text).
#include <gtest/gtest.h>

#include <string>

#include <tessaly/mail.h>

#include "support/prefix.h"
#include "support/registry.h"

namespace {

class EmailAddresses : public tessaly::testing::PrefixTest {};

struct Parts {
    std::string name, address;
};

Parts split(const std::string& full) {
    CString name("stale name"), address("stale address"); // always assigned
    GetEmailParts(CString(full), name, address);
    return {name.str(), address.str()};
}

} // namespace

TEST_F(EmailAddresses, SplitsNameAndAddressAtBracketsOrTheFirstBlank) {
    struct Case {
        std::string full, name, address;
    } cases[] = {
        {"John <john@x.com>", "John", "john@x.com"},
        {"John [john@x.com]", "John", "john@x.com"},
        {"john@x.com", "", "john@x.com"},
        {"<john@x.com>", "", "john@x.com"},
        {"John Smith john@x.com", "John", "Smith john@x.com"},   // first blank splits
        {"John Smith <john@x.com>", "John Smith", "john@x.com"}, // a bracket goes first
        {"John <john@x.com", "John", "john@x.com"},              // no closing bracket
        {"John <john@x.com> (work)", "John", "john@x.com"},      // text after ">" is lost
        {"John [john@x.com] extra <x@y.zz>", "John", "john@x.com"},
        {"  spaced  <  a@b.cc  >  ", "spaced", "a@b.cc"},
        {"Smith, John (Sales) <js@x.com>", "Smith, John (Sales)", "js@x.com"},
        {"no at sign", "no at sign", ""},
        {"a > b ] c", "a > b ] c", ""}, // without "@" the cut does not happen
        {"  name only\t", "name only", ""},
        {"", "", ""},
        {"@", "", "@"},
        {"[@]", "", "@"},
        // Hostile text stays whole.
        {"O'Brien \"Bob\" \\x <o'b\\r@x.com>", "O'Brien \"Bob\" \\x", "o'b\\r@x.com"},
        {"Na\x01me\x1a <a\x1b%_@b.cc>", "Na\x01me\x1a", "a\x1b%_@b.cc"},
        {"J\xFCrgen M\xFCller [j\xFC@x.de]", "J\xFCrgen M\xFCller", "j\xFC@x.de"},
        {"100%_off; \"quoted\" <a;b@c.de>", "100%_off; \"quoted\"", "a;b@c.de"},
    };
    for (const auto& c : cases) {
        const Parts parts = split(c.full);
        EXPECT_EQ(parts.name, c.name) << c.full;
        EXPECT_EQ(parts.address, c.address) << c.full;
    }
}

TEST_F(EmailAddresses, SplitterStepsOverDoubleByteCharacters) {
    // Under GBK, "\x81\x40" and "\x81\x5B" are single characters whose trail bytes are "@"
    // and "[": neither may be taken for the separator it looks like.
    tessaly::testing::UseAnsiCodePage("936");
    const Parts noAt = split("\x81\x40\x81\x5B name");
    EXPECT_EQ(noAt.name, "\x81\x40\x81\x5B name");
    EXPECT_EQ(noAt.address, "");
    const Parts trailBracket = split("\x81\x5Bname a@b.cc");
    EXPECT_EQ(trailBracket.name, "\x81\x5Bname");
    EXPECT_EQ(trailBracket.address, "a@b.cc");
}

TEST_F(EmailAddresses, ValidityNeedsAtDotTwoCharactersAfterTheDotAndNoBang) {
    struct Case {
        const char* text;
        int valid;
    } cases[] = {
        {"a@b.cc", 1},       {"a@b.c", 0},  // one character after the only dot
        {"a@bc.", 0},                       // the dot last
        {"@b.cc", 0},                       // nothing before "@"
        {"a.b@cc", 1},                      // a dot only before the "@" is enough
        {"x.y@z", 1},        {"a@bcde", 0}, // no dot
        {"abc.de", 0},                      // no "@"
        {"a@@b.cc", 1},                     // several "@" pass
        {"a b@c.de", 1},     {"  a@b.cc  ", 1},
        {"\ta@b.cc\r\n", 1}, {"a@b.c  ", 0}, // trimmed before the test
        {"a!b@c.de", 0},     {"a@b.cc!", 0},
        {"   ", 0},          {"", 0},
        {nullptr, 0},        {"o'b\"c\\d%_@e.fg", 1},
        {"\xFC@\xE9.de", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsValidEMailAddress(c.text), c.valid) << (c.text ? c.text : "(null)");
}

TEST_F(EmailAddresses, DisplayFormsComposeNameAndAddress) {
    struct Case {
        const char *name, *address, *open, *close;
        const char *full, *fullName, *display;
    } cases[] = {
        {"Bob", "bob@x.com", "<", ">", "Bob <bob@x.com>", "Bob [bob@x.com]", "Bob [bob@x.com]"},
        {"Bob", "bob@x.com", "(", ")", "Bob (bob@x.com)", "Bob [bob@x.com]", "Bob [bob@x.com]"},
        {"Bob", "bob@x.com", "", "", "Bob bob@x.com", "Bob [bob@x.com]", "Bob [bob@x.com]"},
        {"", "bob@x.com", "<", ">", "bob@x.com", "bob@x.com", "bob@x.com"},
        // Equal ignoring case: the address alone, except for the display name.
        {"BOB@X.COM", "bob@x.com", "<", ">", "bob@x.com", "bob@x.com", "BOB@X.COM [bob@x.com]"},
        {"bob@x.com", "bob@x.com", "<", ">", "bob@x.com", "bob@x.com", "bob@x.com [bob@x.com]"},
        {"J\xDCRGEN@X.DE", "j\xFCrgen@x.de", "<", ">", "j\xFCrgen@x.de", "j\xFCrgen@x.de",
         "J\xDCRGEN@X.DE [j\xFCrgen@x.de]"},
        {"Bob", "", "<", ">", "Bob <>", "Bob []", "Bob []"},
        {"", "", "<", ">", "", "", ""},
        {"O'Neil \"\\\"", "o'n\\@x.com", "<", ">", "O'Neil \"\\\" <o'n\\@x.com>",
         "O'Neil \"\\\" [o'n\\@x.com]", "O'Neil \"\\\" [o'n\\@x.com]"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GetFullAddress(c.name, c.address, c.open, c.close), c.full) << c.name;
        EXPECT_STREQ(GetEmailFullName(c.name, c.address), c.fullName) << c.name;
        EXPECT_STREQ(GetEmailDisplayName(c.name, c.address), c.display) << c.name;
    }
}

TEST_F(EmailAddresses, ComposedFormsSplitBackIntoTheirParts) {
    const char* names[] = {"O'Brien",         "\"Smith, John\"", "Back\\slash (work)",
                           "Ctl\x01\x1a\x7f", "Caf\xE9 \xFC",    "100% _under_",
                           "semi;colon",      "at@in name"};
    const char* addresses[] = {"o'b@x.com", "back\\s@x.com", "pct%_@x.com", "\x01\x1a@x.com",
                               "caf\xE9@x.fr"};
    for (const char* name : names) {
        for (const char* address : addresses) {
            for (const CString& composed :
                 {GetFullAddress(name, address, "<", ">"), GetEmailFullName(name, address),
                  GetEmailDisplayName(name, address)}) {
                const Parts parts = split(composed.str());
                EXPECT_EQ(parts.name, name) << composed.str();
                EXPECT_EQ(parts.address, address) << composed.str();
            }
        }
    }
}
