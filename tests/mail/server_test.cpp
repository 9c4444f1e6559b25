// The mail database on a shared server: settings, the TLS connection and its refusals, the
// clients' least privileges, and tessaly mail with --server.
#include <gtest/gtest.h>

#include <tessaly/maildb.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/cli.h"
#include "support/mail_database.h"
#include "support/mail_server.h"
#include "support/registry.h"

namespace tessaly::testing {
namespace {

using tessaly::maildb::ServerSettings;

class ServerSettingsTest : public PrefixTest {};

// The password comes from a file (first line, CR LF cut) or a variable, never the registry.
// Rows: values, untrusted certificates allowed, then the settings or a part of the refusal.
TEST_F(ServerSettingsTest, ReadFromTheMailClientsKey) {
    const char* key = tessaly::maildb::kServerSettingsKey;
    const std::string pwFile = WriteFile(prefix_.scratch() + "/pw", "from-file\r\nsecond line\n");
    setenv("TESSALY_TEST_MAIL_PW", "from-variable", 1);
    const std::tuple<std::vector<std::string>, DWORD, std::string> rows[] = {
        {{"Server=db.team:3307", "User=ann", "Database=office", "CAFile=/etc/team-ca.pem",
          "PasswordFile=" + pwFile},
         0,
         "db.team:3307 ann/office//etc/team-ca.pem from-file 0"},
        {{"Server=db", "PasswordVariable=TESSALY_TEST_MAIL_PW"},
         1,
         "db:3306 /" + std::string(tessaly::maildb::kDefaultDatabase) + "/ from-variable 1"},
        {{"Server=db", "Password=x"}, 0, "clear text"},
        {{"User=ann"}, 0, "no Server"},
    };
    for (const auto& [values, allow, expected] : rows) {
        tessaly::platform::RegDeleteTreeA(HKEY_CURRENT_USER, key);
        for (const std::string& value : values) // name=value
            PutRegText(HKEY_CURRENT_USER, key, value.substr(0, value.find('=')).c_str(),
                       value.substr(value.find('=') + 1));
        PutRegDword(HKEY_CURRENT_USER, key, "AllowUntrustedCertificate", allow);
        try {
            const ServerSettings s = tessaly::maildb::ServerSettingsFromRegistry();
            EXPECT_EQ(s.host + ":" + std::to_string(s.port) + " " + s.user + "/" + s.database +
                          "/" + s.caFile + " " + s.password + " " +
                          std::to_string(s.allowUntrustedCertificate),
                      expected);
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    }
}

class TlsServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (MariadbServerProgram().empty()) GTEST_SKIP() << "mariadbd is not installed";
        StartTestEmbeddedServer();
        server = &TlsMailServer::Get();
        database = server->NewDatabase();
    }
    TlsMailServer* server = nullptr;
    std::string database;
};

// Rows: change to the settings, then the error number (none: connects) and a part of the one
// line of the ConnectionError, which never holds the password.
TEST_F(TlsServerTest, ConnectsOnlyToATrustedServerWithTheRightAccount) {
    const std::string other = server->untrustedCaFile();
    const std::tuple<std::function<void(ServerSettings&)>, std::optional<unsigned>, const char*>
        rows[] = {
            {[](ServerSettings&) {}, {}, ""},
            {[&](ServerSettings& s) { s.caFile = other; }, 2026u, "certificate"},
            {[&](ServerSettings& s) { s.caFile = other, s.allowUntrustedCertificate = true; },
             {},
             ""},
            {[](ServerSettings& s) { s.password = "guess"; }, 1045u, "denied"},
            {[](ServerSettings& s) { s.port = 1, s.connectTimeoutSeconds = 3; }, 2002u,
             "127.0.0.1:1"}, // nothing listens (2002 or 2003)
            {[](ServerSettings& s) { s.caFile = "/nonexistent/ca.pem"; }, 0u,
             "/nonexistent/ca.pem"},
            // Signed by the trusted CA for another name; last, as the server keeps it.
            {[&](ServerSettings&) { server->ServeWrongName(true); }, 2026u, "mismatch"},
        };
    for (const auto& [change, number, text] : rows) {
        ServerSettings s = server->Settings(database);
        change(s);
        try {
            auto connection = tessaly::maildb::ConnectServer(s);
            EXPECT_FALSE(number) << "connected with " << text;
            const auto who = connection->query("select current_user()").store();
            EXPECT_EQ(std::string(who.at(0)[0].data()), "mailer@127.0.0.1");
            const auto tls = connection->query("show session status like 'Ssl_cipher'").store();
            EXPECT_FALSE(std::string(tls.at(0)[1].data()).empty()) << "not encrypted";
        } catch (const tessaly::maildb::ConnectionError& error) {
            const std::string what = error.what();
            EXPECT_EQ(number.value_or(~0u), error.number() == 2003u ? 2002u : error.number())
                << what;
            EXPECT_NE(what.find(text), std::string::npos) << what;
            for (const char* unseen : {"\n", TlsMailServer::kPassword, "guess"})
                EXPECT_EQ(what.find(unseen), std::string::npos) << what;
        }
    }
    server->ServeWrongName(false);
}

// Rows: statement, error number (0: allowed). The clients' account runs the services'
// statements only; the unique key stops the same contact in another case.
TEST_F(TlsServerTest, ClientsHaveOnlyTheServicesPrivileges) {
    auto connection = tessaly::maildb::ConnectServer(server->Settings(database));
    const std::pair<const char*, unsigned> rows[] = {
        {"LOCK TABLES `MainAddr` WRITE", 0},
        {"insert into `MainAddr` (RecordID, Name, Address) values ('R1','Ann','ANN@X.ORG')", 0},
        {"UNLOCK TABLES ", 0},
        {"update `DistList` set `LstName`='x' where `RecordID`='none'", 0},
        {"delete from `DistMembers` where `RecordID`='none'", 0},
        {"insert into `MainAddr` (RecordID, Name, Address) values ('R2','ANN','ann@x.org')", 1062},
        {"create table `Extra` (a int)", 1142},
        {"select * from mysql.user", 1142},
        {"create database `elsewhere`", 1044},
    };
    for (const auto& [statement, number] : rows) {
        unsigned error = 0;
        try {
            connection->query(statement).exec();
        } catch (const mysqlpp::BadQuery& refused) {
            error = static_cast<unsigned>(refused.errnum());
        }
        EXPECT_EQ(error, number) << statement;
    }
}

class ServerCommandTest : public CliTest<PrefixTest> {};

// A team's set-up and use at the shell: init as the administrator, then the clients' account;
// a wrong password is the server's refusal with its number, never the password tried.
TEST_F(ServerCommandTest, InitsAndUsesASharedDatabase) {
    if (MariadbServerProgram().empty()) GTEST_SKIP() << "mariadbd is not installed";
    StartTestEmbeddedServer();
    const std::string address = "127.0.0.1:" + std::to_string(TlsMailServer::Get().port()),
                      ca = TlsMailServer::Get().caFile(), dir = prefix_.scratch() + "/";
    for (const auto& [name, text] :
         {std::pair{"root", ""}, {"team", "team-Secret"}, {"wrong", "not-The-Password"}})
        std::ofstream(dir + name + ".pw") << text << "\n";
    auto mail = [&](const std::string& who, const std::string& pw, std::vector<std::string> more) {
        more.insert(more.begin() + 1, {"--server", address, "--user", who, "--password-file",
                                       dir + pw + ".pw", "--ca", ca});
        more.insert(more.begin(), "mail");
        return RunTessalyLimited(more);
    };
    const RunResult init =
        mail("root", "root",
             {"init", "--database", "teamdb", "--grant", "team", "--grant-password-file",
              dir + "team.pw", "--grant-host", "127.0.0.1"});
    EXPECT_EQ(init.out + init.err, "teamdb on " + address + ": mail database ready\n");
    const std::vector<std::string> add = {"add-contact", "--name",     "Ann",   "--address",
                                          "a@x.org",     "--database", "teamdb"};
    EXPECT_EQ(mail("team", "team", add).err, "");
    for (const char* user : {"team", "root"}) {
        const RunResult r = mail(user, "wrong", add);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("(1045)"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("not-The-Password"), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace tessaly::testing
