// The library's side of the mail store module: loaded from the library's own folder on the
// first database call, its statements' failures turned into DatabaseError.
#include <strings.h>

#include "mail/contact_lookup.h"
#include "platform/own_modules.h"

namespace tessaly::mail {

namespace {

const store::Entries& entries() {
    // The module lies beside this library (not the platform's): found from a function of ours.
    const platform::OwnModule& module = platform::LoadOwnModule(
        store::kModuleFile, store::kEntryName, reinterpret_cast<const void*>(&entries));
    if (!module.entries) throw DatabaseError{module.error, static_cast<int>(module.code)};
    return *static_cast<const store::Entries*>(module.entries);
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
