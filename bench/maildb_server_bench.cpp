// The mail database on a shared server: VerifyMailAddress on a 50-entry field against 100,000
// contacts over TCP and TLS against the embedded server in the same run, one statement's round
// trip on each, and the throughput of eight client processes doing the mixed load.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTextEdit>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>
#include <tessaly/maildb.h>

#include "contact_data.h"
#include "support/mail_database.h"
#include "support/mail_server.h"
#include "support/run.h"

extern char** environ;

namespace {

using tessaly::testing::TlsMailServer;

using tessaly::bench::ContactAddress;
using tessaly::bench::ContactName;
using tessaly::bench::kContacts;
using tessaly::bench::kMembers;

struct World {
    std::string root;
    std::unique_ptr<mysqlpp::Connection> embedded;
    std::unique_ptr<mysqlpp::Connection> remote;
    QTextEdit* field = nullptr;
};

// The same contacts, lists and members on a connection with the rights to write them.
void fill(mysqlpp::Connection& connection) {
    std::mt19937 random(7);
    tessaly::bench::FillContacts(connection, random);
}

World& world() {
    static World* w = [] {
        auto* w = new World;
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char arg0[] = "maildb_server_bench";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
        // The embedded server as verify_bench runs it: room for the 100,000 contacts.
        w->root = (std::filesystem::temp_directory_path() / "tessaly-bench-XXXXXX").string();
        mkdtemp(w->root.data());
        tessaly::maildb::StartEmbeddedServer(
            w->root + "/db",
            {"--innodb-buffer-pool-size=128M", "--innodb-flush-log-at-trx-commit=0"});
        w->embedded = tessaly::maildb::OpenEmbedded(w->root + "/db");
        fill(*w->embedded);
        TlsMailServer& server = TlsMailServer::Get();
        const std::string database = server.NewDatabase();
        fill(*server.Admin(database));
        w->remote = tessaly::maildb::ConnectServer(server.Settings(database));
        std::mt19937 random(11);
        std::uniform_int_distribution<int> any(0, kContacts - 1);
        QString html = "<b>Team; </b>";
        for (int k = 0; k < 24; ++k)
            html += QString::fromStdString(ContactName(any(random)) + "; " +
                                           ContactAddress(any(random)) + "; ");
        html += "x@y.org<b>; Club</b>";
        w->field = new QTextEdit;
        w->field->setHtml(html);
        tessaly::automation::SetMessageBoxHandler([](const auto& box) {
            std::fprintf(stderr, "message: %s\n", box.text.c_str());
            return 1;
        });
        return w;
    }();
    return *w;
}

void verify(benchmark::State& state, mysqlpp::Connection& connection) {
    for (auto _ : state) {
        CStringArray names, addresses;
        const int ok =
            VerifyMailAddress(CWnd::HandleOf(world().field), connection, names, addresses, nullptr);
        if (!ok || names.GetSize() != 2 * kMembers + 49) state.SkipWithError("verification failed");
    }
}

void BM_VerifyEmbedded(benchmark::State& state) {
    verify(state, *world().embedded);
}
void BM_VerifyTcpTls(benchmark::State& state) {
    verify(state, *world().remote);
}

// One statement there and back: a row by primary key under its table lock, as the member
// look-ups do.
void roundTrip(benchmark::State& state, mysqlpp::Connection& connection) {
    mysqlpp::Query q = connection.query();
    for (auto _ : state) {
        q.exec("LOCK TABLES `MainAddr` READ");
        benchmark::DoNotOptimize(q.store("select * from `MainAddr` where `RecordID`='C4711';"));
        q.exec("UNLOCK TABLES ");
    }
    state.counters["statements"] = benchmark::Counter(3.0 * state.iterations());
}
void BM_StatementRoundTripEmbedded(benchmark::State& state) {
    roundTrip(state, *world().embedded);
}
void BM_StatementRoundTripTcpTls(benchmark::State& state) {
    roundTrip(state, *world().remote);
}

// Eight `tessaly mail load` processes, OPERATIONS each, on a fresh database of the TLS server.
void BM_EightClientMixedLoad(benchmark::State& state) {
    TlsMailServer& server = TlsMailServer::Get();
    const int operations = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const std::string database = server.NewDatabase();
        std::vector<pid_t> pids;
        for (int i = 0; i < 8; ++i) {
            std::vector<std::string> args = {tessaly::testing::TessalyProgram(),
                                             "mail",
                                             "load",
                                             "--server",
                                             "127.0.0.1:" + std::to_string(server.port()),
                                             "--user",
                                             TlsMailServer::kUser,
                                             "--password-file",
                                             server.passwordFile(),
                                             "--ca",
                                             server.caFile(),
                                             "--database",
                                             database,
                                             "--client",
                                             std::to_string(i),
                                             "--operations",
                                             std::to_string(operations)};
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
            pid_t pid = 0;
            posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
            posix_spawn_file_actions_destroy(&actions);
            pids.push_back(pid);
        }
        for (pid_t pid : pids) {
            int status = 0;
            waitpid(pid, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                state.SkipWithError("a client failed");
        }
    }
    state.counters["operations/s"] =
        benchmark::Counter(8.0 * operations * state.iterations(), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_VerifyEmbedded)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_VerifyTcpTls)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StatementRoundTripEmbedded)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(BM_StatementRoundTripTcpTls)->Unit(benchmark::kMicrosecond)->MinTime(2);
BENCHMARK(BM_EightClientMixedLoad)
    ->Arg(1000)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    World& w = world();
    w.remote.reset();
    w.embedded.reset();
    tessaly::maildb::StopEmbeddedServer();
    std::filesystem::remove_all(w.root);
    return 0;
}
