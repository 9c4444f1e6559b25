// The TLS mail database server of the tests: certificates, system tables, accounts, the
// mariadbd process and its end with the test process.
#include "support/mail_server.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "support/mail_database.h"
#include "support/run.h"

namespace tessaly::testing {

namespace {

namespace fs = std::filesystem;

TlsMailServer* theServer = nullptr;

// Two self-signed CAs, the first one's certificates for the server's names and another name.
const char* const kCertificates = R"(cd "$0"
ca() { openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout $1-key.pem -out $1.pem -subj "$2"; }
signedBy() {
    openssl req -newkey rsa:2048 -nodes -keyout $1-key.pem -out $1.csr -subj /CN=$1
    echo "subjectAltName=$2" > $1.ext
    openssl x509 -req -in $1.csr -CA ca.pem -CAkey ca-key.pem -CAcreateserial -days 2 \
        -out $1.pem -extfile $1.ext
}
ca ca "/CN=Tessaly Test CA"; ca other-ca "/CN=Untrusted Test CA"
signedBy right IP:127.0.0.1,DNS:localhost; signedBy wrong DNS:elsewhere.invalid
cp right.pem server.pem; cp right-key.pem server-key.pem)";

void mustRun(const std::vector<std::string>& line) {
    const RunResult r = RunProgram(line);
    if (r.status != 0) throw std::runtime_error(line[0] + " failed: " + r.err);
}

// A loopback port nobody listens on now.
unsigned freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(s);
    if (!bound) throw std::runtime_error("no free loopback port");
    return ntohs(address.sin_port);
}

} // namespace

TlsMailServer& TlsMailServer::Get() {
    if (!theServer) {
        theServer = new TlsMailServer;
        std::atexit([] {
            std::error_code ec;
            theServer->Stop(), fs::remove_all(theServer->folder(), ec);
        });
        theServer->Start();
        auto admin = theServer->Admin();
        admin->query("create user if not exists 'root'@'127.0.0.1'").exec();
        admin->query("grant all on *.* to 'root'@'127.0.0.1' with grant option").exec();
    }
    return *theServer;
}

TlsMailServer::TlsMailServer() {
    if (MariadbServerProgram().empty()) throw std::runtime_error("mariadbd is not installed");
    root_ = (fs::temp_directory_path() / "tessaly-tlsdb-XXXXXX").string();
    if (!mkdtemp(root_.data())) throw std::runtime_error("cannot make a scratch folder");
    mustRun({"sh", "-ec", kCertificates, root_});
    std::ofstream(passwordFile()) << kPassword << "\n";
    std::vector<std::string> install = {"mariadb-install-db", "--no-defaults"};
    install.insert(install.end(),
                   {"--datadir=" + root_ + "/data", "--auth-root-authentication-method=normal",
                    "--skip-test-db", "--innodb-buffer-pool-size=16M", "--innodb-log-file-size=8M",
                    PrivateTmpdir(root_ + "/")});
    if (geteuid() == 0) install.push_back("--user=root");
    mustRun(install);
    port_ = freePort();
}

void TlsMailServer::Start() {
    const std::string r = root_ + "/";
    pid_ = StartMariadb(r, {"--bind-address=127.0.0.1", "--port=" + std::to_string(port_),
                            "--ssl-ca=" + caFile(), "--ssl-cert=" + r + "server.pem",
                            "--ssl-key=" + r + "server-key.pem", "--require-secure-transport=ON",
                            "--skip-name-resolve", "--innodb-buffer-pool-size=16M",
                            "--innodb-log-file-size=8M", "--max-connections=100"});
}

void TlsMailServer::Stop() {
    if (pid_ > 0) StopMariadb(pid_);
    pid_ = 0;
}

std::unique_ptr<mysqlpp::Connection> TlsMailServer::Admin(const std::string& database) {
    StartTestEmbeddedServer();
    auto connection = std::make_unique<mysqlpp::Connection>(true);
    connection->set_option(new mysqlpp::UseRemoteConnectionOption);
    connection->set_option(new mysqlpp::SetCharsetNameOption(tessaly::maildb::ConnectionCharset()));
    connection->connect(database.empty() ? nullptr : database.c_str(),
                        (root_ + "/mysqld.sock").c_str(), "root", "");
    return connection;
}

std::string TlsMailServer::NewDatabase() {
    const std::string name = "shared" + std::to_string(++databases_);
    tessaly::maildb::InitServerDatabase(*Admin(), name, kUser, kPassword, "127.0.0.1");
    return name;
}

tessaly::maildb::ServerSettings TlsMailServer::Settings(const std::string& database) const {
    return {"127.0.0.1", port_, kUser, kPassword, database, caFile()};
}

void TlsMailServer::ServeWrongName(bool wrong) {
    const std::string r = root_ + "/", from = r + (wrong ? "wrong" : "right");
    fs::copy_file(from + ".pem", r + "server.pem", fs::copy_options::overwrite_existing);
    fs::copy_file(from + "-key.pem", r + "server-key.pem", fs::copy_options::overwrite_existing);
    Admin()->query("flush ssl").exec();
}

} // namespace tessaly::testing
