// Recipient verification against both servers, and the read-only address information dialog.
#include <QTextEdit>

#include <algorithm>
#include <tuple>

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
            out.push_back(names[i].str() + "|" + addresses[i].str());
        return out;
    }

    std::unique_ptr<QTextEdit> fieldWidget; // made once the application exists
    CStringArray names, addresses;
};

// Lists expand in place, a shared member comes twice.
TEST_P(VerifyTest, ResolvesEntriesInFieldOrderAndABadTypedOneStops) {
    EXPECT_EQ(Verify("<b>Team; </b><u>x@y.org; </u><b>club</b>"), 1);
    Pairs got = Result();
    ASSERT_EQ(got.size(), 4u);
    std::sort(got.begin() + 2, got.end()); // the second list's members in the server's order
    EXPECT_EQ(got, (Pairs{"Ann Lee|ANN@EXAMPLE.ORG", "|x@y.org", "Ann Lee|ANN@EXAMPLE.ORG",
                          "Cy Guest|cy@guest.org"}));
    // Entries in field order; names by exact text in any case (no wildcards, accents count);
    // the first bad typed entry stops with message 46.
    const std::tuple<const char*, int, Pairs, Pairs> cases[] = {
        // the result, pairs, messages
        // clang-format off
        {"<u>Dee Dot [dee@dot.org]; </u><b>Team; </b>bo row; ann@example.org; new@person.net", 1,
         {"Dee Dot|dee@dot.org", "Ann Lee|ANN@EXAMPLE.ORG", "bo row|bo@example.org",
          "Ann Lee|ann@example.org", "new@person.net|new@person.net"}, {}},
        {"100% _REAL_", 1, {"100% _REAL_|h1@x.org"}, {}},
        {"REN\u00c9 STRA\u00df", 1, {"REN\xC9 STRA\xDF|h2@x.org"}, {}},
        {"Rene Stra\u00df", 0, {}, {"E-mail address 'Rene Stra\xDF' is invalid."}},
        {" ;; ; ", 0, {}, {}},
        {"<u>Just A Name</u>", 1, {}, {}},
        {"<b>Nobody's list</b>", 1, {}, {}},
        {"<b>Ghost</b>", 1, {}, {}}, // a list without members
        {"<u>Dee [dee@dot.org]</u>; Nobody Here; bo@example.org", 0, {"Dee|dee@dot.org"},
         {"E-mail address 'Nobody Here' is invalid."}},
        {"x'; drop table `MainAddr`; --", 0, {}, {"E-mail address 'x'' is invalid."}},
        // clang-format on
    };
    db->Setup("insert into DistList values ('L9','F','Ghost')");
    db->Setup("insert into MainAddr (RecordID, Name, Address) values "
              "('H1','100% _real_','h1@x.org'),('H2','Ren\xE9 Stra\xDF','h2@x.org'),"
              "('W1','100x Yreal_','wrong@x.org')");
    for (const auto& [html, result, pairs, shown] : cases) {
        messages.clear();
        EXPECT_EQ(Verify(html), result) << html;
        EXPECT_EQ(Result(), pairs) << html;
        EXPECT_EQ(messages, shown) << html;
    }
    EXPECT_EQ(db->Rows("select count(*) from MainAddr"), std::vector<std::string>{"5"});
}

// The read-only information dialog (no Cancel, OK checks nothing) shows the looked-up entry.
TEST_P(VerifyTest, TheInformationDialogShowsTheResolvedEntryAndErrorsAreTold) {
    const std::pair<const char*, std::string> cases[] = {
        // the entry, then name|address shown
        {"Dee Dot [dee@dot.org] trailing", "Dee Dot|dee@dot.org"},
        {"bo row", "bo row|bo@example.org"},
        {"ann@example.org", "Ann Lee|ann@example.org"},
        {"Nobody [", "Nobody|"}};
    std::string shown;
    tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& dialog) {
        auto editable = [&](int id) {
            CWnd* item = CWnd::FromHandle(dialog.Handle())->GetDlgItem(id);
            return !qobject_cast<QTextEdit*>(item->GetWidget())->isReadOnly();
        };
        shown = dialog.GetText(1216) + "|" + dialog.GetText(1277);
        if (dialog.IsVisible(IDCANCEL) || editable(1216) || editable(1277)) shown += " editable";
        EXPECT_TRUE(dialog.Click(1));
    });
    for (const auto& [entry, want] : cases) {
        shown.clear();
        EXPECT_EQ(ShowAddressInfoDlg("Recipient", entry, connection()), 1);
        EXPECT_EQ(shown, want) << entry;
    }
    EXPECT_TRUE(messages.empty());
    // A database error: message 66, what was resolved stays; the dialog shows the entry as typed.
    db->Setup("drop table MainAddr");
    const std::string error =
        "Error: Table '" + db->database() + ".MainAddr' doesn't exist (1146).";
    EXPECT_EQ(Verify("<u>Dee [dee@dot.org]</u>; someone; x@y.org"), 0);
    EXPECT_EQ(Result(), Pairs{"Dee|dee@dot.org"});
    EXPECT_EQ(messages, std::vector<std::string>{error});
    EXPECT_EQ(ShowAddressInfoDlg("", "someone", &connection()), 1);
    tessaly::automation::SetDialogHandler(nullptr);
    EXPECT_EQ(shown, "someone|");
    EXPECT_EQ(messages, std::vector<std::string>(2, error));
    EXPECT_EQ(VerifyMailAddress(nullptr, connection(), names, addresses, nullptr), 0);
    EXPECT_EQ(names.GetSize(), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, VerifyTest, MAIL_SERVERS);

} // namespace
} // namespace tessaly::testing
