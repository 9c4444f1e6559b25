// Connectivity, whole web pages saved from a loopback server and read back with GMime, and the
// maker's home page opened in the browser.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>
#include <tessaly/web_components.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "mime_file.h"
#include "support/cli.h"
#include "support/outside_programs.h"

using namespace tessaly::testing;

namespace {

constexpr const char* kInternetKey = "Software\\Varnholt\\Tessaly2001\\Internet";
const std::string kFailure = "Save E-Mail File Exception";

const char* kPage = R"html(<!DOCTYPE html><html><head><title>Loopback page</title>
<link rel="stylesheet" href="style.css"><link rel="icon" href="/icon.png">
<script src="app.js"></script><style>h1 { background: url( 'inline.png' ) }</style></head>
<body background="bg.png"><img src="pic.png#top"><img src="missing.png"><img src="moved.png">
<img src="loop.png"><img src="slow.png"><img src="hang.png"><img src="flood.png">
<img srcset="small.png 1x, big.png 2x"><p style="background:url(attr.png)">
<iframe src="frame.html"></iframe><img src="data:image/png;base64,AAAA"><img src="pic.png">
<p><b>broken <i>markup <img src=unquoted.png></body>)html";

class WebPages : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        tessaly::automation::SetMessageBoxHandler([this](const auto& info) {
            seen.push_back(info.text);
            return IDOK;
        });
        PutRegDword(HKEY_LOCAL_MACHINE, kInternetKey, "Page Timeout", 1500);
        PutRegDword(HKEY_LOCAL_MACHINE, kInternetKey, "Page Size Limit", 4 << 20);
        serve();
    }
    void TearDown() override {
        tessaly::automation::SetMessageBoxHandler(nullptr);
        stopping = true;
        server.stop();
        if (thread.joinable()) thread.join();
        OutsideProgramTest::TearDown();
    }

    void serve() {
        auto text = [](std::string body, const char* type) {
            return [=](const auto&, auto& r) { r.set_content(body, type); };
        };
        const std::string png("\x89PNG\r\n\x1a\n\0\xff binary", 16);
        for (const char* name :
             {"/pic.png", "/bg.png", "/small.png", "/big.png", "/attr.png", "/inline.png",
              "/icon.png", "/css-bg.png", "/target.png", "/unquoted.png", "/frame-pic.png",
              "/import-pic.png", "/commented.png"})
            server.Get(name, text(png + name, "image/png"));
        server.Get("/page.html", text(kPage, "text/html; charset=utf-8"));
        server.Get("/style.css", text("@import 'more.css';\n/* url(commented.png) */ "
                                      "body { background: url(\"css-bg.png\") }",
                                      "text/css"));
        server.Get("/more.css", text("p { background: url(import-pic.png) }", "text/css"));
        server.Get("/app.js", text("var caf\xC3\xA9 = '=\xE2\x82\xAC';", "application/javascript"));
        server.Get("/frame.html", text("<img src=frame-pic.png>", "text/html"));
        server.Get("/moved.png", [](const auto&, auto& r) { r.set_redirect("/target.png"); });
        server.Get("/loop.png", [](const auto&, auto& r) { r.set_redirect("/loop.png"); });
        server.Get("/page-loop.html",
                   [](const auto&, auto& r) { r.set_redirect("/page-loop.html"); });
        server.Get("/slow.png", [png](const auto&, auto& r) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            r.set_content(png + "/slow.png", "image/png");
        });
        // A trickle that never ends and a flood that never ends.
        auto endless = [this](size_t chunk, int pause) {
            return [=, this](const auto&, auto& r) {
                r.set_chunked_content_provider("image/png", [=, this](size_t, auto& sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(pause));
                    return !stopping && sink.write(std::string(chunk, 'x').data(), chunk);
                });
            };
        };
        server.Get("/hang.png", endless(1, 50));
        server.Get("/flood.png", endless(65536, 0));
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }

    httplib::Server server;
    std::thread thread;
    std::atomic<bool> stopping{false};
    int port = 0;
};

TEST_F(WebPages, ConnectivityResolvesTheMachinesHostAndTheHomePageOpens) {
    const std::string found = "Success. An Internet connection is detected on your computer.";
    const std::string none = "Failure. No Internet connection can be found";
    // The host, whether success and failure are told, the result and the messages seen.
    for (const auto& [host, success, failure, result, seen] :
         {std::tuple{"localhost", 1, 1, 1, Strings{found}},
          {"localhost", 0, 1, 1, Strings{}},
          {"no-such-host.invalid", 1, 1, 0, Strings{none}},
          {"no-such-host.invalid", 1, 0, 0, Strings{}}}) {
        PutRegText(HKEY_LOCAL_MACHINE, kInternetKey, "Check Host", host);
        Expect({});
        EXPECT_EQ(OnCheckInternetConnection(success, failure), result) << host;
        EXPECT_TRUE(Seen(seen)) << host;
    }
    Expect({});
    GotoWeb();
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg http://www.varnholt.com/"}));
}

TEST_F(WebPages, SavedPageHoldsEveryResourceItCouldFetch) {
    const std::string file = WriteFile(c + "/saved.mht", "an older file, replaced");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(SaveWholePage(url("/page.html").c_str(), "C:\\saved.mht"), 0);
    // The endless resources end at the time and size bounds, not the caller's patience.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_TRUE(Seen({}));
    const MimeFile archive = ReadMimeFile(file);
    std::map<std::string, MimePart> parts; // by Content-Location
    for (const MimePart& part : archive.parts)
        parts[part.location] = part;
    EXPECT_EQ(archive.subject, "Loopback page");
    // One way of naming a resource each; text quoted-printable, the rest base64.
    const std::vector<std::string> expected = {
        "/page.html",    "/style.css", "/more.css",   "/app.js",         "/frame.html",
        "/pic.png",      "/bg.png",    "/icon.png",   "/inline.png",     "/small.png",
        "/big.png",      "/attr.png",  "/css-bg.png", "/import-pic.png", "/frame-pic.png",
        "/unquoted.png", "/slow.png",  "/moved.png"};
    for (const auto& path : expected) {
        const auto it = parts.find(url(path));
        ASSERT_NE(it, parts.end()) << path;
        const std::string ext = path.substr(path.rfind('.') + 1);
        const std::string type = ext == "png"  ? "image/png"
                                 : ext == "js" ? "application/javascript"
                                               : "text/" + ext;
        EXPECT_EQ(it->second.type, type) << path;
        EXPECT_EQ(it->second.encoding, type == "image/png" ? "base64" : "quoted-printable") << path;
    }
    EXPECT_EQ(parts.size(), std::size(expected)); // missing, loop, hang, flood left out
    EXPECT_EQ(archive.parts.at(0).location, url("/page.html"));
    // Text travels in MIME's canonical form, lines ending in CR LF.
    EXPECT_EQ(parts.at(url("/page.html")).body,
              std::regex_replace(std::string(kPage), std::regex("\n"), "\r\n"));
    EXPECT_EQ(parts.at(url("/moved.png")).body,
              std::string("\x89PNG\r\n\x1a\n\0\xff binary", 16) + "/target.png");
    EXPECT_EQ(parts.at(url("/app.js")).body, "var caf\xC3\xA9 = '=\xE2\x82\xAC';");
}

// Each way to fail gives 1, the failure message and no file; without the message component
// (the last row), no message either.
TEST_F(WebPages, FailuresGiveOneAndNoFile) {
    for (const auto& [address, file, seen] :
         {std::tuple{std::string("file:///etc/hostname"), "C:\\saved.mht", Strings{kFailure}},
          {"no address at all", "C:\\saved.mht", Strings{kFailure}},
          {url("/missing.html"), "C:\\saved.mht", Strings{kFailure}},
          {url("/page-loop.html"), "C:\\saved.mht", Strings{kFailure}},
          {"http://127.0.0.1:1/p.html", "C:\\saved.mht", Strings{kFailure}},
          {url("/page.html"), "C:\\saved.mht", Strings{}}}) {
        if (seen.empty())
            DeleteRegKey(HKEY_CLASSES_ROOT,
                         "CLSID\\{CD000001-8B95-11D1-82DB-00C04FB1625D}\\InprocServer32");
        Expect({});
        EXPECT_EQ(SaveWholePage(address.c_str(), file), 1) << address;
        EXPECT_TRUE(Seen(seen)) << address;
        EXPECT_FALSE(std::filesystem::exists(c + "/saved.mht")) << address;
    }
}

// The commands: what the function says goes to the output, a failure to the errors with 1.
TEST_F(WebPages, CommandsCheckAndSave) {
    const std::string saved = prefix_.scratch() + "/cli.mht";
    PutRegText(HKEY_LOCAL_MACHINE, kInternetKey, "Check Host", "localhost");
    for (const auto& [args, status, out, err] :
         {std::tuple{Strings{"web", "check"}, 0, "Success. An Internet connection", ""},
          {Strings{"web", "save", url("/page.html"), saved}, 0, saved.c_str(), ""},
          {Strings{"web", "save", "ftp://127.0.0.1/x", saved + "2"}, 1, "", kFailure.c_str()},
          // Saving is not checked by the function: the command finds the file missing.
          {Strings{"web", "save", url("/page.html"), saved + ".d/x"}, 1, "", "was not written"}}) {
        const RunResult r = RunTessalyLimited(args);
        EXPECT_EQ(r.status, status) << args.back() << r.err;
        EXPECT_EQ(r.out.rfind(out, 0), 0u) << r.out;
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadMimeFile(saved).parts.at(0).location, url("/page.html"));
    EXPECT_FALSE(std::filesystem::exists(saved + "2"));
}

} // namespace
