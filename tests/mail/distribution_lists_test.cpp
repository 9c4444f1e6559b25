// The distribution-list store against both servers: the exact statements and locks the
// connection runs, results, stale members, errors, and hostile text stored and found back.
#include <QLabel>
#include <QListWidget>

#include <tessaly/mail.h>

#include "mail_test_support.h"
#include "support/registry.h"

namespace tessaly::testing {
namespace {

// The five arrays GetDistListMember fills, and the call (through the connection's pointer
// or reference, both of which callers use).
struct Members {
    CStringArray names, addresses, memberIds, contactIds;
    CUIntArray flags;
    template <typename Connection> int Get(const CString& list, Connection&& connection) {
        return GetDistListMember(list, connection, names, addresses, memberIds, contactIds, flags,
                                 nullptr);
    }
};

// Item texts and key strings of a list control, in item order.
struct ListItems {
    std::vector<std::string> texts, keys;
};
ListItems Items(CListCtrl& list) {
    ListItems items;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        items.texts.push_back(list.GetItemText(i, 0).str());
        auto* key = reinterpret_cast<CString*>(list.GetItemData(i));
        items.keys.push_back(key ? key->str() : "<none>");
    }
    return items;
}
void FreeKeys(CListCtrl& list) {
    for (int i = 0; i < list.GetItemCount(); ++i)
        delete reinterpret_cast<CString*>(list.GetItemData(i));
}

class DistributionListTest : public MailStoreTest {};

TEST_P(DistributionListTest, FillsTheListsOfAFolderInReverseOrderWithTheirKeys) {
    db->Setup("insert into DistList values ('L1','F1','Family'),('L2','F1','Work'),"
              "('L3','F1','Club'),('L4','F2','Elsewhere')");
    // The result order is the server's: take it from a query of the same rows.
    const auto order = db->Rows("select LstName, RecordID from DistList where FolderID='F1'");
    ASSERT_EQ(order.size(), 3u);
    QListWidget widget;
    CListCtrl list(&widget);
    list.InsertItem(0, "already there");
    list.SetItemData(0, 0);
    EXPECT_EQ(FillDistributionList(&connection(), &list, nullptr, "F1"), 1);
    EXPECT_EQ(db->TakeStatements(),
              Read("DistList", "select * from `DistList` where `FolderID`='F1';"));
    const ListItems items = Items(list);
    ASSERT_EQ(items.texts.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        const std::string& row = order[2 - i];
        EXPECT_EQ(items.texts[i] + "|" + items.keys[i], row);
    }
    EXPECT_EQ(items.texts[3], "already there"); // the list is not emptied
    EXPECT_EQ(widget.property("tessalyCountHint").toInt(), 1);
    FreeKeys(list);
    // A folder without lists inserts nothing.
    QListWidget emptyWidget;
    CListCtrl empty(&emptyWidget);
    EXPECT_EQ(FillDistributionList(connection(), &empty, nullptr, "F9"), 0);
    EXPECT_EQ(empty.GetItemCount(), 0);
    EXPECT_EQ(emptyWidget.property("tessalyCountHint").toInt(), 0);
    EXPECT_TRUE(messages.empty());
    // A control that takes no items has inserted none (and holds no key strings).
    QLabel label;
    CListCtrl notAList(&label);
    EXPECT_EQ(FillDistributionList(connection(), &notAList, nullptr, "F1"), 0);
}

TEST_P(DistributionListTest, MembersComeFromTheRowOrFromTheirContact) {
    db->Setup("insert into MainAddr (RecordID, FolderID, Name, Address) values "
              "('C1','F','Ann Lee','ANN@EXAMPLE.ORG')");
    db->Setup("insert into DistMembers values ('M1','L1',1,'C1','stale name','stale@x.org'),"
              "('M2','L1',0,'','Bo Row','bo@example.org'),('M3','L2',0,'','Other','o@x.org')");
    const auto order = db->Rows("select RecordID from DistMembers where LstRec='L1'");
    Members m;
    m.names.Add("kept");
    EXPECT_EQ(m.Get("L1", &connection()), 1);
    std::vector<std::string> got;
    for (int i = 0; i < m.memberIds.GetSize(); ++i)
        got.push_back(m.memberIds[i].str() + ":" + m.names[i + 1].str() + ":" +
                      m.addresses[i].str() + ":" + m.contactIds[i].str() + ":" +
                      std::to_string(m.flags[i]));
    std::vector<std::string> expected;
    Statements statements = Read("DistMembers", "select * from `DistMembers` where `LstRec`='L1';");
    for (const auto& id : order) {
        if (id == "M1") {
            expected.push_back("M1:Ann Lee:ANN@EXAMPLE.ORG:C1:1");
            statements =
                statements + Read("MainAddr", "select * from `MainAddr` where `RecordID`='C1';");
        } else {
            expected.push_back("M2:Bo Row:bo@example.org::0");
        }
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(m.names[0], "kept"); // appended, not cleared
    EXPECT_EQ(db->TakeStatements(), statements);
    // A list without members gives zero.
    EXPECT_EQ(m.Get("L9", connection()), 0);
    EXPECT_EQ(db->TakeStatements(),
              Read("DistMembers", "select * from `DistMembers` where `LstRec`='L9';"));
}

TEST_P(DistributionListTest, StaleMembersAreDeletedUnderOneWriteLock) {
    db->Setup("insert into DistMembers values ('M1','L1',1,'C-gone',NULL,NULL),"
              "('M2','L1',-1,'C-also-gone','',''),('M3','L2',1,'C-gone','','')");
    const auto order = db->Rows("select RecordID, ContRec from DistMembers where LstRec='L1'");
    Members m;
    EXPECT_EQ(m.Get("L1", connection()), 1);
    EXPECT_EQ(m.names.GetSize() + m.addresses.GetSize() + m.memberIds.GetSize() +
                  m.contactIds.GetSize() + m.flags.GetSize(),
              0);
    Statements expected = Read("DistMembers", "select * from `DistMembers` where `LstRec`='L1';");
    Statements deletes = {"LOCK TABLES `DistMembers` WRITE"};
    for (const auto& row : order) {
        const std::string member = row.substr(0, row.find('|'));
        const std::string contact = row.substr(row.find('|') + 1);
        expected = expected +
                   Read("MainAddr", "select * from `MainAddr` where `RecordID`='" + contact + "';");
        deletes.push_back("delete from `DistMembers` where `ContRec`='" + contact +
                          "' and `RecordID`='" + member + "';");
    }
    deletes.push_back("UNLOCK TABLES ");
    EXPECT_EQ(db->TakeStatements(), expected + deletes);
    EXPECT_EQ(db->Rows("select RecordID from DistMembers"), std::vector<std::string>{"M3"});
}

TEST_P(DistributionListTest, AnEditedLabelInsertsANewListThenRenamesIt) {
    QListWidget widget;
    CListCtrl list(&widget);
    list.InsertItem(0, "New list");
    auto* key = new CString;
    list.SetItemData(0, reinterpret_cast<DWORD_PTR>(key));
    EXPECT_EQ(OnEditDistListLabel(&connection(), &list, "Friends", 0, nullptr, "F1"), 1);
    ASSERT_FALSE(key->IsEmpty());
    EXPECT_EQ(reinterpret_cast<CString*>(list.GetItemData(0)), key);
    EXPECT_EQ(db->TakeStatements(),
              (Statements{"LOCK TABLES `DistList` WRITE",
                          "insert into `DistList` (`RecordID`,`FolderID`,`LstName`) values ('" +
                              key->str() + "','F1','Friends')",
                          "UNLOCK TABLES "}));
    EXPECT_EQ(OnEditDistListLabel(connection(), &list, "Bob's \"friends\"", 0, nullptr, "F1"), 1);
    EXPECT_EQ(db->TakeStatements(),
              (Statements{"LOCK TABLES `DistList` WRITE",
                          "update `DistList` set `LstName`='Bob\\'s \\\"friends\\\"' where "
                          "`RecordID`='" +
                              key->str() + "';",
                          "UNLOCK TABLES "}));
    EXPECT_EQ(db->Rows("select RecordID, FolderID, LstName from DistList"),
              std::vector<std::string>{key->str() + "|F1|Bob's \"friends\""});
    EXPECT_EQ(list.GetItemText(0, 0), "New list"); // the caller changes the label
    delete key;
}

TEST_P(DistributionListTest, ANewContactIsStoredOnceWhateverTheLetterCase) {
    EXPECT_EQ(AddNewContact("Ann Lee", "ann@Example.org", &connection(), "C1", nullptr, "F1"), 1);
    const Statements first = db->TakeStatements();
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(Statements(first.begin(), first.begin() + 3),
              Read("MainAddr", "select * from `MainAddr` where UPPER(`Address`)="
                               "'ANN@EXAMPLE.ORG' and UPPER(`Name`)='ANN LEE'"));
    EXPECT_EQ(first[3], "LOCK TABLES `MainAddr` WRITE");
    EXPECT_EQ(first[5], "UNLOCK TABLES ");
    const auto rows =
        db->Rows("select RecordID, FolderID, Name, Address, hot, "
                 "timestampdiff(second, first_dt, now()) between 0 and 60 from MainAddr");
    EXPECT_EQ(rows, std::vector<std::string>{"C1|F1|Ann Lee|ANN@EXAMPLE.ORG|-1|1"});
    const auto created =
        db->Rows("select date_format(first_dt, '%Y-%m-%d %H:%i:%s') from MainAddr");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(first[4], "insert into `MainAddr`  (`RecordID`,`FolderID`,`Name`,`Address`,"
                        "`first_dt`,`hot`) values ('C1','F1','Ann Lee','ANN@EXAMPLE.ORG','" +
                            created[0] + "',-1);");

    EXPECT_EQ(AddNewContact("ANN lee", "ANN@example.ORG", connection(), "C2", nullptr, "F1"), 0);
    EXPECT_EQ(db->TakeStatements(),
              Read("MainAddr", "select * from `MainAddr` where UPPER(`Address`)="
                               "'ANN@EXAMPLE.ORG' and UPPER(`Name`)='ANN LEE'"));
    EXPECT_EQ(db->Rows("select count(*) from MainAddr"), std::vector<std::string>{"1"});
    EXPECT_TRUE(messages.empty());
    // Same name, another address: a second contact.
    EXPECT_EQ(AddNewContact("Ann Lee", "ann@other.org", connection(), "C3", nullptr, "F1"), 1);
    EXPECT_EQ(db->Rows("select count(*) from MainAddr"), std::vector<std::string>{"2"});
}

TEST_P(DistributionListTest, DatabaseErrorsShowMessage66AndKeepEarlierResults) {
    db->Setup("insert into DistMembers values ('M1','L1',0,'','Row One','one@x.org')");
    db->Setup("insert into DistMembers values ('M2','L1',1,'C1','','')");
    // Read rows in the server's order: the row member must come first for this case.
    const auto order = db->Rows("select RecordID from DistMembers where LstRec='L1'");
    db->Setup("drop table MainAddr");
    const std::string table = db->database() + ".MainAddr";
    Members m;
    EXPECT_EQ(m.Get("L1", connection()), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error: Table '" + table + "' doesn't exist (1146).");
    if (order.front() == "M1") {
        ASSERT_EQ(m.names.GetSize(), 1);
        EXPECT_EQ(m.names[0], "Row One");
    }
    // No unlock follows the failed lock statement.
    const Statements ran = db->TakeStatements();
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ran.back(), "LOCK TABLES `MainAddr` READ");

    messages.clear();
    EXPECT_EQ(AddNewContact("A", "a@x.org", connection(), "C1", nullptr, "F"), 0);
    EXPECT_EQ(messages,
              std::vector<std::string>{"Error: Table '" + table + "' doesn't exist (1146)."});
    db->Setup("drop table DistList");
    messages.clear();
    QListWidget widget;
    CListCtrl list(&widget);
    list.InsertItem(0, "x");
    auto* key = new CString("L1");
    list.SetItemData(0, reinterpret_cast<DWORD_PTR>(key));
    EXPECT_EQ(OnEditDistListLabel(connection(), &list, "y", 0, nullptr, "F"), 0);
    EXPECT_EQ(FillDistributionList(connection(), &list, nullptr, "F"), 0);
    EXPECT_EQ(messages.size(), 2u);
    delete key;
    // An unknown column is the caller's to handle.
    db->Setup("create table DistList (RecordID varchar(64), FolderID varchar(64), Title text)");
    db->Setup("insert into DistList values ('L1','F1','Family')");
    messages.clear();
    EXPECT_THROW(FillDistributionList(connection(), &list, nullptr, "F1"), mysqlpp::BadFieldName);
    EXPECT_TRUE(messages.empty());
}

// Text that an unescaped statement would break on, or that a lossy conversion would change.
const struct {
    const char* label;
    std::string text;
} kHostile[] = {
    {"quote", "O'Brien' or '1'='1"},
    {"backslash", "back\\slash\\"},
    {"backslash quote", "a\\'; drop table `MainAddr`; -- "},
    {"double quote, wildcards", "say \"hi\" 100% _real_"},
    {"line breaks, ctrl-z", "two\r\nlines\n end\x1Aof"},
    {"latin", "Zo\xEB \xC4rger \x80 \xFF"},
};

TEST_P(DistributionListTest, HostileNamesAddressesAndLabelsAreStoredAndFoundExactly) {
    int n = 0;
    for (const auto& h : kHostile) {
        SCOPED_TRACE(h.label);
        const std::string id = "C" + std::to_string(++n);
        const std::string address = h.text + "@x.org";
        EXPECT_EQ(
            AddNewContact(h.text.c_str(), address.c_str(), connection(), id.c_str(), nullptr, "F"),
            1);
        // Found back by the duplicate check, so nothing new is stored.
        EXPECT_EQ(AddNewContact(h.text.c_str(), address.c_str(), connection(), "X", nullptr, "F"),
                  0);
        CString upper(address.c_str());
        upper.MakeUpper();
        EXPECT_EQ(db->Rows("select Name, Address from MainAddr where RecordID='" + id + "'"),
                  std::vector<std::string>{h.text + "|" + upper.str()});

        QListWidget widget;
        CListCtrl list(&widget);
        list.InsertItem(0, "");
        auto* key = new CString;
        list.SetItemData(0, reinterpret_cast<DWORD_PTR>(key));
        const std::string folder = "LF" + std::to_string(n);
        EXPECT_EQ(
            OnEditDistListLabel(connection(), &list, h.text.c_str(), 0, nullptr, folder.c_str()),
            1);
        QListWidget shown;
        CListCtrl lists(&shown);
        EXPECT_EQ(FillDistributionList(connection(), &lists, nullptr, folder.c_str()), 1);
        EXPECT_EQ(Items(lists).keys, std::vector<std::string>{key->str()});
        EXPECT_EQ(Items(lists).texts, std::vector<std::string>{h.text});
        FreeKeys(lists);
        delete key;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_P(DistributionListTest, MembersWithZeroBytesAndHostileKeysComeBackExactly) {
    const std::string name("nul\0inside", 10);
    db->Setup("insert into DistMembers values ('M\\'1','L\\'1',0,'','nul\\0inside',"
              "'a\\\\b@x.org')");
    Members m;
    EXPECT_EQ(m.Get(CString("L'1"), connection()), 1);
    ASSERT_EQ(m.names.GetSize(), 1);
    EXPECT_EQ(m.names[0].str(), name);
    EXPECT_EQ(m.addresses[0], "a\\b@x.org");
    EXPECT_EQ(m.memberIds[0], "M'1");
    EXPECT_EQ(db->TakeStatements(),
              Read("DistMembers", "select * from `DistMembers` where `LstRec`='L\\'1';"));
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
