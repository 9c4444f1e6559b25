// The mail store module: the distribution-list store's locked statements through MySQL++,
// loaded by the library on its first database call.
#include <mysql++/dbdriver.h>
#include <mysql++/mysql++.h>

#include "mail/mail_store.h"

namespace {

namespace store = tessaly::mail::store;

void run(mysqlpp::Query& query, const std::string& statement) {
    // With exceptions switched off on the caller's connection a failure still counts.
    if (!query.exec(statement)) throw mysqlpp::BadQuery(query.error(), query.errnum());
}

std::string lockStatement(const char* table, const char* mode) {
    return std::string("LOCK TABLES `") + table + "` " + mode;
}

const char kUnlock[] = "UNLOCK TABLES ";

void fail(const mysqlpp::BadQuery& error, mysqlpp::Connection& connection,
          store::Failure& failure) {
    failure.what = error.what();
    // The client's error number of the connection's handle (mysql_errno).
    failure.number = connection.driver() ? connection.driver()->errnum() : error.errnum();
}

bool readLocked(mysqlpp::Connection& connection, const char* table, const std::string& statement,
                store::Rows& rows, store::Failure& failure) {
    try {
        mysqlpp::Query query = connection.query();
        run(query, lockStatement(table, "READ"));
        mysqlpp::StoreQueryResult result = query.store(statement.data(), statement.size());
        if (!result && query.errnum() != 0) throw mysqlpp::BadQuery(query.error(), query.errnum());
        run(query, kUnlock);
        rows = {};
        rows.unknownColumnThrows = result.throw_exceptions();
        if (const auto& names = result.field_names())
            rows.columns.assign(names->begin(), names->end());
        for (const mysqlpp::Row& row : result) {
            auto& values = rows.rows.emplace_back();
            for (size_t i = 0; i < row.size(); ++i) {
                const mysqlpp::String& value = row.at(i);
                values.push_back(value.is_null()
                                     ? std::nullopt
                                     : std::optional(std::string(value.data(), value.length())));
            }
        }
        return true;
    } catch (const mysqlpp::BadQuery& error) {
        fail(error, connection, failure);
        return false;
    }
}

bool writeLocked(mysqlpp::Connection& connection, const char* table,
                 const std::vector<std::string>& statements, store::Failure& failure) {
    try {
        mysqlpp::Query query = connection.query();
        run(query, lockStatement(table, "WRITE"));
        for (const std::string& statement : statements)
            run(query, statement);
        run(query, kUnlock);
        return true;
    } catch (const mysqlpp::BadQuery& error) {
        fail(error, connection, failure);
        return false;
    }
}

bool unlock(mysqlpp::Connection& connection, store::Failure& failure) {
    try {
        mysqlpp::Query query = connection.query();
        run(query, kUnlock);
        return true;
    } catch (const mysqlpp::BadQuery& error) {
        fail(error, connection, failure);
        return false;
    }
}

[[noreturn]] void unknownColumn(const char* column) {
    throw mysqlpp::BadFieldName(column);
}

constexpr store::Entries kEntries = {readLocked, writeLocked, unlock, unknownColumn};

} // namespace

extern "C" __attribute__((visibility("default"))) const void* TessalyMailStoreEntries() {
    return &kEntries;
}
