// Recipient verification against both servers: a recipient field with underlined (resolved),
// bold (list) and plain (typed) entries, the messages, and the read-only address information
// dialog.
#include <QTextEdit>

#include <algorithm>

#include <tessaly/mail.h>

#include "mail_test_support.h"

namespace tessaly::testing {
namespace {

using Pairs = std::vector<std::string>; // "name|address"

class VerifyTest : public MailStoreTest {
  protected:
    void SetUp() override {
        MailStoreTest::SetUp();
        if (IsSkipped()) return;
        fieldWidget = std::make_unique<QTextEdit>();
        db->Setup("insert into MainAddr (RecordID, FolderID, Name, Address) values "
                  "('C1','F','Ann Lee','ANN@EXAMPLE.ORG'),('C2','F','Bo Row','bo@example.org')");
        db->Setup("insert into DistList values ('L1','F','Team'),('L2','F','Club')");
        // One member of each list; Ann in both.
        db->Setup("insert into DistMembers values ('M1','L1',1,'C1','',''),"
                  "('M2','L2',1,'C1','',''),('M3','L2',0,'','Cy Guest','cy@guest.org')");
    }

    // Fills the field from simple HTML and verifies it.
    int Verify(const QString& html) {
        fieldWidget->setHtml(html);
        names.RemoveAll();
        addresses.RemoveAll();
        names.Add("stale");
        return VerifyMailAddress(CWnd::HandleOf(fieldWidget.get()), &connection(), names, addresses,
                                 nullptr);
    }

    Pairs Result() const {
        Pairs out;
        for (int i = 0; i < names.GetSize(); ++i)
            out.push_back(names[i].str() + "|" +
                          (i < addresses.GetSize() ? addresses[i].str() : "?"));
        return out;
    }

    void TearDown() override {
        fieldWidget.reset();
        MailStoreTest::TearDown();
    }

    std::unique_ptr<QTextEdit> fieldWidget; // made once the application exists
    CStringArray names, addresses;
};

TEST_P(VerifyTest, ResolvesEveryKindOfEntryInFieldOrder) {
    // As the mail client writes the field: a formatted entry's run takes its separator.
    EXPECT_EQ(Verify("<u>Dee Dot [dee@dot.org]; </u><b>Team; </b>bo row; ann@example.org; "
                     "new@person.net"),
              1);
    EXPECT_EQ(Result(),
              (Pairs{"Dee Dot|dee@dot.org", "Ann Lee|ANN@EXAMPLE.ORG", "bo row|bo@example.org",
                     "Ann Lee|ann@example.org", "new@person.net|new@person.net"}));
    EXPECT_TRUE(messages.empty());
    // The field keeps the focus's caret at its end, nothing selected.
    const QTextCursor caret = fieldWidget->textCursor();
    EXPECT_FALSE(caret.hasSelection());
    EXPECT_EQ(caret.position(), fieldWidget->document()->characterCount() - 1);
}

TEST_P(VerifyTest, ListsExpandInPlaceAndSharedMembersComeTwice) {
    EXPECT_EQ(Verify("<b>Team; </b><u>x@y.org; </u><b>club</b>"), 1);
    const Pairs got = Result();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], "Ann Lee|ANN@EXAMPLE.ORG");
    EXPECT_EQ(got[1], "|x@y.org");
    // The second list's two members in the server's order.
    const Pairs club(got.begin() + 2, got.end());
    EXPECT_EQ(std::count(club.begin(), club.end(), "Ann Lee|ANN@EXAMPLE.ORG"), 1);
    EXPECT_EQ(std::count(club.begin(), club.end(), "Cy Guest|cy@guest.org"), 1);
}

TEST_P(VerifyTest, EntriesThatAddNothingShowNothing) {
    const struct {
        const char* label;
        const char* html;
        int result;
        Pairs pairs;
    } cases[] = {
        {"blanks and separators", " ;; ; ", 0, {}},
        {"underlined without address", "<u>Just A Name</u>", 1, {}},
        {"unknown list", "<b>Nobody's list</b>", 1, {}},
        {"list without members", "<b>Ghost</b>", 1, {}},
        {"underlined bare address", "<u>x@y.org</u>", 1, {"|x@y.org"}},
    };
    db->Setup("insert into DistList values ('L9','F','Ghost')");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Verify(c.html), c.result);
        EXPECT_EQ(Result(), c.pairs);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_P(VerifyTest, TheFirstBadTypedEntryStopsWithMessage46) {
    const struct {
        const char* label;
        const char* html;
        std::string message;
        Pairs kept;
    } cases[] = {
        {"unknown name",
         "<u>Dee [dee@dot.org]</u>; Nobody Here; bo@example.org",
         "E-mail address 'Nobody Here' is invalid.",
         {"Dee|dee@dot.org"}},
        {"hostile name", "x'; drop table `MainAddr`; --", "E-mail address 'x'' is invalid.", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        messages.clear();
        EXPECT_EQ(Verify(c.html), 0);
        EXPECT_EQ(Result(), c.kept);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
    }
    EXPECT_EQ(db->Rows("select count(*) from MainAddr"), std::vector<std::string>{"2"});
}

// Names are found by their exact text without regard to case (the typed spelling comes
// back), but not through wildcards or without their accents.
TEST_P(VerifyTest, ContactsAreFoundByTheirExactTextIgnoringCase) {
    db->Setup("insert into MainAddr (RecordID, Name, Address) values "
              "('H1','100% _real_','h1@x.org'),('H2','Ren\xE9 Stra\xDF','h2@x.org'),"
              "('W1','100x Yreal_','wrong@x.org')");
    const std::pair<const char*, const char*> cases[] = {
        // typed (UTF-8 in the field), found address ("" when refused)
        {"100% _REAL_", "h1@x.org"},
        {"REN\u00c9 STRA\u00df", "h2@x.org"},
        {"Rene Stra\u00df", ""},
    };
    for (const auto& [typed, address] : cases) {
        SCOPED_TRACE(typed);
        messages.clear();
        const QString text = QString::fromUtf8(typed);
        EXPECT_EQ(Verify(text.toHtmlEscaped()), *address ? 1 : 0);
        EXPECT_EQ(Result(),
                  *address ? Pairs{text.toLatin1().toStdString() + "|" + address} : Pairs{});
        EXPECT_EQ(messages.empty(), *address != 0);
    }
}

// After a database error the information dialog still opens, with the entry as typed.
TEST_P(VerifyTest, ADatabaseErrorShowsMessage66AndKeepsWhatWasResolved) {
    db->Setup("drop table MainAddr");
    EXPECT_EQ(Verify("<u>Dee [dee@dot.org]</u>; someone; x@y.org"), 0);
    EXPECT_EQ(Result(), Pairs{"Dee|dee@dot.org"});
    const std::string error =
        "Error: Table '" + db->database() + ".MainAddr' doesn't exist (1146).";
    EXPECT_EQ(messages, std::vector<std::string>{error});
    std::string shownName;
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& dialog) {
        shownName = dialog.GetText(1216);
        dialog.Click(1);
    });
    EXPECT_EQ(ShowAddressInfoDlg("", "someone", &connection()), 1);
    tessaly::automation::SetDialogHandler(nullptr);
    EXPECT_EQ(shownName, "someone");
    EXPECT_EQ(messages, (std::vector<std::string>{error, error}));
    // A field that is not a window gives nothing.
    EXPECT_EQ(VerifyMailAddress(nullptr, connection(), names, addresses, nullptr), 0);
    EXPECT_EQ(names.GetSize(), 0);
}

// The read-only information dialog: what it shows for an entry, looked up by name or address.
TEST_P(VerifyTest, TheInformationDialogShowsTheResolvedEntryReadOnly) {
    const struct {
        const char* entry;
        std::string name, address;
    } cases[] = {
        {"Dee Dot [dee@dot.org] trailing", "Dee Dot", "dee@dot.org"},
        {"bo row", "bo row", "bo@example.org"},
        {"ann@example.org", "Ann Lee", "ann@example.org"},
        {"Nobody [", "Nobody", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        int opened = 0;
        tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& dialog) {
            ++opened;
            EXPECT_EQ(dialog.GetText(1216), c.name);
            EXPECT_EQ(dialog.GetText(1277), c.address);
            dialog.Click(1);
        });
        EXPECT_EQ(ShowAddressInfoDlg("Recipient", c.entry, connection()), 1);
        tessaly::automation::SetDialogHandler(nullptr);
        EXPECT_EQ(opened, 1);
    }
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, VerifyTest, MAIL_SERVERS);

} // namespace
} // namespace tessaly::testing
