#pragma once
// The statements of the distribution-list store, each run under its table lock on the
// caller's connection, shared by the store's operations and by recipient verification.
// Every function here lets mysqlpp::BadQuery through; the exported operations catch it.
#include <mysql++/mysql++.h>

#include <tessaly/collections.h>
#include <tessaly/cstring.h>

namespace tessaly::mail {

// Read discipline: LOCK TABLES `table` READ, the query through store, UNLOCK TABLES.
mysqlpp::StoreQueryResult ReadLocked(mysqlpp::Connection& connection, const char* table,
                                     const std::string& query);
// Write discipline: LOCK TABLES `table` WRITE, each statement through exec, UNLOCK TABLES.
void WriteLocked(mysqlpp::Connection& connection, const char* table,
                 const std::vector<std::string>& statements);

// A column of a row as text (NULL as empty; zero bytes kept).
CString ColumnText(const mysqlpp::Row& row, const char* column);

// The look-ups by name, by address and of a list by name.
mysqlpp::StoreQueryResult ContactByName(mysqlpp::Connection& connection, const CString& name);
mysqlpp::StoreQueryResult ContactByAddress(mysqlpp::Connection& connection, const CString& address);
mysqlpp::StoreQueryResult ListByName(mysqlpp::Connection& connection, const CString& listName);

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

// Message 66 "Error: %1 (%2!d!)." with the exception's text and the connection's error
// number, in the framework's message box.
void ShowDatabaseError(const mysqlpp::BadQuery& error, mysqlpp::Connection& connection);

} // namespace tessaly::mail
