// Starts and stops a private CUPS scheduler for the print tests.
#include "support/print_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/prefix.h"
#include "support/run.h"

extern char** environ;

namespace fs = std::filesystem;

namespace tessaly::testing {

namespace {

int freeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// The private home exists before any CUPS call of the process reads HOME.
const std::string& privateHome() {
    static const std::string home = [] {
        std::string pattern = (fs::temp_directory_path() / "tessaly-cups-home-XXXXXX").string();
        std::string made = mkdtemp(pattern.data());
        setenv("HOME", made.c_str(), 1);
        setenv("CUPS_SERVERROOT", made.c_str(), 1);
        return made;
    }();
    return home;
}
const bool homeReady = !privateHome().empty();

} // namespace

void UseCupsServer(const std::string& address) {
    setenv("CUPS_SERVER", address.c_str(), 1);
    // One private home per test process; the options file is emptied for each test.
    const std::string& home = privateHome();
    std::error_code ec;
    fs::remove_all(home + "/.cups", ec);
    fs::create_directories(home + "/.cups", ec);
}

PrintServer::PrintServer() {
    if (access("/usr/sbin/cupsd", X_OK) != 0) {
        failure_ = "cupsd is not installed";
        return;
    }
    std::string pattern = (fs::temp_directory_path() / "tessaly-cupsd-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    for (const char* folder : {"spool/tmp", "cache", "state", "log", "ppd"})
        fs::create_directories(root_ + "/" + folder);
    // Backends run as the scheduler's unprivileged user when it runs as root.
    fs::permissions(root_, fs::perms::all);
    for (auto& entry : fs::recursive_directory_iterator(root_))
        fs::permissions(entry.path(), fs::perms::all);
    const int port = freeLoopbackPort();
    address_ = "127.0.0.1:" + std::to_string(port);
    WriteFile(root_ + "/cupsd.conf", "Listen " + address_ + "\nListen " + root_ +
                                         "/cups.sock\nLogLevel warn\nBrowsing No\n"
                                         "WebInterface No\nDefaultAuthType None\n"
                                         "<Location />\n  Order allow,deny\n  Allow all\n"
                                         "</Location>\n<Policy default>\n  <Limit All>\n"
                                         "    Order deny,allow\n  </Limit>\n</Policy>\n");
    WriteFile(root_ + "/cups-files.conf",
              "ServerRoot " + root_ + "\nRequestRoot " + root_ + "/spool\nCacheDir " + root_ +
                  "/cache\nStateDir " + root_ + "/state\nTempDir " + root_ +
                  "/spool/tmp\nErrorLog " + root_ + "/log/error_log\nAccessLog " + root_ +
                  "/log/access_log\nPageLog " + root_ +
                  "/log/page_log\nFileDevice Yes\nServerBin /usr/lib/cups\n"
                  "DataDir /usr/share/cups\n");
    const std::string conf = root_ + "/cupsd.conf", files = root_ + "/cups-files.conf";
    char* argv[] = {const_cast<char*>("cupsd"),
                    const_cast<char*>("-f"),
                    const_cast<char*>("-c"),
                    const_cast<char*>(conf.c_str()),
                    const_cast<char*>("-s"),
                    const_cast<char*>(files.c_str()),
                    nullptr};
    if (posix_spawn(&pid_, "/usr/sbin/cupsd", nullptr, nullptr, argv, environ) != 0) {
        pid_ = -1;
        failure_ = "cupsd cannot be started";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!accepts(port)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            failure_ = "cupsd exited: " + ReadFile(root_ + "/log/error_log");
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            failure_ = "cupsd does not listen on " + address_;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

PrintServer::~PrintServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
}

std::string PrintServer::AddQueue(const std::string& queue, const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"lpadmin", "-h", address_, "-p",
                                       queue,     "-E", "-v",     "file://" + OutputOf(queue),
                                       "-m",      "raw"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    RunResult run = RunProgram(arguments);
    return run.status == 0 ? std::string() : run.err + run.out;
}

std::string PrintServer::DeleteQueue(const std::string& queue) {
    RunResult run = RunProgram({"lpadmin", "-h", address_, "-x", queue});
    return run.status == 0 ? std::string() : run.err + run.out;
}

} // namespace tessaly::testing
