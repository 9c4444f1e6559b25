#pragma once
// Internal to the registry module: the SQLite hives, their transactions and the key tree
// operations the registry functions and the REGEDIT4 reader and writer are built from.
//
// One database per hive, keyed by its path (the prefix may change between calls):
//   keys(id, parent, depth, name, folded, written)   id 1 is the hive's root
//   vals(id, key, name, folded, type, data)          creation order is id order
// Names are kept as given (code-page bytes) beside their folded (upper-case) form, on
// which lookups, uniqueness and the order of subkeys rest.
#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/api.h"

namespace tessaly::platform::regstore {

// Longest key name component and value name, as on Windows; deepest key path.
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr int kMaxDepth = 512;

constexpr std::int64_t kRootId = 1;

// Upper-case form of a key or value name: ASCII letters, and the code page's letters
// through its own rules when the name has bytes above 127.
std::string FoldName(std::string_view name);

// Splits a key path on backslashes (empty components are skipped) and folds each part.
// 87 when a component is longer than a key name may be.
struct PathPart {
    std::string name;
    std::string folded;
};
LONG SplitPath(const char* path, std::vector<PathPart>& parts);

class Store {
  public:
    // The open store for a database file, opened (and its schema made) on first use. The
    // store stays valid until the next call of Open.
    static Store* Open(const std::string& path, LONG& error);
    // The hive files of the current prefix.
    static std::string MachinePath();
    static std::string UserPath();

    sqlite3* db() const { return db_; }
    const std::string& path() const { return path_; }
    // A cached prepared statement, reset and unbound.
    sqlite3_stmt* Prepare(const char* sql);

    ~Store();

    // A forked child's copy of its parent's connection: closed without a checkpoint.
    void MarkInherited() { inherited_ = true; }

  private:
    Store() = default;
    std::string path_;
    sqlite3* db_ = nullptr;
    std::uint64_t lastUse_ = 0;
    bool inherited_ = false;
    struct Cached {
        const char* sql;
        sqlite3_stmt* stmt;
    };
    std::vector<Cached> statements_;
};

// Checkpoints and closes the stores this process opened (they open again on next use); call
// with RegistryMutex() held.
void CloseStores();
// The lock every registry call holds for its whole length.
std::recursive_mutex& RegistryMutex();

// The Windows code for an SQLite result.
LONG ErrorFromSqlite(int rc);

// BEGIN (reading) or BEGIN IMMEDIATE (writing); rolled back unless committed.
class Transaction {
  public:
    Transaction(Store& store, bool write);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    LONG status() const { return status_; }
    LONG Commit();

  private:
    Store& store_;
    bool open_ = false;
    LONG status_ = ERROR_SUCCESS;
};

struct KeyInfo {
    std::int64_t id = 0;
    std::int64_t parent = 0;
    int depth = 0;
    std::string name;
    std::int64_t written = 0;
};

struct ValueRecord {
    std::string name;
    DWORD type = 0;
    std::string data;
};

// Tree operations; call inside a transaction. Each returns a Windows code.
LONG GetKey(Store& s, std::int64_t id, KeyInfo& info); // ERROR_KEY_DELETED when gone
LONG FindChild(Store& s, std::int64_t parent, const std::string& folded, std::int64_t& id);
LONG CreateChild(Store& s, const KeyInfo& parent, const PathPart& part, std::int64_t& id);
// Walks parts below start; with create, missing keys are made (created tells whether the
// last one was).
LONG WalkPath(Store& s, std::int64_t start, const std::vector<PathPart>& parts, bool create,
              std::int64_t& id, bool* created = nullptr);
LONG CountChildren(Store& s, std::int64_t id, DWORD& count);
LONG ChildAt(Store& s, std::int64_t id, DWORD index, KeyInfo& child);
LONG ListChildren(Store& s, std::int64_t id, std::vector<KeyInfo>& children);
LONG GetValue(Store& s, std::int64_t key, const std::string& folded, ValueRecord& value);
LONG ValueAt(Store& s, std::int64_t key, DWORD index, ValueRecord& value);
LONG ListValues(Store& s, std::int64_t key, std::vector<ValueRecord>& values);
// folded is FoldName(name), made before the transaction.
LONG SetValue(Store& s, std::int64_t key, std::string_view name, const std::string& folded,
              DWORD type, std::string_view data);
LONG DeleteValue(Store& s, std::int64_t key, const std::string& folded);
// Removes the key's subkeys and values; with self, the key too.
LONG DeleteTree(Store& s, std::int64_t id, bool self);
struct KeyStats {
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
};
LONG QueryStats(Store& s, std::int64_t id, KeyStats& stats);
void Touch(Store& s, std::int64_t id);

// A key with everything below it, read in one snapshot (for the REGEDIT4 writer).
struct TreeNode {
    std::string name;
    std::vector<ValueRecord> values;
    std::vector<TreeNode> children;
};
// path receives the stored names of the key's components below the root.
LONG ReadTree(HKEY root, const char* subKey, std::vector<std::string>& path, TreeNode& tree);

// Grows with every commit to a machine hive and every connection opened by this process.
std::uint64_t LocalChanges();
// The data version of the current prefix's machine hive on this process's connection (it
// moves when another process commits); false, without creating it, when there is no hive.
// kUnknownVersion when the hive is there but could not be asked.
constexpr std::uint64_t kUnknownVersion = ~std::uint64_t(0);
bool MachineHiveVersion(std::uint64_t& version);

// FILETIME value (100 ns since 1601) of the present moment.
std::int64_t FileTimeNow();

} // namespace tessaly::platform::regstore
