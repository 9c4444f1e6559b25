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
#include <stdexcept>
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

// ---- A shared server over the network ----

// Where the mail database of a team lives: a MariaDB server reached over TCP with TLS.
struct ServerSettings {
    std::string host = "127.0.0.1";
    unsigned port = 3306;
    std::string user;
    std::string password; // never shown in a message; give it from a file or a variable
    std::string database = kDefaultDatabase;
    // CA certificates (PEM) the server's certificate must chain to; its name or address must
    // be the host's. Empty means the system's CA store.
    std::string caFile;
    // TLS without checking the certificate: only when the caller says so explicitly.
    bool allowUntrustedCertificate = false;
    unsigned connectTimeoutSeconds = 10;
};

// A connection that could not be made: one line naming the server, the user and the
// client library's text and number, never the password.
class ConnectionError : public std::runtime_error {
  public:
    ConnectionError(const std::string& text, unsigned number)
        : std::runtime_error(text), number_(number) {}
    unsigned number() const { return number_; }

  private:
    unsigned number_;
};

// Connects to settings' server over TCP and TLS (the certificate checked unless the caller
// allows an untrusted one; a server that does not speak TLS is refused), in the ANSI code
// page's character set, on the database `tessaly mail init --server` made; no table is
// created, so the user needs only the services' privileges. Throws ConnectionError.
TESSALY_MAILDB_API std::unique_ptr<mysqlpp::Connection>
ConnectServer(const ServerSettings& settings);

// "HOST", "HOST:PORT" or "[IPv6]:PORT" into settings' host and port (3306 when not given).
// Throws std::invalid_argument for an empty host or a port outside 1..65535.
TESSALY_MAILDB_API void ParseServerAddress(const std::string& text, ServerSettings& settings);

// The password in a file: its first line without the line end. Throws std::runtime_error
// (naming the file, never its content) when it cannot be read.
TESSALY_MAILDB_API std::string ReadPasswordFile(const std::string& path);

// The mail client's server settings in the prefix's registry, below HKEY_CURRENT_USER:
// Server ("HOST[:PORT]"), User, Database, CAFile, AllowUntrustedCertificate (DWORD) and the
// password's source, PasswordFile or PasswordVariable (an environment variable's name).
// A value named Password is refused: the registry never holds it in clear text. Throws
// std::runtime_error when the key or its server is missing or the password cannot be had.
inline constexpr const char* kServerSettingsKey = "Software\\Varnholt\\Tessaly2001\\Mail\\Server";
TESSALY_MAILDB_API ServerSettings
ServerSettingsFromRegistry(const std::string& key = kServerSettingsKey);

// What an administrator runs once (on a connection with the rights to do it): the database
// and its tables, in Aria (table locks: the services' LOCK TABLES queue instead of failing
// with deadlock errors as they do on InnoDB under several clients), a unique key on a
// contact's name and address (clients racing past the services' check-then-insert cannot
// both add one), and for clientUser at clientHost only SELECT, INSERT, UPDATE, DELETE and
// LOCK TABLES on that database, the account created with clientPassword and TLS required
// when it does not exist. An empty clientUser grants nothing.
TESSALY_MAILDB_API void InitServerDatabase(mysqlpp::Connection& admin, const std::string& database,
                                           const std::string& clientUser,
                                           const std::string& clientPassword,
                                           const std::string& clientHost = "%");

} // namespace tessaly::maildb
