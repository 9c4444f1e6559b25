// The recipient field readers: underlined runs resolved, bold runs lists, plain text typed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
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

    // The entries read; the reader appends to the arrays and leaves the caret at the end.
    Entries parse(const Runs& runs) {
        CStringArray entries;
        CUIntArray codes;
        entries.Add("earlier");
        codes.Add(7);
        ParseAddressFromEdit(&fill(runs), entries, codes);
        long start = -1, end = -1, length = edit_->toPlainText().size();
        field_->GetSel(start, end);
        EXPECT_EQ(std::make_pair(start, end), std::make_pair(length, length));
        EXPECT_EQ(entries.GetSize(), codes.GetSize());
        Entries out;
        for (int i = 0; i < entries.GetSize() && i < codes.GetSize(); ++i)
            out.emplace_back(entries[i].str(), codes[i]);
        EXPECT_EQ(out.at(0), Entries::value_type("earlier", 7));
        out.erase(out.begin());
        return out;
    }

    std::unique_ptr<QTextEdit> edit_; // made once the application exists
    std::unique_ptr<CRichEditCtrl> field_;
};

} // namespace

TEST_F(RecipientField, EntriesAndCodesByFormattingHostileTextWhole) {
    const std::pair<Runs, Entries> cases[] = {
        {{{'p', " ;; "}}, {}},
        // Bold after typed text reads as typed: the entry after ";" takes the ";"'s code.
        {{{'b', "Team"}, {'p', "; x; "}, {'b', "Club"}}, {{"Team", 1}, {"x", 2}, {"Club", 2}}},
        {{{'B', "Team"}, {'p', "; x"}}, {{"Team", 1}, {"x", 2}}},  // bold wins over underline
        {{{'u', "Bob; Jr <b@x.com>"}}, {{"Bob Jr <b@x.com>", 0}}}, // a run's ";" is removed
        {{{'p', "alice;b"}}, {{"aliceb", 2}}}, // one character after the last ";" joins
        {{{'p', "one\ntwo;three"}}, {{"one\r\ntwo", 2}, {"three", 2}}},
        {{{'u', "Ann\xA0Lee"}}, {{"Ann\xA0Lee", 0}}}, // a non-breaking space stays one
    };
    for (const auto& [field, expected] : cases)
        EXPECT_EQ(parse(field), expected) << field[0].second;
    // The caret counts characters, the window text bytes: double-byte entries stay whole.
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

// The entry around the caret; without a field both readers give nothing.
TEST_F(RecipientField, CurrentEntryAroundTheCaret) {
    // "alice@x.com; bob@y.com;; carol": ";" at 11, 22 and 23, length 30.
    const std::tuple<long, long, const char*> cases[] = {
        {11, 11, "alice@x.com;"},
        {12, 12, " bob@y.com;"}, // directly after a ";": the entry that follows
        {23, 23, ";"},           // between two separators
        {2, 16, " bob@y.com;"},  // a selection: its end counts
    };
    CRichEditCtrl& field = fill({{'p', "alice@x.com; bob@y.com;; "}, {'u', "carol"}});
    for (const auto& [start, end, expected] : cases) {
        field.SetSel(start, end);
        EXPECT_STREQ(GetCurrentFullAddress(&field), expected) << start << "-" << end;
    }
    fill({});
    EXPECT_STREQ(GetCurrentFullAddress(&field), "");
    EXPECT_STREQ(GetCurrentFullAddress(nullptr), "");
    CStringArray entries;
    CUIntArray codes;
    ParseAddressFromEdit(nullptr, entries, codes);
    EXPECT_EQ(entries.GetSize() + codes.GetSize(), 0);
}
