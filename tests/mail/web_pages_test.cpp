// Connectivity, whole web pages saved from a loopback server and read back with GMime, and the
// maker's home page opened in the browser.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>
#include <tessaly/web_components.h>

#include <gmime/gmime.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

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

struct Part {
    std::string type, encoding, body;
};

struct Archive {
    std::string subject, first;        // first: the first part's location
    std::map<std::string, Part> parts; // by Content-Location, bodies decoded
};

Archive readArchive(const std::string& path) {
    g_mime_init();
    Archive archive;
    auto& parts = archive.parts;
    GMimeStream* file = g_mime_stream_file_open(path.c_str(), "rb", nullptr);
    if (!file) return archive;
    GMimeParser* parser = g_mime_parser_new_with_stream(file);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    auto* related = message ? GMIME_MULTIPART(g_mime_message_get_mime_part(message)) : nullptr;
    for (int i = 0; related && i < g_mime_multipart_get_count(related); ++i) {
        auto* part = GMIME_PART(g_mime_multipart_get_part(related, i));
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(part), out);
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
        gchar* type =
            g_mime_content_type_get_mime_type(g_mime_object_get_content_type(GMIME_OBJECT(part)));
        parts[g_mime_part_get_content_location(part)] = {
            type, g_mime_content_encoding_to_string(g_mime_part_get_content_encoding(part)),
            std::string(reinterpret_cast<char*>(bytes->data), bytes->len)};
        if (i == 0) archive.first = g_mime_part_get_content_location(part);
        g_free(type);
        g_object_unref(out);
    }
    if (message) {
        const char* subject = g_mime_message_get_subject(message);
        archive.subject = subject ? subject : "";
        g_object_unref(message);
    }
    g_object_unref(parser);
    g_object_unref(file);
    return archive;
}

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
        auto text = [](const std::string& body, const char* type) {
            return [body, type](const httplib::Request&, httplib::Response& r) {
                r.set_content(body, type);
            };
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
        auto endless = [this](bool flood) {
            return [this, flood](const auto&, auto& r) {
                r.set_chunked_content_provider("image/png", [this, flood](size_t, auto& sink) {
                    if (!flood) std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    return !stopping && sink.write(std::string(flood ? 65536 : 1, 'x').data(),
                                                   flood ? 65536 : 1);
                });
            };
        };
        server.Get("/hang.png", endless(false));
        server.Get("/flood.png", endless(true));
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

TEST_F(WebPages, ConnectivityResolvesTheMachinesHostAndTellsWhenAsked) {
    const std::string found = "Success. An Internet connection is detected on your computer.";
    const struct {
        const char* host;
        int success, failure, result;
        Strings seen;
    } cases[] = {
        {"localhost", 1, 1, 1, {found}},
        {"localhost", 0, 1, 1, {}},
        {"no-such-host.invalid", 1, 1, 0, {"Failure. No Internet connection can be found"}},
        {"no-such-host.invalid", 1, 0, 0, {}},
    };
    for (const auto& c : cases) {
        PutRegText(HKEY_LOCAL_MACHINE, kInternetKey, "Check Host", c.host);
        Expect({});
        EXPECT_EQ(OnCheckInternetConnection(c.success, c.failure), c.result) << c.host;
        EXPECT_TRUE(Seen(c.seen)) << c.host;
    }
}

TEST_F(WebPages, SavedPageHoldsEveryResourceItCouldFetch) {
    const std::string file = c + "/saved.mht";
    WriteFile(file, "an older file, replaced");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(SaveWholePage(url("/page.html").c_str(), "C:\\saved.mht"), 0);
    // The endless resources end at the time and size bounds, not the caller's patience.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_TRUE(Seen({}));
    const Archive archive = readArchive(file);
    const auto& parts = archive.parts;
    EXPECT_EQ(archive.subject, "Loopback page");
    const struct {
        std::string path, type, encoding;
    } expected[] = {
        {"/page.html", "text/html", "quoted-printable"},
        {"/style.css", "text/css", "quoted-printable"},
        {"/more.css", "text/css", "quoted-printable"},
        {"/app.js", "application/javascript", "quoted-printable"},
        {"/frame.html", "text/html", "quoted-printable"},
        {"/pic.png", "image/png", "base64"},
        {"/bg.png", "image/png", "base64"},
        {"/icon.png", "image/png", "base64"},
        {"/inline.png", "image/png", "base64"},
        {"/small.png", "image/png", "base64"},
        {"/big.png", "image/png", "base64"},
        {"/attr.png", "image/png", "base64"},
        {"/css-bg.png", "image/png", "base64"},
        {"/import-pic.png", "image/png", "base64"},
        {"/frame-pic.png", "image/png", "base64"},
        {"/unquoted.png", "image/png", "base64"},
        {"/slow.png", "image/png", "base64"},
        {"/moved.png", "image/png", "base64"}, // under the address the page uses
    };
    for (const auto& e : expected) {
        const auto it = parts.find(url(e.path));
        ASSERT_NE(it, parts.end()) << e.path;
        EXPECT_EQ(it->second.type, e.type) << e.path;
        EXPECT_EQ(it->second.encoding, e.encoding) << e.path;
    }
    EXPECT_EQ(parts.size(), std::size(expected)); // missing, loop, hang, flood left out
    EXPECT_EQ(archive.first, url("/page.html"));
    // Text travels in MIME's canonical form, lines ending in CR LF.
    EXPECT_EQ(parts.at(url("/page.html")).body,
              std::regex_replace(std::string(kPage), std::regex("\n"), "\r\n"));
    EXPECT_EQ(parts.at(url("/moved.png")).body,
              std::string("\x89PNG\r\n\x1a\n\0\xff binary", 16) + "/target.png");
    EXPECT_EQ(parts.at(url("/app.js")).body, "var caf\xC3\xA9 = '=\xE2\x82\xAC';");
}

TEST_F(WebPages, FailuresGiveOneAndNoFile) {
    const std::string missingClass = "CLSID\\{CD000001-8B95-11D1-82DB-00C04FB1625D}";
    const struct {
        std::string url, file;
        bool unregister;
        Strings seen;
    } cases[] = {
        {url("/page.html"), "C:\\nowhere\\saved.mht", false, {kFailure}},
        {"ftp://127.0.0.1/page.html", "C:\\saved.mht", false, {kFailure}},
        {"file:///etc/hostname", "C:\\saved.mht", false, {kFailure}},
        {"no address at all", "C:\\saved.mht", false, {kFailure}},
        {url("/missing.html"), "C:\\saved.mht", false, {kFailure}},
        {url("/page-loop.html"), "C:\\saved.mht", false, {kFailure}},
        {"http://127.0.0.1:1/page.html", "C:\\saved.mht", false, {kFailure}},
        {url("/page.html"), "C:\\saved.mht", true, {}}, // no component: no message either
    };
    for (const auto& c : cases) {
        if (c.unregister)
            DeleteRegKey(HKEY_CLASSES_ROOT, (missingClass + "\\InprocServer32").c_str());
        Expect({});
        EXPECT_EQ(SaveWholePage(c.url.c_str(), c.file.c_str()), 1) << c.url;
        EXPECT_TRUE(Seen(c.seen)) << c.url;
        EXPECT_FALSE(std::filesystem::exists(this->c + "/saved.mht")) << c.url;
    }
}

TEST_F(WebPages, CommandsCheckAndSave) {
    const std::string saved = prefix_.scratch() + "/cli.mht";
    const struct {
        const char* host;
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {"localhost", {"web", "check"}, 0, "Success. An Internet connection is detected", ""},
        {"none.invalid", {"web", "check"}, 1, "", "tessaly: web: Failure. No Internet"},
        {"", {"web", "save", url("/page.html"), saved}, 0, saved, ""},
        {"", {"web", "save", "ftp://127.0.0.1/x", saved + "2"}, 1, "", kFailure},
    };
    for (const auto& c : cases) {
        PutRegText(HKEY_LOCAL_MACHINE, kInternetKey, "Check Host", c.host);
        const RunResult r = RunTessalyLimited(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.back() << r.err;
        EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(readArchive(saved).first, url("/page.html"));
    EXPECT_FALSE(std::filesystem::exists(saved + "2"));
}

TEST_F(WebPages, HomePageOpensInTheBrowser) {
    Expect({});
    GotoWeb();
    EXPECT_EQ(RunsAfter(2), (Strings{"run browser", "arg http://www.varnholt.com/"}));
}

} // namespace
