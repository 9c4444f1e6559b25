#pragma once
// The mail client's database for the mail tests, on the process's embedded server or on a
// private mariadbd (--no-defaults, --skip-networking, a socket in a temporary folder) that
// ends with the process. Every MailDatabase gets a database of its own.
#include <memory>
#include <string>
#include <vector>

#include <mysql++/mysql++.h>

namespace tessaly::testing {

enum class MailServer { Embedded, Socket };

// The mariadbd program, empty when the server package is missing.
std::string MariadbServerProgram();

// Starts the process's one embedded server when not yet running; every connection needs it.
void StartTestEmbeddedServer();

class MailDatabase {
  public:
    // Opens a connection (tables created) in the character set of the prefix's ANSI code
    // page, starting the server when needed. Throws std::runtime_error on failure.
    explicit MailDatabase(MailServer kind);
    ~MailDatabase();
    MailDatabase(const MailDatabase&) = delete;
    MailDatabase& operator=(const MailDatabase&) = delete;

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
