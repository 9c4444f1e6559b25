// The registry functions: open keys are entries of a handle table naming a hive file and a
// key row; the predefined roots resolve against the current prefix on every call.
#include "platform/registry.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/prefix.h"
#include "platform/registry_store.h"

namespace tessaly::platform {

using namespace regstore;

namespace {

struct OpenKey {
    std::string dbPath;
    std::int64_t id = 0;
    REGSAM access = 0;
    bool top = false; // the top of a hive or of the classes view: never deleted through it
};

std::recursive_mutex& registryMutex() {
    static auto* mutex = new std::recursive_mutex;
    return *mutex;
}

std::unordered_map<std::uintptr_t, OpenKey>& Table() {
    static auto* table = new std::unordered_map<std::uintptr_t, OpenKey>;
    return *table;
}

// Registry handles live apart from the kernel handles, in a range of their own.
std::uintptr_t nextHandle = 0x40000000;

HKEY newKeyHandle(OpenKey key) {
    nextHandle += 4;
    Table().emplace(nextHandle, std::move(key));
    return reinterpret_cast<HKEY>(nextHandle);
}

bool isPredefined(HKEY key) {
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
}

// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes, made when missing.
LONG classesRoot(Store& s, std::int64_t& id) {
    static const std::vector<PathPart> path = {{"Software", "SOFTWARE"}, {"Classes", "CLASSES"}};
    {
        Transaction t(s, false);
        if (t.status() != ERROR_SUCCESS) return t.status();
        if (WalkPath(s, kRootId, path, false, id) == ERROR_SUCCESS) return ERROR_SUCCESS;
    }
    Transaction t(s, true);
    if (t.status() != ERROR_SUCCESS) return t.status();
    LONG rc = WalkPath(s, kRootId, path, true, id);
    return rc != ERROR_SUCCESS ? rc : t.Commit();
}

// The hive and key an HKEY stands for, with the store opened.
LONG resolveKey(HKEY key, OpenKey& out, Store*& store) {
    LONG rc = ERROR_SUCCESS;
    if (isPredefined(key)) {
        out.dbPath = key == HKEY_CURRENT_USER ? Store::UserPath() : Store::MachinePath();
        out.access = KEY_ALL_ACCESS;
        out.top = true;
        out.id = kRootId;
        if (!(store = Store::Open(out.dbPath, rc))) return rc;
        if (key == HKEY_CLASSES_ROOT) return classesRoot(*store, out.id);
        return ERROR_SUCCESS;
    }
    auto it = Table().find(reinterpret_cast<std::uintptr_t>(key));
    if (it == Table().end()) return ERROR_INVALID_HANDLE;
    out = it->second;
    store = Store::Open(out.dbPath, rc);
    return rc;
}

bool isStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Hands value data to a caller's buffer the Windows way: size alone when data is null, 234
// with the size needed when the buffer is short, and a terminator after string data when
// there is room for one (not counted in the size).
LONG copyData(const ValueRecord& v, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (type) *type = v.type;
    DWORD size = DWORD(v.data.size());
    if (!data) {
        if (dataSize) *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, v.data.data(), size);
    if (isStringType(v.type) && *dataSize > size) data[size] = 0;
    *dataSize = size;
    return ERROR_SUCCESS;
}

// Copies a name with its terminator; 234 when the buffer (count with terminator) is short.
LONG copyName(const std::string& name, char* buffer, DWORD* size) {
    if (!buffer || !size) return ERROR_INVALID_PARAMETER;
    if (name.size() + 1 > *size) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = 0;
    *size = DWORD(name.size());
    return ERROR_SUCCESS;
}

void emptyClass(char* cls, DWORD* classSize) {
    if (cls && classSize && *classSize) cls[0] = 0;
    if (classSize) *classSize = 0;
}

void storeFileTime(void* lastWrite, std::int64_t written) {
    if (!lastWrite) return;
    DWORD parts[2] = {DWORD(std::uint64_t(written)), DWORD(std::uint64_t(written) >> 32)};
    std::memcpy(lastWrite, parts, sizeof parts);
}

std::string valueNameOf(const char* name) {
    return name ? name : "";
}

// One registry call on an open key: the registry lock held for the whole call, the handle
// resolved and the access it needs checked. Run then works inside a transaction after
// checking that the key has not been deleted meanwhile; a writing transaction is committed
// when the work succeeds.
class KeyCall {
  public:
    KeyCall(HKEY key, REGSAM needed) : lock_(registryMutex()) {
        status_ = resolveKey(key, key_, store_);
        if (status_ == ERROR_SUCCESS && needed && !Allows(needed)) status_ = ERROR_ACCESS_DENIED;
    }
    const OpenKey& key() const { return key_; }
    bool Allows(REGSAM access) const { return (key_.access & access) != 0; }

    enum Mode : bool { kRead = false, kWrite = true };
    // work(Store&, const KeyInfo& key) returns a Windows code.
    template <class Work> LONG Run(Mode mode, Work&& work) {
        if (status_ != ERROR_SUCCESS) return status_;
        Transaction t(*store_, mode);
        if (t.status() != ERROR_SUCCESS) return t.status();
        KeyInfo info;
        if (LONG rc = GetKey(*store_, key_.id, info); rc != ERROR_SUCCESS) return rc;
        if (LONG rc = work(*store_, info); rc != ERROR_SUCCESS) return rc;
        return mode == kWrite ? t.Commit() : ERROR_SUCCESS;
    }
    LONG Run(Mode mode) {
        return Run(mode, [](Store&, const KeyInfo&) { return LONG(ERROR_SUCCESS); });
    }

  private:
    std::lock_guard<std::recursive_mutex> lock_;
    OpenKey key_;
    Store* store_ = nullptr;
    LONG status_ = ERROR_SUCCESS;
};

} // namespace

LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    std::vector<PathPart> parts;
    if (LONG rc = SplitPath(subKey, parts); rc != ERROR_SUCCESS) return rc;
    KeyCall call(root, 0);
    return call.Run(KeyCall::kRead, [&](Store& s, const KeyInfo& base) {
        std::int64_t id = 0;
        if (LONG rc = WalkPath(s, base.id, parts, false, id); rc != ERROR_SUCCESS) return rc;
        *result = newKeyHandle({call.key().dbPath, id, access, parts.empty() && call.key().top});
        return LONG(ERROR_SUCCESS);
    });
}

LONG RegOpenKeyA(HKEY root, const char* subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    if ((!subKey || !*subKey) && isPredefined(root)) {
        *result = root;
        return ERROR_SUCCESS;
    }
    return RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, result);
}

LONG RegCreateKeyExA(HKEY root, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*,
                     HKEY* result, DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    std::vector<PathPart> parts;
    if (LONG rc = SplitPath(subKey, parts); rc != ERROR_SUCCESS) return rc;
    KeyCall call(root, 0);
    std::int64_t id = 0;
    bool created = false;
    // Opening what exists needs no write; only a missing key takes the writer's lock.
    LONG rc = call.Run(KeyCall::kRead, [&](Store& s, const KeyInfo& base) {
        LONG found = WalkPath(s, base.id, parts, false, id);
        if (found == ERROR_FILE_NOT_FOUND) id = 0;
        return found == ERROR_FILE_NOT_FOUND ? LONG(ERROR_SUCCESS) : found;
    });
    if (rc != ERROR_SUCCESS) return rc;
    if (!id) {
        if (!call.Allows(KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        rc = call.Run(KeyCall::kWrite, [&](Store& s, const KeyInfo& base) {
            return WalkPath(s, base.id, parts, true, id, &created);
        });
        if (rc != ERROR_SUCCESS) return rc;
    }
    *result = newKeyHandle({call.key().dbPath, id, access, parts.empty() && call.key().top});
    if (disposition) *disposition = created ? 1 : 2;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyA(HKEY root, const char* subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    if ((!subKey || !*subKey) && isPredefined(root)) {
        *result = root;
        return ERROR_SUCCESS;
    }
    return RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
    if (isPredefined(key)) return ERROR_SUCCESS;
    std::lock_guard lock(registryMutex());
    return Table().erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS
                                                                : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key) {
    // Every change is committed when it is made; flushing only checks the key.
    return KeyCall(key, 0).Run(KeyCall::kRead);
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
    if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    std::string folded = FoldName(valueNameOf(valueName));
    KeyCall call(key, KEY_QUERY_VALUE);
    ValueRecord v;
    LONG rc = call.Run(KeyCall::kRead,
                       [&](Store& s, const KeyInfo& k) { return GetValue(s, k.id, folded, v); });
    return rc != ERROR_SUCCESS ? rc : copyData(v, type, data, dataSize);
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (!data && dataSize) return ERROR_INVALID_PARAMETER;
    std::string name = valueNameOf(valueName);
    if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
    std::string folded = FoldName(name);
    std::string_view bytes(data ? reinterpret_cast<const char*>(data) : "", dataSize);
    return KeyCall(key, KEY_SET_VALUE).Run(KeyCall::kWrite, [&](Store& s, const KeyInfo& k) {
        return SetValue(s, k.id, name, folded, type, bytes);
    });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
    std::string folded = FoldName(valueNameOf(valueName));
    return KeyCall(key, KEY_SET_VALUE).Run(KeyCall::kWrite, [&](Store& s, const KeyInfo& k) {
        return DeleteValue(s, k.id, folded);
    });
}

namespace {

// Shared by RegDeleteKeyA and RegDeleteTreeA: finds the key below root, then deletes.
LONG deleteBelow(HKEY root, const char* subKey, bool tree) {
    std::vector<PathPart> parts;
    if (LONG rc = SplitPath(subKey, parts); rc != ERROR_SUCCESS) return rc;
    KeyCall call(root, 0);
    return call.Run(KeyCall::kWrite, [&](Store& s, const KeyInfo& base) {
        std::int64_t id = 0;
        if (LONG rc = WalkPath(s, base.id, parts, false, id); rc != ERROR_SUCCESS) return rc;
        bool self = !parts.empty();
        if (!tree) {
            // RegDeleteKeyA removes one key, never a hive's top, never one with subkeys.
            if (parts.empty() && call.key().top) return LONG(ERROR_ACCESS_DENIED);
            DWORD children = 0;
            if (LONG rc = CountChildren(s, id, children); rc != ERROR_SUCCESS) return rc;
            if (children) return LONG(ERROR_ACCESS_DENIED);
            self = true;
        }
        return DeleteTree(s, id, self);
    });
}

} // namespace

LONG RegDeleteKeyA(HKEY root, const char* subKey) {
    return deleteBelow(root, subKey, false);
}

LONG RegDeleteTreeA(HKEY root, const char* subKey) {
    return deleteBelow(root, subKey, true);
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, char* cls,
                   DWORD* classSize, void* lastWrite) {
    if (!name || !nameSize || reserved) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, KEY_ENUMERATE_SUB_KEYS);
    KeyInfo child;
    LONG rc = call.Run(KeyCall::kRead,
                       [&](Store& s, const KeyInfo& k) { return ChildAt(s, k.id, index, child); });
    if (rc != ERROR_SUCCESS || (rc = copyName(child.name, name, nameSize)) != ERROR_SUCCESS)
        return rc;
    emptyClass(cls, classSize);
    storeFileTime(lastWrite, child.written);
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* dataSize) {
    if (!name || !nameSize || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, KEY_QUERY_VALUE);
    ValueRecord v;
    LONG rc = call.Run(KeyCall::kRead,
                       [&](Store& s, const KeyInfo& k) { return ValueAt(s, k.id, index, v); });
    if (rc != ERROR_SUCCESS || (rc = copyName(v.name, name, nameSize)) != ERROR_SUCCESS) return rc;
    return copyData(v, type, data, dataSize);
}

LONG RegQueryInfoKeyA(HKEY key, char* cls, DWORD* classSize, DWORD* reserved, DWORD* subKeys,
                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values,
                      DWORD* maxValueNameLen, DWORD* maxValueLen, DWORD* securityDescriptor,
                      void* lastWrite) {
    if (reserved) return ERROR_INVALID_PARAMETER;
    KeyCall call(key, KEY_QUERY_VALUE);
    KeyStats stats;
    KeyInfo info;
    LONG rc = call.Run(KeyCall::kRead, [&](Store& s, const KeyInfo& k) {
        info = k;
        return QueryStats(s, k.id, stats);
    });
    if (rc != ERROR_SUCCESS) return rc;
    emptyClass(cls, classSize);
    if (subKeys) *subKeys = stats.subKeys;
    if (maxSubKeyLen) *maxSubKeyLen = stats.maxSubKeyLen;
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = stats.values;
    if (maxValueNameLen) *maxValueNameLen = stats.maxValueNameLen;
    if (maxValueLen) *maxValueLen = stats.maxValueLen;
    if (securityDescriptor) *securityDescriptor = 0;
    storeFileTime(lastWrite, info.written);
    return ERROR_SUCCESS;
}

void RegCloseStores() {
    std::lock_guard lock(registryMutex());
    regstore::CloseStores();
}

namespace {

// At the platform library's unload (and process exit) the hive files alone get to hold every
// committed write.
struct CloseAtUnload {
    ~CloseAtUnload() { RegCloseStores(); }
} closeAtUnload;

} // namespace

namespace regstore {

std::recursive_mutex& RegistryMutex() {
    return registryMutex();
}

bool MachineHiveVersion(std::uint64_t& version) {
    std::lock_guard lock(registryMutex());
    // Once a hive has been seen on disk its connection answers; until then a look at the
    // file, so that asking never creates the prefix.
    static std::string seen;
    const std::string path = PrefixRoot() + "/system.reg.db";
    if (path != seen) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return false;
        seen = path;
    }
    LONG rc = ERROR_SUCCESS;
    Store* store = Store::Open(path, rc);
    sqlite3_stmt* stmt = store ? store->Prepare("PRAGMA data_version") : nullptr;
    version = kUnknownVersion;
    if (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        version = std::uint64_t(sqlite3_column_int64(stmt, 0));
    if (stmt) sqlite3_reset(stmt);
    return true;
}

namespace {
LONG readBelow(Store& s, std::int64_t id, TreeNode& node) {
    if (LONG rc = ListValues(s, id, node.values); rc != ERROR_SUCCESS) return rc;
    std::vector<KeyInfo> children;
    if (LONG rc = ListChildren(s, id, children); rc != ERROR_SUCCESS) return rc;
    for (const KeyInfo& child : children) {
        TreeNode& sub = node.children.emplace_back();
        sub.name = child.name;
        if (LONG rc = readBelow(s, child.id, sub); rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}
} // namespace

LONG ReadTree(HKEY root, const char* subKey, std::vector<std::string>& path, TreeNode& tree) {
    std::vector<PathPart> parts;
    if (LONG rc = SplitPath(subKey, parts); rc != ERROR_SUCCESS) return rc;
    return KeyCall(root, 0).Run(KeyCall::kRead, [&](Store& s, const KeyInfo& top) {
        std::int64_t id = top.id;
        path.clear();
        for (const PathPart& part : parts) {
            KeyInfo info;
            if (LONG rc = FindChild(s, id, part.folded, id); rc != ERROR_SUCCESS) return rc;
            if (LONG rc = GetKey(s, id, info); rc != ERROR_SUCCESS) return rc;
            path.push_back(info.name);
        }
        tree = TreeNode();
        tree.name = path.empty() ? std::string() : path.back();
        return readBelow(s, id, tree);
    });
}

} // namespace regstore

bool SplitFullKeyName(const std::string& fullKeyName, HKEY& root, std::string& subKey) {
    static const struct {
        const char* name;
        HKEY root;
    } roots[] = {
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKLM", HKEY_LOCAL_MACHINE},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},   {"HKCU", HKEY_CURRENT_USER},
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKCR", HKEY_CLASSES_ROOT},
    };
    size_t slash = fullKeyName.find('\\');
    std::string first = FoldName(fullKeyName.substr(0, slash));
    for (const auto& r : roots) {
        if (first == r.name) {
            root = r.root;
            subKey = slash == std::string::npos ? std::string() : fullKeyName.substr(slash + 1);
            return true;
        }
    }
    return false;
}

} // namespace tessaly::platform
