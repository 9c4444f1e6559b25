#pragma once
// The mail tests' database of its own on the process's embedded server or a private mariadbd
// on a socket in a temporary folder, which ends with the process.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include <mysql++/mysql++.h>

namespace tessaly::testing {

enum class MailServer { Embedded, Socket };

// The mariadbd program, empty when the server package is missing.
std::string MariadbServerProgram();
// "--tmpdir=" a folder of the server's own under folder (ending in '/'), made here: a server
// starting removes temporary tables it finds in its folder, a shared /tmp included.
std::string PrivateTmpdir(const std::string& folder);

// A mariadbd tied to the test process on folder (ending in '/'): its data in data/, its
// socket mysqld.sock, its log error.log, a private tmp/, the options given after those.
// Returns once it takes connections; throws std::runtime_error when it ends or never does.
pid_t StartMariadb(const std::string& folder, const std::vector<std::string>& options);
// Ends a server StartMariadb started: SIGTERM, SIGKILL after thirty seconds.
void StopMariadb(pid_t pid);

// Starts the process's one embedded server when not yet running; every connection needs it.
void StartTestEmbeddedServer();

class MailDatabase {
  public:
    // A connection in the ANSI code page's character set, tables made; throws runtime_error.
    explicit MailDatabase(MailServer kind); // not copied: it owns its connections

    mysqlpp::Connection& connection() { return *connection_; }
    const std::string& database() const { return database_; }

    // A statement, and a query's rows (columns joined by "|"), on a second connection.
    void Setup(const std::string& statement);
    std::vector<std::string> Rows(const std::string& query);

    // The statements the connection under test sent since the last call, byte for byte.
    std::vector<std::string> TakeStatements();

    // Closes and opens the connection under test again (after a code-page change).
    void Reconnect();

  private:
    std::unique_ptr<mysqlpp::Connection> open();

    MailServer kind_;
    std::string database_;
    std::unique_ptr<mysqlpp::Connection> connection_;
    std::unique_ptr<mysqlpp::Connection> setup_;
    void* handle_ = nullptr;
    std::size_t sentCount_ = 0;
};

} // namespace tessaly::testing
