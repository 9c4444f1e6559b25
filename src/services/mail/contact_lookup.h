#pragma once
// The statements of the distribution-list store, each run under its table lock on the
// caller's connection through the mail store module, shared by the store's operations and by
// recipient verification. Every function here lets DatabaseError through; the exported
// operations catch it.
#include <memory>
#include <string>
#include <vector>

#include <tessaly/collections.h>
#include <tessaly/cstring.h>

#include "mail/mail_store.h"

namespace tessaly::mail {

// A failed statement, or the mail store module missing (its loader's text, number 126).
struct DatabaseError {
    std::string what;
    int number = 0;
};

// One row of a result; columns are found by name without regard to case.
class Row {
  public:
    Row(std::shared_ptr<const store::Rows> table, size_t index)
        : table_(std::move(table)), index_(index) {}
    // The column's text (NULL as empty; zero bytes kept). A column the result lacks throws
    // MySQL++'s BadFieldName when the connection's exceptions are on, else reads empty.
    CString Text(const char* column) const;

  private:
    std::shared_ptr<const store::Rows> table_;
    size_t index_;
};
using Result = std::vector<Row>;

// Read discipline: LOCK TABLES `table` READ, the query through store, UNLOCK TABLES.
Result ReadLocked(mysqlpp::Connection& connection, const char* table, const std::string& query);
// Write discipline: LOCK TABLES `table` WRITE, each statement through exec, UNLOCK TABLES.
void WriteLocked(mysqlpp::Connection& connection, const char* table,
                 const std::vector<std::string>& statements);
// UNLOCK TABLES after a failed statement whose failure is not shown (a failure of its own is
// ignored: the next operation's LOCK TABLES replaces any lock still held).
void Unlock(mysqlpp::Connection& connection);

// A column of a row as text (NULL as empty; zero bytes kept).
inline CString ColumnText(const Row& row, const char* column) {
    return row.Text(column);
}

// The look-ups by name, by address and of a list by name.
Result ContactByName(mysqlpp::Connection& connection, const CString& name);
Result ContactByAddress(mysqlpp::Connection& connection, const CString& address);
Result ListByName(mysqlpp::Connection& connection, const CString& listName);

// GetDistListMember without its error handling: members appended to the five arrays; 1
// when the list had member rows, else 0.
int ReadListMembers(const CString& listId, mysqlpp::Connection& connection, CStringArray& names,
                    CStringArray& addresses, CStringArray& memberIds, CStringArray& contactIds,
                    CUIntArray& flags);

// Resolves one recipient entry ("Name [address]", a bare address or a name) to a display
// name and an address, looking up the missing half among the contacts. On a database
// error shows message 66 and returns what it had resolved so far. Without a connection
// nothing is looked up.
struct ResolvedEntry {
    CString name;
    CString address;
};
ResolvedEntry ResolveAddressEntry(const CString& entry, mysqlpp::Connection* connection);

// Message 66 "Error: %1 (%2!d!)." with the failure's text and error number, in the
// framework's message box.
void ShowDatabaseError(const DatabaseError& error);

} // namespace tessaly::mail
