// The registry's SQLite hives: connections per database file, schema, transactions and the
// key tree operations.
#include "platform/registry_store.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/prefix.h"
#include "platform/shipped_classes.h"

namespace tessaly::platform::regstore {

namespace {

// Long enough for a writer holding the hive through thousands of small transactions.
constexpr int kBusyTimeoutMs = 60000;

std::map<std::string, std::unique_ptr<Store>>& Stores() {
    static auto* stores = new std::map<std::string, std::unique_ptr<Store>>;
    return *stores;
}

// A forked child must not use its parent's connections: SQLite's locks belong to the
// process that took them, and a connection of the child sharing the parent's lock records
// would believe it holds locks it does not. The child sets them aside at the fork (no
// SQLite call may run there) and closes them before it opens its own; the close finds the
// parent's locks and leaves the parent's files alone.
std::vector<std::unique_ptr<Store>>& inheritedStores() {
    static auto* inherited = new std::vector<std::unique_ptr<Store>>;
    return *inherited;
}

void setStoresAsideInChild() {
    for (auto& [path, store] : Stores()) {
        store->MarkInherited();
        inheritedStores().push_back(std::move(store));
    }
    Stores().clear();
}

// Connections stay open for the process's life, but a process that goes through many
// prefixes (a test program) keeps only the most recently used ones.
constexpr size_t kMaxOpenStores = 16;
std::uint64_t useCounter = 0;

std::once_flag atforkOnce;

// Commits to machine hives and connections opened by this process, so the code page knows
// at once when it must look at the registry again.
std::atomic<std::uint64_t> localChanges{0};

bool isMachineHive(const std::string& path) {
    static const std::string name = "/system.reg.db";
    return path.size() >= name.size() &&
           path.compare(path.size() - name.size(), name.size(), name) == 0;
}

// Names are folded here while no transaction is open: the code page's rules may read the
// registry themselves, and a fold needed while folding (the code page's own key) is ASCII.
thread_local bool folding = false;

// A prepared statement for one use: reset when it goes out of scope so that no read
// snapshot outlives the transaction.
class Query {
  public:
    Query(Store& s, const char* sql) : stmt_(s.Prepare(sql)), db_(s.db()) {}
    ~Query() {
        if (stmt_) sqlite3_reset(stmt_);
    }
    bool ok() const { return stmt_ != nullptr; }
    Query& Int(int index, std::int64_t v) {
        if (stmt_) sqlite3_bind_int64(stmt_, index, v);
        return *this;
    }
    Query& Bytes(int index, std::string_view v) {
        // A zero-length blob, never NULL, for empty names and data.
        if (stmt_)
            sqlite3_bind_blob(stmt_, index, v.data() ? v.data() : "", int(v.size()),
                              SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return stmt_ ? sqlite3_step(stmt_) : sqlite3_errcode(db_); }
    std::int64_t ColInt(int col) const { return sqlite3_column_int64(stmt_, col); }
    std::string ColBytes(int col) const {
        const void* p = sqlite3_column_blob(stmt_, col);
        int n = sqlite3_column_bytes(stmt_, col);
        return p ? std::string(static_cast<const char*>(p), size_t(n)) : std::string();
    }

  private:
    sqlite3_stmt* stmt_;
    sqlite3* db_;
};

LONG done(int rc) {
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? ERROR_SUCCESS : ErrorFromSqlite(rc);
}

int execRetrying(sqlite3* db, const char* sql) {
    int rc = SQLITE_OK;
    for (int attempt = 0; attempt < 600; ++attempt) {
        rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        usleep(50000);
    }
    return rc;
}

// The hive header's user version once the tables exist and, in a machine hive, every shipped
// class has been given: an open that finds it skips the write transaction that would make
// them, which is most of what opening costs when the library loads. A library whose tables
// or shipped classes differ has another stamp and runs that transaction once more.
constexpr std::uint32_t kSchemaVersion = 1;

std::int32_t schemaStamp(bool machineHive) {
    std::uint32_t hash = 2166136261u ^ kSchemaVersion; // FNV-1a
    if (machineHive)
        for (const ShippedClass& row : ShippedClasses())
            for (const char* c = row.clsid; *c; ++c)
                hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    return static_cast<std::int32_t>((hash & 0x7fffffffu) | 1u); // never 0, a new file's
}

std::int32_t userVersion(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    std::int32_t version = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

void readKey(const Query& q, KeyInfo& info) {
    info.id = q.ColInt(0);
    info.parent = q.ColInt(1);
    info.depth = int(q.ColInt(2));
    info.name = q.ColBytes(3);
    info.written = q.ColInt(4);
}

void readValue(const Query& q, ValueRecord& value) {
    value.name = q.ColBytes(0);
    value.type = DWORD(q.ColInt(1));
    value.data = q.ColBytes(2);
}

// A new hive is its owner's alone, unless the prefix folder was shared deliberately: the
// file takes the folder's read and write bits for group and others (SQLite gives its -wal
// and -shm files the database file's mode).
void createHiveFile(const std::string& path) {
    struct stat folder;
    std::string dir = path.substr(0, path.find_last_of('/') + 1);
    mode_t mode = 0600;
    if (!dir.empty() && stat(dir.c_str(), &folder) == 0) mode |= folder.st_mode & 0066;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) return;
    fchmod(fd, mode); // not narrowed by the umask
    close(fd);
}

} // namespace

void CloseStores() {
    Stores().clear();
}

std::string FoldName(std::string_view name) {
    std::string folded(name);
    bool ascii = true;
    for (char c : folded)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii || folding) {
        for (char& c : folded)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return folded;
    }
    folding = true;
    AnsiUpper(folded);
    folding = false;
    return folded;
}

LONG SplitPath(const char* path, std::vector<PathPart>& parts) {
    parts.clear();
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        size_t slash = rest.find('\\');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty()) continue;
        if (part.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
        parts.push_back({std::string(part), FoldName(part)});
    }
    return ERROR_SUCCESS;
}

LONG ErrorFromSqlite(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return ERROR_SUCCESS;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_REGISTRY_IO_FAILED; // busy beyond the timeout, I/O errors, cannot open
    }
}

std::string Store::MachinePath() {
    return EnsurePrefix() + "/system.reg.db";
}
std::string Store::UserPath() {
    return EnsurePrefix() + "/user.reg.db";
}

Store* Store::Open(const std::string& path, LONG& error) {
    std::call_once(atforkOnce, [] { pthread_atfork(nullptr, nullptr, setStoresAsideInChild); });
    error = ERROR_SUCCESS;
    inheritedStores().clear();
    auto& stores = Stores();
    if (auto it = stores.find(path); it != stores.end()) {
        it->second->lastUse_ = ++useCounter;
        return it->second.get();
    }

    // A hive of a prefix that cannot be used fails with the prefix's reason.
    std::string root;
    if (int err = PreparePrefix(root); err && path.rfind(root + "/", 0) == 0) {
        error = LONG(ErrorFromErrno(err));
        return nullptr;
    }
    std::unique_ptr<Store> store(new Store);
    store->path_ = path;
    createHiveFile(path);
    int rc = sqlite3_open_v2(path.c_str(), &store->db_,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        // A prefix that cannot be used says why (access denied, path not found).
        int err = store->db_ ? sqlite3_system_errno(store->db_) : 0;
        error = err ? LONG(ErrorFromErrno(err)) : ErrorFromSqlite(rc);
        return nullptr;
    }
    sqlite3_busy_timeout(store->db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(store->db_, 1);
    // WAL: readers never wait for the writer, and a writer killed half-way leaves the
    // last committed state. NORMAL synchronisation is safe against a killed process.
    rc = execRetrying(store->db_, "PRAGMA journal_mode=WAL");
    if (rc == SQLITE_OK) rc = execRetrying(store->db_, "PRAGMA synchronous=NORMAL");
    const bool machineHive = isMachineHive(path);
    const std::int32_t stamp = schemaStamp(machineHive);
    if (rc == SQLITE_OK && userVersion(store->db_) != stamp) {
        rc = execRetrying(store->db_, "BEGIN IMMEDIATE;"
                                      "CREATE TABLE IF NOT EXISTS keys("
                                      " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                      " parent INTEGER NOT NULL,"
                                      " depth INTEGER NOT NULL,"
                                      " name BLOB NOT NULL,"
                                      " folded BLOB NOT NULL,"
                                      " written INTEGER NOT NULL DEFAULT 0,"
                                      " UNIQUE(parent, folded));"
                                      "CREATE TABLE IF NOT EXISTS vals("
                                      " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                                      " key INTEGER NOT NULL,"
                                      " name BLOB NOT NULL,"
                                      " folded BLOB NOT NULL,"
                                      " type INTEGER NOT NULL,"
                                      " data BLOB NOT NULL,"
                                      " UNIQUE(key, folded));"
                                      "INSERT OR IGNORE INTO keys(id, parent, depth, name, folded)"
                                      " VALUES(1, 0, 0, x'', x'');");
        // The suite's classes go into the same transaction; a failure there leaves the hive
        // usable without them, and unstamped so that the next open tries again.
        bool shipped = true;
        if (rc == SQLITE_OK && machineHive) {
            rc = sqlite3_exec(store->db_, "SAVEPOINT shipped", nullptr, nullptr, nullptr);
            shipped = rc == SQLITE_OK && WriteShippedClasses(*store) == ERROR_SUCCESS;
            if (rc == SQLITE_OK)
                rc = sqlite3_exec(store->db_,
                                  shipped ? "RELEASE shipped"
                                          : "ROLLBACK TO shipped; RELEASE shipped",
                                  nullptr, nullptr, nullptr);
        }
        if (rc == SQLITE_OK && shipped) {
            const std::string setStamp = "PRAGMA user_version=" + std::to_string(stamp);
            rc = sqlite3_exec(store->db_, setStamp.c_str(), nullptr, nullptr, nullptr);
        }
        if (rc == SQLITE_OK) rc = execRetrying(store->db_, "COMMIT");
        if (rc != SQLITE_OK) sqlite3_exec(store->db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        error = ErrorFromSqlite(rc);
        return nullptr;
    }
    Store* raw = store.get();
    raw->lastUse_ = ++useCounter;
    localChanges.fetch_add(1, std::memory_order_release);
    stores.emplace(path, std::move(store));
    if (stores.size() > kMaxOpenStores) {
        auto oldest = stores.begin();
        for (auto it = stores.begin(); it != stores.end(); ++it)
            if (it->second->lastUse_ < oldest->second->lastUse_) oldest = it;
        stores.erase(oldest);
    }
    return raw;
}

Store::~Store() {
    for (auto& c : statements_)
        sqlite3_finalize(c.stmt);
    if (db_ && !inherited_) {
        // The newest writes sit in the -wal file until a checkpoint: move them into the
        // hive file, waiting only briefly for readers of other processes.
        sqlite3_busy_timeout(db_, 1000);
        sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    }
    if (db_) sqlite3_close_v2(db_);
}

sqlite3_stmt* Store::Prepare(const char* sql) {
    for (auto& c : statements_)
        if (c.sql == sql) {
            sqlite3_reset(c.stmt);
            sqlite3_clear_bindings(c.stmt);
            return c.stmt;
        }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
        return nullptr;
    statements_.push_back({sql, stmt});
    return stmt;
}

namespace {

// ExecRetrying through the store's prepared statement: a transaction's bounds are most of
// the work of a small registry call when they are parsed each time.
int stepRetrying(Store& store, const char* sql) {
    sqlite3_stmt* stmt = store.Prepare(sql);
    if (!stmt) return execRetrying(store.db(), sql);
    int rc = SQLITE_OK;
    for (int attempt = 0; attempt < 600; ++attempt) {
        rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED) break;
        usleep(50000);
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

} // namespace

Transaction::Transaction(Store& store, bool write) : store_(store) {
    int rc = stepRetrying(store_, write ? "BEGIN IMMEDIATE" : "BEGIN");
    open_ = rc == SQLITE_OK;
    status_ = ErrorFromSqlite(rc);
}

Transaction::~Transaction() {
    if (open_) stepRetrying(store_, "ROLLBACK");
}

LONG Transaction::Commit() {
    if (!open_) return status_;
    int rc = stepRetrying(store_, "COMMIT");
    if (rc != SQLITE_OK) return ErrorFromSqlite(rc); // the destructor rolls back
    open_ = false;
    if (isMachineHive(store_.path())) localChanges.fetch_add(1, std::memory_order_release);
    return ERROR_SUCCESS;
}

std::uint64_t LocalChanges() {
    return localChanges.load(std::memory_order_acquire);
}

std::int64_t FileTimeNow() {
    using namespace std::chrono;
    auto ns = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return ns / 100 + 116444736000000000LL;
}

LONG GetKey(Store& s, std::int64_t id, KeyInfo& info) {
    Query q(s, "SELECT id, parent, depth, name, written FROM keys WHERE id = ?");
    int rc = q.Int(1, id).Step();
    if (rc == SQLITE_ROW) {
        readKey(q, info);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_KEY_DELETED : ErrorFromSqlite(rc);
}

LONG FindChild(Store& s, std::int64_t parent, const std::string& folded, std::int64_t& id) {
    Query q(s, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
    int rc = q.Int(1, parent).Bytes(2, folded).Step();
    if (rc == SQLITE_ROW) {
        id = q.ColInt(0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : ErrorFromSqlite(rc);
}

LONG CreateChild(Store& s, const KeyInfo& parent, const PathPart& part, std::int64_t& id) {
    if (parent.depth + 1 > kMaxDepth) return ERROR_BADKEY;
    Query q(s, "INSERT INTO keys(parent, depth, name, folded, written) VALUES(?, ?, ?, ?, ?)");
    int rc = q.Int(1, parent.id)
                 .Int(2, parent.depth + 1)
                 .Bytes(3, part.name)
                 .Bytes(4, part.folded)
                 .Int(5, FileTimeNow())
                 .Step();
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc);
    id = sqlite3_last_insert_rowid(s.db());
    Touch(s, parent.id);
    return ERROR_SUCCESS;
}

LONG WalkPath(Store& s, std::int64_t start, const std::vector<PathPart>& parts, bool create,
              std::int64_t& id, bool* created) {
    if (created) *created = false;
    id = start;
    for (const PathPart& part : parts) {
        std::int64_t child = 0;
        LONG rc = FindChild(s, id, part.folded, child);
        if (rc == ERROR_FILE_NOT_FOUND && create) {
            KeyInfo parent;
            if ((rc = GetKey(s, id, parent)) != ERROR_SUCCESS) return rc;
            rc = CreateChild(s, parent, part, child);
            if (created) *created = rc == ERROR_SUCCESS;
        } else if (created) {
            *created = false;
        }
        if (rc != ERROR_SUCCESS) return rc;
        id = child;
    }
    return ERROR_SUCCESS;
}

LONG CountChildren(Store& s, std::int64_t id, DWORD& count) {
    Query q(s, "SELECT count(*) FROM keys WHERE parent = ?");
    int rc = q.Int(1, id).Step();
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc);
    count = DWORD(q.ColInt(0));
    return ERROR_SUCCESS;
}

LONG ChildAt(Store& s, std::int64_t id, DWORD index, KeyInfo& child) {
    Query q(s, "SELECT id, parent, depth, name, written FROM keys WHERE parent = ?"
               " ORDER BY folded LIMIT 1 OFFSET ?");
    int rc = q.Int(1, id).Int(2, index).Step();
    if (rc == SQLITE_ROW) {
        readKey(q, child);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : ErrorFromSqlite(rc);
}

LONG ListChildren(Store& s, std::int64_t id, std::vector<KeyInfo>& children) {
    Query q(s, "SELECT id, parent, depth, name, written FROM keys WHERE parent = ?"
               " ORDER BY folded");
    q.Int(1, id);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        readKey(q, children.emplace_back());
    return done(rc);
}

LONG GetValue(Store& s, std::int64_t key, const std::string& folded, ValueRecord& value) {
    Query q(s, "SELECT name, type, data FROM vals WHERE key = ? AND folded = ?");
    int rc = q.Int(1, key).Bytes(2, folded).Step();
    if (rc == SQLITE_ROW) {
        readValue(q, value);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : ErrorFromSqlite(rc);
}

LONG ValueAt(Store& s, std::int64_t key, DWORD index, ValueRecord& value) {
    Query q(s, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
    int rc = q.Int(1, key).Int(2, index).Step();
    if (rc == SQLITE_ROW) {
        readValue(q, value);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : ErrorFromSqlite(rc);
}

LONG ListValues(Store& s, std::int64_t key, std::vector<ValueRecord>& values) {
    Query q(s, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY id");
    q.Int(1, key);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        readValue(q, values.emplace_back());
    return done(rc);
}

LONG SetValue(Store& s, std::int64_t key, std::string_view name, const std::string& folded,
              DWORD type, std::string_view data) {
    // An existing value keeps its place in the enumeration and the case of its name.
    Query q(s, "INSERT INTO vals(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?)"
               " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type,"
               " data = excluded.data");
    int rc = q.Int(1, key).Bytes(2, name).Bytes(3, folded).Int(4, type).Bytes(5, data).Step();
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc);
    Touch(s, key);
    return ERROR_SUCCESS;
}

LONG DeleteValue(Store& s, std::int64_t key, const std::string& folded) {
    Query q(s, "DELETE FROM vals WHERE key = ? AND folded = ?");
    int rc = q.Int(1, key).Bytes(2, folded).Step();
    if (rc != SQLITE_DONE) return ErrorFromSqlite(rc);
    if (sqlite3_changes(s.db()) == 0) return ERROR_FILE_NOT_FOUND;
    Touch(s, key);
    return ERROR_SUCCESS;
}

LONG DeleteTree(Store& s, std::int64_t id, bool self) {
    KeyInfo info;
    if (LONG rc = GetKey(s, id, info); rc != ERROR_SUCCESS) return rc;
    {
        Query q(s, "WITH RECURSIVE sub(id) AS (SELECT ? UNION ALL"
                   " SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id)"
                   " DELETE FROM vals WHERE key IN sub");
        if (int rc = q.Int(1, id).Step(); rc != SQLITE_DONE) return ErrorFromSqlite(rc);
    }
    {
        Query q(s, "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ? UNION ALL"
                   " SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id)"
                   " DELETE FROM keys WHERE id IN sub");
        if (int rc = q.Int(1, id).Step(); rc != SQLITE_DONE) return ErrorFromSqlite(rc);
    }
    if (self) {
        Query q(s, "DELETE FROM keys WHERE id = ?");
        if (int rc = q.Int(1, id).Step(); rc != SQLITE_DONE) return ErrorFromSqlite(rc);
        Touch(s, info.parent);
    } else {
        Touch(s, id);
    }
    return ERROR_SUCCESS;
}

LONG QueryStats(Store& s, std::int64_t id, KeyStats& stats) {
    {
        Query q(s, "SELECT count(*), coalesce(max(length(name)), 0) FROM keys WHERE parent = ?");
        int rc = q.Int(1, id).Step();
        if (rc != SQLITE_ROW) return ErrorFromSqlite(rc);
        stats.subKeys = DWORD(q.ColInt(0));
        stats.maxSubKeyLen = DWORD(q.ColInt(1));
    }
    Query q(s, "SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0)"
               " FROM vals WHERE key = ?");
    int rc = q.Int(1, id).Step();
    if (rc != SQLITE_ROW) return ErrorFromSqlite(rc);
    stats.values = DWORD(q.ColInt(0));
    stats.maxValueNameLen = DWORD(q.ColInt(1));
    stats.maxValueLen = DWORD(q.ColInt(2));
    return ERROR_SUCCESS;
}

void Touch(Store& s, std::int64_t id) {
    Query q(s, "UPDATE keys SET written = ? WHERE id = ?");
    q.Int(1, FileTimeNow()).Int(2, id).Step();
}

} // namespace tessaly::platform::regstore
