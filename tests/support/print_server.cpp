// Starts and stops a private CUPS scheduler for the print tests.
#include "support/print_server.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/prefix.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace fs = std::filesystem;

namespace tessaly::testing {

namespace {

std::string madeTemporary(const char* name) {
    std::string pattern = (fs::temp_directory_path() / name).string();
    return mkdtemp(pattern.data());
}

// The private home exists before any CUPS call of the process reads HOME; it goes at exit
// (kept alive until then).
const std::string& home = *[] {
    auto* made = new std::string(madeTemporary("tessaly-cups-home-XXXXXX"));
    setenv("HOME", made->c_str(), 1);
    setenv("CUPS_SERVERROOT", made->c_str(), 1);
    std::atexit([] { fs::remove_all(home); });
    return made;
}();

} // namespace

void UseCupsServer(const std::string& address) {
    setenv("CUPS_SERVER", address.c_str(), 1);
    std::error_code ec; // the user's options start empty in each test
    fs::remove_all(home + "/.cups", ec);
    fs::create_directories(home + "/.cups", ec);
}

PrintServer::PrintServer()
    : root_(madeTemporary("tessaly-cupsd-XXXXXX")), address_(root_ + "/cups.sock") {
    // Backends run as the scheduler's unprivileged user when it runs as root.
    for (const char* folder : {"/spool/tmp", "/cache", "/state", "/log", ""})
        fs::create_directories(root_ + folder), fs::permissions(root_ + folder, fs::perms::all);
    fs::permissions(root_ + "/spool", fs::perms::all);
    const std::string r = root_, conf = r + "/cupsd.conf", files = r + "/cups-files.conf";
    WriteFile(conf, "Listen " + address_ + "\nLogLevel warn\n" +
                        "Browsing No\nWebInterface No\nDefaultAuthType None\n<Location />\n" +
                        "Order allow,deny\nAllow all\n</Location>\n<Policy default>\n" +
                        "<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n");
    WriteFile(files, "ServerRoot " + r + "\nRequestRoot " + r + "/spool\nCacheDir " + r +
                         "/cache\nStateDir " + r + "/state\nTempDir " + r +
                         "/spool/tmp\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                         "/log/access_log\nPageLog " + r +
                         "/log/page_log\nFileDevice Yes\nServerBin /usr/lib/cups\n");
    if (!fs::exists("/usr/sbin/cupsd")) {
        failure_ = "cupsd is missing (is cups-daemon installed?)";
        return;
    }
    cupsd_ = std::make_unique<BackgroundProgram>(
        std::vector<std::string>{"/usr/sbin/cupsd", "-f", "-c", conf, "-s", files},
        std::vector<std::string>{});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (RunProgram({"lpstat", "-h", address_, "-r"}).out != "scheduler is running\n") {
        if (std::chrono::steady_clock::now() > deadline) {
            failure_ = "cupsd does not listen: " + ReadFile(root_ + "/log/error_log");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

PrintServer::~PrintServer() {
    cupsd_.reset();
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
