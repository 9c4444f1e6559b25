#pragma once
// The mail store module (libTessalyMailStore.so, beside the library): the locked statements
// of the distribution-list store on the caller's MySQL++ connection. The library loads it on
// the first database call, so a program that never reaches the mail database does not load
// the database client. Both sides are built together: standard types only, never public.
#include <optional>
#include <string>
#include <vector>

namespace mysqlpp {
class Connection;
}

namespace tessaly::mail::store {

// A statement's failure: the query's error text and the client's error number of the
// connection's handle (the statement's own number when the connection has no handle).
struct Failure {
    std::string what;
    int number = 0;
};

// A result: the column names and the rows (NULL as no value); whether the connection throws
// on a column the result lacks (its exceptions switched on), else such a column reads empty.
struct Rows {
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
    bool unknownColumnThrows = true;
};

struct Entries {
    // LOCK TABLES `table` READ, the query, UNLOCK TABLES; false (failure set) on a database
    // error, which leaves the lock as the failed statement left it.
    bool (*readLocked)(mysqlpp::Connection& connection, const char* table, const std::string& query,
                       Rows& rows, Failure& failure);
    // LOCK TABLES `table` WRITE, each statement, UNLOCK TABLES; false on a database error.
    bool (*writeLocked)(mysqlpp::Connection& connection, const char* table,
                        const std::vector<std::string>& statements, Failure& failure);
    // UNLOCK TABLES, to release a lock a failed statement left held; false on a database error.
    bool (*unlock)(mysqlpp::Connection& connection, Failure& failure);
    // Throws MySQL++'s exception for a column name a result lacks, for the caller to catch.
    void (*unknownColumn)(const char* column);
};

constexpr char kModuleFile[] = "libTessalyMailStore.so";
// The module's one exported entry: the table above.
constexpr char kEntryName[] = "TessalyMailStoreEntries";

} // namespace tessaly::mail::store
