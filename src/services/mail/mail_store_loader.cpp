// The library's side of the mail store module: loaded from the library's own folder on the
// first database call, its statements' failures turned into DatabaseError.
#include <dlfcn.h>
#include <strings.h>

#include <mutex>

#include "mail/contact_lookup.h"

namespace tessaly::mail {

namespace {

constexpr int kModuleNotFound = 126; // ERROR_MOD_NOT_FOUND
constexpr int kEntryNotFound = 127;  // ERROR_PROC_NOT_FOUND

struct Loaded {
    const store::Entries* entries = nullptr;
    DatabaseError error;
};

// The folder of this library, as the dynamic loader names it.
std::string libraryFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&libraryFolder), &info) || !info.dli_fname) return ".";
    const std::string path = info.dli_fname;
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Loaded once; the module stays loaded for the process's life, as the library does.
const Loaded& mailStore() {
    static Loaded loaded;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string path = libraryFolder() + "/" + store::kModuleFile;
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* reason = dlerror();
            loaded.error = {reason ? reason : path + ": cannot be loaded", kModuleNotFound};
            return;
        }
        auto entry = reinterpret_cast<store::EntryFunction>(dlsym(module, store::kEntryName));
        loaded.entries = entry ? entry() : nullptr;
        if (!loaded.entries)
            loaded.error = {path + ": no entry " + store::kEntryName, kEntryNotFound};
    });
    return loaded;
}

const store::Entries& entries() {
    const Loaded& loaded = mailStore();
    if (!loaded.entries) throw loaded.error;
    return *loaded.entries;
}

} // namespace

CString Row::Text(const char* column) const {
    const auto& columns = table_->columns;
    for (size_t i = 0; i < columns.size(); ++i) {
        if (strcasecmp(columns[i].c_str(), column) != 0) continue;
        const auto& values = table_->rows[index_];
        if (i >= values.size() || !values[i]) return CString();
        return CString(*values[i]);
    }
    // Read by name as MySQL++ reads it: an unknown column throws on a connection that throws.
    if (table_->unknownColumnThrows) entries().unknownColumn(column);
    return CString();
}

Result ReadLocked(mysqlpp::Connection& connection, const char* table, const std::string& query) {
    auto rows = std::make_shared<store::Rows>();
    store::Failure failure;
    if (!entries().readLocked(connection, table, query, *rows, failure))
        throw DatabaseError{failure.what, failure.number};
    Result result;
    result.reserve(rows->rows.size());
    for (size_t i = 0; i < rows->rows.size(); ++i)
        result.emplace_back(rows, i);
    return result;
}

void WriteLocked(mysqlpp::Connection& connection, const char* table,
                 const std::vector<std::string>& statements) {
    store::Failure failure;
    if (!entries().writeLocked(connection, table, statements, failure))
        throw DatabaseError{failure.what, failure.number};
}

void Unlock(mysqlpp::Connection& connection) {
    store::Failure ignored;
    entries().unlock(connection, ignored);
}

} // namespace tessaly::mail
