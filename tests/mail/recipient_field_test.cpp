// The recipient field readers: underlined runs resolved, bold runs lists, plain text typed.
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

// A run of ANSI text: 'p' plain, 'b' bold, 'u' underlined, 'B' bold and underlined.
using Runs = std::vector<std::pair<char, std::string>>;
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
        for (const auto& [kind, text] : runs) {
            QTextCharFormat format;
            format.setFontWeight(kind == 'b' || kind == 'B' ? QFont::Bold : QFont::Normal);
            format.setFontUnderline(kind == 'u' || kind == 'B');
            cursor.insertText(QString::fromStdString(tessaly::platform::AnsiToUtf8(text)), format);
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
        // Bold after typed text reads as typed: the entry after ";" takes the ";"'s code.
        {{{'b', "Team"}, {'p', "; x; "}, {'b', "Club"}}, {{"Team", 1}, {"x", 2}, {"Club", 2}}},
        {{{'B', "Team"}, {'p', "; x"}}, {{"Team", 1}, {"x", 2}}},  // bold wins over underline
        {{{'u', "Bob; Jr <b@x.com>"}}, {{"Bob Jr <b@x.com>", 0}}}, // a run's ";" is removed
        {{{'p', "alice;b"}}, {{"aliceb", 2}}}, // one character after the last ";" joins
        {{{'p', "one\ntwo;three"}}, {{"one\r\ntwo", 2}, {"three", 2}}},
        {{{'u', "Ann\xA0Lee"}}, {{"Ann\xA0Lee", 0}}}, // a non-breaking space stays one
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.field), c.expected) << c.field[0].second;
}

// The caret counts characters, the window text bytes: double-byte entries are kept whole.
TEST_F(RecipientField, PositionsAreCharactersNotBytes) {
    tessaly::testing::UseAnsiCodePage("936");
    EXPECT_EQ(parse({{'u', "\xD5\xC5\xC8\xFD <z@x.cn>"},
                     {'p', "; \xC0\xEE\xCB\xC4;"},
                     {'b', "\xB0\xE0\xBC\xB6"}}),
              (Entries{{"\xD5\xC5\xC8\xFD <z@x.cn>", 0},
                       {"\xC0\xEE\xCB\xC4", 2},
                       {"\xB0\xE0\xBC\xB6", 2}}));
    CRichEditCtrl& field = fill({{'p', "\xD5\xC5; \xC0\xEE\xCB\xC4"}});
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
    EXPECT_EQ(entries[0].str() + std::to_string(codes[0]), "earlier7");
    long start = -1, end = -1;
    field.GetSel(start, end);
    const long length = edit_->toPlainText().size();
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(length, length));
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
    }
    fill({});
    EXPECT_STREQ(GetCurrentFullAddress(&field), "");
    EXPECT_STREQ(GetCurrentFullAddress(nullptr), "");
}
