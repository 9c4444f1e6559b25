// Several mail clients at once on the shared TLS server: the services' table locks keep the
// contents those of some serial order; a server stopped mid-run gives message 66 in every
// running client and leaves no half-written row.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
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

extern char** environ;

namespace tessaly::testing {
namespace {

struct Client {
    pid_t pid = 0;
    std::string output;
};

// What one client wrote, line by line.
std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class SharedLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (MariadbServerProgram().empty()) GTEST_SKIP() << "mariadbd is not installed";
        if (access(TessalyProgram().c_str(), X_OK) != 0) GTEST_SKIP() << "tessaly is not built";
        StartTestEmbeddedServer();
        server = &TlsMailServer::Get();
        database = server->NewDatabase();
    }

    Client Start(int index, int operations) {
        Client c;
        c.output = server->folder() + "/client-" + database + "-" + std::to_string(index) + ".out";
        std::vector<std::string> args = {TessalyProgram(),
                                         "mail",
                                         "load",
                                         "--server",
                                         "127.0.0.1:" + std::to_string(server->port()),
                                         "--user",
                                         TlsMailServer::kUser,
                                         "--password-file",
                                         server->passwordFile(),
                                         "--ca",
                                         server->caFile(),
                                         "--database",
                                         database,
                                         "--client",
                                         std::to_string(index),
                                         "--operations",
                                         std::to_string(operations)};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, c.output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (c.output + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(posix_spawn(&c.pid, args[0].c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return c;
    }

    // The exit status, or -1 when the client had to be killed after the time limit.
    static int Wait(const Client& c, std::chrono::steady_clock::time_point deadline) {
        int status = 0;
        while (waitpid(c.pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(c.pid, SIGKILL);
                waitpid(c.pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> Rows(const std::string& query) {
        std::vector<std::string> rows;
        for (const mysqlpp::Row& row : server->Admin(database)->query(query).store()) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i)
                line += (i ? "|" : "") + std::string(row[i].data(), row[i].length());
            rows.push_back(line);
        }
        return rows;
    }

    TlsMailServer* server = nullptr;
    std::string database;
};

int operationsPerClient() {
    const char* value = std::getenv("TESSALY_LOAD_OPERATIONS");
    return value ? std::atoi(value) : 150;
}

// Eight clients, mixed operations (a thousand each in the "load" case): every process ends,
// and the contents are those of the same operations run one after another.
TEST_F(SharedLoadTest, EightClientsEndWithTheContentsOfASerialRun) {
    const int operations = operationsPerClient();
    const auto began = std::chrono::steady_clock::now();
    std::vector<Client> clients;
    for (int i = 0; i < 8; ++i)
        clients.push_back(Start(i, operations));
    const auto deadline = began + std::chrono::seconds(150);
    std::set<int> added, present;                 // contacts added (result 1) and known to exist
    int addedCount = 0, races = 0;                // successful adds; adds the server's key stopped
    std::map<std::string, std::string> finalName; // list key -> its owner's last name
    std::set<std::string> withMembers;
    int resolves = 0, verifies = 0;
    for (const Client& c : clients) {
        EXPECT_EQ(Wait(c, deadline), 0) << "client did not finish: " << c.output;
        const auto lines = linesOf(c.output);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), "done");
        EXPECT_EQ(
            static_cast<int>(lines.size()), operations + 1 + [&] {
                int members = 0;
                for (const auto& l : lines)
                    members += l.rfind("members ", 0) == 0;
                return members;
            }());
        for (const std::string& line : lines) {
            std::istringstream in(line);
            std::string kind, a, b, d;
            in >> kind >> a >> b;
            if (kind == "add") {
                present.insert(std::stoi(a));
                if (b == "1") {
                    added.insert(std::stoi(a));
                    ++addedCount;
                } else if (b == "race") {
                    ++races;
                }
            } else if (kind == "list" || kind == "rename") {
                std::getline(in, d);
                finalName[a] = b + d;
            } else if (kind == "members") {
                withMembers.insert(a);
            } else if (kind == "resolve") {
                ++resolves;
                EXPECT_EQ(b, "1") << line;
                in >> d;
                EXPECT_EQ(d, "3") << line; // every member of a stored list, none lost
            } else if (kind == "verify") {
                ++verifies;
                EXPECT_EQ(a, "1") << line;
                EXPECT_EQ(b, "5") << line; // three members and two contacts
            } else if (kind != "done") {
                ADD_FAILURE() << line;
            }
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    RecordProperty("seconds", std::to_string(seconds));
    std::printf("8 clients x %d operations in %.1f s (%.0f operations/s), %d duplicate races\n",
                operations, seconds, 8 * operations / seconds, races);
    // Every contact tried is there exactly once; each successful add made one row.
    EXPECT_EQ(added, present);
    EXPECT_EQ(addedCount, static_cast<int>(added.size()));
    EXPECT_EQ(Rows("select count(*) from MainAddr"),
              std::vector<std::string>{std::to_string(added.size())});
    EXPECT_TRUE(
        Rows("select upper(Name), count(*) from MainAddr group by 1 having count(*) > 1").empty());
    // Lists: all there under their owner's last name, three members each, no stray member.
    EXPECT_EQ(Rows("select count(*) from DistList"),
              std::vector<std::string>{std::to_string(finalName.size())});
    EXPECT_EQ(withMembers.size(), finalName.size());
    EXPECT_TRUE(Rows("select l.RecordID from DistList l left join DistMembers m on "
                     "m.LstRec = l.RecordID group by l.RecordID having count(m.RecordID) <> 3")
                    .empty());
    EXPECT_TRUE(Rows("select m.RecordID from DistMembers m left join DistList l on "
                     "l.RecordID = m.LstRec where l.RecordID is null")
                    .empty());
    int sampled = 0;
    for (const auto& [key, name] : finalName) {
        if (sampled++ % 7) continue; // a sample of the lists, by their keys
        EXPECT_EQ(Rows("select LstName from DistList where RecordID='" + key + "'"),
                  std::vector<std::string>{name});
    }
    EXPECT_GT(resolves, 0);
    EXPECT_GT(verifies, 0);
}

// The server stops while four clients work: each shows message 66 with the client library's
// text and number (never the password) and ends; after a restart, every row is whole and a
// list lacks its members only where the stop fell between its two statements.
TEST_F(SharedLoadTest, AServerStoppedMidRunGivesMessage66AndNoHalfRows) {
    std::vector<Client> clients;
    for (int i = 0; i < 4; ++i)
        clients.push_back(Start(10 + i, 1000000));
    const auto started = std::chrono::steady_clock::now();
    for (const Client& c : clients)
        while (linesOf(c.output).size() < 30 &&
               std::chrono::steady_clock::now() - started < std::chrono::seconds(60))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server->Stop();
    const std::regex message(R"(message \w+ Error: (.+) \((\d+)\)\.)");
    const std::regex ownError(R"(message members (.+) \((\d+)\))");
    std::set<std::string> unfinished; // lists created whose members were not confirmed
    std::set<std::string> confirmed;
    for (const Client& c : clients) {
        EXPECT_EQ(Wait(c, std::chrono::steady_clock::now() + std::chrono::seconds(60)), 1)
            << c.output;
        const auto lines = linesOf(c.output);
        ASSERT_FALSE(lines.empty());
        std::smatch m;
        // A service's statement shows message 66; the members are the command's own statement.
        const bool own = lines.back().rfind("message members ", 0) == 0;
        ASSERT_TRUE(own ? std::regex_match(lines.back(), m, ownError)
                        : std::regex_match(lines.back(), m, message))
            << lines.back();
        EXPECT_GE(std::stoi(m[2]), 1000) << lines.back(); // a server or client error number
        EXPECT_EQ(lines.back().find(TlsMailServer::kPassword), std::string::npos);
        const auto said = linesOf(c.output + ".err");
        ASSERT_FALSE(said.empty());
        EXPECT_EQ(said.back().rfind("tessaly: mail: stopped by a database error: ", 0), 0u);
        EXPECT_EQ(said.back().find(TlsMailServer::kPassword), std::string::npos);
        for (const std::string& line : lines) {
            std::istringstream in(line);
            std::string kind, key;
            in >> kind >> key;
            if (kind == "list") unfinished.insert(key);
            if (kind == "members") {
                unfinished.erase(key);
                confirmed.insert(key);
            }
        }
    }
    server->Start();
    EXPECT_EQ(Rows("select count(*) from MainAddr where Name is null or Address is null or "
                   "first_dt is null or hot <> -1"),
              std::vector<std::string>{"0"});
    for (const std::string& key : Rows("select l.RecordID from DistList l left join "
                                       "DistMembers m on m.LstRec = l.RecordID "
                                       "group by l.RecordID having count(m.RecordID) <> 3"))
        EXPECT_TRUE(unfinished.count(key)) << "list " << key << " is half-written";
    for (const std::string& key : confirmed)
        EXPECT_EQ(Rows("select count(*) from DistMembers where LstRec='" + key + "'"),
                  std::vector<std::string>{"3"});
    EXPECT_LE(unfinished.size(), clients.size());
}

} // namespace
} // namespace tessaly::testing
