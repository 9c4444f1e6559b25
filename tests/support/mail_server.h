#pragma once
// A real mariadbd with TLS on a loopback port, one per test process, stopped at its end; root
// comes by the socket or 127.0.0.1 without password.
#include <memory>
#include <string>

#include <mysql++/mysql++.h>

#include <tessaly/maildb.h>

namespace tessaly::testing {

class TlsMailServer {
  public:
    static TlsMailServer& Get(); // started on first use; throws std::runtime_error
    static constexpr const char* kUser = "mailer";
    static constexpr const char* kPassword = "s3cret-Pw'd";

    unsigned port() const { return port_; }
    const std::string& folder() const { return root_; }
    std::string caFile() const { return root_ + "/ca.pem"; }
    std::string untrustedCaFile() const { return root_ + "/other-ca.pem"; }
    std::string passwordFile() const { return root_ + "/mailer.pw"; } // holds kPassword

    std::string NewDatabase(); // made by the helper's set-up, kUser granted on it
    tessaly::maildb::ServerSettings Settings(const std::string& database) const;  // as kUser
    std::unique_ptr<mysqlpp::Connection> Admin(const std::string& database = ""); // root
    void Stop();
    void Start();                    // again on the same data and port
    void ServeWrongName(bool wrong); // a certificate naming another host, or the right one

  private:
    TlsMailServer();
    std::string root_;
    unsigned port_ = 0;
    int pid_ = 0, databases_ = 0;
};

} // namespace tessaly::testing
