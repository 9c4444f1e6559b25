// The notice dialogs: end codes, their check boxes, and the printed explanation and report.
#include <tessaly/dialogs.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "choices_support.h"
#include "platform/registry.h"
#include "support/registry.h"
#include "support/run.h"

using namespace choices_test;
namespace fs = std::filesystem;
namespace p = tessaly::platform;
using tessaly::automation::PrintSetupAnswer;

namespace {

const char* const kOptionsKey = "Software\\Varnholt\\Tessaly\\Options";

class NoticeDialogs : public ScriptedDialogs {
  protected:
    // The library's profile entry, -1 when absent.
    long ProfileInt(const char* entry) {
        HKEY key = nullptr;
        if (p::RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, p::KEY_READ, &key) != 0) return -1;
        DWORD value = 0, type = 0, size = sizeof value;
        const LONG status =
            p::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        p::RegCloseKey(key);
        return status == 0 && type == REG_DWORD ? static_cast<long>(value) : -1;
    }
};

// Plain notices: the code of each way out, Escape giving 2; a button not offered cannot be clicked.
TEST_F(NoticeDialogs, EachButtonEndsWithItsCode) {
    const struct {
        std::function<int()> show;
        int templateId;
        std::vector<std::pair<int, int>> buttons; // button -> end code
        int hidden;                               // a button the notice does not offer, or 0
    } cases[] = {
        {ShowStartDateDlg, 356, {{IDOK, 1}, {IDCANCEL, 2}}, 1046},
        {ShowCopyChoiceDlg, 23033, {{1402, 1402}}, 0},
        {ShowDialingTipsDlg, 342, {{IDOK, 1}}, 0},
    };
    for (const auto& c : cases) {
        for (const auto& [button, code] : c.buttons) {
            EXPECT_EQ(Run(Click(button), c.show), code) << c.templateId << " button " << button;
            EXPECT_EQ(opened, std::vector<int>{c.templateId});
        }
        EXPECT_EQ(Run(Escape(), c.show), 2);
        if (!c.hidden) continue;
        Run(Then([&](Dialog& d) { EXPECT_FALSE(d.IsVisible(c.hidden) || d.Click(c.hidden)); },
                 Click(IDOK)),
            c.show);
    }
}

TEST_F(NoticeDialogs, SoundWizardWalksItsTwoPages) {
    const struct {
        std::vector<Script> scripts;
        int code;
        std::vector<int> pages;
    } cases[] = {
        {{Click(12324), Click(12325)}, 12325, {309, 310}},
        {{Click(12324), Click(12323), Click(IDCANCEL)}, 2, {309, 310, 309}},
        // The first page has nowhere to go back to.
        {{Then([](Dialog& d) { EXPECT_FALSE(d.IsEnabled(12323)); }, Escape())}, 2, {309}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.scripts, [] { return ShowInsertSoundWizardDlg(); }), c.code);
        EXPECT_EQ(opened, c.pages);
    }
}

TEST_F(NoticeDialogs, EscapeNoticeKeepsItsCheckBoxInTheProfile) {
    // In order: each case starts from the profile the one before left.
    const struct {
        long preset; // written into the profile first, -1: left as it is
        int tick;    // -1: leave
        int end;
        int code;
        long stored; // the profile entry afterwards, -1 absent
        bool seen;
    } cases[] = {
        {-1, 1, IDCANCEL, 2, -1, true}, // only OK writes the box back
        {-1, 1, IDOK, 1, 1, true},
        {5, -1, IDOK, 2, 5, false}, // any value but 0 counts as ticked: not seen
        {0, -1, IDOK, 1, 0, true},
    };
    for (const auto& c : cases) {
        if (c.preset >= 0)
            tessaly::testing::PutRegDword(HKEY_CURRENT_USER, kOptionsKey, "Escape Key",
                                          static_cast<DWORD>(c.preset));
        int shownCheck = -1;
        const int code = Run(
            [&](Dialog& d) {
                shownCheck = d.GetCheck(1108);
                if (c.tick >= 0) d.SetCheck(1108, c.tick);
                if (c.end == IDOK)
                    d.Click(IDOK);
                else
                    d.PressEscape(); // the notice has no Cancel button
            },
            [] { return ShowEascapeDlg(); });
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(opened, c.seen ? std::vector<int>{10} : std::vector<int>{});
        EXPECT_EQ(shownCheck, c.seen ? 0 : -1);
        EXPECT_EQ(ProfileInt("Escape Key"), c.stored);
    }
}

TEST_F(NoticeDialogs, BrowserNoticesHandBackTheirCheckBoxAlways) {
    const struct {
        int (*show)(int*);
        int templateId;
        int tick;
        Script end;
        int code;
    } cases[] = {
        {ShowNeedIEDialog, 306, 0, Click(IDOK), 1},
        {IEFirstInstallDialog, 307, 1, Click(IDCANCEL), 2},
    };
    for (const auto& c : cases) {
        int state = 7;
        const int code = Run(Then([&](Dialog& d) { d.SetCheck(1108, c.tick); }, c.end),
                             [&] { return c.show(&state); });
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(state, c.tick);
        EXPECT_EQ(opened, std::vector<int>{c.templateId});
        // A null pointer is answered without storing anything.
        EXPECT_EQ(Run(c.end, [&] { return c.show(nullptr); }), c.code);
    }
}

// The words of a text, blanks and line breaks of any kind between them made one blank.
std::string words(const std::string& text) {
    std::istringstream in(text);
    std::string word, out;
    while (in >> word)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

// Printing ends the dialog with OK; without a printer it stays open.
TEST_F(NoticeDialogs, StyleExplanationPrintsOnePageInOrder) {
    using A = PrintSetupAnswer;
    const struct {
        A::Action action;
        int code;
        std::vector<std::string> messages;
    } cases[] = {{A::PdfFile, 1, {}}, {A::NoDevice, 2, {"You have no default printer!"}}};
    for (const auto& c : cases) {
        const std::string pdf = prefix_.scratch() + "/style" + std::to_string(c.action) + ".pdf";
        int setups = 0;
        tessaly::automation::SetPrintSetupHandler([&] {
            ++setups;
            return A{c.action, pdf};
        });
        std::vector<std::string> texts;
        bool open = false;
        EXPECT_EQ(Run(
                      [&](Dialog& d) {
                          for (int id = 1501; id <= 1514; ++id)
                              texts.push_back(d.GetText(id));
                          d.Click(1046);
                          open = d.IsOpen();
                          if (open) d.PressEscape();
                      },
                      [] { return ShowStyleInfoDlg(); }),
                  c.code);
        EXPECT_EQ(setups, 1);
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(fs::exists(pdf), c.code == 1);
        if (c.code != 1) continue;
        // Every text, in the controls' order; a term runs straight into its meaning.
        std::string expected;
        for (int id = 1501; id <= 1514; ++id) {
            const bool joined = id == 1502 || id == 1504 || id == 1507 || id == 1509 || id == 1511;
            expected += texts[id - 1501] + (joined ? "" : "\n\n");
        }
        const auto text = tessaly::testing::RunProgram({"pdftotext", "-enc", "UTF-8", pdf, "-"});
        EXPECT_EQ(words(text.out), words(expected));
        const auto info = tessaly::testing::RunProgram({"pdfinfo", pdf});
        EXPECT_TRUE(std::regex_search(info.out, std::regex(R"(Pages:\s+1\n)")));
    }
}

// A stand-in companion module whose PrintText writes the text it is given into a file.
std::string buildRecordingCompanion(const std::string& folder, const std::string& record) {
    fs::create_directories(folder);
    const std::string source = tessaly::testing::WriteFile(folder + "/brennick.cpp", R"(
#include <tessaly/companion.h>
#include <cstdio>
int PrintText(CString text) {
    FILE* file = std::fopen(")" + record + R"(", "wb");
    if (!file) return 0;
    std::fwrite(text.GetString(), 1, static_cast<size_t>(text.GetLength()), file);
    std::fclose(file);
    return 1;
}
)");
    const std::string module = folder + "/libBrennick.so";
    return tessaly::testing::RunProgram({"g++", "-std=c++20", "-shared", "-fPIC",
                                         "-I" TESSALY_SOURCE_DIR "/include", "-o", module, source})
                       .status == 0
               ? module
               : std::string();
}

// The report dialog run in a child started after the recording companion was installed.
TEST_F(NoticeDialogs, TechReportChild) {
    const char* record = std::getenv("TESSALY_TECH_REPORT_RECORD");
    if (!record)
        GTEST_SKIP() << "runs only as the child of TechReportPrintsItsTextsThroughTheCompanion";
    // Printing leaves the dialog open; OK then hands the report back.
    std::vector<std::string> texts;
    CString report = "caller's";
    const int code = Run(
        [&](Dialog& d) {
            for (int id = 1501; id <= 1508; ++id)
                texts.push_back(d.GetText(id));
            d.SetText(1111, "It stops when\r\nI open the inbox.");
            d.Click(1139);
            d.Click(IDOK);
        },
        [&] { return ShowCorvaneTechDlg(report); });
    EXPECT_EQ(code, IDOK);
    EXPECT_EQ(std::string(report), "It stops when\r\nI open the inbox.");
    ASSERT_EQ(texts.size(), 8u);
    std::string expected = texts[0] + "\n\n" + texts[1] + "\n\n\n" + texts[2];
    for (size_t i = 3; i < 8; ++i)
        expected += "\n\n" + texts[i];
    expected += "\n\nIt stops when\r\nI open the inbox.";
    EXPECT_EQ(tessaly::testing::ReadFile(record), expected);
}

TEST_F(NoticeDialogs, TechReportPrintsItsTextsThroughTheCompanion) {
    const std::string folder = prefix_.scratch() + "/install";
    const std::string record = prefix_.scratch() + "/printed.txt";
    ASSERT_FALSE(buildRecordingCompanion(folder, record).empty());
    // The library binds the companion from the installation folder as it loads: a new process.
    tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\INSTALLDIR",
                                 "", tessaly::testing::WindowsPath(folder));
    const auto run = tessaly::testing::RunProgram({fs::read_symlink("/proc/self/exe").string(),
                                                   "--gtest_filter=NoticeDialogs.TechReportChild"},
                                                  {"TESSALY_TECH_REPORT_RECORD=" + record});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
}

} // namespace
