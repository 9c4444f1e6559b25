// The printer table against the CUPS client tools on the same private scheduler in the same
// run: listing 20 queues (ListPrinters against lpstat -v) and reading the default printer
// (DPGetDefaultPrinter against lpstat -d).
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <tessaly/printers.h>

#include "platform/prefix.h"
#include "platform/printers.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using tessaly::bench::RunTool;

constexpr int kQueues = 20;

struct Scheduler {
    std::string root;
    pid_t pid = -1;
    ~Scheduler() {
        if (pid > 0 && kill(pid, SIGTERM) == 0) waitpid(pid, nullptr, 0);
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

bool listening(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(uint16_t(port)), {htonl(INADDR_LOOPBACK)}, {}};
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// A private scheduler with kQueues raw queues, the first the user's default; null when it
// cannot be started.
Scheduler* scheduler() {
    static Scheduler* s = [] {
        auto* s = new Scheduler;
        s->root = (fs::temp_directory_path() / "tessaly-printers-XXXXXX").string();
        if (!mkdtemp(s->root.data())) return (Scheduler*)nullptr;
        const std::string& r = s->root;
        for (const char* folder : {"spool/tmp", "cache", "state", "log", "home", "prefix"})
            fs::create_directories(r + "/" + folder);
        const int port = 20000 + getpid() % 20000;
        const std::string address = "127.0.0.1:" + std::to_string(port);
        std::ofstream(r + "/cupsd.conf")
            << "Listen " << address << "\nLogLevel warn\nBrowsing No\nDefaultAuthType None\n"
            << "<Location />\nOrder allow,deny\nAllow all\n</Location>\n<Policy default>\n"
            << "<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n";
        std::ofstream(r + "/cups-files.conf")
            << "ServerRoot " << r << "\nRequestRoot " << r << "/spool\nCacheDir " << r
            << "/cache\nStateDir " << r << "/state\nTempDir " << r << "/spool/tmp\nErrorLog " << r
            << "/log/error_log\nFileDevice Yes\n";
        const std::string conf = r + "/cupsd.conf", files = r + "/cups-files.conf";
        const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        if (posix_spawn(&s->pid, "/usr/sbin/cupsd", nullptr, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            return (Scheduler*)nullptr;
        for (int i = 0; i < 300 && !listening(port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        setenv("CUPS_SERVER", address.c_str(), 1);
        setenv("HOME", (r + "/home").c_str(), 1);
        setenv("TESSALY_PREFIX", (r + "/prefix").c_str(), 1);
        tessaly::platform::EnsurePrefix();
        for (int q = 0; q < kQueues; ++q) {
            const std::string name = "Queue" + std::to_string(q);
            RunTool({"lpadmin", "-p", name, "-E", "-v", "file:///dev/null", "-m", "raw"});
        }
        RunTool({"lpoptions", "-d", "Queue0"});
        return s;
    }();
    return s;
}

void BM_ListPrinters(benchmark::State& state) {
    if (!scheduler()) return state.SkipWithError("cupsd cannot be started");
    size_t count = 0;
    for (auto _ : state)
        count = tessaly::platform::ListPrinters().size();
    if (count != kQueues) state.SkipWithError("the table misses queues");
}
BENCHMARK(BM_ListPrinters)->Unit(benchmark::kMillisecond);

void BM_LpstatQueues(benchmark::State& state) {
    if (!scheduler()) return state.SkipWithError("cupsd cannot be started");
    for (auto _ : state)
        if (RunTool({"lpstat", "-v"}) != 0) state.SkipWithError("lpstat failed");
}
BENCHMARK(BM_LpstatQueues)->Unit(benchmark::kMillisecond);

void BM_GetDefaultPrinter(benchmark::State& state) {
    if (!scheduler()) return state.SkipWithError("cupsd cannot be started");
    char name[256];
    for (auto _ : state) {
        unsigned long size = sizeof name;
        if (!DPGetDefaultPrinter(name, &size)) state.SkipWithError("no default printer");
    }
}
BENCHMARK(BM_GetDefaultPrinter)->Unit(benchmark::kMillisecond);

void BM_LpstatDefault(benchmark::State& state) {
    if (!scheduler()) return state.SkipWithError("cupsd cannot be started");
    for (auto _ : state)
        if (RunTool({"lpstat", "-d"}) != 0) state.SkipWithError("lpstat failed");
}
BENCHMARK(BM_LpstatDefault)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    delete scheduler();
    return 0;
}
