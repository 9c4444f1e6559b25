// Mail clients at once on the shared TLS server: the contents are those of some serial order;
// a server stopped mid-run gives message 66 in each client and leaves no half-written row.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/mail_database.h"
#include "support/mail_server.h"
#include "support/run.h"

namespace tessaly::testing {
namespace {

// What a file holds, line by line.
std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A `tessaly mail load` process, its output to a file (its errors to that.err).
struct Client {
    std::string output;
    std::future<RunResult> run;
};

class SharedLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (MariadbServerProgram().empty()) GTEST_SKIP() << "mariadbd is not installed";
        if (access(TessalyProgram().c_str(), X_OK) != 0) GTEST_SKIP() << "tessaly is not built";
        StartTestEmbeddedServer();
        server = &TlsMailServer::Get();
        database = server->NewDatabase();
    }

    // Client index's operations, killed after seconds (status 124 or 137).
    Client Start(int index, int operations, int seconds) {
        Client c{server->folder() + "/" + database + "-" + std::to_string(index), {}};
        std::vector<std::string> line = {"sh", "-c",
                                         "exec timeout -k 5 \"$@\" >\"$0\" 2>\"$0.err\""};
        line.insert(line.end(),
                    {c.output, std::to_string(seconds), TessalyProgram(), "mail", "load",
                     "--server", "127.0.0.1:" + std::to_string(server->port()), "--user",
                     TlsMailServer::kUser, "--password-file", server->passwordFile(), "--ca",
                     server->caFile(), "--database", database, "--client", std::to_string(index),
                     "--operations", std::to_string(operations)});
        c.run = std::async(std::launch::async, [line] { return RunProgram(line); });
        return c;
    }

    // The rows, one a line, columns between bars.
    std::string Rows(const std::string& query) {
        std::string rows;
        for (const mysqlpp::Row& row : server->Admin(database)->query(query).store())
            for (std::size_t i = 0; i < row.size(); ++i)
                rows +=
                    std::string(row[i].data(), row[i].length()) + (i + 1 < row.size() ? "|" : "\n");
        return rows;
    }

    TlsMailServer* server = nullptr;
    std::string database;
};

// Eight clients, mixed operations (a thousand each in the "load" case): every process ends,
// each result is what a serial run gives, and so are the contents.
TEST_F(SharedLoadTest, EightClientsEndWithTheContentsOfASerialRun) {
    const char* given = std::getenv("TESSALY_LOAD_OPERATIONS");
    const int operations = given ? std::atoi(given) : 150;
    std::vector<Client> clients;
    for (int i = 0; i < 8; ++i)
        clients.push_back(Start(i, operations, 150));
    // Every member of a stored list resolves; a verification finds three members, two contacts.
    const std::regex result(R"(add \d+ (1|0|race)|(list|rename) \S+ .+|members \S+ 3|)"
                            R"(resolve \S+ 1 3|verify 1 5|done)");
    std::set<int> added, present;             // contacts added (result 1) and known to exist
    std::map<std::string, std::string> lists; // key -> the owner's last name for it
    for (Client& c : clients) {
        EXPECT_EQ(c.run.get().status, 0) << "client did not finish: " << c.output;
        const auto lines = linesOf(c.output);
        int members = 0; // a line of its own after an operation
        for (const std::string& line : lines) {
            EXPECT_TRUE(std::regex_match(line, result)) << line;
            std::istringstream in(line);
            std::string kind, a, b, rest;
            in >> kind >> a >> b;
            std::getline(in, rest);
            if (kind == "add") present.insert(std::stoi(a));
            if (kind == "add" && b == "1" && !added.insert(std::stoi(a)).second)
                ADD_FAILURE() << "added twice: " << line;
            if (kind == "list" || kind == "rename") lists[a] = b + rest;
            members += kind == "members";
        }
        EXPECT_EQ(lines.size(), operations + 1u + members) << c.output;
    }
    // Every contact tried is there exactly once.
    EXPECT_EQ(added, present);
    EXPECT_EQ(Rows("select count(*) from MainAddr"), std::to_string(added.size()) + "\n");
    EXPECT_EQ(Rows("select upper(Name) from MainAddr group by 1 having count(*) > 1"), "");
    // Lists: all there under their owner's last name, three members each, no stray member.
    std::string expected;
    for (const auto& [key, name] : lists)
        expected += key + "|" + name + "\n";
    EXPECT_EQ(Rows("select RecordID, LstName from DistList order by cast(RecordID as binary)"),
              expected);
    EXPECT_EQ(Rows("select LstRec from DistMembers group by 1 having count(*) <> 3"), "");
    const std::string memberRows = std::to_string(3 * lists.size());
    EXPECT_EQ(Rows("select count(*), count(l.RecordID) from DistMembers m left join DistList l on "
                   "l.RecordID = m.LstRec"),
              memberRows + "|" + memberRows + "\n");
}

// The server stops under four clients: each ends on message 66 (the client library's text and
// number, no password); restarted, it holds whole rows, and only unconfirmed lists lack members.
TEST_F(SharedLoadTest, AServerStoppedMidRunGivesMessage66AndNoHalfRows) {
    std::vector<Client> clients;
    for (int i = 0; i < 4; ++i)
        clients.push_back(Start(10 + i, 1000000, 180));
    const auto started = std::chrono::steady_clock::now();
    for (const Client& c : clients)
        while (linesOf(c.output).size() < 30 &&
               std::chrono::steady_clock::now() - started < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server->Stop();
    // A service's statement shows message 66; the members are the command's own statement.
    const std::regex message(R"(message \w+ Error: (.+) \((\d+)\)\.)"),
        own(R"(message members (.+) \((\d+)\))");
    std::set<std::string> unfinished; // lists created, their members not confirmed
    for (Client& c : clients) {
        EXPECT_EQ(c.run.get().status, 1) << c.output;
        const auto lines = linesOf(c.output);
        const auto said = linesOf(c.output + ".err");
        ASSERT_FALSE(lines.empty() || said.empty()) << c.output;
        std::smatch m;
        const bool members = lines.back().rfind("message members ", 0) == 0;
        ASSERT_TRUE(std::regex_match(lines.back(), m, members ? own : message)) << lines.back();
        EXPECT_GE(std::stoi(m[2]), 1000) << lines.back(); // a server or client error number
        EXPECT_EQ(said.back().rfind("tessaly: mail: stopped by a database error: ", 0), 0u);
        for (const std::string& text : {lines.back(), said.back()})
            EXPECT_EQ(text.find(TlsMailServer::kPassword), std::string::npos);
        for (const std::string& line : lines) {
            std::istringstream in(line);
            std::string kind, key;
            in >> kind >> key;
            if (kind == "list") unfinished.insert(key);
            if (kind == "members") unfinished.erase(key);
        }
    }
    server->Start();
    EXPECT_EQ(Rows("select count(*) from MainAddr where Name is null or Address is null or "
                   "first_dt is null or hot <> -1"),
              "0\n");
    std::istringstream halfWritten(Rows("select l.RecordID from DistList l left join DistMembers m "
                                        "on m.LstRec = l.RecordID group by l.RecordID "
                                        "having count(m.RecordID) <> 3"));
    for (std::string key; std::getline(halfWritten, key);)
        EXPECT_TRUE(unfinished.count(key)) << "list " << key << " is half-written";
    EXPECT_LE(unfinished.size(), clients.size());
}

} // namespace
} // namespace tessaly::testing
