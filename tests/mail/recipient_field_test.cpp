// The recipient field readers on a caller's QTextEdit: underlined runs are resolved
// recipients, bold runs distribution lists, plain text is typed and cut at ";".
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

#include <tessaly/controls.h>
#include <tessaly/mail.h>

#include "platform/codepage.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/registry.h"

namespace {

// A run of the field's text (bytes of the ANSI code page): 'p' plain, 'b' bold, 'u'
// underlined, 'B' bold and underlined.
struct Span {
    char kind;
    std::string text;
};
using Runs = std::vector<Span>;
using Entries = std::vector<std::pair<std::string, UINT>>;

class RecipientField : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        tessaly::testing::EnsureQtApplication();
        edit_ = std::make_unique<QTextEdit>();
        edit_->show();
        edit_->activateWindow();
        field_ = std::make_unique<CRichEditCtrl>(edit_.get());
    }

    CRichEditCtrl& fill(const Runs& runs) {
        edit_->clear();
        QTextCursor cursor(edit_->document());
        for (const Span& run : runs) {
            QTextCharFormat format;
            format.setFontWeight(run.kind == 'b' || run.kind == 'B' ? QFont::Bold : QFont::Normal);
            format.setFontUnderline(run.kind == 'u' || run.kind == 'B');
            cursor.insertText(QString::fromStdString(tessaly::platform::AnsiToUtf8(run.text)),
                              format);
        }
        return *field_;
    }

    Entries parse(const Runs& runs) {
        CStringArray entries;
        CUIntArray codes;
        ParseAddressFromEdit(&fill(runs), entries, codes);
        EXPECT_EQ(entries.GetSize(), codes.GetSize());
        Entries out;
        for (int i = 0; i < entries.GetSize() && i < codes.GetSize(); ++i)
            out.emplace_back(entries[i].str(), codes[i]);
        return out;
    }

    std::unique_ptr<QTextEdit> edit_; // made once the application exists
    std::unique_ptr<CRichEditCtrl> field_;
};

} // namespace

TEST_F(RecipientField, EntriesAndCodesByFormattingHostileTextWhole) {
    const struct {
        Runs field;
        Entries expected;
    } cases[] = {
        {{{'p', " ;; "}}, {}},
        {{{'u', "Bob <b@x.com>"}, {'p', "; carol"}}, {{"Bob <b@x.com>", 0}, {"carol", 2}}},
        // A lone blank between ";" and an underlined name gives no entry.
        {{{'p', "a; "}, {'u', "Bob"}}, {{"a", 2}, {"Bob", 0}}},
        // A bold run after typed text is read as typed: the entry after a ";" takes the
        // code of the ";", and a bold character does not end typed text.
        {{{'b', "Team"}, {'p', "; x; "}, {'b', "Club"}}, {{"Team", 1}, {"x", 2}, {"Club", 2}}},
        {{{'p', "ab"}, {'b', "cd"}, {'p', "ef;"}}, {{"abcdef", 2}}},
        // Bold wins over underline for the first character.
        {{{'B', "Team"}, {'p', "; x"}}, {{"Team", 1}, {"x", 2}}},
        // A ";" inside an underlined or bold run belongs to the run and is removed.
        {{{'u', "Bob; Jr <b@x.com>"}}, {{"Bob Jr <b@x.com>", 0}}},
        // The reader's steps join a single character after the last ";" to the entry before
        // it (the end test is skipped for the character after a ";").
        {{{'p', "alice;b"}}, {{"aliceb", 2}}},
        // Hostile text comes through whole; line breaks count as one position.
        {{{'u', "O'Brien \"Bob\" \\x <o'b\\@x.com>"}, {'p', "; J\xFCrgen \\ 'q'\x01\x1a"}},
         {{"O'Brien \"Bob\" \\x <o'b\\@x.com>", 0}, {"J\xFCrgen \\ 'q'\x01\x1a", 2}}},
        {{{'u', "a@x.com"}, {'p', "\nb; c\n"}, {'u', "d@y.org"}},
         {{"a@x.com", 0}, {"b", 2}, {"c", 2}, {"d@y.org", 0}}},
        {{{'p', "one\ntwo;three"}}, {{"one\r\ntwo", 2}, {"three", 2}}},
        // A non-breaking space stays one.
        {{{'u', "Ann\xA0Lee"}}, {{"Ann\xA0Lee", 0}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.field), c.expected) << c.field[0].text;
}

// The caret counts characters and line ends, the window text bytes and CR LF: entries follow
// the characters, double-byte ones kept whole.
TEST_F(RecipientField, PositionsAreCharactersNotBytes) {
    tessaly::testing::UseAnsiCodePage("936");
    // GBK: "\xD5\xC5\xC8\xFD" and "\xC0\xEE\xCB\xC4" are two characters each.
    EXPECT_EQ(parse({{'u', "\xD5\xC5\xC8\xFD <z@x.cn>"},
                     {'p', "; \xC0\xEE\xCB\xC4;"},
                     {'b', "\xB0\xE0\xBC\xB6"}}),
              (Entries{{"\xD5\xC5\xC8\xFD <z@x.cn>", 0},
                       {"\xC0\xEE\xCB\xC4", 2},
                       {"\xB0\xE0\xBC\xB6", 2}}));
    EXPECT_EQ(parse({{'u', "\xD5\xC5"}, {'b', "\xC8\xFD\xC0\xEE"}, {'u', "a@b.cc"}}),
              (Entries{{"\xD5\xC5", 0}, {"\xC8\xFD\xC0\xEE", 1}, {"a@b.cc", 0}}));
    CRichEditCtrl& field = fill({{'p', "\xD5\xC5; \xC0\xEE\xCB\xC4"}});
    field.SetSel(1, 1);
    EXPECT_STREQ(GetCurrentFullAddress(&field), "\xD5\xC5;");
    field.SetSel(5, 5);
    EXPECT_STREQ(GetCurrentFullAddress(&field), " \xC0\xEE\xCB\xC4");
}

// The reader appends to the caller's arrays and leaves the caret at the end with the focus.
TEST_F(RecipientField, ReaderAppendsAndLeavesTheCaretAtTheEnd) {
    CStringArray entries;
    CUIntArray codes;
    entries.Add("earlier");
    codes.Add(7);
    CRichEditCtrl& field = fill({{'p', "alice; "}, {'u', "Bob <b@x.com>"}});
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
    EXPECT_EQ(edit_->window()->focusWidget(), edit_.get());
    ParseAddressFromEdit(nullptr, entries, codes);
    EXPECT_EQ(entries.GetSize(), 3);
}

TEST_F(RecipientField, CurrentEntryAroundTheCaret) {
    // "alice@x.com; bob@y.com;; carol": ";" at 11, 22 and 23, length 30.
    const struct {
        long selStart, selEnd;
        const char* expected;
    } cases[] = {
        {11, 11, "alice@x.com;"},
        {12, 12, " bob@y.com;"}, // directly after a ";": the entry that follows
        {23, 23, ";"},           // between two separators
        {2, 16, " bob@y.com;"},  // a selection: its end counts
    };
    CRichEditCtrl& field = fill({{'p', "alice@x.com; bob@y.com;; "}, {'u', "carol"}});
    for (const auto& c : cases) {
        field.SetSel(c.selStart, c.selEnd);
        EXPECT_STREQ(GetCurrentFullAddress(&field), c.expected) << c.selStart << "-" << c.selEnd;
        long start = -1, end = -1;
        field.GetSel(start, end);
        EXPECT_EQ(start, c.selEnd);
        EXPECT_EQ(end, c.selEnd);
    }
    fill({});
    EXPECT_STREQ(GetCurrentFullAddress(&field), "");
    EXPECT_STREQ(GetCurrentFullAddress(nullptr), "");
}
