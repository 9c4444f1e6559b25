// tessaly web: the connectivity check, a whole page saved as MIME HTML, the maker's home page;
// and the demo's walk, which saves a page from a loopback server of its own.
#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/mail.h>

#include <httplib.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "commands.h"
#include "platform/prefix.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

const char* const kCommand = "web";

// The library's messages (its own dialog and the framework's box) are printed, not shown.
std::string& lastMessage() {
    static std::string text;
    return text;
}
void captureMessages() {
    StartApplication(kCommand, false);
    automation::SetMessageBoxHandler([](const automation::MessageBoxInfo& box) {
        lastMessage() = FromAnsi(box.text);
        return 1;
    });
    automation::SetDialogHandler([](automation::Dialog& dialog) {
        lastMessage() = FromAnsi(dialog.GetText(1501));
        dialog.PressEscape();
    });
}

// A terminal path as the Windows side names it.
std::string windowsPath(const std::string& path) {
    return platform::ToWindowsPath(std::filesystem::absolute(path).lexically_normal().string());
}

} // namespace

void addWebCommands(CLI::App& app) {
    auto* web = app.add_subcommand("web", "Internet connectivity and whole web pages");
    web->require_subcommand(1);

    web->add_subcommand("check", "Whether the machine's check host resolves (exit 1 if not)")
        ->callback([] {
            captureMessages();
            const int connected = OnCheckInternetConnection(1, 1);
            if (!connected) Fail(kCommand, lastMessage());
            std::printf("%s\n", lastMessage().c_str());
        });

    static std::string url, file;
    auto* save = web->add_subcommand("save", "Save a page and its resources as one .mht file");
    save->add_option("URL", url, "http or https address")->required();
    save->add_option("FILE", file, "the archive to write (replaced)")->required();
    save->callback([] {
        captureMessages();
        const std::string target = windowsPath(file);
        if (SaveWholePage(ToAnsi(kCommand, url).c_str(), ToAnsi(kCommand, target).c_str()) != 0)
            Fail(kCommand, url + " could not be saved" +
                               (lastMessage().empty() ? std::string(" (the message component "
                                                                    "is not registered)")
                                                      : ": " + lastMessage()));
        // The function checks only the download; the file itself says whether it was written.
        if (access(file.c_str(), F_OK) != 0) Fail(kCommand, file + " was not written");
        std::printf("%s\n", file.c_str());
    });

    web->add_subcommand("home", "Open the maker's home page in the browser")->callback([] {
        GotoWeb();
    });
}

int RunWebTour() {
    httplib::Server server;
    server.Get("/tour.html", [](const httplib::Request&, httplib::Response& r) {
        r.set_content("<html><head><title>Tour page</title><link rel=stylesheet href=tour.css>"
                      "</head><body><img src=logo.png><p>Saved whole.</body></html>",
                      "text/html");
    });
    server.Get("/tour.css", [](const httplib::Request&, httplib::Response& r) {
        r.set_content("body { background: url(paper.png) }", "text/css");
    });
    for (const char* picture : {"/logo.png", "/paper.png"})
        server.Get(picture, [](const httplib::Request&, httplib::Response& r) {
            r.set_content(std::string("\x89PNG\r\n\x1a\n\0\0\0\0", 12), "image/png");
        });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/tour.html";
    CreateDir("C:\\Tour");
    const int result = SaveWholePage(url.c_str(), "C:\\Tour\\page.mht");
    server.stop();
    serving.join();
    std::printf("  %s %d\n", PadToWidth("SaveWholePage(" + url + ")", kTourColumn).c_str(), result);
    std::ifstream in(platform::ToPosixPath("C:\\Tour\\page.mht"), std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t parts = 0; // each part's own header line, not the message's snapshot header
    for (size_t at = saved.find("\nContent-Location:"); at != std::string::npos;
         at = saved.find("\nContent-Location:", at + 1))
        ++parts;
    std::printf("  %s %zu\n", PadToWidth("parts in C:\\Tour\\page.mht", kTourColumn).c_str(),
                parts);
    return result == 0 && parts == 4 ? 0 : 1;
}

} // namespace tessaly::cli
