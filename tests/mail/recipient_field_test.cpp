// The recipient field readers on a caller's QTextEdit: underlined runs are resolved
// recipients, bold runs distribution lists, plain text is typed and cut at ";".
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <tessaly/controls.h>
#include <tessaly/mail.h>

#include "mail/qt_widgets.h"
#include "support/prefix.h"
#include "support/registry.h"

using tessaly::testing::Bold;
using tessaly::testing::BoldUnder;
using tessaly::testing::FieldRun;
using tessaly::testing::Plain;
using tessaly::testing::Under;

namespace {

using Entries = std::vector<std::pair<std::string, UINT>>;

class RecipientField : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        tessaly::testing::EnsureQtApplication();
        owned_ = std::make_unique<QTextEdit>();
        owned_->show();
        owned_->activateWindow();
        edit_ = owned_.get();
    }

    Entries parse(const std::vector<FieldRun>& runs) {
        tessaly::testing::FillField(*edit_, runs);
        CRichEditCtrl field(edit_);
        CStringArray entries;
        CUIntArray codes;
        ParseAddressFromEdit(&field, entries, codes);
        EXPECT_EQ(entries.GetSize(), codes.GetSize());
        Entries out;
        for (int i = 0; i < entries.GetSize() && i < codes.GetSize(); ++i)
            out.emplace_back(entries[i].str(), codes[i]);
        return out;
    }

    std::unique_ptr<QTextEdit> owned_; // made once the application exists
    QTextEdit* edit_ = nullptr;
};

std::string describe(const std::vector<FieldRun>& runs) {
    std::string out;
    for (const FieldRun& r : runs)
        out += std::string(r.bold ? "B" : "") + (r.underline ? "U" : "") + "[" + r.text + "]";
    return out;
}

} // namespace

TEST_F(RecipientField, EntriesAndCodesByFormattingHostileTextWhole) {
    struct Case {
        std::vector<FieldRun> field;
        Entries expected;
    } cases[] = {
        {{}, {}},
        {{Plain("   ")}, {}},
        {{Plain(";;")}, {}},
        {{Plain("alice; bob;")}, {{"alice", 2}, {"bob", 2}}},
        {{Plain(" alice ; bob ")}, {{"alice", 2}, {"bob", 2}}},
        {{Plain("a;;;b c")}, {{"a", 2}, {"b c", 2}}},
        {{Under("Bob <b@x.com>"), Plain("; carol")}, {{"Bob <b@x.com>", 0}, {"carol", 2}}},
        {{Plain("carol "), Under("Bob <b@x.com>")}, {{"carol", 2}, {"Bob <b@x.com>", 0}}},
        // A lone blank between ";" and an underlined name gives no entry.
        {{Plain("a; "), Under("Bob")}, {{"a", 2}, {"Bob", 0}}},
        {{Bold("Team")}, {{"Team", 1}}},
        {{Bold("Team"), Under("Bob <b@x>")}, {{"Team", 1}, {"Bob <b@x>", 0}}},
        {{Under("u@x.com"), Bold("List")}, {{"u@x.com", 0}, {"List", 1}}},
        {{Under("a@x.com"), Plain(";"), Under("b@y.com")}, {{"a@x.com", 0}, {"b@y.com", 0}}},
        // A bold run after typed text is read as typed: the entry after a ";" takes the
        // code of the ";", and a bold character does not end typed text.
        {{Bold("Team"), Plain("; x; "), Bold("Club")}, {{"Team", 1}, {"x", 2}, {"Club", 2}}},
        // Bold wins over underline for the first character.
        {{BoldUnder("Team"), Plain("; x")}, {{"Team", 1}, {"x", 2}}},
        // A bold character inside typed text does not end it.
        {{Plain("ab"), Bold("cd"), Plain("ef;")}, {{"abcdef", 2}}},
        // A ";" inside an underlined or bold run belongs to the run and is removed.
        {{Under("Bob; Jr <b@x.com>")}, {{"Bob Jr <b@x.com>", 0}}},
        {{Bold("A;B")}, {{"AB", 1}}},
        // The reader's steps join a single character after the last ";" to the entry before
        // it (the end test is skipped for the character after a ";").
        {{Plain("alice;b")}, {{"aliceb", 2}}},
        {{Plain("alice;bo")}, {{"alice", 2}, {"bo", 2}}},
        // Hostile text comes through whole.
        {{Under("O'Brien \"Bob\" \\x <o'b\\@x.com>"), Plain("; J\xFCrgen \\ 'q'")},
         {{"O'Brien \"Bob\" \\x <o'b\\@x.com>", 0}, {"J\xFCrgen \\ 'q'", 2}}},
        // A non-breaking space stays one.
        {{Under("Ann\xA0Lee")}, {{"Ann\xA0Lee", 0}}},
        {{Bold("Caf\xE9 list"), Plain("; 100%_off\x01\x1a; a\"b")},
         {{"Caf\xE9 list", 1}, {"100%_off\x01\x1a", 2}, {"a\"b", 2}}},
        {{Plain("' OR 1=1 --; \\'; DROP TABLE MainAddr;")},
         {{"' OR 1=1 --", 2}, {"\\'", 2}, {"DROP TABLE MainAddr", 2}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.field), c.expected) << describe(c.field);
}

// The caret counts characters and line ends, the window text bytes and CR LF: entries follow
// the characters, double-byte ones kept whole.
TEST_F(RecipientField, PositionsAreCharactersNotBytes) {
    tessaly::testing::UseAnsiCodePage("936");
    // GBK: "\xD5\xC5\xC8\xFD" and "\xC0\xEE\xCB\xC4" are two characters each.
    EXPECT_EQ(parse({Under("\xD5\xC5\xC8\xFD <z@x.cn>"), Plain("; \xC0\xEE\xCB\xC4;"),
                     Bold("\xB0\xE0\xBC\xB6")}),
              (Entries{{"\xD5\xC5\xC8\xFD <z@x.cn>", 0},
                       {"\xC0\xEE\xCB\xC4", 2},
                       {"\xB0\xE0\xBC\xB6", 2}}));
    EXPECT_EQ(parse({Under("\xD5\xC5"), Bold("\xC8\xFD\xC0\xEE"), Under("a@b.cc")}),
              (Entries{{"\xD5\xC5", 0}, {"\xC8\xFD\xC0\xEE", 1}, {"a@b.cc", 0}}));
    tessaly::testing::FillField(*edit_, {Plain("\xD5\xC5; \xC0\xEE\xCB\xC4")});
    CRichEditCtrl field(edit_);
    field.SetSel(1, 1);
    EXPECT_STREQ(GetCurrentFullAddress(&field), "\xD5\xC5;");
    field.SetSel(5, 5);
    EXPECT_STREQ(GetCurrentFullAddress(&field), " \xC0\xEE\xCB\xC4");
}

TEST_F(RecipientField, LineBreaksCountAsOnePosition) {
    EXPECT_EQ(parse({Under("a@x.com"), Plain("\nb; c\n"), Under("d@y.org")}),
              (Entries{{"a@x.com", 0}, {"b", 2}, {"c", 2}, {"d@y.org", 0}}));
    EXPECT_EQ(parse({Plain("one\ntwo;three")}), (Entries{{"one\r\ntwo", 2}, {"three", 2}}));
}

TEST_F(RecipientField, ReaderAppendsAndLeavesTheCaretAtTheEnd) {
    tessaly::testing::FillField(*edit_, {Plain("alice; "), Under("Bob <b@x.com>")});
    CRichEditCtrl field(edit_);
    CStringArray entries;
    CUIntArray codes;
    entries.Add("earlier");
    codes.Add(7);
    ParseAddressFromEdit(&field, entries, codes);
    ASSERT_EQ(entries.GetSize(), 3);
    ASSERT_EQ(codes.GetSize(), 3);
    EXPECT_STREQ(entries[0], "earlier");
    EXPECT_EQ(codes[0], 7u);
    EXPECT_STREQ(entries[2], "Bob <b@x.com>");

    long start = -1, end = -1;
    field.GetSel(start, end);
    EXPECT_EQ(start, end);
    EXPECT_EQ(end, static_cast<long>(edit_->toPlainText().size()));
    EXPECT_EQ(edit_->window()->focusWidget(), edit_); // the focus it gets when active
}

TEST_F(RecipientField, CurrentEntryAroundTheCaret) {
    // "alice@x.com; bob@y.com;; carol": ";" at 11, 22 and 23, length 30.
    struct Case {
        long selStart, selEnd;
        const char* expected;
    } cases[] = {
        {0, 0, "alice@x.com;"},  {3, 3, "alice@x.com;"}, {11, 11, "alice@x.com;"},
        {12, 12, " bob@y.com;"},                // directly after a ";": the entry that follows
        {20, 20, " bob@y.com;"}, {23, 23, ";"}, // between two separators
        {24, 24, " carol"},                     // the last entry, no ";"
        {30, 30, " carol"},      {2, 16, " bob@y.com;"}, // a selection: its end counts
    };
    tessaly::testing::FillField(*edit_, {Plain("alice@x.com; bob@y.com;; "), Under("carol")});
    CRichEditCtrl field(edit_);
    for (const auto& c : cases) {
        field.SetSel(c.selStart, c.selEnd);
        EXPECT_STREQ(GetCurrentFullAddress(&field), c.expected) << c.selStart << "-" << c.selEnd;
        long start = -1, end = -1;
        field.GetSel(start, end);
        EXPECT_EQ(start, c.selEnd);
        EXPECT_EQ(end, c.selEnd);
    }
}

TEST_F(RecipientField, EmptyFieldAndNoField) {
    tessaly::testing::FillField(*edit_, {});
    CRichEditCtrl field(edit_);
    EXPECT_STREQ(GetCurrentFullAddress(&field), "");
    EXPECT_STREQ(GetCurrentFullAddress(nullptr), "");
    CStringArray entries;
    CUIntArray codes;
    ParseAddressFromEdit(nullptr, entries, codes);
    EXPECT_EQ(entries.GetSize(), 0);
    EXPECT_EQ(codes.GetSize(), 0);
}
