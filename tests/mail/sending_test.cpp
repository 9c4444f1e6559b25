// Handing mail to the desktop's mail program: SendMail through our "mapi32.dll" and
// xdg-email to a recording mail program chosen the way xdg-email chooses one (a private
// mimeapps.list naming a .desktop file for mailto: addresses), never through a shell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <tessaly/mail.h>

#include "support/prefix.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

// The fields of a recorded mailto: address, percent-decoded.
std::map<std::string, std::string> fieldsOf(const std::string& url) {
    auto decode = [](const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 2 < text.size()) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += text[i];
            }
        }
        return out;
    };
    std::map<std::string, std::string> fields;
    const size_t query = url.find('?');
    fields["scheme"] = url.substr(0, url.find(':') + 1);
    if (query == std::string::npos) return fields;
    size_t start = query + 1;
    while (start < url.size()) {
        size_t end = url.find('&', start);
        if (end == std::string::npos) end = url.size();
        const std::string pair = url.substr(start, end - start);
        const size_t equals = pair.find('=');
        fields[pair.substr(0, equals)] += decode(pair.substr(equals + 1));
        start = end + 1;
    }
    return fields;
}

class MailHandOver : public PrefixTest {
  protected:
    void SetUp() override {
        const std::string scratch = prefix_.scratch(), build = TESSALY_BUILD_DIR;
        record = scratch + "/handed-over";
        MakeScript("mailer", "printf '%s' \"$1\" > '" + record + "'\nexit $(cat '" + scratch +
                                 "/status' 2>/dev/null || echo 0)\n");
        WriteFile(scratch + "/xdg/applications/mailer.desktop",
                  "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + scratch +
                      "/mailer %u\nMimeType=x-scheme-handler/mailto;\n");
        WriteFile(scratch + "/xdg/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/mailto=mailer.desktop\n");
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
            setenv(name, (scratch + "/xdg").c_str(), 1);
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "MAILER"})
            unsetenv(name);
        // xdg-open asks the desktop's choice only where a display is named; nothing connects.
        setenv("DISPLAY", ":tessaly-none", 1);
        setenv("BROWSER", "false", 1);
        setenv("TESSALY_MODULE_PATH", (build + "/lib:" + build + "/lib/mapi").c_str(), 1);
        fs::current_path(scratch);
    }

    std::string record;
};

// Each row one kind of text; every one reaches the mail program as given (line ends as the
// CR LF mail uses, the code page's characters as UTF-8), and nothing runs a shell on it.
TEST_F(MailHandOver, TextsReachTheMailProgramIntact) {
    const struct {
        const char* rule;
        std::string recipient, subject, body;
        std::string to, wantSubject, wantBody; // UTF-8
    } cases[] = {
        {"plain text", "Ann <ann@x.org>", "Report", "See you.", "Ann <ann@x.org>", "Report",
         "See you."},
        {"quotes and shell metacharacters", "\"Bob\" ; touch INJECTED", "$(touch INJECTED) `id`",
         "a' \"b\" | & > INJECTED", "\"Bob\" ; touch INJECTED", "$(touch INJECTED) `id`",
         "a' \"b\" | & > INJECTED"},
        {"line ends become CR LF", "c@d.ee", "one line", "first\nsecond\r\nthird", "c@d.ee",
         "one line", "first\r\nsecond\r\nthird"},
        {"code-page characters as UTF-8", "J\xfcrgen@x.de", "\xe9t\xe9", "\x80 5",
         "J\xc3\xbcrgen@x.de", "\xc3\xa9t\xc3\xa9", "\xe2\x82\xac 5"},
        {"backslashes, percent signs and leading dashes", "-x@y.zz", "-n",
         "C:\\new\\table 100% & more", "-x@y.zz", "-n", "C:\\new\\table 100% & more"},
        {"empty texts are left out", "", "", "", "", "", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        fs::remove(record);
        std::string recipient = row.recipient, subject = row.subject, body = row.body;
        char unused[] = "ignored";
        EXPECT_EQ(SendMail(unused, recipient.data(), subject.data(), body.data()), 1);
        const auto fields = fieldsOf(ReadFile(record));
        EXPECT_EQ(fields.at("scheme"), "mailto:");
        auto field = [&](const char* name) {
            return fields.count(name) ? fields.at(name) : std::string("<absent>");
        };
        EXPECT_EQ(field("to"), row.to.empty() ? "<absent>" : row.to);
        EXPECT_EQ(field("subject"), row.wantSubject.empty() ? "<absent>" : row.wantSubject);
        EXPECT_EQ(field("body"), row.wantBody.empty() ? "<absent>" : row.wantBody);
        EXPECT_FALSE(fs::exists(prefix_.scratch() + "/INJECTED"));
    }
}

// Success only when the hand-over succeeded.
TEST_F(MailHandOver, FailuresGiveZero) {
    const std::string build = TESSALY_BUILD_DIR;
    const struct {
        const char* rule;
        const char* status;     // the mail program's exit code
        std::string modulePath; // where "mapi32.dll" is looked for
        bool handedOver;
    } cases[] = {
        {"the mail program refuses", "1", build + "/lib:" + build + "/lib/mapi", true},
        {"no mapi32.dll at all", "0", build + "/lib", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        fs::remove(record);
        WriteFile(prefix_.scratch() + "/status", row.status);
        setenv("TESSALY_MODULE_PATH", row.modulePath.c_str(), 1);
        char to[] = "a@b.cc", subject[] = "s", body[] = "b";
        EXPECT_EQ(SendMail(nullptr, to, subject, body), 0);
        EXPECT_EQ(fs::exists(record), row.handedOver);
    }
}

} // namespace
