// One client of the shared mail database's load and fault tests: a mix of the mail client's
// operations on the TLS server, each result written as a line the test checks afterwards.
// Usage: mail_load_client PORT DATABASE CLIENT OPERATIONS CA_FILE PASSWORD_FILE
#include <tessaly/automation.h>
#include <tessaly/companion.h>
#include <tessaly/mail.h>
#include <tessaly/maildb.h>

#include <mysql++/dbdriver.h>

#include <QApplication>
#include <QListWidget>
#include <QTextEdit>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct OwnList {
    std::string key, name;
};

std::string lastMessage;

// The mail client's way to store members: one statement under the table's write lock, so a
// list's members are all there or none.
bool storeMembers(mysqlpp::Connection& connection, const std::string& key, int client, int n) {
    std::string values;
    for (int m = 0; m < 3; ++m) {
        const std::string id = CreateGUIDCString(1).str();
        values += std::string(m ? "," : "") + "('" + id + "','" + key + "',0,'','Guest " +
                  std::to_string(m) + "','g" + std::to_string(client) + "-" + std::to_string(n) +
                  "-" + std::to_string(m) + "@guest.org')";
    }
    try {
        mysqlpp::Query query = connection.query();
        query.exec("LOCK TABLES `DistMembers` WRITE");
        query.exec("insert into `DistMembers` (`RecordID`,`LstRec`,`IsCont`,`ContRec`,`Name`,"
                   "`email`) values " +
                   values);
        query.exec("UNLOCK TABLES ");
    } catch (const mysqlpp::BadQuery& error) {
        lastMessage = std::string(error.what()) + " (" + std::to_string(error.errnum()) + ")";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: mail_load_client PORT DATABASE CLIENT OPERATIONS CA PWFILE\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    tessaly::automation::SetMessageBoxHandler([](const tessaly::automation::MessageBoxInfo& box) {
        lastMessage = box.text;
        return 1;
    });
    tessaly::maildb::ServerSettings settings;
    settings.port = static_cast<unsigned>(std::atoi(argv[1]));
    settings.database = argv[2];
    settings.user = "mailer";
    settings.caFile = argv[5];
    const int client = std::atoi(argv[3]);
    const int operations = std::atoi(argv[4]);
    std::unique_ptr<mysqlpp::Connection> connection;
    try {
        settings.password = tessaly::maildb::ReadPasswordFile(argv[6]);
        connection = tessaly::maildb::ConnectServer(settings);
    } catch (const std::exception& error) {
        std::printf("connect-failed %s\n", error.what());
        return 4;
    }
    std::mt19937 random(static_cast<unsigned>(client) * 7919u + 17u);
    std::vector<int> known; // contacts this client added or found present
    std::vector<OwnList> lists;
    int renames = 0;
    // A database error other than a racing duplicate ends the client with the message.
    auto failed = [&](const char* what) {
        std::printf("message %s %s\n", what, lastMessage.c_str());
        return 3;
    };
    for (int n = 0; n < operations; ++n) {
        lastMessage.clear();
        const int pick = static_cast<int>(random() % 100);
        if (pick < 40 || known.empty()) {
            const int k = static_cast<int>(random() % 400);
            // Another spelling of the same name is the same contact by the rules.
            const std::string name = (random() % 2 ? "PERSON " : "Person ") + std::to_string(k);
            const std::string address = "p" + std::to_string(k) + "@example.org";
            const int added = AddNewContact(name.c_str(), address.c_str(), *connection,
                                            CreateGUIDCString(1), nullptr, "Contacts");
            if (!lastMessage.empty()) {
                if (lastMessage.find("(1062)") == std::string::npos) return failed("add");
                std::printf("add %d race\n", k);
            } else {
                std::printf("add %d %d\n", k, added);
            }
            known.push_back(k);
        } else if (pick < 50 || lists.empty()) {
            QListWidget widget;
            CListCtrl control(&widget);
            const std::string name = "List " + std::to_string(client) + "-" + std::to_string(n);
            control.InsertItem(0, name.c_str());
            CString key;
            control.SetItemData(0, reinterpret_cast<DWORD_PTR>(&key));
            if (!OnEditDistListLabel(*connection, &control, name.c_str(), 0, nullptr, "Lists"))
                return failed("create");
            std::printf("list %s %s\n", key.GetString(), name.c_str());
            if (!storeMembers(*connection, key.str(), client, n)) return failed("members");
            std::printf("members %s 3\n", key.GetString());
            lists.push_back({key.str(), name});
        } else if (pick < 65) {
            OwnList& list = lists[random() % lists.size()];
            QListWidget widget;
            CListCtrl control(&widget);
            control.InsertItem(0, list.name.c_str());
            CString key(list.key.c_str());
            control.SetItemData(0, reinterpret_cast<DWORD_PTR>(&key));
            const std::string name =
                "List " + std::to_string(client) + "-r" + std::to_string(++renames);
            if (!OnEditDistListLabel(*connection, &control, name.c_str(), 0, nullptr, "Lists"))
                return failed("rename");
            list.name = name;
            std::printf("rename %s %s\n", list.key.c_str(), name.c_str());
        } else if (pick < 80) {
            const OwnList& list = lists[random() % lists.size()];
            CStringArray names, addresses, ids, contacts;
            CUIntArray flags;
            const int found = GetDistListMember(CString(list.key.c_str()), *connection, names,
                                                addresses, ids, contacts, flags, nullptr);
            if (!lastMessage.empty()) return failed("resolve");
            std::printf("resolve %s %d %d\n", list.key.c_str(), found,
                        static_cast<int>(names.GetSize()));
        } else {
            const OwnList& list = lists[random() % lists.size()];
            const int k = known[random() % known.size()];
            const std::string html = "<b>" + list.name + "; </b>person " + std::to_string(k) +
                                     "; P" + std::to_string(k) + "@EXAMPLE.org";
            QTextEdit field;
            field.setHtml(QString::fromUtf8(html.c_str()));
            CStringArray names, addresses;
            const int ok =
                VerifyMailAddress(CWnd::HandleOf(&field), *connection, names, addresses, nullptr);
            if (!lastMessage.empty()) return failed("verify");
            std::printf("verify %d %d\n", ok, static_cast<int>(names.GetSize()));
        }
    }
    std::printf("done\n");
    return 0;
}
