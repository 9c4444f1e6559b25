// tessaly mail: the mail client's contacts and distribution lists in an embedded database
// of a folder or on a team's server over TLS, and recipient verification of a field given as
// simple HTML (<u>resolved</u>, <b>lists</b>, plain typed text). Arguments and output are UTF-8;
// the library speaks the ANSI code page.
#include <tessaly/automation.h>
#include <tessaly/companion.h>
#include <tessaly/mail.h>
#include <tessaly/maildb.h>

#include <mysql++/dbdriver.h>

#include <QApplication>
#include <QListWidget>
#include <QTextEdit>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "commands.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

const char* const kCommand = "mail";

std::string ansi(const std::string& utf8) {
    return ToAnsi(kCommand, utf8);
}
std::string u8(const CString& text) {
    return FromAnsi(text.str());
}

// The caller's widgets need an application; without a display it draws offscreen.
void ensureApplication() {
    StartApplication(kCommand, false);
}

// Message boxes are printed instead of waiting for a person; the texts are kept.
std::vector<std::string>& shownMessages() {
    static std::vector<std::string> messages;
    return messages;
}
void printMessageBoxes(bool echo = true) {
    tessaly::automation::SetMessageBoxHandler(
        [echo](const tessaly::automation::MessageBoxInfo& box) {
            shownMessages().push_back(FromAnsi(box.text));
            if (echo)
                std::fprintf(stderr, "tessaly: %s: %s\n", kCommand, FromAnsi(box.text).c_str());
            return 1;
        });
}

std::string escaped(mysqlpp::Connection& connection, const std::string& text) {
    std::string out;
    connection.driver()->escape_string(&out, text.data(), text.size());
    return out;
}

// Stores a list's members the way the mail client does, rows pointing at a contact of that
// address when there is one; one statement under the table's write lock, so a list has all
// its members or none.
void storeMembers(mysqlpp::Connection& connection, const CString& key,
                  const std::vector<std::string>& members) {
    if (members.empty()) return;
    std::string values;
    for (const std::string& member : members) {
        CString memberName, memberAddress;
        GetEmailParts(member.c_str(), memberName, memberAddress);
        if (memberAddress.IsEmpty()) memberAddress = memberName;
        const std::string address = memberAddress.str();
        mysqlpp::StoreQueryResult contact =
            connection
                .query("select RecordID from MainAddr where Address='" +
                       escaped(connection, address) + "'")
                .store();
        const std::string contactId =
            contact.empty() ? "" : std::string(contact[0][0].data(), contact[0][0].length());
        values += std::string(values.empty() ? "" : ",") + "('" +
                  escaped(connection, CreateGUIDCString(1).str()) + "','" +
                  escaped(connection, key.str()) + "'," + (contact.empty() ? "0" : "1") + ",'" +
                  escaped(connection, contactId) + "','" + escaped(connection, memberName.str()) +
                  "','" + escaped(connection, address) + "')";
    }
    mysqlpp::Query query = connection.query();
    query.exec("LOCK TABLES `DistMembers` WRITE");
    query.exec("insert into DistMembers (RecordID, LstRec, IsCont, ContRec, Name, email) values " +
               values);
    query.exec("UNLOCK TABLES ");
}

// Stores a list through the label editor, then its members.
CString storeList(mysqlpp::Connection& connection, const std::string& name,
                  const std::vector<std::string>& members, const std::string& folder) {
    QListWidget widget;
    CListCtrl list(&widget);
    list.InsertItem(0, name.c_str());
    CString key;
    list.SetItemData(0, reinterpret_cast<DWORD_PTR>(&key));
    if (!OnEditDistListLabel(connection, &list, name.c_str(), 0, nullptr, folder.c_str()))
        return CString();
    storeMembers(connection, key, members);
    return key;
}

// Verifies a field given as HTML; prints "name<TAB>address" lines. 0 when verified.
int verifyField(mysqlpp::Connection& connection, const std::string& html, const char* indent) {
    ensureApplication();
    // The mail client writes a resolved entry or a list with its separator inside the
    // formatted run ("<u>Ann [a@x.org]; </u>"); "<u>...</u>; " typed at a shell means the same.
    static const std::regex separator(R"(</(u|b)>\s*;\s*)");
    const std::string written = std::regex_replace(html, separator, "; </$1>");
    QTextEdit field;
    field.setHtml(QString::fromUtf8(written.c_str()));
    CStringArray names, addresses;
    const int ok = VerifyMailAddress(CWnd::HandleOf(&field), connection, names, addresses, nullptr);
    for (int i = 0; i < names.GetSize(); ++i)
        std::printf("%s%s\t%s\n", indent, u8(names[i]).c_str(), u8(addresses[i]).c_str());
    return ok ? 0 : 1;
}

// Every list a field names (<b>NAME</b>) is one of the database: verification would pass
// over an unknown one without a word.
void requireLists(mysqlpp::Connection& connection, const std::string& html) {
    static const std::regex bold(R"(<b>\s*([^<]*?)\s*</b>)");
    for (std::sregex_iterator it(html.begin(), html.end(), bold), end; it != end; ++it) {
        const std::string name = (*it)[1];
        if (name.empty()) continue;
        if (connection
                .query("select RecordID from DistList where LstName='" +
                       escaped(connection, ansi(name)) + "'")
                .store()
                .empty())
            Fail(kCommand, "no distribution list named \"" + name + "\"");
    }
}

int guarded(const std::function<int()>& body) {
    try {
        return body();
    } catch (const CLI::RuntimeError&) {
        throw;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tessaly: %s: %s\n", kCommand, error.what());
        return kFailed;
    }
}

// Runs a subcommand's body; a non-zero result ends the command with it.
void run(const std::function<int()>& body) {
    if (const int status = guarded(body)) throw CLI::RuntimeError(status);
}

// While the embedded server starts, its own log lines (start-up notes, a data folder busy
// with another command) go to server.log of the data folder instead of the terminal; the
// terminal has standard error back before anything of the command's own is said.
class ServerLogToFile {
  public:
    explicit ServerLogToFile(const std::string& folder) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        const int log = ::open((std::filesystem::path(folder) / "server.log").c_str(),
                               O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (log < 0) return;
        std::fflush(stderr);
        saved_ = dup(2);
        if (saved_ >= 0) dup2(log, 2);
        close(log);
    }
    ~ServerLogToFile() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
    }
    ServerLogToFile(const ServerLogToFile&) = delete;
    ServerLogToFile& operator=(const ServerLogToFile&) = delete;

  private:
    int saved_ = -1;
};

std::unique_ptr<mysqlpp::Connection> openDatabase(const std::string& folder) {
    ServerLogToFile quiet(folder);
    return tessaly::maildb::OpenEmbedded(folder);
}

// A connection to the database of --db, which tessaly mail init must have made.
std::unique_ptr<mysqlpp::Connection> openExisting(const std::string& folder) {
    if (!std::filesystem::is_directory(std::filesystem::path(folder) /
                                       tessaly::maildb::kDefaultDatabase))
        Fail(kCommand,
             folder + " holds no mail database (tessaly mail init " + folder + " makes one)");
    return openDatabase(folder);
}

// Where a command's database is: an embedded one in --db, or a team's on --server.
struct Options {
    std::string db, name, address, folder, field;
    std::vector<std::string> members;
    std::string server, user, passwordFile, ca, database = tessaly::maildb::kDefaultDatabase;
    bool allowUntrusted = false;
    std::string grantUser, grantPasswordFile, grantHost;
};

void addServerOptions(CLI::App* command, Options& o) {
    command->add_option("--server", o.server, "Mail database server, HOST[:PORT]");
    command->add_option("--user", o.user, "Account on the server");
    command->add_option("--password-file", o.passwordFile, "File holding the account's password");
    command->add_option("--ca", o.ca, "CA certificates the server's certificate must chain to");
    command->add_flag("--allow-untrusted-certificate", o.allowUntrusted,
                      "Encrypt without checking the server's certificate");
    if (command->get_name() != "init")
        command->add_option("--database", o.database, "Database on the server");
}

tessaly::maildb::ServerSettings serverSettings(const Options& o) {
    tessaly::maildb::ServerSettings settings;
    try {
        tessaly::maildb::ParseServerAddress(o.server, settings);
    } catch (const std::invalid_argument& error) {
        Fail(kCommand, error.what());
    }
    if (o.user.empty()) Fail(kCommand, "--server needs --user");
    settings.user = o.user;
    if (!o.passwordFile.empty())
        settings.password = tessaly::maildb::ReadPasswordFile(o.passwordFile);
    settings.caFile = o.ca;
    settings.allowUntrustedCertificate = o.allowUntrusted;
    settings.database = o.database;
    return settings;
}

std::unique_ptr<mysqlpp::Connection> openWhere(const Options& o) {
    if (o.server.empty() == o.db.empty()) Fail(kCommand, "give either --db or --server");
    if (!o.db.empty()) return openExisting(o.db);
    return tessaly::maildb::ConnectServer(serverSettings(o));
}

// A field the user gave: not empty, and an address the library takes for one.
void requireText(const std::string& what, const std::string& text) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        Fail(kCommand, "the " + what + " is empty");
}
void requireAddress(const std::string& address) {
    requireText("address", address);
    if (!IsValidEMailAddress(ansi(address).c_str()))
        Fail(kCommand, "\"" + address + "\" is not an e-mail address");
}

// One mail client's mixed load on a team's server, for checking a server under several
// clients at once: 40% contacts from a pool of 400 (two spellings of each name), 10% new
// lists with three members, 15% renames, 15% member reads, 20% verifications of a list and
// two contacts. Each result is a line ("add K 1|0", "list KEY NAME", "members KEY 3",
// "rename KEY NAME", "resolve KEY FOUND COUNT", "verify OK COUNT", "done"); any message box
// ends it with "message WHAT TEXT" (a contact two clients add at once gives the loser a quiet 0).
int runLoad(mysqlpp::Connection& connection, int client, int operations) {
    ensureApplication();
    static std::string lastMessage;
    tessaly::automation::SetMessageBoxHandler([](const tessaly::automation::MessageBoxInfo& box) {
        lastMessage = FromAnsi(box.text);
        return 1;
    });
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::mt19937 random(static_cast<unsigned>(client) * 7919u + 17u);
    struct OwnList {
        std::string key, name;
    };
    std::vector<int> known;
    std::vector<OwnList> lists;
    int renames = 0;
    auto failed = [&](const char* what) {
        std::printf("message %s %s\n", what, lastMessage.c_str());
        Fail(kCommand, "stopped by a database error: " + lastMessage);
        return 1;
    };
    auto label = [&](const std::string& name, CString& key) {
        QListWidget widget;
        CListCtrl control(&widget);
        control.InsertItem(0, name.c_str());
        control.SetItemData(0, reinterpret_cast<DWORD_PTR>(&key));
        return OnEditDistListLabel(connection, &control, name.c_str(), 0, nullptr, "Lists");
    };
    for (int n = 0; n < operations; ++n) {
        lastMessage.clear();
        const int pick = static_cast<int>(random() % 100);
        if (pick < 40 || known.empty()) {
            const int k = static_cast<int>(random() % 400);
            const std::string name = (random() % 2 ? "PERSON " : "Person ") + std::to_string(k);
            const std::string address = "p" + std::to_string(k) + "@example.org";
            const int added = AddNewContact(name.c_str(), address.c_str(), connection,
                                            CreateGUIDCString(1), nullptr, "Contacts");
            if (!lastMessage.empty()) return failed("add");
            std::printf("add %d %d\n", k, added);
            known.push_back(k);
        } else if (pick < 50 || lists.empty()) {
            const std::string name = "List " + std::to_string(client) + "-" + std::to_string(n);
            CString key;
            if (!label(name, key)) return failed("create");
            std::printf("list %s %s\n", key.GetString(), name.c_str());
            std::vector<std::string> members;
            for (int m = 0; m < 3; ++m)
                members.push_back("Guest " + std::to_string(m) + " <g" + std::to_string(client) +
                                  "-" + std::to_string(n) + "-" + std::to_string(m) +
                                  "@guest.org>");
            try {
                storeMembers(connection, key, members);
            } catch (const mysqlpp::BadQuery& error) {
                lastMessage =
                    std::string(error.what()) + " (" + std::to_string(error.errnum()) + ")";
                return failed("members");
            }
            std::printf("members %s 3\n", key.GetString());
            lists.push_back({key.str(), name});
        } else if (pick < 65) {
            OwnList& list = lists[random() % lists.size()];
            CString key(list.key.c_str());
            const std::string name =
                "List " + std::to_string(client) + "-r" + std::to_string(++renames);
            if (!label(name, key)) return failed("rename");
            list.name = name;
            std::printf("rename %s %s\n", list.key.c_str(), name.c_str());
        } else if (pick < 80) {
            const OwnList& list = lists[random() % lists.size()];
            CStringArray names, addresses, ids, contacts;
            CUIntArray flags;
            const int found = GetDistListMember(CString(list.key.c_str()), connection, names,
                                                addresses, ids, contacts, flags, nullptr);
            if (!lastMessage.empty()) return failed("resolve");
            std::printf("resolve %s %d %d\n", list.key.c_str(), found,
                        static_cast<int>(names.GetSize()));
        } else {
            const OwnList& list = lists[random() % lists.size()];
            const int k = known[random() % known.size()];
            QTextEdit field;
            field.setHtml(QString::fromStdString("<b>" + list.name + "; </b>person " +
                                                 std::to_string(k) + "; P" + std::to_string(k) +
                                                 "@EXAMPLE.org"));
            CStringArray names, addresses;
            const int ok =
                VerifyMailAddress(CWnd::HandleOf(&field), connection, names, addresses, nullptr);
            if (!lastMessage.empty()) return failed("verify");
            std::printf("verify %d %d\n", ok, static_cast<int>(names.GetSize()));
        }
    }
    std::printf("done\n");
    return 0;
}

} // namespace

int RunMailTour(const std::string& folder) {
    return guarded([&] {
        ensureApplication();
        printMessageBoxes(false); // the tour shows the text itself
        std::printf("  embedded database in %s\n", folder.c_str());
        auto connection = openDatabase(folder);
        struct Contact {
            const char* name;
            const char* address;
        };
        for (const Contact& c :
             {Contact{"Ann Lee", "ann@example.org"}, Contact{"Bo O'Brien", "bo@example.org"},
              Contact{"Zoë Ärger", "zoe@example.org"}}) {
            const int added = AddNewContact(ansi(c.name).c_str(), c.address, *connection,
                                            CreateGUIDCString(1), nullptr, "Contacts");
            std::printf(
                "  %s %d\n",
                PadToWidth("AddNewContact(" + std::string(c.name) + ")", kTourColumn).c_str(),
                added);
        }
        std::printf("  %-*s %d\n", int(kTourColumn),
                    "AddNewContact(ann lee, ANN@EXAMPLE.ORG) again",
                    AddNewContact("ann lee", "ANN@EXAMPLE.ORG", *connection, CreateGUIDCString(1),
                                  nullptr, "Contacts"));
        const CString team =
            storeList(*connection, "Team", {"bo@example.org", "Cy Guest <cy@guest.org>"}, "Lists");
        std::printf("  %-*s %s\n", int(kTourColumn), "list Team stored as", team.GetString());
        QListWidget widget;
        CListCtrl lists(&widget);
        FillDistributionList(*connection, &lists, nullptr, "Lists");
        for (int i = 0; i < lists.GetItemCount(); ++i) {
            auto* key = reinterpret_cast<CString*>(lists.GetItemData(i));
            std::printf("  %-*s %s\n", int(kTourColumn), "FillDistributionList(Lists)",
                        u8(lists.GetItemText(i, 0)).c_str());
            delete key;
        }
        const std::string field =
            "<u>Dee Dot [dee@dot.org]</u>; <b>Team</b>; ann lee; zoe@example.org; new@person.net";
        std::printf("  VerifyMailAddress of the recipient field\n    %s\n", field.c_str());
        verifyField(*connection, field, "    -> ");
        const std::string bad = "ann lee; Nobody Known";
        std::printf("  VerifyMailAddress of\n    %s\n", bad.c_str());
        const int status = verifyField(*connection, bad, "    -> ");
        std::printf("  %-*s %s\n", int(kTourColumn), "stopped with",
                    shownMessages().empty() ? "(nothing)" : shownMessages().back().c_str());
        connection.reset();
        return status == 1 ? 0 : 1;
    });
}

void addMailCommands(CLI::App& app) {
    auto* mail =
        app.add_subcommand("mail", "Contacts, distribution lists and recipient verification");
    mail->require_subcommand(1);

    static Options o;

    auto* init = mail->add_subcommand(
        "init", "Create an embedded mail database in DIR, or one on a server (--server)");
    init->add_option("DIR", o.db, "Data folder");
    addServerOptions(init, o);
    init->add_option("--database", o.database, "Database on the server");
    init->add_option("--grant", o.grantUser, "Account the mail clients use (least privileges)");
    init->add_option("--grant-password-file", o.grantPasswordFile,
                     "Creates the account with the password in this file");
    init->add_option("--grant-host", o.grantHost, "Host part of the account")->default_val("%");
    init->callback([] {
        run([] {
            if (o.server.empty()) {
                if (o.db.empty()) Fail(kCommand, "give a data folder or --server");
                openDatabase(o.db).reset();
                std::printf("%s: mail database ready\n", o.db.c_str());
                return 0;
            }
            if (!o.db.empty()) Fail(kCommand, "give a data folder or --server, not both");
            tessaly::maildb::ServerSettings settings = serverSettings(o);
            const std::string database = settings.database;
            settings.database.clear(); // made below
            auto admin = tessaly::maildb::ConnectServer(settings);
            const std::string password =
                o.grantPasswordFile.empty()
                    ? std::string()
                    : tessaly::maildb::ReadPasswordFile(o.grantPasswordFile);
            tessaly::maildb::InitServerDatabase(*admin, database, o.grantUser, password,
                                                o.grantHost);
            std::printf("%s on %s: mail database ready\n", database.c_str(), o.server.c_str());
            return 0;
        });
    });

    auto* contact = mail->add_subcommand("add-contact", "Add a contact");
    contact->add_option("--db", o.db, "Data folder");
    addServerOptions(contact, o);
    contact->add_option("--name", o.name, "Display name")->required();
    contact->add_option("--address", o.address, "E-mail address")->required();
    contact->add_option("--folder", o.folder, "Contact folder id");
    contact->callback([] {
        run([] {
            requireText("name", o.name);
            requireAddress(o.address);
            const std::string name = ansi(o.name), address = ansi(o.address),
                              folder = ansi(o.folder);
            printMessageBoxes();
            auto connection = openWhere(o);
            const CString id = CreateGUIDCString(1);
            if (!AddNewContact(name.c_str(), address.c_str(), *connection, id, nullptr,
                               folder.c_str())) {
                if (shownMessages().empty())
                    Fail(kCommand, "a contact with that name and address exists");
                return 1;
            }
            std::printf("%s\n", id.GetString());
            return 0;
        });
    });

    auto* addList = mail->add_subcommand("add-list", "Add a distribution list with members");
    addList->add_option("--db", o.db, "Data folder");
    addServerOptions(addList, o);
    addList->add_option("--name", o.name, "List name")->required();
    addList->add_option("--member", o.members, "Member address (\"Name <address>\" or address)")
        ->allow_extra_args(false);
    addList->add_option("--folder", o.folder, "Folder id of the list");
    addList->callback([] {
        run([] {
            requireText("list name", o.name);
            std::vector<std::string> members;
            for (const auto& m : o.members) {
                CString name, address;
                GetEmailParts(ansi(m).c_str(), name, address);
                requireAddress(FromAnsi((address.IsEmpty() ? name : address).str()));
                members.push_back(ansi(m));
            }
            const std::string name = ansi(o.name), folder = ansi(o.folder);
            ensureApplication();
            printMessageBoxes();
            auto connection = openWhere(o);
            const CString key = storeList(*connection, name, members, folder);
            if (key.IsEmpty()) {
                if (shownMessages().empty()) Fail(kCommand, "the list was not stored");
                return 1;
            }
            std::printf("%s\n", key.GetString());
            return 0;
        });
    });

    auto* lists = mail->add_subcommand("lists", "The distribution lists of a folder");
    lists->add_option("--db", o.db, "Data folder");
    addServerOptions(lists, o);
    lists->add_option("FOLDER", o.folder, "Folder id")->required();
    lists->callback([] {
        run([] {
            ensureApplication();
            printMessageBoxes();
            const std::string folder = ansi(o.folder);
            auto connection = openWhere(o);
            QListWidget widget;
            CListCtrl list(&widget);
            const int found = FillDistributionList(*connection, &list, nullptr, folder.c_str());
            for (int i = list.GetItemCount() - 1; i >= 0; --i) {
                auto* key = reinterpret_cast<CString*>(list.GetItemData(i));
                std::printf("%s\t%s\n", u8(list.GetItemText(i, 0)).c_str(),
                            key ? key->GetString() : "");
                delete key;
            }
            return found || shownMessages().empty() ? 0 : 1;
        });
    });

    static int client = 0, operations = 1000;
    auto* load = mail->add_subcommand("load", "One client's mixed load on a team's server");
    addServerOptions(load, o);
    load->add_option("--client", client, "Client number (seeds its choices)");
    load->add_option("--operations", operations, "Number of operations");
    load->callback([] {
        run([] {
            if (o.server.empty()) Fail(kCommand, "load needs --server");
            auto connection = openWhere(o);
            return runLoad(*connection, client, operations);
        });
    });

    auto* verify = mail->add_subcommand("verify", "Verify a recipient field given as simple HTML");
    verify->add_option("--db", o.db, "Data folder");
    addServerOptions(verify, o);
    verify->add_option("FIELD", o.field, "<u>resolved</u>, <b>list</b>, typed text")->required();
    verify->callback([] {
        run([] {
            requireText("field", o.field);
            ensureApplication();
            printMessageBoxes();
            auto connection = openWhere(o);
            requireLists(*connection, o.field);
            return verifyField(*connection, o.field, "");
        });
    });
}

} // namespace tessaly::cli
