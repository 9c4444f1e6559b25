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
    struct Case {
        const char* text;
        const char* host; // null: refused
        unsigned port;
    };
    const Case cases[] = {
        {"db.example.org", "db.example.org", 3306},
        {"10.0.0.5:3307", "10.0.0.5", 3307},
        {"[::1]:3310", "::1", 3310},
        {"[fe80::1]", "fe80::1", 3306},
        {"", nullptr, 0},
        {":3306", nullptr, 0},
        {"db:", nullptr, 0},
        {"db:0", nullptr, 0},
        {"db:65536", nullptr, 0},
        {"db:33o6", nullptr, 0},
        {"::1:3306", nullptr, 0},
        {"[::1]x", nullptr, 0},
        {"[::1", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ServerSettings s;
        if (!c.host) {
            EXPECT_THROW(tessaly::maildb::ParseServerAddress(c.text, s), std::invalid_argument);
            continue;
        }
        tessaly::maildb::ParseServerAddress(c.text, s);
        EXPECT_EQ(s.host, c.host);
        EXPECT_EQ(s.port, c.port);
    }
}

class ServerSettingsTest : public PrefixTest {
  protected:
    void Write(const std::vector<std::pair<std::string, std::string>>& texts, DWORD allow = 2) {
        namespace p = tessaly::platform;
        HKEY key = nullptr;
        p::RegDeleteTreeA(HKEY_CURRENT_USER, tessaly::maildb::kServerSettingsKey);
        ASSERT_EQ(p::RegCreateKeyExA(HKEY_CURRENT_USER, tessaly::maildb::kServerSettingsKey, 0,
                                     nullptr, 0, p::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        for (const auto& [name, value] : texts)
            p::RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
        if (allow != 2)
            p::RegSetValueExA(key, "AllowUntrustedCertificate", 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&allow), sizeof allow);
        p::RegCloseKey(key);
    }
};

// The password comes from a file or a variable, never from the registry itself.
TEST_F(ServerSettingsTest, ReadFromTheMailClientsKey) {
    const std::string pwFile = prefix_.scratch() + "/pw";
    std::ofstream(pwFile) << "from-file\r\nsecond line\n";
    setenv("TESSALY_TEST_MAIL_PW", "from-variable", 1);
    using Values = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* rule;
        Values values;
        DWORD allow;
        std::function<void(const ServerSettings&)> check; // null: refused with `refusal`
        const char* refusal;
    };
    const Case cases[] = {
        {"every value",
         {{"Server", "db.team:3307"},
          {"User", "ann"},
          {"Database", "office"},
          {"CAFile", "/etc/team-ca.pem"},
          {"PasswordFile", pwFile}},
         0,
         [](const ServerSettings& s) {
             EXPECT_EQ(s.host + ":" + std::to_string(s.port), "db.team:3307");
             EXPECT_EQ(s.user + "/" + s.database + "/" + s.caFile, "ann/office//etc/team-ca.pem");
             EXPECT_EQ(s.password, "from-file"); // first line, CR LF cut
             EXPECT_FALSE(s.allowUntrustedCertificate);
         },
         nullptr},
        {"defaults and a variable",
         {{"Server", "db"}, {"PasswordVariable", "TESSALY_TEST_MAIL_PW"}},
         1,
         [](const ServerSettings& s) {
             EXPECT_EQ(s.port, 3306u);
             EXPECT_EQ(s.database, tessaly::maildb::kDefaultDatabase);
             EXPECT_EQ(s.password, "from-variable");
             EXPECT_TRUE(s.allowUntrustedCertificate);
         },
         nullptr},
        {"clear password", {{"Server", "db"}, {"Password", "x"}}, 2, nullptr, "clear text"},
        {"no server", {{"User", "ann"}}, 2, nullptr, "no Server"},
        {"bad port", {{"Server", "db:99999"}}, 2, nullptr, "outside"},
        {"unset variable",
         {{"Server", "db"}, {"PasswordVariable", "TESSALY_TEST_UNSET_PW"}},
         2,
         nullptr,
         "TESSALY_TEST_UNSET_PW"},
        {"missing file",
         {{"Server", "db"}, {"PasswordFile", "/nonexistent/pw"}},
         2,
         nullptr,
         "/nonexistent/pw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        Write(c.values, c.allow);
        if (c.check) {
            c.check(tessaly::maildb::ServerSettingsFromRegistry());
            continue;
        }
        try {
            tessaly::maildb::ServerSettingsFromRegistry();
            ADD_FAILURE() << "not refused";
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << error.what();
        }
    }
    tessaly::platform::RegDeleteTreeA(HKEY_CURRENT_USER, tessaly::maildb::kServerSettingsKey);
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
    struct Case {
        const char* rule;
        std::function<void(ServerSettings&)> change;
        std::optional<unsigned> error; // none: connects
        const char* text;
    };
    const std::string other = server->untrustedCaFile();
    const Case cases[] = {
        {"trusted CA, address in the certificate", [](ServerSettings&) {}, {}, ""},
        {"name in the certificate", [](ServerSettings& s) { s.host = "localhost"; }, {}, ""},
        {"untrusted CA", [&](ServerSettings& s) { s.caFile = other; }, 2026u, "certificate"},
        {"untrusted CA, explicitly allowed",
         [&](ServerSettings& s) {
             s.caFile = other;
             s.allowUntrustedCertificate = true;
         },
         {},
         ""},
        {"wrong password", [](ServerSettings& s) { s.password = "guess"; }, 1045u, "denied"},
        {"database not granted", [](ServerSettings& s) { s.database = "mysql"; }, 1044u, "denied"},
        {"nothing listens",
         [](ServerSettings& s) {
             s.port = 1;
             s.connectTimeoutSeconds = 3;
         },
         2002u, "127.0.0.1:1"},
        {"CA file missing", [](ServerSettings& s) { s.caFile = "/nonexistent/ca.pem"; }, 0u,
         "/nonexistent/ca.pem"},
    };
    for (const Case& c : cases) {
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
    // A certificate signed by the trusted CA for another name is refused as well.
    server->ServeWrongName(true);
    try {
        tessaly::maildb::ConnectServer(server->Settings(database));
        ADD_FAILURE() << "a certificate for another host was taken";
    } catch (const ConnectionError& error) {
        EXPECT_EQ(error.number(), 2026u) << error.what();
        EXPECT_NE(std::string(error.what()).find("mismatch"), std::string::npos) << error.what();
    }
    server->ServeWrongName(false);
    EXPECT_NO_THROW(tessaly::maildb::ConnectServer(server->Settings(database)));
    std::ifstream log(server->errorLog());
    const std::string serverLog((std::istreambuf_iterator<char>(log)), {});
    EXPECT_EQ(serverLog.find(TlsMailServer::kPassword), std::string::npos);
}

// The clients' account can run the services' statements and nothing more; the server's
// unique key stops a second contact with the same name and address in another case.
TEST_F(TlsServerTest, ClientsHaveOnlyTheServicesPrivileges) {
    auto connection = tessaly::maildb::ConnectServer(server->Settings(database));
    struct Case {
        const char* statement;
        unsigned error; // 0: allowed
    };
    const Case cases[] = {
        {"LOCK TABLES `MainAddr` WRITE", 0},
        {"insert into `MainAddr` (RecordID, Name, Address) values ('R1','Ann','ANN@X.ORG')", 0},
        {"UNLOCK TABLES ", 0},
        {"update `DistList` set `LstName`='x' where `RecordID`='none'", 0},
        {"delete from `DistMembers` where `RecordID`='none'", 0},
        {"insert into `MainAddr` (RecordID, Name, Address) values ('R2','ANN','ann@x.org')", 1062},
        {"create table `Extra` (a int)", 1142},
        {"drop table `MainAddr`", 1142},
        {"alter table `MainAddr` add column `x` int", 1142},
        {"select * from mysql.user", 1142},
        {"create database `elsewhere`", 1044},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        try {
            connection->query(c.statement).exec();
            EXPECT_EQ(c.error, 0u);
        } catch (const mysqlpp::BadQuery& error) {
            EXPECT_EQ(static_cast<unsigned>(error.errnum()), c.error) << error.what();
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
    std::vector<std::string> As(const std::string& user, const std::string& pwFile,
                                const std::string& ca, std::vector<std::string> more) {
        std::vector<std::string> line = {"mail"};
        line.insert(line.end(), more.begin(), more.begin() + 1);
        for (const std::string& a : {std::string("--server"), address, std::string("--user"), user,
                                     std::string("--password-file"), pwFile})
            line.push_back(a);
        if (!ca.empty()) {
            line.push_back("--ca");
            line.push_back(ca);
        }
        line.insert(line.end(), more.begin() + 1, more.end());
        return line;
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
        auto line = As("team", teamPw, ca, more);
        line.push_back("--database");
        line.push_back("teamdb");
        return RunTessalyLimited(line);
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
        {As("team", wrongPw, ca, contact), 1, "(1045)"},
        {As("team", teamPw, server->untrustedCaFile(), contact), 1, "certificate"},
        {{"mail", "lists", "--server", "127.0.0.1:1", "--user", "team", "--password-file", teamPw,
          "L"},
         1,
         "127.0.0.1:1"},
        {{"mail", "lists", "--server", address, "L"}, 1, "--server needs --user"},
        {{"mail", "lists", "--server", address, "--user", "team", "--db", "/tmp", "L"},
         1,
         "either --db or --server"},
        {{"mail", "lists", "L"}, 1, "either --db or --server"},
        {{"mail", "lists", "--server", "db:http", "--user", "team", "L"}, 1, "not a number"},
    });
    for (const std::string& user : {"team", "root"}) {
        const RunResult r = RunTessalyLimited(As(user, wrongPw, ca, contact));
        EXPECT_EQ(r.err.find("not-The-Password"), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace tessaly::testing
