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
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/mail.h>
#include <tessaly/simple_mapi.h>
#include <tessaly/word_components.h>

#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "support/cli.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

// The fields of a recorded mailto: address, percent-decoded.
std::map<std::string, std::string> fieldsOf(const std::string& url) {
    std::map<std::string, std::string> fields{{"scheme", url.substr(0, url.find(':') + 1)}};
    const size_t query = url.find('?');
    std::istringstream pairs(query == std::string::npos ? "" : url.substr(query + 1));
    for (std::string pair; std::getline(pairs, pair, '&');) {
        const size_t equals = pair.find('=');
        gchar* value = g_uri_unescape_string(pair.substr(equals + 1).c_str(), nullptr);
        fields[pair.substr(0, equals)] += value ? value : "<undecodable>";
        g_free(value);
    }
    return fields;
}

const std::string kBuild = TESSALY_BUILD_DIR, kLibOnly = kBuild + "/lib",
                  kWithMapi = kLibOnly + ":" + kBuild + "/lib/mapi";
using Strings = std::vector<std::string>;

// A recording mail program for mailto: addresses and a recording reader for saved messages,
// the desktop's choices through private XDG folders; nothing reaches a real desktop (xdg-open
// asks one only where a display is named, and nothing connects).
class MailHandOver : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        const std::string scratch = prefix_.scratch();
        record = scratch + "/handed-over";
        opened = scratch + "/opened";
        MakeScript("mailer", "printf '%s' \"$1\" > '" + record + "'\nexit $(cat '" + scratch +
                                 "/status' 2>/dev/null || echo 0)\n");
        MakeScript("reader", "printf '%s' \"$1\" > '" + opened + "'\n");
        std::string choices = "[Default Applications]\n";
        for (const auto& [name, type, arg] : {std::tuple{"mailer", "x-scheme-handler/mailto", "%u"},
                                              std::tuple{"reader", "message/rfc822", "%f"}}) {
            WriteFile(scratch + "/xdg/applications/" + name + ".desktop",
                      std::string("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" +
                          scratch + "/" + name + " " + arg + "\nMimeType=" + type + ";\n");
            choices += std::string(type) + "=" + name + ".desktop\n";
        }
        WriteFile(scratch + "/xdg/mimeapps.list", choices);
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
            setenv(name, (scratch + "/xdg").c_str(), 1);
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "MAILER"})
            unsetenv(name);
        setenv("DISPLAY", ":tessaly-none", 1);
        setenv("BROWSER", "false", 1);
        setenv("TESSALY_MODULE_PATH", kWithMapi.c_str(), 1);
        fs::current_path(scratch);
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

    std::string record, opened;
};
class OutlookDrafts : public MailHandOver {};

// Each row one kind of text; every one reaches the mail program as given (line ends as the
// CR LF mail uses, the code page's characters as UTF-8), and nothing runs a shell on it.
TEST_F(MailHandOver, TextsReachTheMailProgramIntact) {
    const struct {
        const char* rule;
        std::string recipient, subject, body, to, wantSubject, wantBody; // wanted in UTF-8
    } cases[] = {
        {"quotes, shell metacharacters, backslashes, percent signs and leading dashes",
         "-\"Bob\" ; touch INJECTED", "-n $(touch INJECTED) `id`",
         "a' \"b\" | & > INJECTED C:\\new 100%", "-\"Bob\" ; touch INJECTED",
         "-n $(touch INJECTED) `id`", "a' \"b\" | & > INJECTED C:\\new 100%"},
        {"line ends become CR LF", "c@d.ee", "one line", "first\nsecond\r\nthird", "c@d.ee",
         "one line", "first\r\nsecond\r\nthird"},
        {"code-page characters as UTF-8", "J\xfcrgen@x.de", "\xe9t\xe9", "\x80 5",
         "J\xc3\xbcrgen@x.de", "\xc3\xa9t\xc3\xa9", "\xe2\x82\xac 5"},
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
        for (const auto& [name, want] :
             {std::pair{"to", row.to}, {"subject", row.wantSubject}, {"body", row.wantBody}})
            EXPECT_EQ(fields.count(name) ? fields.at(name) : "<absent>",
                      want.empty() ? "<absent>" : want)
                << name;
        EXPECT_FALSE(fs::exists(prefix_.scratch() + "/INJECTED"));
    }
}

// Success only when the hand-over succeeded: a refusing mail program, or no "mapi32.dll".
TEST_F(MailHandOver, FailuresGiveZero) {
    for (const auto& [status, modulePath, handedOver] :
         {std::tuple{"1", kWithMapi, true}, std::tuple{"0", kBuild + "/lib", false}}) {
        SCOPED_TRACE(modulePath);
        fs::remove(record);
        WriteFile(prefix_.scratch() + "/status", status);
        setenv("TESSALY_MODULE_PATH", modulePath.c_str(), 1);
        char to[] = "a@b.cc", subject[] = "s", body[] = "b";
        EXPECT_EQ(SendMail(nullptr, to, subject, body), 0);
        EXPECT_EQ(fs::exists(record), handedOver);
    }
}

// The module on its own: a message goes with the dialog flag in a session it opened, or in
// none (a failed log-on leaves 0); anything else is refused with Simple MAPI's code.
TEST_F(MailHandOver, TheModuleNeedsTheDialogFlagAndAKnownSession) {
    namespace p = tessaly::platform;
    HMODULE module = p::LoadLibraryA("mapi32.dll");
    ASSERT_NE(module, nullptr);
    auto logon = reinterpret_cast<LPMAPILOGON>(p::GetProcAddress(module, "MAPILogon"));
    auto send = reinterpret_cast<LPMAPISENDMAIL>(p::GetProcAddress(module, "MAPISendMail"));
    auto logoff = reinterpret_cast<LPMAPILOGOFF>(p::GetProcAddress(module, "MAPILogoff"));
    LHANDLE session = 0, ended = 0;
    ASSERT_EQ(logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &session), SUCCESS_SUCCESS);
    ASSERT_EQ(logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &ended), SUCCESS_SUCCESS);
    EXPECT_EQ(logoff(ended, 0, 0, 0), SUCCESS_SUCCESS);
    char to[] = "a@b.cc";
    MapiRecipDesc recipient{0, MAPI_TO, to, nullptr, 0, nullptr};
    MapiMessage message{};
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    for (const auto& [handle, flags, result] :
         {std::tuple{session, MAPI_DIALOG, SUCCESS_SUCCESS},
          {LHANDLE(0), MAPI_DIALOG, SUCCESS_SUCCESS},
          {session, MAPI_LOGON_UI, MAPI_E_NOT_SUPPORTED},
          {ended, MAPI_DIALOG, MAPI_E_INVALID_SESSION},
          {session + 99, MAPI_DIALOG, MAPI_E_INVALID_SESSION}}) {
        fs::remove(record);
        EXPECT_EQ(send(handle, 0, &message, flags, 0), result) << handle << " " << flags;
        EXPECT_EQ(fs::exists(record), result == SUCCESS_SUCCESS) << handle << " " << flags;
    }
    EXPECT_EQ(logoff(ended, 0, 0, 0), MAPI_E_INVALID_SESSION);
    EXPECT_EQ(logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    p::FreeLibrary(module);
}

class MailSendCommand : public CliTest<MailHandOver> {};

// tessaly mail send: the fields the mail program got (none: nothing handed over), or why not.
TEST_F(MailSendCommand, HandsTheMessageOverOrSaysWhy) {
    using Fields = std::map<std::string, std::string>;
    const Fields to{{"scheme", "mailto:"}, {"to", "a@b.cc"}};
    const struct {
        Strings args;
        const char *refusal, *modulePath; // the mail program's exit status; the module path
        int status;
        const char* message;
        Fields handed;
    } cases[] = {
        {{"--to", "Zo\xc3\xab <z@x.org>", "--subject", "Gr\xc3\xbc\xc3\x9f", "--body", "a\nb"},
         "0",
         kWithMapi.c_str(),
         0,
         "",
         {{"scheme", "mailto:"},
          {"to", "Zo\xc3\xab <z@x.org>"},
          {"subject", "Gr\xc3\xbc\xc3\x9f"},
          {"body", "a\r\nb"}}},
        // A Windows path's drive colon is no name separator; the file goes as its POSIX path.
        {{"--to", "a@b.cc", "--attach", "C:\\Docs\\report.txt:Report.txt"},
         "0",
         kWithMapi.c_str(),
         0,
         "",
         {{"scheme", "mailto:"}, {"to", "a@b.cc"}, {"attach", c + "/Docs/report.txt"}}},
        {{"--to", "a@b.cc", "--attach", "C:\\Docs\\missing.txt"},
         "0",
         kWithMapi.c_str(),
         1,
         "an attachment is not a readable file",
         {}},
        {{"--to", "a@b.cc"}, "1", kWithMapi.c_str(), 1, "the mail program did not take", to},
        {{"--to", "a@b.cc", "--attach", "C:\\Docs\\report.txt"},
         "0",
         kLibOnly.c_str(),
         1,
         "no mapi32.dll on the module path",
         {}},
        {{"--to"}, "0", kWithMapi.c_str(), 2, "--to", {}},
        {{"--cc", "a@b.cc"}, "0", kWithMapi.c_str(), 2, "--cc", {}},
    };
    for (const auto& row : cases) {
        fs::remove(record);
        WriteFile(prefix_.scratch() + "/status", row.refusal);
        setenv("TESSALY_MODULE_PATH", row.modulePath, 1);
        Strings args{"mail", "send"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        Expect({{args, row.status, row.message}});
        EXPECT_EQ(fs::exists(record) ? fieldsOf(ReadFile(record)) : Fields{}, row.handed);
    }
}

// A draft parsed back with GMime: its X-Unsent header and its attachments' names and contents.
bool readDraft(const std::string& path, std::string& unsent,
               std::vector<std::pair<std::string, std::string>>& parts) {
    g_mime_init();
    GMimeStream* stream = g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, nullptr);
    if (!stream) return false;
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    if (!message) return false;
    const char* header = g_mime_object_get_header(GMIME_OBJECT(message), "X-Unsent");
    unsent = header ? header : "";
    GMimeObject* body = g_mime_message_get_mime_part(message);
    for (int i = 0;
         GMIME_IS_MULTIPART(body) && i < g_mime_multipart_get_count(GMIME_MULTIPART(body)); ++i) {
        GMimeObject* part = g_mime_multipart_get_part(GMIME_MULTIPART(body), i);
        if (!GMIME_IS_PART(part) || GMIME_IS_TEXT_PART(part)) continue;
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), out);
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
        const char* name = g_mime_part_get_filename(GMIME_PART(part));
        parts.emplace_back(name ? name : "",
                           std::string(reinterpret_cast<char*>(bytes->data), bytes->len));
        g_object_unref(out);
    }
    g_object_unref(message);
    return true;
}

// Each row one rule of the attachment pairs; every draft parses back whole.
TEST_F(OutlookDrafts, DraftsCarryThePairedAttachments) {
    const struct {
        const char* rule;
        std::vector<std::string> pairs;
        std::vector<std::pair<std::string, std::string>> want;
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
        std::vector<std::pair<std::string, std::string>> parts;
        ASSERT_TRUE(readDraft(files[0], unsent, parts));
        EXPECT_EQ(unsent, "1");
        EXPECT_EQ(parts, row.want);
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
    // win.ini [MAIL] MAPI (null: the new prefix's own), the module search path, the answer.
    for (const auto& [mapi, modulePath, result] :
         {std::tuple{static_cast<const char*>(nullptr), kWithMapi, 1},
          std::tuple{"0", kWithMapi, 0}, std::tuple{"1", kBuild + "/lib", 0}}) {
        SCOPED_TRACE(std::string(mapi ? mapi : "<new prefix>") + " " + modulePath);
        if (mapi) tessaly::platform::WriteProfileStringA("MAIL", "MAPI", mapi);
        setenv("TESSALY_MODULE_PATH", modulePath.c_str(), 1);
        std::vector<UINT> shown;
        tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
            shown.push_back(d.TemplateId());
            d.Click(IDOK); // the instruction dialog has OK only
        });
        EXPECT_EQ(CheckMailAvailable(), result);
        tessaly::automation::SetDialogHandler(nullptr);
        EXPECT_EQ(shown, result ? std::vector<UINT>{} : std::vector<UINT>{159u});
    }
}

} // namespace
