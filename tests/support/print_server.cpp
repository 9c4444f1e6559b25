// Starts and stops a private CUPS scheduler for the print tests.
#include "support/print_server.h"

#include <arpa/inet.h>
#include <signal.h>
#include <spawn.h>
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

// Binds port (0: any free one) on the loopback address, or connects to it; the port or -1.
int loopback(int port, bool connectTo) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(uint16_t(port)), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    bool ok = connectTo ? connect(fd, any, length) == 0
                        : bind(fd, any, length) == 0 && getsockname(fd, any, &length) == 0;
    close(fd);
    return ok ? ntohs(address.sin_port) : -1;
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
    static const bool removedAtExit = std::atexit([] {
                                          std::error_code ec;
                                          fs::remove_all(home, ec);
                                      }) == 0;
    (void)removedAtExit;
    return home;
}
const bool homeReady = !privateHome().empty();

} // namespace

void UseCupsServer(const std::string& address) {
    setenv("CUPS_SERVER", address.c_str(), 1);
    std::error_code ec; // the user's options start empty in each test
    fs::remove_all(privateHome() + "/.cups", ec);
    fs::create_directories(privateHome() + "/.cups", ec);
}

PrintServer::PrintServer() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-cupsd-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    for (const char* folder : {"spool/tmp", "cache", "state", "log"})
        fs::create_directories(root_ + "/" + folder);
    // Backends run as the scheduler's unprivileged user when it runs as root.
    for (auto& entry : fs::recursive_directory_iterator(root_))
        fs::permissions(entry.path(), fs::perms::all);
    fs::permissions(root_, fs::perms::all);
    const int port = loopback(0, false);
    address_ = "127.0.0.1:" + std::to_string(port);
    const std::string conf = root_ + "/cupsd.conf", files = root_ + "/cups-files.conf";
    WriteFile(conf, "Listen " + address_ + "\nListen " + root_ + "/cups.sock\n" + R"(LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
)");
    const std::string r = root_;
    WriteFile(files, "ServerRoot " + r + "\nRequestRoot " + r + "/spool\nCacheDir " + r +
                         "/cache\nStateDir " + r + "/state\nTempDir " + r +
                         "/spool/tmp\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                         "/log/access_log\nPageLog " + r +
                         "/log/page_log\nFileDevice Yes\nServerBin /usr/lib/cups\n");
    const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
    if (posix_spawn(&pid_, "/usr/sbin/cupsd", nullptr, nullptr, const_cast<char**>(argv),
                    environ) != 0) {
        pid_ = -1;
        failure_ = "cupsd cannot be started (is cups-daemon installed?)";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    for (int status = 0; loopback(port, true) < 0;) {
        if (waitpid(pid_, &status, WNOHANG) == pid_ ||
            std::chrono::steady_clock::now() > deadline) {
            failure_ = "cupsd does not listen: " + ReadFile(root_ + "/log/error_log");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

PrintServer::~PrintServer() {
    if (pid_ > 0 && kill(pid_, SIGTERM) == 0) waitpid(pid_, nullptr, 0);
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string PrintServer::AddQueue(const std::string& queue, const std::vector<std::string>& extra) {
    std::vector<std::string> arguments{"lpadmin", "-h", address_, "-p",
                                       queue,     "-E", "-v",     "file://" + OutputOf(queue),
                                       "-m",      "raw"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    RunResult run = RunProgram(arguments);
    return run.status == 0 ? std::string() : run.err + run.out;
}

} // namespace tessaly::testing
