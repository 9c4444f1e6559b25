// The hidden-comment dialog through automation: what it shows and remembers, what comes back,
// voice import, playback to temporary files, printing.
#include <tessaly/automation.h>
#include <tessaly/comments.h>
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <tuple>

#include "platform/prefix.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"

namespace {

namespace a = tessaly::automation;
using a::Dialog;
constexpr int kReviewer = 1060, kColour = 1248, kText = 1770, kDelete = 1070, kPrint = 1139,
              kImport = 1140, kPlay = 1250;

int colourIndex(Dialog& d, const char* name) {
    const std::vector<std::string> items = d.GetItems(kColour);
    return static_cast<int>(std::find(items.begin(), items.end(), name) - items.begin());
}

// The caller's side of one call, preset so that untouched values show; back() is comment|other|
// tag and the voice flag afterwards.
struct Call {
    int mode = 1, hasVoice = 7;
    CString comment = "comment", tag = "tag", other = "other";
    DWORD colour = 0xABCDEF;
    CByteArray voice;
    CStringArray temporary;
    std::string back() const {
        return comment.str() + "|" + other.str() + "|" + tag.str() + std::to_string(hasVoice);
    }
};

class CommentDialog : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        setenv("PULSE_SERVER", ("unix:" + prefix_.scratch() + "/none").c_str(), 1);
        a::SetMessageBoxHandler(
            [this](const auto& box) { return messages.push_back(box.text), IDOK; });
    }
    void TearDown() override {
        a::SetDialogHandler(nullptr), a::SetMessageBoxHandler(nullptr);
        a::SetFileChooserHandler(nullptr), a::SetPrintSetupHandler(nullptr);
    }
    // Runs the script on the dialog (Escape if it leaves it open); the dialog's result.
    int run(Call& call, std::function<void(Dialog&)> script) {
        a::SetDialogHandler([&](Dialog& d) {
            script(d);
            if (d.IsOpen()) d.PressEscape();
        });
        return ShowCommentDlg(call.mode, call.comment, call.colour, call.tag, call.voice,
                              call.hasVoice, call.other, &call.temporary);
    }
    std::vector<std::string> messages;
};

} // namespace

// The first case of the program: the choices are those of a freshly loaded library (CTest
// runs each case in a process of its own).
TEST_F(CommentDialog, FirstDialogOffersEveryoneAndYellowLaterOnesThePreviousChoices) {
    const std::string user(GetUserNameA());
    const std::pair<int, const char*> choices[] = {{0, "Yellow"}, {1, "Red"}, {0, "Red"}};
    Call calls[2];
    for (int i = 0; i < 2; ++i)
        run(calls[i], [&](Dialog& d) {
            EXPECT_EQ(d.GetItems(kReviewer), (std::vector<std::string>{"All Reviewers", user}));
            EXPECT_EQ(std::make_pair(d.GetCurSel(kReviewer), d.GetCurSel(kColour)),
                      std::make_pair(choices[i].first, colourIndex(d, choices[i].second)));
            EXPECT_FALSE(d.IsEnabled(kDelete)) << "a new comment";
            d.SetCurSel(kReviewer, choices[i + 1].first);
            d.SetCurSel(kColour, colourIndex(d, "Red"));
            d.Click(IDOK);
        });
    EXPECT_EQ(calls[0].back(), "comment||[" + user + "]0");
    EXPECT_EQ(calls[1].tag.str() + " " + std::to_string(calls[1].colour), "[ALL] 255"); // red
}

// An existing comment (mode 0): the user's segment, "{EMBED VOICE}" for a voice; only OK writes
// back, and the placeholder decides the voice flag and the Play button.
TEST_F(CommentDialog, ExistingCommentShowsTheUsersSegmentAndOnlyOkWritesBack) {
    // Rows: stored text, text shown, text typed (null keeps it), button clicked, what comes
    // back (comment|other|tag and the voice flag, 7 when untouched).
    const std::tuple<const char*, const char*, const char*, int, const char*> rows[] = {
        {"[bob]b{VCE}[ALL]said{VCE}", "{EMBED VOICE}", nullptr, IDOK,
         "{EMBED VOICE}|[bob]b|[ALL]1"},
        {"[ALL]x{VCE}", "{EMBED VOICE}", "typed", IDOK, "typed||[ALL]0"},
        {"[ALL]x", "x", "say {EMBED VOICE}", IDOK, "say {EMBED VOICE}||[ALL]1"},
        {"[bob]b", "", nullptr, IDOK, "||[ALL]0"},
        {"[ALL]x", "x", "changed", kDelete, "[ALL]x|other|tag7"},
    };
    for (const auto& [stored, shown, typed, ending, back] : rows) {
        Call call;
        call.mode = 0, call.comment = stored;
        const int result = run(call, [&](Dialog& d) {
            EXPECT_TRUE(d.IsEnabled(kDelete));
            EXPECT_EQ(d.GetText(kText), shown) << stored;
            if (typed) d.SetText(kText, typed);
            EXPECT_EQ(d.IsVisible(kPlay),
                      d.GetText(kText).find("{EMBED VOICE}") != std::string::npos);
            d.Click(ending);
        });
        EXPECT_EQ(result, ending == kDelete ? -1 : ending);
        EXPECT_EQ(call.back(), back);
    }
}

// A voice chosen in the file chooser, then played: no server answers, so Play gives up at
// once and leaves the temporary copy to the caller; empty and huge blocks the same.
TEST_F(CommentDialog, VoiceComesThroughTheChooserAndPlaysFromATemporaryFile) {
    const std::string wav = std::string("RIFF\x24\0\0\0WAVE", 12) + "not really a sound";
    tessaly::testing::WriteFile(c + "/voice.wav", wav);
    std::vector<a::FileChooserInfo> asked;
    std::string answer;
    a::SetFileChooserHandler([&](const auto& info) { return asked.push_back(info), answer; });
    for (const std::string& block : {wav, std::string(), std::string(48u << 20, '\0')}) {
        Call call;
        call.voice.SetSize(static_cast<int>(block.size()));
        const auto start = std::chrono::steady_clock::now();
        run(call, [&](Dialog& d) {
            if (block == wav) {
                answer = "";
                d.Click(kImport); // cancelled: nothing changes
                EXPECT_EQ(d.GetText(kText) + std::to_string(d.IsVisible(kPlay)), "comment0");
                answer = "C:\\voice.wav";
                d.Click(kImport);
            }
            d.SetText(kText, "{EMBED VOICE}");
            EXPECT_TRUE(d.Click(kPlay));
            d.Click(IDOK);
        });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        ASSERT_EQ(call.temporary.GetSize(), 1);
        EXPECT_EQ(call.temporary[0].Right(4), CString(".wav"));
        const std::string path = tessaly::platform::ToPosixPath(call.temporary[0].str());
        EXPECT_EQ(tessaly::testing::ReadFile(path), block);
        EXPECT_EQ(call.voice.GetSize() * 10 + call.hasVoice, int(block.size()) * 10 + 1);
    }
    ASSERT_EQ(asked.size(), 2u);
    using Filter = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(asked[0].filter, (Filter{{"Sounds(*.wav)", "*.wav"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(asked[0].initialFolder + " " + std::to_string(asked[0].flags),
              GetMyDocumentsFolderEx().str() + " 6"); // hide read-only, overwrite prompt
    EXPECT_TRUE(messages.empty());
}

TEST_F(CommentDialog, PrintPutsTheEditsTextOnOnePage) {
    using Answer = a::PrintSetupAnswer;
    const std::pair<Answer::Action, std::vector<std::string>> rows[] = {
        {Answer::Cancel, {}},
        {Answer::NoDevice, {"You have no default printer!"}},
        {Answer::PdfFile, {}}};
    for (const auto& [action, shown] : rows) {
        const std::string pdf = prefix_.scratch() + "/" + std::to_string(action) + ".pdf";
        a::SetPrintSetupHandler([&] { return Answer{action, pdf, {}}; });
        messages.clear();
        Call call;
        run(call, [&](Dialog& d) { d.SetText(kText, "Printed hidden comment"), d.Click(kPrint); });
        EXPECT_EQ(messages, shown);
        EXPECT_EQ(std::ifstream(pdf).good(), action == Answer::PdfFile);
        if (action != Answer::PdfFile) continue;
        const std::string text = tessaly::testing::RunProgram({"pdftotext", pdf, "-"}).out;
        EXPECT_NE(text.find("Printed hidden comment"), std::string::npos) << text;
        EXPECT_NE(tessaly::testing::RunProgram({"pdfinfo", pdf}).out.find("Pages:           1"),
                  std::string::npos);
    }
}
