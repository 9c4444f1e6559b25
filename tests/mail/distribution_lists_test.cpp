// The distribution-list store against both servers: results, stale members, errors, hostile text.
#include <QLabel>
#include <QListWidget>

#include <algorithm>

#include <tessaly/mail.h>

#include "mail_test_support.h"
#include "support/registry.h"

namespace tessaly::testing {
namespace {

// The arrays GetDistListMember fills, each member as "id:name:address:contact:flag".
struct Members {
    CStringArray names, addresses, memberIds, contactIds;
    CUIntArray flags;
    template <typename Connection> int Get(const CString& list, Connection&& connection) {
        return GetDistListMember(list, connection, names, addresses, memberIds, contactIds, flags,
                                 nullptr);
    }
    std::vector<std::string> All(int skipNames = 0) const {
        std::vector<std::string> all;
        for (int i = 0; i < memberIds.GetSize(); ++i)
            all.push_back(memberIds[i].str() + ":" + names[i + skipNames].str() + ":" +
                          addresses[i].str() + ":" + contactIds[i].str() + ":" +
                          std::to_string(flags[i]));
        return all;
    }
};

// A caller's list control; the key strings its items hold go with it.
struct List {
    QListWidget widget;
    CListCtrl control{&widget};
    ~List() {
        for (int i = 0; i < control.GetItemCount(); ++i)
            delete reinterpret_cast<CString*>(control.GetItemData(i));
    }
    CString* Add(const char* text, const char* key) {
        control.InsertItem(0, text);
        auto* string = key ? new CString(key) : nullptr;
        control.SetItemData(0, reinterpret_cast<DWORD_PTR>(string));
        return string;
    }
    std::vector<std::string> Items() {
        std::vector<std::string> items;
        for (int i = 0; i < control.GetItemCount(); ++i) {
            auto* key = reinterpret_cast<CString*>(control.GetItemData(i));
            items.push_back(control.GetItemText(i, 0).str() + "|" + (key ? key->str() : "-"));
        }
        return items;
    }
};

class DistributionListTest : public MailStoreTest {};

// A folder's lists go before the items there, in reverse order; a non-list control gets none.
TEST_P(DistributionListTest, FillsTheListsOfAFolderInReverseOrderWithTheirKeys) {
    db->Setup("insert into DistList values ('L1','F1','Family'),('L2','F1','Work'),"
              "('L3','F1','Club'),('L4','F2','Elsewhere')");
    auto expected = db->Rows("select LstName, RecordID from DistList where FolderID='F1'");
    std::reverse(expected.begin(), expected.end());
    expected.push_back("already there|-");
    List list;
    list.Add("already there", nullptr);
    EXPECT_EQ(FillDistributionList(&connection(), &list.control, nullptr, "F1"), 1);
    EXPECT_EQ(list.Items(), expected);
    QLabel label;
    CListCtrl notAList(&label);
    EXPECT_EQ(FillDistributionList(connection(), &notAList, nullptr, "F1"), 0);
}

// A contact's name and address, stale members deleted, arrays appended to, keys and rows exact.
TEST_P(DistributionListTest, MembersComeFromTheRowOrFromTheirContactAndStaleOnesGo) {
    db->Setup("insert into MainAddr (RecordID, FolderID, Name, Address) values "
              "('C1','F','Ann Lee','ANN@EXAMPLE.ORG')");
    db->Setup(
        "insert into DistMembers values ('M1','L\\'1',1,'C1','stale','stale@x.org'),"
        "('M\\'2','L\\'1',0,'','nul\\0in','a\\\\b@x.org'),('M3','L2',1,'C-gone','O','o@x.org'),"
        "('M4','L\\'1',1,'C-gone',NULL,NULL),('M5','L\\'1',-1,'C-also-gone','','')");
    Members m;
    m.names.Add("kept");
    EXPECT_EQ(m.Get(CString("L'1"), &connection()), 1);
    std::vector<std::string> expected;
    for (const auto& id : db->Rows("select RecordID from DistMembers where LstRec='L\\'1'"))
        expected.push_back(id == "M1" ? "M1:Ann Lee:ANN@EXAMPLE.ORG:C1:1"
                                      : "M'2:" + std::string("nul\0in", 6) + ":a\\b@x.org::0");
    EXPECT_EQ(m.All(1), expected);
    EXPECT_EQ(m.names[0], "kept");
    EXPECT_EQ(db->Rows("select count(*) from DistMembers"), std::vector<std::string>{"3"});
    EXPECT_EQ(m.Get("L9", connection()), 0);
}

// An item without a key is a new list (its key made and kept); then a rename, statements exact.
TEST_P(DistributionListTest, AnEditedLabelInsertsANewListThenRenamesIt) {
    List list;
    CString* key = list.Add("New list", "");
    EXPECT_EQ(OnEditDistListLabel(&connection(), &list.control, "Friends", 0, nullptr, "F1"), 1);
    const std::string id = key->str();
    EXPECT_EQ(db->Rows("select RecordID, FolderID, LstName from DistList"),
              std::vector<std::string>{id + "|F1|Friends"});
    db->TakeStatements();
    EXPECT_EQ(
        OnEditDistListLabel(connection(), &list.control, "Bob's \"friends\"", 0, nullptr, "F1"), 1);
    EXPECT_EQ(db->TakeStatements(),
              (std::vector<std::string>{"LOCK TABLES `DistList` WRITE",
                                        "update `DistList` set `LstName`='Bob\\'s \\\"friends\\\"' "
                                        "where `RecordID`='" +
                                            id + "';",
                                        "UNLOCK TABLES "}));
}

// A contact is stored with the address in capitals, hot, dated now, and found again whatever
// the letter case; text an unescaped statement or lossy conversion would break comes back exact.
TEST_P(DistributionListTest, ContactsAreStoredOnceHostileTextExactlyAndErrorsTold) {
    EXPECT_EQ(AddNewContact("Ann Lee", "ann@Example.org", &connection(), "C0", nullptr, "F1"), 1);
    EXPECT_EQ(db->Rows("select RecordID, FolderID, Name, Address, hot, "
                       "timestampdiff(second, first_dt, now()) between 0 and 60 from MainAddr"),
              std::vector<std::string>{"C0|F1|Ann Lee|ANN@EXAMPLE.ORG|-1|1"});
    EXPECT_EQ(AddNewContact("ANN lee", "ANN@example.ORG", connection(), "C2", nullptr, "F1"), 0);
    const std::string texts[] = {"O'Brien' or '1'='1", "a\\'; drop table `MainAddr`; -- ",
                                 "two\r\nlines\n end\x1Aof", "Zo\xEB \xC4rger \x80 \xFF"};
    int n = 0;
    for (const std::string& text : texts) {
        const std::string id = "C" + std::to_string(++n), address = text + "@x.org";
        EXPECT_EQ(
            AddNewContact(text.c_str(), address.c_str(), connection(), id.c_str(), nullptr, "F"),
            1);
        EXPECT_EQ(AddNewContact(text.c_str(), address.c_str(), connection(), "X", nullptr, "F"), 0);
        EXPECT_EQ(db->Rows("select Name from MainAddr where RecordID='" + id + "'"),
                  std::vector<std::string>{text})
            << text;
    }
    EXPECT_TRUE(messages.empty());
    // A server error shows message 66 (no unlock after a failed lock).
    db->Setup("insert into DistMembers values ('M2','L1',1,'C1','','')");
    db->Setup("drop table MainAddr");
    const std::string error =
        "Error: Table '" + db->database() + ".MainAddr' doesn't exist (1146).";
    Members m;
    EXPECT_EQ(m.Get("L1", connection()), 0);
    EXPECT_EQ(messages, std::vector<std::string>{error});
    const std::vector<std::string> ran = db->TakeStatements();
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ran.back(), "LOCK TABLES `MainAddr` READ");
    EXPECT_EQ(AddNewContact("A", "a@x.org", connection(), "C1", nullptr, "F"), 0);
    EXPECT_EQ(messages, std::vector<std::string>(2, error));
}

TEST_P(DistributionListTest, DoubleByteTextOfTheCodePageKeepsItsBackslashTrailByte) {
    UseAnsiCodePage("936");
    db->Reconnect();
    // 0xBF 0x5C is one GBK character; its trail byte alone would swallow the quote's escape.
    const std::string name = "\xBF\x5C' or 1=1 -- \xD6\xD0";
    EXPECT_EQ(AddNewContact(name.c_str(), "gbk@x.org", connection(), "C1", nullptr, "F"), 1);
    EXPECT_EQ(db->Rows("select hex(convert(Name using gbk)) from MainAddr"),
              std::vector<std::string>{"BF5C27206F7220313D31202D2D20D6D0"});
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, DistributionListTest, MAIL_SERVERS);

} // namespace
} // namespace tessaly::testing
