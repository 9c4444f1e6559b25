// Handing mail to the desktop's mail program: SendMail through our "mapi32.dll" and
// xdg-email to a recording mail program chosen the way xdg-email chooses one (a private
// mimeapps.list naming a .desktop file for mailto: addresses), never through a shell.
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>
#include <tessaly/word_components.h>

#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/shell.h"
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

namespace {

// A part of a draft parsed back: its file name and content.
struct PartRead {
    std::string name, content;
};

// The draft parsed back with GMime: its X-Unsent header and its attachments in order.
bool readDraft(const std::string& path, std::string& unsent, std::vector<PartRead>& parts) {
    static bool ready = (g_mime_init(), true);
    (void)ready;
    GError* error = nullptr;
    GMimeStream* stream = g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, &error);
    if (!stream) return false;
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    if (!message) return false;
    const char* header = g_mime_object_get_header(GMIME_OBJECT(message), "X-Unsent");
    unsent = header ? header : "";
    GMimeObject* body = g_mime_message_get_mime_part(message);
    if (GMIME_IS_MULTIPART(body)) {
        GMimeMultipart* mixed = GMIME_MULTIPART(body);
        for (int i = 0; i < g_mime_multipart_get_count(mixed); ++i) {
            GMimeObject* part = g_mime_multipart_get_part(mixed, i);
            if (!GMIME_IS_PART(part) || GMIME_IS_TEXT_PART(part)) continue;
            GMimeStream* out = g_mime_stream_mem_new();
            g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), out);
            GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
            const char* name = g_mime_part_get_filename(GMIME_PART(part));
            parts.push_back(
                {name ? name : "", std::string(reinterpret_cast<char*>(bytes->data), bytes->len)});
            g_object_unref(out);
        }
    }
    g_object_unref(message);
    return true;
}

class OutlookDrafts : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        const std::string scratch = prefix_.scratch(), build = TESSALY_BUILD_DIR;
        setenv("TESSALY_MODULE_PATH", (build + "/lib").c_str(), 1);
        opened = scratch + "/opened";
        MakeScript("reader", "printf '%s' \"$1\" > '" + opened + "'\n");
        WriteFile(scratch + "/xdg/applications/reader.desktop",
                  "[Desktop Entry]\nType=Application\nName=Reader\nExec=" + scratch +
                      "/reader %f\nMimeType=message/rfc822;\n");
        WriteFile(scratch + "/xdg/mimeapps.list",
                  "[Default Applications]\nmessage/rfc822=reader.desktop\n");
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
            setenv(name, (scratch + "/xdg").c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
        setenv("DISPLAY", ":tessaly-none", 1);
        setenv("BROWSER", "false", 1);
        WriteFile(c + "/Docs/report.txt", "the report\n");
        WriteFile(c + "/Docs/picture.bin", std::string("\x89PNG\0\x01\xff", 7));
    }

    std::vector<std::string> drafts() const {
        std::vector<std::string> files;
        const std::string folder = c + "/users/" + tessaly::platform::PrefixUserName() +
                                   "/Application Data/Tessaly/Drafts";
        if (fs::is_directory(folder))
            for (const auto& entry : fs::directory_iterator(folder))
                files.push_back(entry.path().string());
        return files;
    }

    std::string opened;
};

// Each row one rule of the attachment pairs; every draft parses back whole.
TEST_F(OutlookDrafts, DraftsCarryThePairedAttachments) {
    const struct {
        const char* rule;
        std::vector<std::string> pairs;
        std::vector<PartRead> want;
    } cases[] = {
        {"no pairs: a message without attachments", {}, {}},
        {"a trailing unpaired element is ignored",
         {"C:\\Docs\\report.txt", "Report.txt", "C:\\Docs\\picture.bin"},
         {{"Report.txt", "the report\n"}}},
        {"binary content and code-page names survive",
         {"C:\\Docs\\picture.bin", "Bild \xfc.bin", "C:\\Docs\\report.txt", "r.txt"},
         {{"Bild \xc3\xbc.bin", std::string("\x89PNG\0\x01\xff", 7)}, {"r.txt", "the report\n"}}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        for (const auto& file : drafts())
            fs::remove(file);
        CStringArray pairs;
        for (const auto& element : row.pairs)
            pairs.Add(element.c_str());
        EXPECT_EQ(SendMailMessage(0, pairs), 1);
        const auto files = drafts();
        ASSERT_EQ(files.size(), 1u);
        std::string unsent;
        std::vector<PartRead> parts;
        ASSERT_TRUE(readDraft(files[0], unsent, parts));
        EXPECT_EQ(unsent, "1");
        ASSERT_EQ(parts.size(), row.want.size());
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(parts[i].name, row.want[i].name);
            EXPECT_EQ(parts[i].content, row.want[i].content);
        }
        EXPECT_FALSE(fs::exists(opened)); // not displayed
    }
}

TEST_F(OutlookDrafts, DisplayHandsTheDraftOverAndFailuresAreTold) {
    CStringArray pairs;
    pairs.Add("C:\\Docs\\report.txt");
    pairs.Add("Report.txt");
    EXPECT_EQ(SendMailMessage(1, pairs), 1);
    const auto files = drafts();
    ASSERT_EQ(files.size(), 1u);
    // The shell's open does not wait for the program.
    for (int i = 0; i < 200 && !fs::exists(opened); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(opened));
    EXPECT_EQ(fs::canonical(ReadFile(opened)), fs::canonical(files[0]));

    // A missing attachment is the component's error, raised to the caller.
    pairs.Add("C:\\Docs\\missing.txt");
    pairs.Add("Missing.txt");
    EXPECT_THROW(SendMailMessage(0, pairs), _com_error);

    // A new prefix registers the class; without its programmatic identifier: 0, nothing saved.
    for (const auto& file : drafts())
        fs::remove(file);
    ASSERT_EQ(tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "Outlook.Application"), 0);
    EXPECT_EQ(SendMailMessage(1, pairs), 0);
    EXPECT_TRUE(drafts().empty());
}

// Mail counts as available when win.ini says so and the module is on the search path;
// otherwise the instruction dialog (159) is shown and the answer is 0.
TEST_F(OutlookDrafts, MailIsAvailableWithTheProfileValueAndTheModule) {
    const std::string build = TESSALY_BUILD_DIR;
    const struct {
        const char* rule;
        const char* mapi; // win.ini [MAIL] MAPI; null: the new prefix's own
        std::string modulePath;
        int result;
    } cases[] = {
        {"a new prefix has mail", nullptr, build + "/lib:" + build + "/lib/mapi", 1},
        {"the value 0 means none", "0", build + "/lib:" + build + "/lib/mapi", 0},
        {"no module on the search path", "1", build + "/lib", 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.rule);
        if (row.mapi) tessaly::platform::WriteProfileStringA("MAIL", "MAPI", row.mapi);
        setenv("TESSALY_MODULE_PATH", row.modulePath.c_str(), 1);
        std::vector<UINT> shown;
        tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
            shown.push_back(d.TemplateId());
            d.Click(IDOK); // the instruction dialog has OK only
        });
        EXPECT_EQ(CheckMailAvailable(), row.result);
        tessaly::automation::SetDialogHandler(nullptr);
        EXPECT_EQ(shown, row.result ? std::vector<UINT>{} : std::vector<UINT>{159u});
    }
}

} // namespace
