// The hidden-comment dialog through automation: its lists and remembered choices, what comes
// back, voice import and playback.
#include <tessaly/automation.h>
#include <tessaly/comments.h>
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

#include "platform/prefix.h"
#include "support/prefix.h"
#include "support/qt_app.h"

namespace {

namespace a = tessaly::automation;
constexpr int kReviewer = 1060, kColour = 1248, kText = 1770, kDelete = 1070, kImport = 1140,
              kPlay = 1250;

int colourIndex(a::Dialog& d, const char* name) {
    const std::vector<std::string> items = d.GetItems(kColour);
    return static_cast<int>(std::find(items.begin(), items.end(), name) - items.begin());
}

// The caller's side of one call, preset so that untouched values show.
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
        a::SetMessageBoxHandler([](const auto& box) { return ADD_FAILURE() << box.text, IDOK; });
    }
    void TearDown() override { a::SetDialogHandler(nullptr), a::SetFileChooserHandler(nullptr); }
    int run(Call& call, std::function<void(a::Dialog&)> script) {
        a::SetDialogHandler([&](a::Dialog& d) {
            script(d);
            if (d.IsOpen()) d.PressEscape();
        });
        return ShowCommentDlg(call.mode, call.comment, call.colour, call.tag, call.voice,
                              call.hasVoice, call.other, &call.temporary);
    }
};

} // namespace

// CTest runs each case in its own process: the first dialog has a fresh library's choices.
TEST_F(CommentDialog, FirstDialogOffersEveryoneAndYellowLaterOnesThePreviousChoices) {
    const std::string user(GetUserNameA());
    const std::pair<int, const char*> choices[] = {{0, "Yellow"}, {1, "Red"}, {0, "Red"}};
    Call calls[2];
    for (int i = 0; i < 2; ++i)
        run(calls[i], [&](a::Dialog& d) {
            EXPECT_EQ(d.GetItems(kReviewer), (std::vector<std::string>{"All Reviewers", user}));
            EXPECT_EQ(std::make_pair(d.GetCurSel(kReviewer), d.GetCurSel(kColour)),
                      std::make_pair(choices[i].first, colourIndex(d, choices[i].second)));
            EXPECT_FALSE(d.IsEnabled(kDelete));
            d.SetCurSel(kReviewer, choices[i + 1].first);
            d.SetCurSel(kColour, colourIndex(d, "Red"));
            d.Click(IDOK);
        });
    EXPECT_EQ(calls[0].back(), "comment||[" + user + "]0");
    EXPECT_EQ(calls[1].tag.str() + " " + std::to_string(calls[1].colour), "[ALL] 255");
}

// Rows: stored text, text shown, text typed (null keeps it), button, comment|other|tag and the
// voice flag afterwards (7: untouched). The placeholder decides the flag and the Play button.
TEST_F(CommentDialog, ExistingCommentShowsTheUsersSegmentAndOnlyOkWritesBack) {
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
        const int result = run(call, [&](a::Dialog& d) {
            EXPECT_TRUE(d.IsEnabled(kDelete));
            EXPECT_EQ(d.GetText(kText), shown);
            if (typed) d.SetText(kText, typed);
            EXPECT_EQ(d.IsVisible(kPlay),
                      d.GetText(kText).find("{EMBED VOICE}") != std::string::npos);
            d.Click(ending);
        });
        EXPECT_EQ(result, ending == kDelete ? -1 : ending);
        EXPECT_EQ(call.back(), back);
    }
}

// No sound server answers: Play fails, leaving the temporary copy to the caller, whatever the
// block's size.
TEST_F(CommentDialog, VoiceComesThroughTheChooserAndPlaysFromATemporaryFile) {
    const std::string wav = std::string("RIFF\x24\0\0\0WAVE", 12) + "not really a sound";
    tessaly::testing::WriteFile(c + "/voice.wav", wav);
    std::string answer;
    a::SetFileChooserHandler([&](const auto&) { return answer; });
    for (const std::string& block : {wav, std::string(), std::string(48u << 20, '\0')}) {
        Call call;
        call.voice.SetSize(static_cast<int>(block.size()));
        run(call, [&](a::Dialog& d) {
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
        ASSERT_EQ(call.temporary.GetSize(), 1);
        const std::string path = tessaly::platform::ToPosixPath(call.temporary[0].str());
        EXPECT_EQ(path.substr(path.size() - 4) + tessaly::testing::ReadFile(path), ".wav" + block);
        EXPECT_EQ(call.voice.GetSize() * 10 + call.hasVoice, int(block.size()) * 10 + 1);
    }
}
