// The registry against the same statements prepared straight on SQLite, on the same hive file
// with the same journal mode and synchronisation: 100,000 reads of existing values and 10,000
// writes (one transaction each, as the store does), through the platform's Reg* functions on
// an open key and through the exported helpers that open the key for each call.
#include <benchmark/benchmark.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/foundation.h>

#include "platform/prefix.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;
namespace pf = tessaly::platform;

constexpr int kValues = 1000;
constexpr int kReads = 100000;
constexpr int kWrites = 10000;
constexpr const char* kKey = "Software\\Bench\\Values";
const std::vector<std::string> kPath = {"SOFTWARE", "BENCH", "VALUES"};

std::string valueName(int i) {
    return "Value" + std::to_string(i);
}

struct World {
    std::string root;
    HKEY key = nullptr;
    sqlite3* db = nullptr;
    sqlite3_int64 keyId = 0;
};

// One prepared statement, reset after each use.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v3(db, sql, -1, 0, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    sqlite3_stmt* operator*() const { return stmt_; }
    int Step() { return sqlite3_step(stmt_); }
    void Reset() { sqlite3_reset(stmt_); }

  private:
    sqlite3_stmt* stmt_ = nullptr;
};

World& world() {
    static World* w = [] {
        auto* w = new World;
        w->root = (fs::temp_directory_path() / "tessaly-registry-XXXXXX").string();
        if (!mkdtemp(w->root.data())) std::perror("mkdtemp");
        setenv("TESSALY_PREFIX", w->root.c_str(), 1);
        pf::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, pf::KEY_ALL_ACCESS, nullptr,
                            &w->key, nullptr);
        for (int i = 0; i < kValues; ++i) {
            std::string data = "the data of value " + std::to_string(i);
            pf::RegSetValueExA(w->key, valueName(i).c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data.c_str()),
                               static_cast<DWORD>(data.size() + 1));
        }
        // The same hive file, journal mode and synchronisation as the store's own connection.
        sqlite3_open_v2((w->root + "/user.reg.db").c_str(), &w->db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(w->db, 60000);
        sqlite3_exec(w->db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                     nullptr);
        Statement child(w->db, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
        w->keyId = 1;
        for (const std::string& part : kPath) {
            sqlite3_bind_int64(*child, 1, w->keyId);
            sqlite3_bind_blob(*child, 2, part.data(), int(part.size()), SQLITE_STATIC);
            if (child.Step() == SQLITE_ROW) w->keyId = sqlite3_column_int64(*child, 0);
            child.Reset();
        }
        return w;
    }();
    return *w;
}

std::string folded(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

std::vector<std::string> names(const char* prefix, int count, bool fold) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        std::string name = prefix + std::to_string(i);
        out.push_back(fold ? folded(name) : name);
    }
    return out;
}

// ---- reads ----

void BM_RegQueryValueEx(benchmark::State& state) {
    World& w = world();
    const auto all = names("Value", kValues, false);
    char buffer[256];
    for (auto _ : state)
        for (int i = 0; i < kReads; ++i) {
            DWORD type = 0, size = sizeof buffer;
            if (pf::RegQueryValueExA(w.key, all[i % kValues].c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(buffer), &size) != 0)
                state.SkipWithError("read failed");
        }
}

void BM_SqliteValueSelect(benchmark::State& state) {
    World& w = world();
    const auto all = names("Value", kValues, true);
    Statement select(w.db, "SELECT name, type, data FROM vals WHERE key = ? AND folded = ?");
    char buffer[256];
    for (auto _ : state)
        for (int i = 0; i < kReads; ++i) {
            const std::string& name = all[i % kValues];
            sqlite3_bind_int64(*select, 1, w.keyId);
            sqlite3_bind_blob(*select, 2, name.data(), int(name.size()), SQLITE_STATIC);
            if (select.Step() != SQLITE_ROW) state.SkipWithError("read failed");
            std::memcpy(buffer, sqlite3_column_blob(*select, 2),
                        size_t(sqlite3_column_bytes(*select, 2)));
            benchmark::DoNotOptimize(buffer);
            select.Reset();
        }
}

// The exported helper opens the key by its path, reads and closes it.
void BM_GetRegistryStringValue(benchmark::State& state) {
    world();
    const auto all = names("Value", kValues, false);
    for (auto _ : state)
        for (int i = 0; i < kReads; ++i) {
            CString text;
            if (!GetRegistryStringValue(HKEY_CURRENT_USER, kKey, all[i % kValues].c_str(), text))
                state.SkipWithError("read failed");
        }
}

// The same on SQLite: the key found by its path, one component at a time, then the value.
void BM_SqlitePathAndValueSelect(benchmark::State& state) {
    World& w = world();
    const auto all = names("Value", kValues, true);
    Statement child(w.db, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
    Statement select(w.db, "SELECT name, type, data FROM vals WHERE key = ? AND folded = ?");
    for (auto _ : state)
        for (int i = 0; i < kReads; ++i) {
            sqlite3_int64 id = 1;
            for (const std::string& part : kPath) {
                sqlite3_bind_int64(*child, 1, id);
                sqlite3_bind_blob(*child, 2, part.data(), int(part.size()), SQLITE_STATIC);
                if (child.Step() == SQLITE_ROW) id = sqlite3_column_int64(*child, 0);
                child.Reset();
            }
            const std::string& name = all[i % kValues];
            sqlite3_bind_int64(*select, 1, id);
            sqlite3_bind_blob(*select, 2, name.data(), int(name.size()), SQLITE_STATIC);
            if (select.Step() != SQLITE_ROW) state.SkipWithError("read failed");
            std::string text(static_cast<const char*>(sqlite3_column_blob(*select, 2)));
            benchmark::DoNotOptimize(text);
            select.Reset();
        }
}

// ---- writes: one transaction each ----

void BM_RegSetValueEx(benchmark::State& state) {
    World& w = world();
    const auto all = names("Written", 100, false);
    for (auto _ : state)
        for (int i = 0; i < kWrites; ++i) {
            std::string data = "written " + std::to_string(i);
            if (pf::RegSetValueExA(w.key, all[i % 100].c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>(data.size() + 1)) != 0)
                state.SkipWithError("write failed");
        }
}

// What a write is on the store: the value put in and the key's last-write time moved.
void BM_SqliteValueUpsert(benchmark::State& state) {
    World& w = world();
    const auto all = names("Written", 100, false);
    const auto keys = names("Written", 100, true);
    Statement begin(w.db, "BEGIN IMMEDIATE"), commit(w.db, "COMMIT");
    Statement upsert(w.db, "INSERT INTO vals(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?)"
                           " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type,"
                           " data = excluded.data");
    Statement touch(w.db, "UPDATE keys SET written = ? WHERE id = ?");
    for (auto _ : state)
        for (int i = 0; i < kWrites; ++i) {
            std::string data = "written " + std::to_string(i);
            begin.Step();
            begin.Reset();
            sqlite3_bind_int64(*upsert, 1, w.keyId);
            sqlite3_bind_blob(*upsert, 2, all[i % 100].data(), int(all[i % 100].size()),
                              SQLITE_STATIC);
            sqlite3_bind_blob(*upsert, 3, keys[i % 100].data(), int(keys[i % 100].size()),
                              SQLITE_STATIC);
            sqlite3_bind_int64(*upsert, 4, REG_SZ);
            sqlite3_bind_blob(*upsert, 5, data.c_str(), int(data.size() + 1), SQLITE_STATIC);
            if (upsert.Step() != SQLITE_DONE) state.SkipWithError("write failed");
            upsert.Reset();
            sqlite3_bind_int64(*touch, 1,
                               std::chrono::system_clock::now().time_since_epoch().count());
            sqlite3_bind_int64(*touch, 2, w.keyId);
            touch.Step();
            touch.Reset();
            if (commit.Step() != SQLITE_DONE) state.SkipWithError("commit failed");
            commit.Reset();
        }
}

void BM_SetStringRegistry(benchmark::State& state) {
    world();
    const auto all = names("Written", 100, false);
    for (auto _ : state)
        for (int i = 0; i < kWrites; ++i)
            if (SetStringRegistry(HKEY_CURRENT_USER, kKey, all[i % 100].c_str(), REG_SZ,
                                  CString(("written " + std::to_string(i)).c_str())) != 0)
                state.SkipWithError("write failed");
}

} // namespace

BENCHMARK(BM_RegQueryValueEx)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqliteValueSelect)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GetRegistryStringValue)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqlitePathAndValueSelect)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegSetValueEx)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SqliteValueUpsert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SetStringRegistry)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    World& w = world();
    sqlite3_close(w.db);
    pf::RegCloseKey(w.key);
    fs::remove_all(w.root);
    return 0;
}
