// tessaly mail: the mail client's contacts and distribution lists in an embedded database
// of a folder, and recipient verification of a field given as simple HTML (<u>resolved</u>,
// <b>lists</b>, plain typed text). Arguments and output are UTF-8; the library speaks the
// ANSI code page.
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
#include <exception>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/codepage.h"

namespace tessaly::cli {

namespace {

namespace p = tessaly::platform;

std::string ansi(const std::string& utf8) {
    return p::Utf8ToAnsi(utf8);
}
std::string u8(const CString& text) {
    return p::AnsiToUtf8(text.str());
}

// The caller's widgets need an application; without a display it draws offscreen.
void ensureApplication() {
    if (QApplication::instance()) return;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tessaly";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// Message boxes are printed instead of waiting for a person; the texts are kept.
std::vector<std::string>& shownMessages() {
    static std::vector<std::string> messages;
    return messages;
}
void printMessageBoxes() {
    tessaly::automation::SetMessageBoxHandler([](const tessaly::automation::MessageBoxInfo& box) {
        shownMessages().push_back(p::AnsiToUtf8(box.text));
        std::fprintf(stderr, "%s\n", p::AnsiToUtf8(box.text).c_str());
        return 1;
    });
}

std::string escaped(mysqlpp::Connection& connection, const std::string& text) {
    std::string out;
    connection.driver()->escape_string(&out, text.data(), text.size());
    return out;
}

// Stores a list and its members the way the mail client does: the list through the label
// editor, member rows pointing at a contact of that address when there is one.
CString storeList(mysqlpp::Connection& connection, const std::string& name,
                  const std::vector<std::string>& members, const std::string& folder) {
    QListWidget widget;
    CListCtrl list(&widget);
    list.InsertItem(0, name.c_str());
    CString key;
    list.SetItemData(0, reinterpret_cast<DWORD_PTR>(&key));
    if (!OnEditDistListLabel(connection, &list, name.c_str(), 0, nullptr, folder.c_str()))
        return CString();
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
        const std::string id = CreateGUIDCString(1).str();
        const std::string contactId =
            contact.empty() ? "" : std::string(contact[0][0].data(), contact[0][0].length());
        connection
            .query("insert into DistMembers (RecordID, LstRec, IsCont, ContRec, Name, email) "
                   "values ('" +
                   escaped(connection, id) + "','" + escaped(connection, key.str()) + "'," +
                   (contact.empty() ? "0" : "1") + ",'" + escaped(connection, contactId) + "','" +
                   escaped(connection, memberName.str()) + "','" + escaped(connection, address) +
                   "')")
            .exec();
    }
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

int guarded(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tessaly mail: %s\n", error.what());
        return 2;
    }
}

} // namespace

int RunMailTour(const std::string& folder) {
    return guarded([&] {
        ensureApplication();
        printMessageBoxes();
        std::printf("  embedded database in %s\n", folder.c_str());
        auto connection = tessaly::maildb::OpenEmbedded(folder);
        struct Contact {
            const char* name;
            const char* address;
        };
        for (const Contact& c :
             {Contact{"Ann Lee", "ann@example.org"}, Contact{"Bo O'Brien", "bo@example.org"},
              Contact{"Zoë Ärger", "zoe@example.org"}}) {
            const int added = AddNewContact(ansi(c.name).c_str(), c.address, *connection,
                                            CreateGUIDCString(1), nullptr, "Contacts");
            std::printf("  %-44s %d\n", ("AddNewContact(" + std::string(c.name) + ")").c_str(),
                        added);
        }
        std::printf("  %-44s %d\n", "AddNewContact(ann lee, ANN@EXAMPLE.ORG) again",
                    AddNewContact("ann lee", "ANN@EXAMPLE.ORG", *connection, CreateGUIDCString(1),
                                  nullptr, "Contacts"));
        const CString team =
            storeList(*connection, "Team", {"bo@example.org", "Cy Guest <cy@guest.org>"}, "Lists");
        std::printf("  %-44s %s\n", "list Team stored as", team.GetString());
        QListWidget widget;
        CListCtrl lists(&widget);
        FillDistributionList(*connection, &lists, nullptr, "Lists");
        for (int i = 0; i < lists.GetItemCount(); ++i) {
            auto* key = reinterpret_cast<CString*>(lists.GetItemData(i));
            std::printf("  %-44s %s\n", "FillDistributionList(Lists)",
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
        std::printf("  %-44s %s\n", "stopped with",
                    shownMessages().empty() ? "(nothing)" : shownMessages().back().c_str());
        connection.reset();
        return status == 1 ? 0 : 1;
    });
}

void addMailCommands(CLI::App& app) {
    auto* mail =
        app.add_subcommand("mail", "Contacts, distribution lists and recipient verification");
    mail->require_subcommand(1);

    struct Options {
        std::string db, name, address, folder, field;
        std::vector<std::string> members;
    };
    static Options o;

    auto* init = mail->add_subcommand("init", "Create an embedded mail database in DIR");
    init->add_option("DIR", o.db, "Data folder")->required();
    init->callback([] {
        std::exit(guarded([] {
            tessaly::maildb::OpenEmbedded(o.db).reset();
            std::printf("%s: mail database ready\n", o.db.c_str());
            return 0;
        }));
    });

    auto* contact = mail->add_subcommand("add-contact", "Add a contact");
    contact->add_option("--db", o.db, "Data folder")->required();
    contact->add_option("--name", o.name, "Display name")->required();
    contact->add_option("--address", o.address, "E-mail address")->required();
    contact->add_option("--folder", o.folder, "Contact folder id");
    contact->callback([] {
        std::exit(guarded([] {
            printMessageBoxes();
            auto connection = tessaly::maildb::OpenEmbedded(o.db);
            const CString id = CreateGUIDCString(1);
            if (!AddNewContact(ansi(o.name).c_str(), ansi(o.address).c_str(), *connection, id,
                               nullptr, ansi(o.folder).c_str())) {
                if (shownMessages().empty())
                    std::fprintf(stderr, "a contact with that name and address exists\n");
                return 1;
            }
            std::printf("%s\n", id.GetString());
            return 0;
        }));
    });

    auto* addList = mail->add_subcommand("add-list", "Add a distribution list with members");
    addList->add_option("--db", o.db, "Data folder")->required();
    addList->add_option("--name", o.name, "List name")->required();
    addList->add_option("--member", o.members, "Member address (\"Name <address>\" or address)");
    addList->add_option("--folder", o.folder, "Folder id of the list");
    addList->callback([] {
        std::exit(guarded([] {
            ensureApplication();
            printMessageBoxes();
            auto connection = tessaly::maildb::OpenEmbedded(o.db);
            std::vector<std::string> members;
            for (const auto& m : o.members)
                members.push_back(ansi(m));
            const CString key = storeList(*connection, ansi(o.name), members, ansi(o.folder));
            if (key.IsEmpty()) return 1;
            std::printf("%s\n", key.GetString());
            return 0;
        }));
    });

    auto* lists = mail->add_subcommand("lists", "The distribution lists of a folder");
    lists->add_option("--db", o.db, "Data folder")->required();
    lists->add_option("FOLDER", o.folder, "Folder id")->required();
    lists->callback([] {
        std::exit(guarded([] {
            ensureApplication();
            printMessageBoxes();
            auto connection = tessaly::maildb::OpenEmbedded(o.db);
            QListWidget widget;
            CListCtrl list(&widget);
            const int found =
                FillDistributionList(*connection, &list, nullptr, ansi(o.folder).c_str());
            for (int i = list.GetItemCount() - 1; i >= 0; --i) {
                auto* key = reinterpret_cast<CString*>(list.GetItemData(i));
                std::printf("%s\t%s\n", u8(list.GetItemText(i, 0)).c_str(),
                            key ? key->GetString() : "");
                delete key;
            }
            return found || shownMessages().empty() ? 0 : 1;
        }));
    });

    auto* verify = mail->add_subcommand("verify", "Verify a recipient field given as simple HTML");
    verify->add_option("--db", o.db, "Data folder")->required();
    verify->add_option("FIELD", o.field, "<u>resolved</u>, <b>list</b>, typed text")->required();
    verify->callback([] {
        std::exit(guarded([] {
            ensureApplication();
            printMessageBoxes();
            auto connection = tessaly::maildb::OpenEmbedded(o.db);
            return verifyField(*connection, o.field, "");
        }));
    });
}

} // namespace tessaly::cli
