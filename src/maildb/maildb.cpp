// The host side of the mail client's database: the embedded server of a data folder and the
// connections to it or to a server's socket. Not part of the library's interface proper.
#include <tessaly/maildb.h>

#include <mysql.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include "maildb/client_library.h"
#include "platform/codepage.h"

namespace tessaly::maildb {

namespace {

namespace fs = std::filesystem;

struct ServerState {
    std::mutex mutex;
    bool started = false;
    bool ended = false;
    std::string dataDir;
    bool privateDir = false; // made by ConnectSocket only to satisfy the server library
};

ServerState& state() {
    static auto* s = new ServerState; // outlives the exit handler that ends the server
    return *s;
}

void endAtExit() {
    StopEmbeddedServer();
}

// Runs mysql_library_init with the given options; caller holds the state's lock.
void startLocked(ServerState& s, const std::string& dataDir, bool privateDir,
                 const std::vector<std::string>& extraOptions) {
    if (s.ended)
        throw std::runtime_error("the embedded database server cannot start twice in a process");
    std::error_code ec;
    fs::create_directories(dataDir, ec);
    if (!fs::is_directory(dataDir))
        throw std::runtime_error("cannot create the database folder " + dataDir);
    // --no-defaults must come first: no option file of the system or the user is read, so
    // nothing of a server installed on the machine (/var/lib/mysql, its socket) is touched.
    std::vector<std::string> options = {"tessaly-maildb",
                                        "--no-defaults",
                                        "--datadir=" + fs::absolute(dataDir).string(),
                                        "--skip-grant-tables",
                                        "--skip-networking",
                                        "--character-set-server=utf8mb4",
                                        "--collation-server=utf8mb4_uca1400_nopad_as_ci"};
    if (privateDir) {
        // Only the client side is wanted: no storage engine files in the scratch folder.
        options.push_back("--innodb=OFF");
        options.push_back("--default-storage-engine=Aria");
    }
    options.insert(options.end(), extraOptions.begin(), extraOptions.end());
    std::vector<char*> argv;
    for (auto& o : options)
        argv.push_back(o.data());
    argv.push_back(nullptr);
    static const char* groups[] = {"embedded", "server", nullptr};
    if (mysql_library_init(static_cast<int>(options.size()), argv.data(),
                           const_cast<char**>(groups)) != 0)
        throw std::runtime_error("the embedded database server did not start on " + dataDir);
    s.started = true;
    s.dataDir = dataDir;
    s.privateDir = privateDir;
    static bool registered = false;
    if (!registered) {
        registered = true;
        std::atexit(endAtExit);
    }
}

std::unique_ptr<mysqlpp::Connection> newConnection() {
    auto connection = std::make_unique<mysqlpp::Connection>(true);
    connection->set_option(new mysqlpp::SetCharsetNameOption(ConnectionCharset()));
    return connection;
}

void useDatabase(mysqlpp::Connection& connection, const std::string& database) {
    connection
        .query("create database if not exists " + quoteName(database) +
               " character set utf8mb4 collate utf8mb4_uca1400_nopad_as_ci")
        .exec();
    if (!connection.select_db(database))
        throw std::runtime_error("cannot use the database " + database);
    CreateTables(connection);
}

} // namespace

std::string quoteName(const std::string& name) {
    std::string out = "`";
    for (char c : name) {
        if (c == '`') out += '`';
        out += c;
    }
    return out + "`";
}

void StartEmbeddedServer(const std::string& dataDir, const std::vector<std::string>& extraOptions) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.started) {
        std::error_code ec;
        if (!s.privateDir && fs::equivalent(s.dataDir, dataDir, ec)) return;
        throw std::runtime_error("the embedded database server already runs on " + s.dataDir);
    }
    startLocked(s, dataDir, false, extraOptions);
}

std::string EmbeddedDataDir() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.started && !s.privateDir ? s.dataDir : std::string();
}

void StopEmbeddedServer() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.started) return;
    mysql_library_end();
    s.started = false;
    s.ended = true;
    if (s.privateDir) {
        std::error_code ec;
        fs::remove_all(s.dataDir, ec);
    }
}

std::unique_ptr<mysqlpp::Connection> OpenEmbedded(const std::string& dataDir,
                                                  const std::string& database) {
    StartEmbeddedServer(dataDir);
    auto connection = newConnection();
    connection->set_option(new mysqlpp::UseEmbeddedConnectionOption);
    connection->connect(nullptr, nullptr, nullptr, nullptr);
    useDatabase(*connection, database);
    return connection;
}

void PrepareClientLibrary() {
    // The server library starts an embedded server on first use whatever the connection;
    // left to itself it would read the system's option files.
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.started && !s.ended) {
        std::string scratch = (fs::temp_directory_path() / "tessaly-maildb-XXXXXX").string();
        if (!mkdtemp(scratch.data()))
            throw std::runtime_error("cannot make a scratch folder for the server library");
        startLocked(s, scratch, true, {});
    }
}

std::unique_ptr<mysqlpp::Connection> ConnectSocket(const std::string& socketPath,
                                                   const std::string& database,
                                                   const std::string& user,
                                                   const std::string& password) {
    PrepareClientLibrary();
    auto connection = newConnection();
    connection->set_option(new mysqlpp::UseRemoteConnectionOption);
    connection->connect(nullptr, socketPath.c_str(), user.c_str(), password.c_str(), 0);
    useDatabase(*connection, database);
    return connection;
}

void CreateTables(mysqlpp::Connection& connection) {
    // Names and addresses compare without regard to case (the statements of the store rely
    // on it) but keep accents apart, with no padding, so "a" and "a " stay two values.
    // Record and folder ids are keys compared byte for byte.
    static const char* const statements[] = {
        "create table if not exists `MainAddr` ("
        "`RecordID` varchar(64) collate utf8mb4_nopad_bin not null,"
        "`FolderID` varchar(64) collate utf8mb4_nopad_bin default '',"
        "`Name` varchar(255) default '',"
        "`Address` varchar(255) default '',"
        "`first_dt` datetime null,"
        "`hot` int default 0,"
        "primary key (`RecordID`), key `MainAddrFolder` (`FolderID`)"
        ") engine=InnoDB default charset=utf8mb4 collate=utf8mb4_uca1400_nopad_as_ci",
        "create table if not exists `DistList` ("
        "`RecordID` varchar(64) collate utf8mb4_nopad_bin not null,"
        "`FolderID` varchar(64) collate utf8mb4_nopad_bin default '',"
        "`LstName` varchar(255) default '',"
        "primary key (`RecordID`), key `DistListFolder` (`FolderID`)"
        ") engine=InnoDB default charset=utf8mb4 collate=utf8mb4_uca1400_nopad_as_ci",
        "create table if not exists `DistMembers` ("
        "`RecordID` varchar(64) collate utf8mb4_nopad_bin not null,"
        "`LstRec` varchar(64) collate utf8mb4_nopad_bin default '',"
        "`IsCont` int default 0,"
        "`ContRec` varchar(64) collate utf8mb4_nopad_bin default '',"
        "`Name` varchar(255) default '',"
        "`email` varchar(255) default '',"
        "primary key (`RecordID`), key `DistMembersList` (`LstRec`)"
        ") engine=InnoDB default charset=utf8mb4 collate=utf8mb4_uca1400_nopad_as_ci",
    };
    for (const char* statement : statements)
        connection.query(statement).exec();
}

std::string ConnectionCharset() {
    switch (tessaly::platform::GetACP()) {
    case 874:
        return "tis620";
    case 932:
        return "cp932";
    case 936:
        return "gbk";
    case 949:
        return "euckr";
    case 950:
        return "big5";
    case 1250:
        return "cp1250";
    case 1251:
        return "cp1251";
    case 1253:
        return "greek";
    case 1254:
        return "latin5";
    case 1255:
        return "hebrew";
    case 1256:
        return "cp1256";
    case 1257:
        return "cp1257";
    default:
        return "latin1"; // the server's latin1 is Windows-1252
    }
}

} // namespace tessaly::maildb
