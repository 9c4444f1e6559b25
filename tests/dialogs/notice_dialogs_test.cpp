// The notice dialogs: end codes, their check boxes, and the printed explanation and report.
#include <tessaly/dialogs.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "choices_support.h"
#include "support/registry.h"
#include "support/run.h"

using namespace choices_test;
namespace fs = std::filesystem;
namespace reg = tessaly::testing::reg;
using tessaly::automation::PrintSetupAnswer;

namespace {

const char* const kOptionsKey = "Software\\Varnholt\\Tessaly\\Options";

class NoticeDialogs : public ScriptedDialogs {};

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
    // The pages' scripts, the end code, the pages seen.
    const std::tuple<std::vector<Script>, int, std::vector<int>> cases[] = {
        {{Click(12324), Click(12325)}, 12325, {309, 310}},
        {{Click(12324), Click(12323), Click(IDCANCEL)}, 2, {309, 310, 309}},
        // The first page has nowhere to go back to.
        {{Then([](Dialog& d) { EXPECT_FALSE(d.IsEnabled(12323)); }, Escape())}, 2, {309}},
    };
    for (const auto& [scripts, code, pages] : cases) {
        EXPECT_EQ(Run(scripts, [] { return ShowInsertSoundWizardDlg(); }), code);
        EXPECT_EQ(opened, pages);
    }
}

TEST_F(NoticeDialogs, EscapeNoticeKeepsItsCheckBoxInTheProfile) {
    // In order, each from the profile the one before left: the entry written first (-1: none),
    // the box ticked (-1: left), OK or else Escape (there is no Cancel), the end code, the entry
    // afterwards (-1: absent), whether the notice was shown (with its box clear).
    const std::tuple<long, int, bool, int, long, bool> cases[] = {
        {-1, 1, false, 2, -1, true}, // only OK writes the box back
        {-1, 1, true, 1, 1, true},
        {5, -1, true, 2, 5, false}, // any value but 0 counts as ticked: not seen
        {0, -1, true, 1, 0, true},
    };
    for (const auto& [preset, tick, ok, code, stored, seen] : cases) {
        if (preset >= 0)
            tessaly::testing::PutRegDword(HKEY_CURRENT_USER, kOptionsKey, "Escape Key",
                                          DWORD(preset));
        int shownCheck = -1;
        EXPECT_EQ(Run(
                      [&](Dialog& d) {
                          shownCheck = d.GetCheck(1108);
                          if (tick >= 0) d.SetCheck(1108, tick);
                          ok ? (void)d.Click(IDOK) : d.PressEscape();
                      },
                      [] { return ShowEascapeDlg(); }),
                  code);
        EXPECT_EQ(std::pair(opened.size(), shownCheck),
                  seen ? std::pair(1ul, 0) : std::pair(0ul, -1));
        EXPECT_EQ(reg::Get(HKEY_CURRENT_USER, kOptionsKey, "Escape Key"),
                  stored < 0 ? "" : reg::Dword(DWORD(stored)));
    }
}

TEST_F(NoticeDialogs, BrowserNoticesHandBackTheirCheckBoxAlways) {
    // The notice, its template, the box's state set, the end and its code.
    const std::tuple<int (*)(int*), int, int, Script, int> cases[] = {
        {ShowNeedIEDialog, 306, 0, Click(IDOK), 1},
        {IEFirstInstallDialog, 307, 1, Click(IDCANCEL), 2},
    };
    for (const auto& [show, templateId, tick, end, code] : cases) {
        int state = 7;
        EXPECT_EQ(Run(Then([&](Dialog& d) { d.SetCheck(1108, tick); }, end),
                      [&] { return show(&state); }),
                  code);
        EXPECT_EQ(std::pair(state, opened), std::pair(tick, std::vector<int>{templateId}));
        // A null pointer is answered without storing anything.
        EXPECT_EQ(Run(end, [&] { return show(nullptr); }), code);
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

// Printing ends the dialog with OK, every text in the controls' order and a term running
// straight into its meaning; without a printer it says so and stays open.
TEST_F(NoticeDialogs, StyleExplanationPrintsItsTextsInOrder) {
    using A = PrintSetupAnswer;
    for (A::Action action : {A::PdfFile, A::NoDevice}) {
        const std::string pdf = prefix_.scratch() + "/style.pdf";
        tessaly::automation::SetPrintSetupHandler([&] { return A{action, pdf, {}}; });
        std::string expected;
        const int code = Run(
            [&](Dialog& d) {
                for (int id = 1501; id <= 1514; ++id) {
                    const bool joined =
                        id == 1502 || id == 1504 || id == 1507 || id == 1509 || id == 1511;
                    expected += d.GetText(id) + (joined ? "" : "\n\n");
                }
                d.Click(1046);
                if (d.IsOpen()) d.PressEscape();
            },
            [] { return ShowStyleInfoDlg(); });
        const bool printed = action == A::PdfFile;
        EXPECT_EQ(code, printed ? 1 : 2);
        EXPECT_EQ(messages, printed ? std::vector<std::string>{}
                                    : std::vector<std::string>{"You have no default printer!"});
        if (printed) {
            const auto text =
                tessaly::testing::RunProgram({"pdftotext", "-enc", "UTF-8", pdf, "-"});
            EXPECT_EQ(words(text.out), words(expected));
        }
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
    texts.push_back("It stops when\r\nI open the inbox.");
    std::string expected = texts[0]; // the second text stands three lines above the third
    for (size_t i = 1; i < texts.size(); ++i)
        expected += (i == 2 ? "\n\n\n" : "\n\n") + texts[i];
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
