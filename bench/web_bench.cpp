// A whole page with 50 resources (images, style sheets that refer to images, scripts) saved
// from a loopback server: SaveWholePage against wget --page-requisites of the same page in
// the same run. The server answers each request after a short delay, as a real one would.
#include <benchmark/benchmark.h>

#include <httplib.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include <tessaly/mail.h>

#include "platform/prefix.h"
#include "tool_run.h"

namespace {

constexpr int kImages = 36, kSheets = 7, kScripts = 7; // 36 + 7 + 7 = 50

struct Site {
    httplib::Server server;
    std::thread thread;
    std::string url, folder;
};

Site& site() {
    static Site* s = [] {
        auto* s = new Site;
        char folder[] = "/tmp/tessaly-web-XXXXXX";
        if (!mkdtemp(folder)) std::perror("mkdtemp");
        s->folder = folder;
        setenv("TESSALY_PREFIX", (s->folder + "/prefix").c_str(), 1);
        tessaly::platform::EnsurePrefix();
        const long delayMs =
            std::getenv("WEB_BENCH_DELAY_MS") ? std::atol(std::getenv("WEB_BENCH_DELAY_MS")) : 2;
        std::string page = "<html><head><title>Bench</title>";
        for (int i = 0; i < kSheets; ++i)
            page += "<link rel=stylesheet href=s" + std::to_string(i) + ".css>";
        for (int i = 0; i < kScripts; ++i)
            page += "<script src=j" + std::to_string(i) + ".js></script>";
        page += "</head><body>";
        for (int i = 0; i < kImages - kSheets; ++i)
            page += "<p>Picture " + std::to_string(i) + " <img src=i" + std::to_string(i) + ".png>";
        page += "</body></html>";
        const std::string picture(24 * 1024, '\x7f');
        const std::string script(8 * 1024, 'x');
        s->server.Get(
            R"(/(\w+)\.(\w+))", [=](const httplib::Request& request, httplib::Response& response) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                const std::string name = request.matches[1], kind = request.matches[2];
                if (kind == "html")
                    response.set_content(page, "text/html");
                else if (kind == "css") // each sheet brings one more picture
                    response.set_content("body { background: url(c" + name.substr(1) + ".png) }",
                                         "text/css");
                else if (kind == "js")
                    response.set_content(script, "application/javascript");
                else
                    response.set_content(picture, "image/png");
            });
        const int port = s->server.bind_to_any_port("127.0.0.1");
        s->thread = std::thread([s] { s->server.listen_after_bind(); });
        while (!s->server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        s->url = "http://127.0.0.1:" + std::to_string(port) + "/index.html";
        return s;
    }();
    return *s;
}

void BM_SaveWholePage(benchmark::State& state) {
    const Site& s = site();
    const std::string file = tessaly::platform::ToWindowsPath(s.folder + "/page.mht");
    for (auto _ : state)
        if (SaveWholePage(s.url.c_str(), file.c_str()) != 0) state.SkipWithError("not saved");
    state.counters["bytes"] =
        static_cast<double>(std::filesystem::file_size(s.folder + "/page.mht"));
}

void BM_WgetPageRequisites(benchmark::State& state) {
    const Site& s = site();
    const std::string target = s.folder + "/wget";
    for (auto _ : state) {
        std::filesystem::remove_all(target);
        // wget gives 0 once every requisite arrived.
        if (tessaly::bench::RunTool({"wget", "-q", "--page-requisites", "--no-host-directories",
                                     "-P", target, s.url}) != 0)
            state.SkipWithError("wget failed");
    }
}

BENCHMARK(BM_SaveWholePage)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();
BENCHMARK(BM_WgetPageRequisites)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
