#pragma once
// The mail client's database for the mail tests, on either server kind:
//   Embedded  the process's embedded server, on a data folder of the test process;
//   Socket    a real mariadbd that the support starts on a private socket in a temporary
//             folder (--no-defaults, --skip-networking) and stops at the process's end.
// One server of each kind per test process; every MailDatabase gets a database of its own.
#include <memory>
#include <string>
#include <vector>

#include <mysql++/mysql++.h>

namespace tessaly::testing {

enum class MailServer { Embedded, Socket };

// The mariadbd program, empty when the server package is missing.
std::string MariadbServerProgram();

// Starts the process's embedded server on its scratch folder when not yet running: the server
// library runs one per process, and every kind of connection needs it started first.
void StartTestEmbeddedServer();

class MailDatabase {
  public:
    // Starts the server kind when needed and opens a connection (tables created) in the
    // character set of the prefix's ANSI code page. Throws std::runtime_error on failure.
    explicit MailDatabase(MailServer kind);
    ~MailDatabase();
    MailDatabase(const MailDatabase&) = delete;
    MailDatabase& operator=(const MailDatabase&) = delete;

    mysqlpp::Connection& connection() { return *connection_; }
    const std::string& database() const { return database_; }

    // Runs a statement on a second connection to the same database (test set-up that must
    // not show in the statements of the connection under test).
    void Setup(const std::string& statement);
    // Rows of a query, on the second connection; each row's columns joined by "|".
    std::vector<std::string> Rows(const std::string& query);

    // The statements the connection under test sent since the last call (or since it was
    // opened), in order, byte for byte as the client library was given them.
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
