#pragma once
// The host side of the mail client's database (library TessalyMailDb, CMake target
// Tessaly::MailDatabase): what a program does before it calls the distribution-list and
// recipient functions of <tessaly/mail.h>, which never open a database themselves.
//
// - StartEmbeddedServer runs the MariaDB server inside the process on a data folder of
//   the program's (once per process: the server library cannot be started twice).
// - OpenEmbedded / ConnectSocket open a MySQL++ connection with exceptions enabled, in the
//   character set of the ANSI code page, create the database when it is missing and make
//   sure the tables `MainAddr`, `DistList` and `DistMembers` exist.
// - The server stops at process exit (or with StopEmbeddedServer), after the program has
//   closed its connections.
//
// Link Tessaly::MailDatabase: it brings libmariadbd ahead of libmysqlpp, so the embedded
// server's library serves every MySQL call of the process, embedded and remote alike.
#include <memory>
#include <string>
#include <vector>

#include <mysql++/mysql++.h>

#define TESSALY_MAILDB_API __attribute__((visibility("default")))

namespace tessaly::maildb {

// The database a data folder holds unless the caller names another.
inline constexpr const char* kDefaultDatabase = "mail";

// Starts the embedded server on dataDir (created when missing) with --no-defaults, so
// neither the system's nor the user's option files and /var/lib/mysql are touched, and
// without grant tables. extraOptions are further server options ("--general-log=1", ...).
// A second call for the same folder does nothing; for another folder, or when the server
// library refuses to start, it throws std::runtime_error.
TESSALY_MAILDB_API void StartEmbeddedServer(const std::string& dataDir,
                                            const std::vector<std::string>& extraOptions = {});
// The data folder of the running embedded server; empty when none runs.
TESSALY_MAILDB_API std::string EmbeddedDataDir();
// Ends the embedded server (connections must be closed first). Runs at exit by itself.
// The server library cannot start again in the same process afterwards.
TESSALY_MAILDB_API void StopEmbeddedServer();

// A connection to the embedded server of dataDir (started when not yet running), on the
// given database, tables created. Throws mysqlpp::Exception or std::runtime_error.
TESSALY_MAILDB_API std::unique_ptr<mysqlpp::Connection>
OpenEmbedded(const std::string& dataDir, const std::string& database = kDefaultDatabase);

// A connection to a MariaDB server through its socket, on the given database (created
// when missing), tables created. The process's server library is made ready without an
// embedded data folder of its own when none was started. Throws like OpenEmbedded.
TESSALY_MAILDB_API std::unique_ptr<mysqlpp::Connection>
ConnectSocket(const std::string& socketPath, const std::string& database = kDefaultDatabase,
              const std::string& user = "root", const std::string& password = "");

// Creates the three tables when missing: text in utf8mb4 with a case-insensitive,
// accent-sensitive collation, record ids compared exactly, keys on the ids.
TESSALY_MAILDB_API void CreateTables(mysqlpp::Connection& connection);

// The server's name of the character set of the ANSI code page (latin1 for Windows-1252,
// gbk for 936, ...), used for every connection the helper opens.
TESSALY_MAILDB_API std::string ConnectionCharset();

} // namespace tessaly::maildb
