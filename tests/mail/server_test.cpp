// The mail database on a shared server: addresses and settings, the TLS connection and its
// refusals, the clients' least privileges, and tessaly mail with --server.
#include <gtest/gtest.h>

#include <tessaly/maildb.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/cli.h"
#include "support/mail_database.h"
#include "support/mail_server.h"

namespace tessaly::testing {
namespace {

using tessaly::maildb::ConnectionError;
using tessaly::maildb::ServerSettings;

TEST(ServerAddressTest, HostAndPortOrARefusal) {
    const std::pair<const char*, const char*> taken[] = {{"db.example.org", "db.example.org:3306"},
                                                         {"10.0.0.5:3307", "10.0.0.5:3307"},
                                                         {"[::1]:3310", "::1:3310"},
                                                         {"[fe80::1]", "fe80::1:3306"}};
    for (const auto& [text, hostPort] : taken) {
        ServerSettings s;
        tessaly::maildb::ParseServerAddress(text, s);
        EXPECT_EQ(s.host + ":" + std::to_string(s.port), hostPort);
    }
    for (const char* text :
         {"", "db:", "db:0", "db:65536", "db:33o6", "::1:3306", "[::1]x", "[::1", "[::1]:"}) {
        ServerSettings s;
        EXPECT_THROW(tessaly::maildb::ParseServerAddress(text, s), std::invalid_argument) << text;
    }
}

class ServerSettingsTest : public PrefixTest {};

// The password comes from a file (first line, CR LF cut) or a variable, never the registry.
TEST_F(ServerSettingsTest, ReadFromTheMailClientsKey) {
    const std::string pwFile = prefix_.scratch() + "/pw";
    std::ofstream(pwFile) << "from-file\r\nsecond line\n";
    setenv("TESSALY_TEST_MAIL_PW", "from-variable", 1);
    const std::string defaults =
        "db:3306 /" + std::string(tessaly::maildb::kDefaultDatabase) + "/ from-variable 1";
    const struct {
        std::vector<std::pair<std::string, std::string>> values;
        DWORD allow;
        std::string expected; // the settings, or a part of the refusal
    } cases[] = {
        {{{"Server", "db.team:3307"},
          {"User", "ann"},
          {"Database", "office"},
          {"CAFile", "/etc/team-ca.pem"},
          {"PasswordFile", pwFile}},
         0,
         "db.team:3307 ann/office//etc/team-ca.pem from-file 0"},
        {{{"Server", "db"}, {"PasswordVariable", "TESSALY_TEST_MAIL_PW"}}, 1, defaults},
        {{{"Server", "db"}, {"Password", "x"}}, 0, "clear text"},
        {{{"User", "ann"}}, 0, "no Server"},
        {{{"Server", "db"}, {"PasswordVariable", "TESSALY_TEST_UNSET_PW"}},
         0,
         "TESSALY_TEST_UNSET_PW"},
        {{{"Server", "db"}, {"PasswordFile", "/nonexistent/pw"}}, 0, "/nonexistent/pw"},
    };
    namespace p = tessaly::platform;
    for (const auto& c : cases) {
        HKEY key = nullptr;
        p::RegDeleteTreeA(HKEY_CURRENT_USER, tessaly::maildb::kServerSettingsKey);
        ASSERT_EQ(p::RegCreateKeyExA(HKEY_CURRENT_USER, tessaly::maildb::kServerSettingsKey, 0,
                                     nullptr, 0, p::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        for (const auto& [name, value] : c.values)
            p::RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
        p::RegSetValueExA(key, "AllowUntrustedCertificate", 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&c.allow), sizeof c.allow);
        p::RegCloseKey(key);
        try {
            const ServerSettings s = tessaly::maildb::ServerSettingsFromRegistry();
            EXPECT_EQ(s.host + ":" + std::to_string(s.port) + " " + s.user + "/" + s.database +
                          "/" + s.caFile + " " + s.password + " " +
                          std::to_string(s.allowUntrustedCertificate),
                      c.expected);
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos)
                << error.what();
        }
    }
    p::RegDeleteTreeA(HKEY_CURRENT_USER, tessaly::maildb::kServerSettingsKey);
    EXPECT_THROW(tessaly::maildb::ServerSettingsFromRegistry(), std::runtime_error);
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

// A connection is made only to the server the certificate names, signed by the given CA,
// with the right password; each refusal is one ConnectionError without the password.
TEST_F(TlsServerTest, ConnectsOnlyToATrustedServerWithTheRightAccount) {
    const std::string other = server->untrustedCaFile();
    const struct {
        const char* rule;
        std::function<void(ServerSettings&)> change;
        std::optional<unsigned> error; // none: connects
        const char* text;
    } cases[] = {
        {"trusted CA, address in the certificate", [](ServerSettings&) {}, {}, ""},
        {"name in the certificate", [](ServerSettings& s) { s.host = "localhost"; }, {}, ""},
        {"untrusted CA", [&](ServerSettings& s) { s.caFile = other; }, 2026u, "certificate"},
        {"untrusted CA, explicitly allowed",
         [&](ServerSettings& s) { s.caFile = other, s.allowUntrustedCertificate = true; },
         {},
         ""},
        {"wrong password", [](ServerSettings& s) { s.password = "guess"; }, 1045u, "denied"},
        {"database not granted", [](ServerSettings& s) { s.database = "mysql"; }, 1044u, "denied"},
        {"nothing listens", [](ServerSettings& s) { s.port = 1, s.connectTimeoutSeconds = 3; },
         2002u, "127.0.0.1:1"},
        {"CA file missing", [](ServerSettings& s) { s.caFile = "/nonexistent/ca.pem"; }, 0u,
         "/nonexistent/ca.pem"},
        // Signed by the trusted CA, for another name; last, as the server keeps it until reset.
        {"another host's certificate", [&](ServerSettings&) { server->ServeWrongName(true); },
         2026u, "mismatch"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        ServerSettings s = server->Settings(database);
        c.change(s);
        try {
            auto connection = tessaly::maildb::ConnectServer(s);
            EXPECT_FALSE(c.error) << "connected";
            const auto who = connection->query("select current_user()").store();
            ASSERT_EQ(who.size(), 1u);
            EXPECT_EQ(std::string(who[0][0].data()), "mailer@127.0.0.1");
            const auto tls = connection->query("show session status like 'Ssl_cipher'").store();
            EXPECT_FALSE(std::string(tls[0][1].data()).empty()) << "not encrypted";
        } catch (const ConnectionError& error) {
            ASSERT_TRUE(c.error) << error.what();
            const std::string text = error.what();
            if (*c.error == 2002u)
                EXPECT_TRUE(error.number() == 2002u || error.number() == 2003u) << text;
            else
                EXPECT_EQ(error.number(), *c.error) << text;
            EXPECT_NE(text.find(c.text), std::string::npos) << text;
            EXPECT_EQ(text.find('\n'), std::string::npos) << text;
            EXPECT_EQ(text.find(TlsMailServer::kPassword), std::string::npos) << text;
            EXPECT_EQ(text.find("guess"), std::string::npos) << text;
        }
    }
    server->ServeWrongName(false);
}

// The clients' account can run the services' statements and nothing more; the server's
// unique key stops a second contact with the same name and address in another case.
TEST_F(TlsServerTest, ClientsHaveOnlyTheServicesPrivileges) {
    auto connection = tessaly::maildb::ConnectServer(server->Settings(database));
    const std::pair<const char*, unsigned> cases[] = {
        // error 0: allowed
        {"LOCK TABLES `MainAddr` WRITE", 0},
        {"insert into `MainAddr` (RecordID, Name, Address) values ('R1','Ann','ANN@X.ORG')", 0},
        {"UNLOCK TABLES ", 0},
        {"update `DistList` set `LstName`='x' where `RecordID`='none'", 0},
        {"delete from `DistMembers` where `RecordID`='none'", 0},
        {"insert into `MainAddr` (RecordID, Name, Address) values ('R2','ANN','ann@x.org')", 1062},
        {"create table `Extra` (a int)", 1142},
        {"alter table `MainAddr` add column `x` int", 1142},
        {"select * from mysql.user", 1142},
        {"create database `elsewhere`", 1044},
    };
    for (const auto& [statement, number] : cases) {
        try {
            connection->query(statement).exec();
            EXPECT_EQ(number, 0u) << statement;
        } catch (const mysqlpp::BadQuery& error) {
            EXPECT_EQ(static_cast<unsigned>(error.errnum()), number) << error.what();
        }
    }
}

class ServerCommandTest : public CliTest<PrefixTest> {
  protected:
    void SetUp() override {
        CliTest<PrefixTest>::SetUp();
        if (IsSkipped()) return;
        if (MariadbServerProgram().empty()) GTEST_SKIP() << "mariadbd is not installed";
        StartTestEmbeddedServer();
        server = &TlsMailServer::Get();
        address = "127.0.0.1:" + std::to_string(server->port());
    }
    // tessaly mail <more[0]> as user on the test server, then the rest of more.
    std::vector<std::string> As(const std::string& user, const std::string& pwFile,
                                const std::string& ca, std::vector<std::string> more) {
        more.insert(more.begin() + 1,
                    {"--server", address, "--user", user, "--password-file", pwFile, "--ca", ca});
        more.insert(more.begin(), "mail");
        return more;
    }
    TlsMailServer* server = nullptr;
    std::string address;
};

// A team's set-up and use at the shell: init as the administrator, then the clients' account.
TEST_F(ServerCommandTest, InitsAndUsesASharedDatabase) {
    const std::string rootPw = prefix_.scratch() + "/root.pw", teamPw = prefix_.scratch() + "/t.pw";
    std::ofstream(rootPw) << "\n";
    std::ofstream(teamPw) << "team-Secret\n";
    const std::string ca = server->caFile();
    const RunResult init =
        RunTessalyLimited(As("root", rootPw, ca,
                             {"init", "--database", "teamdb", "--grant", "team",
                              "--grant-password-file", teamPw, "--grant-host", "127.0.0.1"}));
    ASSERT_EQ(init.status, 0) << init.err;
    EXPECT_EQ(init.out, "teamdb on " + address + ": mail database ready\n");
    auto team = [&](std::vector<std::string> more) {
        more.insert(more.end(), {"--database", "teamdb"});
        return RunTessalyLimited(As("team", teamPw, ca, more));
    };
    const RunResult ann = team({"add-contact", "--name", "Ann Lee", "--address", "ann@x.org"});
    ASSERT_EQ(ann.status, 0) << ann.err;
    const RunResult list = team({"add-list", "--name", "Team", "--folder", "L", "--member",
                                 "ann@x.org", "--member", "Cy <cy@guest.org>"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(team({"lists", "L"}).out, "Team\t" + list.out);
    const RunResult verified = team({"verify", "<b>Team</b>; ann lee"});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_NE(verified.out.find("ann lee\tANN@X.ORG\n"), std::string::npos) << verified.out;
    EXPECT_NE(verified.out.find("Cy\tcy@guest.org\n"), std::string::npos) << verified.out;

    const std::string wrongPw = prefix_.scratch() + "/wrong.pw";
    std::ofstream(wrongPw) << "not-The-Password\n";
    const std::vector<std::string> contact = {"add-contact", "--name", "B", "--address", "b@x.org"};
    Expect({
        {{"mail", "lists", "--server", address, "L"}, 1, "--server needs --user"},
        {{"mail", "lists", "--server", address, "--user", "team", "--db", "/tmp", "L"},
         1,
         "either --db or --server"},
        {{"mail", "lists", "L"}, 1, "either --db or --server"},
    });
    // The server's refusal with its number, never the password tried.
    for (const char* user : {"team", "root"}) {
        const RunResult r = RunTessalyLimited(As(user, wrongPw, ca, contact));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("(1045)"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("not-The-Password"), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace tessaly::testing
