// The distribution-list store against both servers: results, stale members, errors, and
// hostile text stored and found back.
#include <QLabel>
#include <QListWidget>

#include <algorithm>

#include <tessaly/mail.h>

#include "mail_test_support.h"
#include "support/registry.h"

namespace tessaly::testing {
namespace {

// The five arrays GetDistListMember fills, each member as "id:name:address:contact:flag",
// and the call (through the connection's pointer or reference, both of which callers use).
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
    // Each item as "text|key".
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

// The lists of a folder go in before the items already there, in the server's order turned
// round, each with its key; a control that takes no items gets none.
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
    EXPECT_EQ(list.widget.property("tessalyCountHint").toInt(), 1);
    QLabel label;
    CListCtrl notAList(&label);
    EXPECT_EQ(FillDistributionList(connection(), &notAList, nullptr, "F1"), 0);
    EXPECT_TRUE(messages.empty());
}

// A member row with a contact takes the contact's name and address; the arrays are
// appended to; a list without members gives zero.
TEST_P(DistributionListTest, MembersComeFromTheRowOrFromTheirContact) {
    db->Setup("insert into MainAddr (RecordID, FolderID, Name, Address) values "
              "('C1','F','Ann Lee','ANN@EXAMPLE.ORG')");
    db->Setup("insert into DistMembers values ('M1','L1',1,'C1','stale name','stale@x.org'),"
              "('M2','L1',0,'','Bo Row','bo@example.org'),('M3','L2',0,'','Other','o@x.org')");
    Members m;
    m.names.Add("kept");
    EXPECT_EQ(m.Get("L1", &connection()), 1);
    std::vector<std::string> expected;
    for (const auto& id : db->Rows("select RecordID from DistMembers where LstRec='L1'"))
        expected.push_back(id == "M1" ? "M1:Ann Lee:ANN@EXAMPLE.ORG:C1:1"
                                      : "M2:Bo Row:bo@example.org::0");
    EXPECT_EQ(m.All(1), expected);
    EXPECT_EQ(m.names[0], "kept");
    EXPECT_EQ(m.Get("L9", connection()), 0);
}

TEST_P(DistributionListTest, StaleMembersAreDeleted) {
    db->Setup("insert into DistMembers values ('M1','L1',1,'C-gone',NULL,NULL),"
              "('M2','L1',-1,'C-also-gone','',''),('M3','L2',1,'C-gone','','')");
    Members m;
    EXPECT_EQ(m.Get("L1", connection()), 1);
    EXPECT_TRUE(m.All().empty());
    EXPECT_EQ(db->Rows("select RecordID from DistMembers"), std::vector<std::string>{"M3"});
}

// An item without a key yet is a new list (its key is made and kept); then a rename. The
// label itself is the caller's to change.
TEST_P(DistributionListTest, AnEditedLabelInsertsANewListThenRenamesIt) {
    List list;
    CString* key = list.Add("New list", "");
    EXPECT_EQ(OnEditDistListLabel(&connection(), &list.control, "Friends", 0, nullptr, "F1"), 1);
    ASSERT_FALSE(key->IsEmpty());
    const std::string id = key->str();
    EXPECT_EQ(db->Rows("select RecordID, FolderID, LstName from DistList"),
              std::vector<std::string>{id + "|F1|Friends"});
    db->TakeStatements();
    EXPECT_EQ(
        OnEditDistListLabel(connection(), &list.control, "Bob's \"friends\"", 0, nullptr, "F1"), 1);
    // The statement texts are fixed byte for byte, each under a lock of its table.
    EXPECT_EQ(db->TakeStatements(),
              (std::vector<std::string>{"LOCK TABLES `DistList` WRITE",
                                        "update `DistList` set `LstName`='Bob\\'s \\\"friends\\\"' "
                                        "where `RecordID`='" +
                                            id + "';",
                                        "UNLOCK TABLES "}));
    EXPECT_EQ(db->Rows("select RecordID, FolderID, LstName from DistList"),
              std::vector<std::string>{id + "|F1|Bob's \"friends\""});
    EXPECT_EQ(list.Items(), std::vector<std::string>{"New list|" + id});
}

// Stored with the address in capitals, marked hot and dated now; found again whatever the
// letter case of name and address; the same name with another address is another contact.
TEST_P(DistributionListTest, ANewContactIsStoredOnceWhateverTheLetterCase) {
    EXPECT_EQ(AddNewContact("Ann Lee", "ann@Example.org", &connection(), "C1", nullptr, "F1"), 1);
    EXPECT_EQ(db->Rows("select timestampdiff(second, first_dt, now()) between 0 and 60 "
                       "from MainAddr"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(db->Rows("select RecordID, FolderID, Name, Address, hot from MainAddr"),
              std::vector<std::string>{"C1|F1|Ann Lee|ANN@EXAMPLE.ORG|-1"});
    EXPECT_EQ(AddNewContact("ANN lee", "ANN@example.ORG", connection(), "C2", nullptr, "F1"), 0);
    EXPECT_EQ(AddNewContact("Ann Lee", "ann@other.org", connection(), "C3", nullptr, "F1"), 1);
    EXPECT_EQ(db->Rows("select count(*) from MainAddr"), std::vector<std::string>{"2"});
    EXPECT_TRUE(messages.empty());
}

// A server error shows message 66 (no unlock follows a failed lock) and keeps what was read
// before; an unknown column is the caller's to handle.
TEST_P(DistributionListTest, DatabaseErrorsShowMessage66AndKeepEarlierResults) {
    db->Setup("insert into DistMembers values ('M1','L1',0,'','Row One','one@x.org'),"
              "('M2','L1',1,'C1','','')");
    const auto order = db->Rows("select RecordID from DistMembers where LstRec='L1'");
    db->Setup("drop table MainAddr");
    const std::string error =
        "Error: Table '" + db->database() + ".MainAddr' doesn't exist (1146).";
    Members m;
    EXPECT_EQ(m.Get("L1", connection()), 0);
    EXPECT_EQ(messages, std::vector<std::string>{error});
    EXPECT_EQ(m.names.GetSize(), order.front() == "M1" ? 1 : 0);
    const std::vector<std::string> ran = db->TakeStatements();
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ran.back(), "LOCK TABLES `MainAddr` READ");
    EXPECT_EQ(AddNewContact("A", "a@x.org", connection(), "C1", nullptr, "F"), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{error, error}));
    db->Setup("drop table DistList");
    List list;
    list.Add("x", "L1");
    EXPECT_EQ(OnEditDistListLabel(connection(), &list.control, "y", 0, nullptr, "F"), 0);
    EXPECT_EQ(FillDistributionList(connection(), &list.control, nullptr, "F"), 0);
    EXPECT_EQ(messages.size(), 4u);
    db->Setup("create table DistList (RecordID varchar(64), FolderID varchar(64), Title text)");
    db->Setup("insert into DistList values ('L1','F1','Family')");
    EXPECT_THROW(FillDistributionList(connection(), &list.control, nullptr, "F1"),
                 mysqlpp::BadFieldName);
    EXPECT_EQ(messages.size(), 4u);
}

// Text an unescaped statement would break on, or a lossy conversion would change, is
// stored and found back exactly through the statements that quote it: a contact's look-up
// and insert, a new list's insert.
TEST_P(DistributionListTest, HostileTextIsStoredAndFoundExactly) {
    const std::string texts[] = {"O'Brien' or '1'='1", "a\\'; drop table `MainAddr`; -- ",
                                 "two\r\nlines\n end\x1Aof", "Zo\xEB \xC4rger \x80 \xFF"};
    int n = 0;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const std::string id = "C" + std::to_string(++n), address = text + "@x.org";
        EXPECT_EQ(
            AddNewContact(text.c_str(), address.c_str(), connection(), id.c_str(), nullptr, "F"),
            1);
        EXPECT_EQ(AddNewContact(text.c_str(), address.c_str(), connection(), "X", nullptr, "F"), 0);
        CString upper(address.c_str());
        upper.MakeUpper();
        EXPECT_EQ(db->Rows("select Name, Address from MainAddr where RecordID='" + id + "'"),
                  std::vector<std::string>{text + "|" + upper.str()});
        List list;
        CString* key = list.Add("", "");
        EXPECT_EQ(OnEditDistListLabel(connection(), &list.control, text.c_str(), 0, nullptr, "F"),
                  1);
        EXPECT_EQ(db->Rows("select LstName from DistList where RecordID='" + key->str() + "'"),
                  std::vector<std::string>{text});
    }
    EXPECT_TRUE(messages.empty());
}

TEST_P(DistributionListTest, MembersWithZeroBytesAndHostileKeysComeBackExactly) {
    db->Setup("insert into DistMembers values ('M\\'1','L\\'1',0,'','nul\\0inside',"
              "'a\\\\b@x.org')");
    Members m;
    EXPECT_EQ(m.Get(CString("L'1"), connection()), 1);
    EXPECT_EQ(m.All(),
              std::vector<std::string>{"M'1:" + std::string("nul\0inside", 10) + ":a\\b@x.org::0"});
}

TEST_P(DistributionListTest, DoubleByteTextOfTheCodePageKeepsItsBackslashTrailByte) {
    UseAnsiCodePage("936");
    db->Reconnect();
    // 0xBF 0x5C is one character in GBK; its second byte alone would be a backslash that
    // swallows the escape of the following quote.
    const std::string name = "\xBF\x5C' or 1=1 -- \xD6\xD0";
    EXPECT_EQ(AddNewContact(name.c_str(), "gbk@x.org", connection(), "C1", nullptr, "F"), 1);
    EXPECT_EQ(AddNewContact(name.c_str(), "gbk@x.org", connection(), "C2", nullptr, "F"), 0);
    EXPECT_EQ(db->Rows("select count(*) from MainAddr"), std::vector<std::string>{"1"});
    EXPECT_EQ(db->Rows("select hex(convert(Name using gbk)) from MainAddr"),
              std::vector<std::string>{"BF5C27206F7220313D31202D2D20D6D0"});
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, DistributionListTest, MAIL_SERVERS);

} // namespace
} // namespace tessaly::testing
