// Handing mail to the desktop's mail program through our "mapi32.dll" and xdg-email, never a
// shell; drafts of the automation object; whether mail is available.
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

#include "mime_file.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "support/cli.h"

namespace fs = std::filesystem;
using namespace tessaly::testing;

namespace {

// The fields of a recorded mailto: address, percent-decoded; "" holds the part before "?".
std::map<std::string, std::string> fieldsOf(const std::string& url) {
    std::map<std::string, std::string> fields{{"", url.substr(0, url.find('?'))}};
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
// chosen as xdg-email chooses through private XDG folders; no real desktop is reached.
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
        std::error_code missing; // none yet
        for (const auto& entry : fs::directory_iterator(folder, missing))
            files.push_back(entry.path().string());
        return files;
    }

    std::string record, opened;
};

// The module on its own: a message goes with the dialog flag in a session it opened, or in
// none (a failed log-on leaves 0); anything else is refused with Simple MAPI's code.
TEST_F(MailHandOver, TheModuleNeedsTheDialogFlagAndAKnownSession) {
    namespace p = tessaly::platform;
    HMODULE module = p::LoadLibraryA("mapi32.dll");
    ASSERT_NE(module, nullptr);
    auto logon = reinterpret_cast<LPMAPILOGON>(p::GetProcAddress(module, "MAPILogon"));
    auto send = reinterpret_cast<LPMAPISENDMAIL>(p::GetProcAddress(module, "MAPISendMail"));
    auto logoff = reinterpret_cast<LPMAPILOGOFF>(p::GetProcAddress(module, "MAPILogoff"));
    LHANDLE session = 0;
    ASSERT_EQ(logon(0, nullptr, nullptr, MAPI_NEW_SESSION, 0, &session), SUCCESS_SUCCESS);
    MapiMessage message{}; // an empty message goes to the mail program as well
    for (const auto& [handle, flags, result] :
         {std::tuple{session, MAPI_DIALOG, SUCCESS_SUCCESS},
          {LHANDLE(0), MAPI_DIALOG, SUCCESS_SUCCESS},
          {session, MAPI_LOGON_UI, MAPI_E_NOT_SUPPORTED},
          {session + 1, MAPI_DIALOG, MAPI_E_INVALID_SESSION}}) {
        fs::remove(record);
        EXPECT_EQ(send(handle, 0, &message, flags, 0), result) << handle << " " << flags;
        EXPECT_EQ(fs::exists(record), result == SUCCESS_SUCCESS) << handle << " " << flags;
    }
    EXPECT_EQ(logoff(session, 0, 0, 0), SUCCESS_SUCCESS);
    EXPECT_EQ(logoff(session, 0, 0, 0), MAPI_E_INVALID_SESSION);
    p::FreeLibrary(module);
}

class MailSendCommand : public CliTest<MailHandOver> {};

// tessaly mail send: the fields the mail program got (none: nothing handed over), or why not.
// Texts arrive as given (line ends as CR LF, through the code page), never through a shell.
TEST_F(MailSendCommand, HandsTheMessageOverIntactOrSaysWhy) {
    using Fields = std::map<std::string, std::string>;
    const std::string to = "-\"J\xc3\xbcrgen\" ; touch INJECTED", text = "a' \"b\" | & > INJECTED",
                      subject = "-n $(touch INJECTED) `id` \xc3\xa9t\xc3\xa9 C:\\new 100%";
    const struct {
        Strings args;
        int setup; // 1: the mail program refuses, 2: no mapi32.dll on the module path
        int status;
        const char* message;
        Fields handed;
    } cases[] = {
        // clang-format off
        {{"--to", to, "--subject=" + subject, "--body", text + "\nb\r\n\xe2\x82\xac"}, 0, 0, "",
         {{"", "mailto:"}, {"to", to}, {"subject", subject},
          {"body", text + "\r\nb\r\n\xe2\x82\xac"}}},
        // A Windows path's drive colon is no name separator; the file goes as its POSIX path.
        {{"--to", "a@b.cc", "--attach", "C:\\Docs\\report.txt:Report.txt"}, 0, 0, "",
         {{"", "mailto:"}, {"to", "a@b.cc"}, {"attach", c + "/Docs/report.txt"}}},
        {{"--to", "a@b.cc", "--attach", "C:\\Docs\\missing.txt"}, 0, 1,
         "an attachment is not a readable file", {}},
        // Empty texts are left out; a refusing mail program is a failure.
        {{"--to", "a@b.cc"}, 1, 1, "the mail program did not take",
         {{"", "mailto:"}, {"to", "a@b.cc"}}},
        {{"--to", "a@b.cc"}, 2, 1, "the mail program did not take", {}},
        {{"--to"}, 0, 2, "--to", {}},
        // clang-format on
    };
    for (const auto& row : cases) {
        fs::remove(record);
        WriteFile(prefix_.scratch() + "/status", row.setup == 1 ? "1" : "0");
        setenv("TESSALY_MODULE_PATH", (row.setup == 2 ? kLibOnly : kWithMapi).c_str(), 1);
        Strings args{"mail", "send"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        Expect({{args, row.status, row.message}});
        EXPECT_EQ(fs::exists(record) ? fieldsOf(ReadFile(record)) : Fields{}, row.handed);
    }
    EXPECT_FALSE(fs::exists(prefix_.scratch() + "/INJECTED"));
}

// One rule of the pairs or of showing the draft per row; a missing file raises the error.
TEST_F(MailHandOver, DraftsCarryThePairedAttachmentsAndDisplayHandsThemOver) {
    using Attached = std::vector<std::pair<std::string, std::string>>; // names and contents
    // Display, the result (-1: the call throws), the pairs, what the draft has attached.
    const std::tuple<int, int, Strings, Attached> cases[] = {
        // clang-format off
        {0, 1, {}, {}}, // no pairs: a message without attachments
        // Binary content and code-page names survive; a trailing unpaired element is ignored.
        {1, 1, {"C:\\Docs\\picture.bin", "Bild \xfc.bin", "C:\\Docs\\report.txt", "r.txt", "C:\\x"},
         {{"Bild \xc3\xbc.bin", std::string("\x89PNG\0\x01\xff", 7)}, {"r.txt", "the report\n"}}},
        {0, -1, {"C:\\Docs\\missing.txt", "Missing.txt"}, {}},
        // clang-format on
    };
    for (const auto& [display, result, elements, want] : cases) {
        for (const auto& file : drafts())
            fs::remove(file);
        CStringArray pairs;
        for (const auto& element : elements)
            pairs.Add(element.c_str());
        if (result < 0) {
            EXPECT_THROW(SendMailMessage(display, pairs), _com_error);
            continue;
        }
        EXPECT_EQ(SendMailMessage(display, pairs), 1);
        const auto files = drafts();
        ASSERT_EQ(files.size(), 1u);
        const MimeFile draft = ReadMimeFile(files[0]);
        Attached attached;
        for (const MimePart& part : draft.parts)
            if (!part.name.empty()) attached.emplace_back(part.name, part.body);
        EXPECT_EQ(draft.unsent, "1");
        EXPECT_EQ(attached, want);
        // The shell's open does not wait for the program.
        for (int i = 0; i < 200 && display && !fs::exists(opened); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(fs::exists(opened) ? fs::canonical(ReadFile(opened)) : fs::path(),
                  display ? fs::canonical(files[0]) : fs::path());
    }
    // A new prefix registers the class; without its programmatic identifier: 0, nothing saved.
    ASSERT_EQ(tessaly::platform::RegDeleteTreeA(HKEY_CLASSES_ROOT, "Outlook.Application"), 0);
    CStringArray pairs;
    EXPECT_EQ(SendMailMessage(1, pairs), 0);
    EXPECT_TRUE(drafts().empty());
}

// Mail is available with win.ini [MAIL] MAPI (null: the new prefix's own) and the module on the
// search path; otherwise the instruction dialog (159) is shown and the answer is 0.
TEST_F(MailHandOver, MailIsAvailableWithTheProfileValueAndTheModule) {
    for (const auto& [mapi, modulePath, result] :
         {std::tuple{static_cast<const char*>(nullptr), kWithMapi, 1},
          std::tuple{"0", kWithMapi, 0}, std::tuple{"1", kBuild + "/lib", 0}}) {
        if (mapi) tessaly::platform::WriteProfileStringA("MAIL", "MAPI", mapi);
        setenv("TESSALY_MODULE_PATH", modulePath.c_str(), 1);
        std::vector<UINT> shown;
        tessaly::automation::SetDialogHandler([&](tessaly::automation::Dialog& d) {
            shown.push_back(d.TemplateId());
            d.Click(IDOK); // the instruction dialog has OK only
        });
        EXPECT_EQ(CheckMailAvailable(), result) << (mapi ? mapi : "new") << modulePath;
        tessaly::automation::SetDialogHandler(nullptr);
        EXPECT_EQ(shown, result ? std::vector<UINT>{} : std::vector<UINT>{159u}) << modulePath;
    }
}

} // namespace
