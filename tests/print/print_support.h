#pragma once
// What the print tests share: a private CUPS scheduler with raw queues writing jobs to files,
// the process's CUPS calls pointed at it under a private home, and the PDF printer's driver
// library loaded by its Windows name.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <tessaly/pdf_driver.h>

#include "platform/module.h"
#include "support/prefix.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace tessaly::testing {

namespace print_support_detail {
namespace fs = std::filesystem;

inline std::string madeTemporary(const char* name) {
    std::string pattern = (fs::temp_directory_path() / name).string();
    return mkdtemp(pattern.data());
}
} // namespace print_support_detail

// The process's CUPS calls get a private home before any reads HOME; it goes at exit.
inline const std::string& cupsHome = *[] {
    auto* made = new std::string(print_support_detail::madeTemporary("tessaly-cups-home-XXXXXX"));
    setenv("HOME", made->c_str(), 1);
    setenv("CUPS_SERVERROOT", made->c_str(), 1);
    std::atexit([] { std::filesystem::remove_all(cupsHome); });
    return made;
}();

// Points CUPS calls at a scheduler (kNoScheduler: none), the user's options emptied.
inline constexpr char kNoScheduler[] = "/nonexistent/tessaly-cups.sock";
inline void UseScheduler(const std::string& address) {
    setenv("CUPS_SERVER", address.c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(cupsHome + "/.cups", ec);
    std::filesystem::create_directories(cupsHome + "/.cups", ec);
}

// A private CUPS scheduler in a temporary folder, raw queues whose devices write jobs to
// files; stopped when destroyed. failure: why it does not run.
struct PrintServer {
    std::string root = print_support_detail::madeTemporary("tessaly-cupsd-XXXXXX"),
                address = root + "/cups.sock";
    std::string failure;
    std::unique_ptr<BackgroundProgram> cupsd;

    PrintServer() {
        // Backends run as the scheduler's unprivileged user when it runs as root.
        for (const char* folder : {"/spool/tmp", "/cache", "/state", "/log", ""})
            std::filesystem::create_directories(root + folder),
                std::filesystem::permissions(root + folder, std::filesystem::perms::all);
        std::filesystem::permissions(root + "/spool", std::filesystem::perms::all);
        const std::string r = root, conf = r + "/cupsd.conf", files = r + "/cups-files.conf";
        WriteFile(conf,
                  "Listen " + address + "\nLogLevel warn\nBrowsing No\nWebInterface No\n" +
                      "DefaultAuthType None\n<Policy default>\n<Limit All>\n</Limit>\n</Policy>\n");
        WriteFile(files, "ServerRoot " + r + "\nRequestRoot " + r + "/spool\nCacheDir " + r +
                             "/cache\nStateDir " + r + "/state\nTempDir " + r +
                             "/spool/tmp\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                             "/log/access_log\nPageLog " + r +
                             "/log/page_log\nFileDevice Yes\nServerBin /usr/lib/cups\n");
        cupsd = std::make_unique<BackgroundProgram>(
            std::vector<std::string>{"/usr/sbin/cupsd", "-f", "-c", conf, "-s", files},
            std::vector<std::string>{});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (RunProgram({"lpstat", "-h", address, "-r"}).out != "scheduler is running\n") {
            if (std::chrono::steady_clock::now() > deadline) {
                failure = "cupsd does not listen: " + ReadFile(root + "/log/error_log");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~PrintServer() {
        cupsd.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::string OutputOf(const std::string& queue) const { return root + "/out-" + queue; }
    // A raw queue printing to OutputOf(queue); lpadmin's error text, empty on success.
    std::string AddQueue(const std::string& queue, std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"lpadmin", "-h", address, "-p", queue, "-E", "-v",
                                     "file://" + OutputOf(queue), "-m", "raw"});
        RunResult run = RunProgram(extra);
        return run.status == 0 ? std::string() : run.err + run.out;
    }
};

// The driver library loaded by its Windows name, for its entries.
struct Driver {
    HMODULE module = tessaly::platform::LoadLibraryA("CDIntf.dll");
    template <typename F = PDF_DRIVER_CALL> F entry(const char* name) const {
        return reinterpret_cast<F>(tessaly::platform::GetProcAddress(module, name));
    }
    ~Driver() {
        if (module) tessaly::platform::FreeLibrary(module);
    }
};

} // namespace tessaly::testing
