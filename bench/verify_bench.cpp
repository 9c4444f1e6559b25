// Recipient verification against 100,000 contacts in the embedded server: VerifyMailAddress
// on a field of 50 entries (typed names, typed addresses, two lists of 100 members), and the
// same statements issued directly through the MariaDB C API on the same server.
#include <benchmark/benchmark.h>

#include <mysql.h>
#include <stdlib.h>

#include <QApplication>
#include <QTextEdit>

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

namespace {

namespace fs = std::filesystem;

using tessaly::bench::kContacts;
using tessaly::bench::kMembers;

struct World {
    std::string root;
    std::unique_ptr<mysqlpp::Connection> connection;
    MYSQL* direct = nullptr;
    QTextEdit* field = nullptr;
    std::vector<std::string> typedNames, typedAddresses;
};

World& world() {
    static World* w = [] {
        auto* w = new World;
        w->root = (fs::temp_directory_path() / "tessaly-bench-XXXXXX").string();
        mkdtemp(w->root.data());
        setenv("TESSALY_PREFIX", (w->root + "/prefix").c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char arg0[] = "verify_bench";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
        tessaly::maildb::StartEmbeddedServer(
            w->root + "/db",
            {"--innodb-buffer-pool-size=128M", "--innodb-flush-log-at-trx-commit=0"});
        w->connection = tessaly::maildb::OpenEmbedded(w->root + "/db");
        std::mt19937 random(7);
        tessaly::bench::FillContacts(*w->connection, random);
        std::uniform_int_distribution<int> any(0, kContacts - 1);
        // 50 entries: the two lists, 24 typed names, 24 typed addresses.
        QString html = "<b>Team; </b>";
        for (int k = 0; k < 24; ++k) {
            w->typedNames.push_back(tessaly::bench::ContactName(any(random)));
            w->typedAddresses.push_back(tessaly::bench::ContactAddress(any(random)));
            html += QString::fromStdString(w->typedNames.back() + "; " + w->typedAddresses.back() +
                                           "; ");
        }
        html += "x@y.org<b>; Club</b>"; // the separator before a list is bold in the field
        w->field = new QTextEdit;
        w->field->setHtml(html);

        w->direct = mysql_init(nullptr);
        mysql_options(w->direct, MYSQL_OPT_USE_EMBEDDED_CONNECTION, nullptr);
        mysql_options(w->direct, MYSQL_SET_CHARSET_NAME, "latin1");
        if (!mysql_real_connect(w->direct, nullptr, nullptr, nullptr, "mail", 0, nullptr, 0))
            std::fprintf(stderr, "direct connection: %s\n", mysql_error(w->direct));
        return w;
    }();
    return *w;
}

// One statement under its table lock, rows fetched and their columns read, as the library does.
int directRead(MYSQL* db, const char* table, const std::string& query) {
    std::string lock = std::string("LOCK TABLES `") + table + "` READ";
    mysql_real_query(db, lock.data(), lock.size());
    mysql_real_query(db, query.data(), query.size());
    MYSQL_RES* result = mysql_store_result(db);
    mysql_real_query(db, "UNLOCK TABLES ", 14);
    int rows = 0;
    if (!result) return 0;
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        benchmark::DoNotOptimize(row[0]);
        ++rows;
    }
    mysql_free_result(result);
    return rows;
}

std::string escape(MYSQL* db, const std::string& text) {
    std::string out(text.size() * 2 + 1, '\0');
    out.resize(mysql_real_escape_string(db, out.data(), text.data(), text.size()));
    return out;
}

void directList(MYSQL* db, const char* list) {
    directRead(db, "DistList",
               std::string("select * from `DistList` where upper(`LstName`)='") + list + "';");
    const std::string id = std::string(list) == "Team" ? "L1" : "L2";
    std::string q = "select * from `DistMembers` where `LstRec`='" + id + "';";
    std::string lock = "LOCK TABLES `DistMembers` READ";
    mysql_real_query(db, lock.data(), lock.size());
    mysql_real_query(db, q.data(), q.size());
    MYSQL_RES* members = mysql_store_result(db);
    mysql_real_query(db, "UNLOCK TABLES ", 14);
    while (MYSQL_ROW row = mysql_fetch_row(members))
        directRead(db, "MainAddr",
                   std::string("select * from `MainAddr` where `RecordID`='") + row[3] + "';");
    mysql_free_result(members);
}

void BM_VerifyMailAddress(benchmark::State& state) {
    World& w = world();
    tessaly::automation::SetMessageBoxHandler([](const auto& box) {
        std::fprintf(stderr, "message: %s\n", box.text.c_str());
        return 1;
    });
    for (auto _ : state) {
        CStringArray names, addresses;
        const int ok =
            VerifyMailAddress(CWnd::HandleOf(w.field), *w.connection, names, addresses, nullptr);
        if (!ok || names.GetSize() != 2 * kMembers + 49) state.SkipWithError("verification failed");
    }
}

void BM_SameLookupsThroughTheCApi(benchmark::State& state) {
    World& w = world();
    for (auto _ : state) {
        directList(w.direct, "Team");
        for (int k = 0; k < 24; ++k) {
            directRead(w.direct, "MainAddr",
                       "select * from `MainAddr` where upper(`Name`)='" +
                           escape(w.direct, w.typedNames[k]) + "';");
            directRead(w.direct, "MainAddr",
                       "select * from `MainAddr` where upper(`Address`)='" +
                           escape(w.direct, w.typedAddresses[k]) + "';");
        }
        directRead(w.direct, "MainAddr",
                   "select * from `MainAddr` where upper(`Address`)='x@y.org';");
        directList(w.direct, "Club");
    }
}

} // namespace

// Leaks inside the font configuration library reached through Qt are not ours.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

BENCHMARK(BM_VerifyMailAddress)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_SameLookupsThroughTheCApi)->Unit(benchmark::kMillisecond)->MinTime(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    World& w = world();
    mysql_close(w.direct);
    w.connection.reset();
    tessaly::maildb::StopEmbeddedServer();
    fs::remove_all(w.root);
    return 0;
}
