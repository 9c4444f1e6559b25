// The mail tests' database servers; the statements of the connection under test recorded.
#include "support/mail_database.h"

#include <tessaly/maildb.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dlfcn.h>
#include <mysql.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "support/prefix.h"
#include "support/run.h"

// Every statement goes through mysql_real_query; the test program's own comes first in the
// symbol search, records the bytes and the handle, then calls the client library's.
namespace {
struct SentStatement {
    MYSQL* handle;
    std::string text;
};
std::mutex& sentMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::vector<SentStatement>& sent() {
    static auto* v = new std::vector<SentStatement>;
    return *v;
}
} // namespace

extern "C" __attribute__((visibility("default"))) int
mysql_real_query(MYSQL* mysql, const char* query, unsigned long length) {
    using Real = int (*)(MYSQL*, const char*, unsigned long);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "mysql_real_query"));
    {
        std::lock_guard lock(sentMutex());
        sent().push_back({mysql, std::string(query ? query : "", query ? length : 0)});
    }
    return real(mysql, query, length);
}

namespace tessaly::testing {

namespace {

namespace fs = std::filesystem;

struct Servers {
    std::string root;      // the process's scratch folder
    bool embedded = false; // the embedded server runs
    pid_t serverPid = 0;   // the mariadbd of the process, 0 when none
    std::string socketPath;
    int databases = 0;
};

Servers& servers() {
    static auto* s = new Servers;
    return *s;
}

// Runs after the embedded server's own exit handler; TESSALY_TEST_KEEP_DB keeps the folders.
void cleanUp() {
    Servers& s = servers();
    if (s.serverPid > 0) StopMariadb(s.serverPid);
    std::error_code ec;
    if (!s.root.empty() && !std::getenv("TESSALY_TEST_KEEP_DB")) fs::remove_all(s.root, ec);
}

const std::string& root() {
    Servers& s = servers();
    if (s.root.empty()) {
        std::string dir = (fs::temp_directory_path() / "tessaly-mailtest-XXXXXX").string();
        if (!mkdtemp(dir.data())) throw std::runtime_error("cannot make a scratch folder");
        s.root = dir;
        // Registered before the embedded server starts, so it runs after that server's end.
        std::atexit(cleanUp);
    }
    return s.root;
}

std::string embeddedDir() {
    return root() + "/embedded";
}
std::string serverDir() {
    return root() + "/server";
}

// Small server settings: the tests hold a few rows.
const std::vector<std::string> kSmall = {"--innodb-buffer-pool-size=8M",
                                         "--innodb-log-file-size=4M"};

void startServer() {
    Servers& s = servers();
    if (s.serverPid > 0) return;
    // The server bootstraps an empty data folder itself; no grant tables are needed.
    std::vector<std::string> options = {"--skip-networking", "--skip-grant-tables"};
    options.insert(options.end(), kSmall.begin(), kSmall.end());
    s.serverPid = StartMariadb(serverDir() + "/", options);
    s.socketPath = serverDir() + "/mysqld.sock";
}

} // namespace

std::string MariadbServerProgram() {
    for (const char* candidate : {"/usr/sbin/mariadbd", "/usr/sbin/mysqld", "/usr/bin/mariadbd"})
        if (access(candidate, X_OK) == 0) return candidate;
    return {};
}

std::string PrivateTmpdir(const std::string& folder) {
    fs::create_directories(folder + "tmp");
    return "--tmpdir=" + folder + "tmp";
}

pid_t StartMariadb(const std::string& folder, const std::vector<std::string>& options) {
    const std::string program = MariadbServerProgram(), log = folder + "error.log";
    if (program.empty()) throw std::runtime_error("mariadbd is not installed");
    std::vector<std::string> args = {program, "--no-defaults"};
    args.insert(args.end(),
                {"--datadir=" + folder + "data", "--socket=" + folder + "mysqld.sock",
                 "--pid-file=" + folder + "mysqld.pid", "--log-error=" + log,
                 "--character-set-server=utf8mb4", "--collation-server=utf8mb4_uca1400_nopad_as_ci",
                 PrivateTmpdir(folder)});
    args.insert(args.end(), options.begin(), options.end());
    if (geteuid() == 0) args.push_back("--user=root");
    fs::create_directories(folder + "data");
    fs::remove(log); // a fresh log says when this start takes connections
    const pid_t pid = StartProgramTiedToTest(args);
    if (pid < 0) throw std::runtime_error("cannot start mariadbd");
    for (int i = 0; ReadFile(log).find(": ready for") == std::string::npos; ++i) {
        const bool ended = waitpid(pid, nullptr, WNOHANG) == pid;
        if (ended || i == 1200) { // a minute
            if (!ended) StopMariadb(pid);
            throw std::runtime_error("mariadbd did not start; see " + log);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pid;
}

void StopMariadb(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; waitpid(pid, nullptr, WNOHANG) == 0; ++i) {
        if (i == 600) kill(pid, SIGKILL); // one still starting may not end on SIGTERM
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void StartTestEmbeddedServer() {
    // A program (the benchmark) may have started its own already; the library runs one.
    if (!servers().embedded && tessaly::maildb::EmbeddedDataDir().empty()) {
        std::vector<std::string> options = kSmall;
        options.push_back(PrivateTmpdir(embeddedDir() + "/"));
        tessaly::maildb::StartEmbeddedServer(embeddedDir(), options);
    }
    servers().embedded = true;
}

MailDatabase::MailDatabase(MailServer kind) : kind_(kind) {
    StartTestEmbeddedServer();
    if (kind_ == MailServer::Socket) startServer();
    database_ = "mail" + std::to_string(++servers().databases);
    Reconnect();
}

std::unique_ptr<mysqlpp::Connection> MailDatabase::open() {
    if (kind_ == MailServer::Embedded)
        return tessaly::maildb::OpenEmbedded(embeddedDir(), database_);
    return tessaly::maildb::ConnectSocket(servers().socketPath, database_);
}

void MailDatabase::Reconnect() {
    connection_.reset();
    setup_ = open();
    connection_ = open();
    // A marker statement tells which client handle is ours.
    const std::string marker = "select 'tessaly test connection " + database_ + "'";
    connection_->query(marker).store();
    std::lock_guard lock(sentMutex());
    for (const SentStatement& s : sent())
        if (s.text == marker) handle_ = s.handle;
    sentCount_ = sent().size();
}

void MailDatabase::Setup(const std::string& statement) {
    setup_->query(statement).exec();
}

std::vector<std::string> MailDatabase::Rows(const std::string& query) {
    std::vector<std::string> rows;
    for (const mysqlpp::Row& row : setup_->query(query).store()) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i) line += '|';
            line += row[i].is_null() ? std::string("NULL")
                                     : std::string(row[i].data(), row[i].length());
        }
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> MailDatabase::TakeStatements() {
    std::vector<std::string> texts;
    std::lock_guard lock(sentMutex());
    for (std::size_t i = sentCount_; i < sent().size(); ++i)
        if (sent()[i].handle == handle_) texts.push_back(sent()[i].text);
    sentCount_ = sent().size();
    return texts;
}

} // namespace tessaly::testing
