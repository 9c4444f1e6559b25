#pragma once
// A real mariadbd on a loopback port with TLS (openssl certificates: a CA, the server's for
// 127.0.0.1 and localhost, one for another name, an untrusted second CA), root by the socket
// or 127.0.0.1 without password, and the client account `mailer`. One per test process,
// stopped at its end; TESSALY_TEST_KEEP_DB keeps its folder.
#include <memory>
#include <string>

#include <mysql++/mysql++.h>

#include <tessaly/maildb.h>

namespace tessaly::testing {

class TlsMailServer {
  public:
    // The process's server, started on first use. Throws std::runtime_error.
    static TlsMailServer& Get();

    unsigned port() const { return port_; }
    const std::string& folder() const { return root_; }
    std::string caFile() const { return root_ + "/ca.pem"; }
    std::string untrustedCaFile() const { return root_ + "/other-ca.pem"; }
    static constexpr const char* kUser = "mailer";
    static constexpr const char* kPassword = "s3cret-Pw'd";
    std::string passwordFile() const { return root_ + "/mailer.pw"; } // holds kPassword

    // A fresh database made by the helper's set-up, kUser granted on it.
    std::string NewDatabase();
    // 127.0.0.1, the port, kUser, the trusted CA.
    tessaly::maildb::ServerSettings Settings(const std::string& database) const;
    // root through the socket.
    std::unique_ptr<mysqlpp::Connection> Admin(const std::string& database = "");

    // Start again on the same data and port.
    void Stop();
    void Start();
    // Serves a certificate that names another host (true) or the right one (false).
    void ServeWrongName(bool wrong);

  private:
    TlsMailServer();
    void makeCertificates();

    std::string root_;
    unsigned port_ = 0;
    int pid_ = 0;
    int databases_ = 0;
};

} // namespace tessaly::testing
