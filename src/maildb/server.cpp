// Connections to a team's mail database on a MariaDB server over TCP and TLS: settings from
// the caller or the registry, the server certificate's check, and the server's set-up.
#include <tessaly/maildb.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <mysql++/dbdriver.h>
#include <mysql.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "maildb/client_library.h"
#include "platform/registry.h"

namespace tessaly::maildb {

namespace {

// The check the next TLS handshake of this thread must make. The server library of the
// embedded server ignores a client's CA options, so the helper sets them on the handshake
// itself (see SSL_connect below); it works the same under the plain client library.
struct PendingCheck {
    const ServerSettings* settings = nullptr;
    long verifyResult = X509_V_OK;
    bool handshakeSeen = false;
    std::vector<void*> connectors; // TLS contexts the server library made for the connection
};
thread_local PendingCheck pending;

// The embedded server's library never frees the TLS context it makes for a client
// connection; the helper's connections free theirs when they close.
void freeConnectors(std::vector<void*>& connectors) {
    using Free = void (*)(void*);
    static Free release = reinterpret_cast<Free>(dlsym(RTLD_DEFAULT, "free_vio_ssl_acceptor_fd"));
    if (release)
        for (void* connector : connectors)
            release(connector);
    connectors.clear();
}

class ServerConnection : public mysqlpp::Connection {
  public:
    ServerConnection() : mysqlpp::Connection(true) {}
    ~ServerConnection() override {
        disconnect();
        freeConnectors(connectors);
    }
    std::vector<void*> connectors;
};

class CheckScope {
  public:
    CheckScope(const ServerSettings& settings, ServerConnection& connection)
        : connection_(connection) {
        pending = {&settings, X509_V_OK, false, {}};
    }
    ~CheckScope() {
        pending.settings = nullptr;
        connection_.connectors = std::move(pending.connectors);
    }
    CheckScope(const CheckScope&) = delete;
    CheckScope& operator=(const CheckScope&) = delete;

  private:
    ServerConnection& connection_;
};

bool isIpAddress(const std::string& host) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// Makes ssl check the server's chain against the CA file (or the system's store) and its
// name or address against the host. False when the CA file cannot be loaded.
bool requireTrustedServer(SSL* ssl, const ServerSettings& settings) {
    X509_STORE* store = X509_STORE_new();
    if (!store) return false;
    const bool loaded = settings.caFile.empty()
                            ? X509_STORE_set_default_paths(store) == 1
                            : X509_STORE_load_file(store, settings.caFile.c_str()) == 1;
    if (!loaded || SSL_set1_verify_cert_store(ssl, store) != 1) {
        X509_STORE_free(store);
        return false;
    }
    X509_STORE_free(store); // the handshake holds its own reference
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const bool named = isIpAddress(settings.host)
                           ? X509_VERIFY_PARAM_set1_ip_asc(param, settings.host.c_str()) == 1
                           : X509_VERIFY_PARAM_set1_host(param, settings.host.c_str(), 0) == 1;
    SSL_set_verify(ssl, SSL_VERIFY_PEER, nullptr);
    return named;
}

std::string hidden(std::string text, const std::string& secret) {
    if (secret.empty()) return text;
    for (std::size_t at; (at = text.find(secret)) != std::string::npos;)
        text.replace(at, secret.size(), "***");
    return text;
}

std::string where(const ServerSettings& settings) {
    const bool v6 = settings.host.find(':') != std::string::npos;
    return (v6 ? "[" + settings.host + "]" : settings.host) + ":" + std::to_string(settings.port) +
           " as " + settings.user;
}

[[noreturn]] void fail(const ServerSettings& settings, const std::string& text, unsigned number) {
    throw ConnectionError(hidden("cannot connect to the mail database server " + where(settings) +
                                     ": " + text +
                                     (number ? " (" + std::to_string(number) + ")" : ""),
                                 settings.password),
                          number);
}

std::string quoteText(mysqlpp::Connection& connection, const std::string& text) {
    std::string out;
    connection.driver()->escape_string(&out, text.data(), text.size());
    return "'" + out + "'";
}

std::string registryText(HKEY key, const char* name) {
    namespace p = tessaly::platform;
    DWORD type = 0, size = 0;
    if (p::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != 0 || size == 0) return {};
    std::string text(size, '\0');
    if (p::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                            &size) != 0)
        return {};
    text.resize(size);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

bool registryHas(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    return tessaly::platform::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == 0;
}

} // namespace

void ParseServerAddress(const std::string& text, ServerSettings& settings) {
    std::string host = text, port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) throw std::invalid_argument("no \"]\" in " + text);
        host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            throw std::invalid_argument("text after \"]\" in " + text);
        if (!rest.empty()) port = rest.substr(1);
        if (rest == ":") throw std::invalid_argument("no port after \":\" in " + text);
    } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        if (text.find(':') != colon)
            throw std::invalid_argument("an IPv6 address goes in brackets: " + text);
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty()) throw std::invalid_argument("no port after \":\" in " + text);
    }
    if (host.empty()) throw std::invalid_argument("no server host in \"" + text + "\"");
    unsigned number = 3306;
    if (!port.empty()) {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            throw std::invalid_argument("the port \"" + port + "\" is not a number");
        number = static_cast<unsigned>(std::stoul(port));
        if (number < 1 || number > 65535)
            throw std::invalid_argument("the port " + port + " is outside 1..65535");
    }
    settings.host = host;
    settings.port = number;
}

std::string ReadPasswordFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read the password file " + path);
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

ServerSettings ServerSettingsFromRegistry(const std::string& keyPath) {
    namespace p = tessaly::platform;
    HKEY key = nullptr;
    if (p::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, p::KEY_READ, &key) != 0)
        throw std::runtime_error("no mail server settings under HKEY_CURRENT_USER\\" + keyPath);
    struct Closer {
        HKEY key;
        ~Closer() { tessaly::platform::RegCloseKey(key); }
    } closer{key};
    if (registryHas(key, "Password"))
        throw std::runtime_error("the mail server settings hold a password in clear text; "
                                 "name a PasswordFile or a PasswordVariable instead");
    ServerSettings settings;
    const std::string server = registryText(key, "Server");
    if (server.empty()) throw std::runtime_error("the mail server settings name no Server");
    ParseServerAddress(server, settings);
    settings.user = registryText(key, "User");
    if (const std::string database = registryText(key, "Database"); !database.empty())
        settings.database = database;
    settings.caFile = registryText(key, "CAFile");
    DWORD allow = 0, type = 0, size = sizeof allow;
    if (p::RegQueryValueExA(key, "AllowUntrustedCertificate", nullptr, &type,
                            reinterpret_cast<BYTE*>(&allow), &size) == 0 &&
        type == REG_DWORD)
        settings.allowUntrustedCertificate = allow != 0;
    if (const std::string file = registryText(key, "PasswordFile"); !file.empty()) {
        settings.password = ReadPasswordFile(file);
    } else if (const std::string variable = registryText(key, "PasswordVariable");
               !variable.empty()) {
        const char* value = std::getenv(variable.c_str());
        if (!value)
            throw std::runtime_error("the environment variable " + variable +
                                     " of the mail server's password is not set");
        settings.password = value;
    }
    return settings;
}

std::unique_ptr<mysqlpp::Connection> ConnectServer(const ServerSettings& settings) {
    if (!settings.caFile.empty() && !std::ifstream(settings.caFile))
        fail(settings, "cannot read the CA file " + settings.caFile, 0);
    PrepareClientLibrary();
    auto connection = std::make_unique<ServerConnection>();
    connection->set_option(new mysqlpp::SetCharsetNameOption(ConnectionCharset()));
    connection->set_option(new mysqlpp::UseRemoteConnectionOption);
    connection->set_option(new mysqlpp::ProtocolOption(MYSQL_PROTOCOL_TCP));
    connection->set_option(new mysqlpp::ConnectTimeoutOption(settings.connectTimeoutSeconds));
    // TLS on; the plain client library also checks the chain itself when given the CA.
    const bool check = !settings.allowUntrustedCertificate;
    connection->set_option(new mysqlpp::SslOption(
        nullptr, nullptr, check && !settings.caFile.empty() ? settings.caFile.c_str() : nullptr));
    long verifyResult = X509_V_OK;
    bool checked = false;
    try {
        CheckScope scope(settings, *connection);
        connection->connect(settings.database.c_str(), settings.host.c_str(), settings.user.c_str(),
                            settings.password.c_str(), settings.port);
        checked = pending.handshakeSeen;
    } catch (const mysqlpp::Exception& error) {
        std::string text = error.what();
        verifyResult = pending.verifyResult;
        if (verifyResult != X509_V_OK)
            text += " (the server's certificate: " +
                    std::string(X509_verify_cert_error_string(verifyResult)) + ")";
        fail(settings, text, connection->errnum());
    }
    // A server without TLS would have been talked to in the clear: refuse it.
    std::string cipher;
    try {
        const auto rows = connection->query("show session status like 'Ssl_cipher'").store();
        if (!rows.empty()) cipher = std::string(rows[0][1].data(), rows[0][1].length());
    } catch (const mysqlpp::Exception& error) {
        fail(settings, error.what(), connection->errnum());
    }
    if (cipher.empty()) fail(settings, "the server does not speak TLS", 0);
    if (check && !checked) fail(settings, "the server's certificate was not checked", 0);
    return connection;
}

void InitServerDatabase(mysqlpp::Connection& admin, const std::string& database,
                        const std::string& clientUser, const std::string& clientPassword,
                        const std::string& clientHost) {
    admin
        .query("create database if not exists " + quoteName(database) +
               " character set utf8mb4 collate utf8mb4_uca1400_nopad_as_ci")
        .exec();
    if (!admin.select_db(database)) throw std::runtime_error("cannot use the database " + database);
    CreateTables(admin);
    // The services lock one table at a time; on InnoDB, several connections cycling through
    // LOCK TABLES ... READ and ... WRITE get deadlock errors (1213) from the server, while
    // Aria's table locks just queue them. Aria tables are crash-safe (transactional).
    for (const char* table : {"MainAddr", "DistList", "DistMembers"})
        admin.query(std::string("alter table `") + table + "` engine=Aria transactional=1").exec();
    // Clients racing past the services' check-then-insert cannot both add a contact.
    admin
        .query("alter table `MainAddr` add unique key if not exists `MainAddrContact` "
               "(`Name`, `Address`)")
        .exec();
    if (clientUser.empty()) return;
    const std::string account = quoteText(admin, clientUser) + "@" + quoteText(admin, clientHost);
    if (!clientPassword.empty())
        admin
            .query("create user if not exists " + account + " identified by " +
                   quoteText(admin, clientPassword) + " require ssl")
            .exec();
    admin
        .query("grant select, insert, update, delete, lock tables on " + quoteName(database) +
               ".* to " + account)
        .exec();
}

} // namespace tessaly::maildb

// The client library's TLS handshake, run through here: while ConnectServer connects, the
// server's certificate must chain to the settings' CA and name the host; every other
// handshake of the process (other threads, other programs' code) passes unchanged.
extern "C" __attribute__((visibility("default"))) int SSL_connect(SSL* ssl) {
    using Real = int (*)(SSL*);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SSL_connect"));
    auto& check = tessaly::maildb::pending;
    if (!check.settings || check.settings->allowUntrustedCertificate || check.handshakeSeen)
        return real(ssl);
    check.handshakeSeen = true;
    if (!tessaly::maildb::requireTrustedServer(ssl, *check.settings)) return -1;
    const int result = real(ssl);
    if (result != 1) check.verifyResult = SSL_get_verify_result(ssl);
    return result;
}

// The server library's TLS context for a client connection: recorded while ConnectServer
// connects, so the connection frees it (the library itself would not).
extern "C" __attribute__((visibility("default"))) void*
new_VioSSLConnectorFd(const char* key, const char* cert, const char* ca, const char* caPath,
                      const char* cipher, void* error, const char* crl, const char* crlPath) {
    using Real = void* (*)(const char*, const char*, const char*, const char*, const char*, void*,
                           const char*, const char*);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "new_VioSSLConnectorFd"));
    if (!real) return nullptr;
    void* connector = real(key, cert, ca, caPath, cipher, error, crl, crlPath);
    if (connector && tessaly::maildb::pending.settings)
        tessaly::maildb::pending.connectors.push_back(connector);
    return connector;
}
