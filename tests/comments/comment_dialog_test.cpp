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

#include "platform/prefix.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"

namespace {

using tessaly::automation::Dialog;
using Script = std::function<void(Dialog&)>;
enum {
    kReviewer = 1060,
    kColour = 1248,
    kText = 1770,
    kDelete = 1070,
    kPrint = 1139,
    kImport = 1140,
    kPlay = 1250
};

int colourIndex(Dialog& d, const char* name) {
    const std::vector<std::string> items = d.GetItems(1248);
    return static_cast<int>(std::find(items.begin(), items.end(), name) - items.begin());
}

// The caller's side of one call, preset so that untouched values show.
struct Call {
    int mode = 1, hasVoice = 7;
    CString comment = "comment", tag = "tag", other = "other";
    DWORD colour = 0xABCDEF;
    CByteArray voice;
    CStringArray temporary;
};

class CommentDialog : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        setenv("PULSE_SERVER", ("unix:" + prefix_.scratch() + "/none").c_str(), 1);
        tessaly::automation::SetMessageBoxHandler([this](const auto& box) {
            messages.push_back(box.text);
            return IDOK;
        });
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
        tessaly::automation::SetFileChooserHandler(nullptr);
        tessaly::automation::SetPrintSetupHandler(nullptr);
    }
    int run(Call& call, Script script) {
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            script(d);
            if (d.IsOpen()) d.PressEscape();
        });
        return ShowCommentDlg(call.mode, call.comment, call.colour, call.tag, call.voice,
                              call.hasVoice, call.other, &call.temporary);
    }
    std::string temporaryFile(const Call& call) {
        return tessaly::testing::ReadFile(tessaly::platform::ToPosixPath(call.temporary[0].str()));
    }
    std::vector<std::string> messages;
};

} // namespace

// The first case of the program: the choices are those of a freshly loaded library (CTest
// runs each case in a process of its own).
TEST_F(CommentDialog, FirstDialogOffersEveryoneAndYellowLaterOnesThePreviousChoices) {
    const std::string user(GetUserNameA());
    Call first, second;
    EXPECT_EQ(
        run(first,
            [&](Dialog& d) {
                EXPECT_EQ(d.GetItems(kReviewer), (std::vector<std::string>{"All Reviewers", user}));
                EXPECT_EQ(std::make_pair(d.GetCurSel(kReviewer), d.GetCurSel(kColour)),
                          std::make_pair(0, colourIndex(d, "Yellow")));
                EXPECT_EQ(d.GetItems(kColour).size(), 140u);
                EXPECT_FALSE(d.IsEnabled(kDelete)) << "a new comment";
                d.SetCurSel(kReviewer, 1);
                d.SetCurSel(kColour, colourIndex(d, "Red"));
                d.Click(IDOK);
            }),
        IDOK);
    EXPECT_EQ(first.tag.str(), "[" + user + "]");
    EXPECT_EQ(first.colour, 0x0000FFu);
    EXPECT_EQ(std::make_pair(first.comment.str(), first.hasVoice),
              std::make_pair(std::string("comment"), 0));
    run(second, [&](Dialog& d) {
        EXPECT_EQ(std::make_pair(d.GetCurSel(kReviewer), d.GetCurSel(kColour)),
                  std::make_pair(1, colourIndex(d, "Red")));
        d.SetCurSel(kReviewer, 0);
        d.Click(IDOK);
    });
    EXPECT_EQ(second.tag.str(), "[ALL]");
}

TEST_F(CommentDialog, OnlyOkWritesTheCallersValuesBack) {
    const std::pair<int, Script> endings[] = {{IDCANCEL, [](Dialog& d) { d.Click(IDCANCEL); }},
                                              {IDCANCEL, [](Dialog& d) { d.PressEscape(); }},
                                              {-1, [](Dialog& d) { d.Click(kDelete); }}};
    for (const auto& [result, end] : endings) {
        Call call;
        call.mode = 0;
        call.comment = "[ALL]mine";
        EXPECT_EQ(run(call, [&](Dialog& d) { d.SetText(kText, "changed"), end(d); }), result);
        EXPECT_EQ(call.comment.str() + call.tag.str() + call.other.str(), "[ALL]minetagother");
        EXPECT_EQ(std::make_pair(call.colour, call.hasVoice), std::make_pair(0xABCDEFu, 7));
    }
}

TEST_F(CommentDialog, ExistingCommentShowsTheUsersSegmentAndItsVoicePlaceholder) {
    struct Row {
        const char *stored, *shown;
        bool play;
        const char *typed, *comment; // typed: then OK (null keeps the text)
        int hasVoice;
        const char* other;
    } const rows[] = {
        {"[bob]b{VCE}[ALL]note", "note", false, nullptr, "note", 0, "[bob]b"},
        {"[bob]b{VCE}[ALL]said{VCE}", "{EMBED VOICE}", true, nullptr, "{EMBED VOICE}", 1, "[bob]b"},
        {"[ALL]x{VCE}", "{EMBED VOICE}", true, "typed", "typed", 0, ""},
        {"[ALL]x", "x", false, "say {EMBED VOICE}", "say {EMBED VOICE}", 1, ""},
        {"[bob]b", "", false, nullptr, "", 0, ""},
    };
    for (const Row& row : rows) {
        Call call;
        call.mode = 0;
        call.comment = row.stored;
        run(call, [&](Dialog& d) {
            EXPECT_TRUE(d.IsEnabled(kDelete));
            EXPECT_EQ(std::make_pair(d.GetText(kText), d.IsVisible(kPlay)),
                      std::make_pair(std::string(row.shown), row.play))
                << row.stored;
            if (row.typed) d.SetText(kText, row.typed);
            EXPECT_EQ(d.IsVisible(kPlay), row.hasVoice == 1) << row.stored;
            d.Click(IDOK);
        });
        EXPECT_EQ(call.comment.str() + "|" + call.other.str(),
                  std::string(row.comment) + "|" + row.other);
        EXPECT_EQ(call.hasVoice, row.hasVoice) << row.stored;
    }
}

// A voice chosen in the file chooser, then played: no server answers, so Play gives up at
// once and leaves the temporary copy to the caller; empty and huge blocks the same.
TEST_F(CommentDialog, VoiceComesThroughTheChooserAndPlaysFromATemporaryFile) {
    const std::string wav = std::string("RIFF\x24\0\0\0WAVE", 12) + "not really a sound";
    tessaly::testing::WriteFile(c + "/voice.wav", wav);
    std::vector<tessaly::automation::FileChooserInfo> asked;
    std::string answer;
    tessaly::automation::SetFileChooserHandler(
        [&](const auto& info) { return asked.push_back(info), answer; });
    for (const std::string& block :
         {std::string("chosen"), std::string(), std::string(48u << 20, 'x')}) {
        Call call;
        if (block != "chosen") call.voice.SetSize(static_cast<int>(block.size()));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run(call,
                      [&](Dialog& d) {
                          if (block == "chosen") {
                              answer = "";
                              d.Click(kImport); // cancelled: nothing changes
                              EXPECT_EQ(std::make_pair(d.GetText(kText), d.IsVisible(kPlay)),
                                        std::make_pair(std::string("comment"), false));
                              answer = "C:\\voice.wav";
                              d.Click(kImport);
                          } else {
                              d.SetText(kText, "{EMBED VOICE}");
                          }
                          EXPECT_EQ(d.GetText(kText), "{EMBED VOICE}");
                          EXPECT_TRUE(d.Click(kPlay));
                          d.Click(IDOK);
                      }),
                  IDOK);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        ASSERT_EQ(call.temporary.GetSize(), 1);
        EXPECT_EQ(call.temporary[0].Right(4), CString(".wav"));
        EXPECT_EQ(temporaryFile(call), block == "chosen" ? wav : std::string(block.size(), '\0'));
        EXPECT_EQ(call.hasVoice, 1);
    }
    ASSERT_EQ(asked.size(), 2u);
    using Filter = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(asked[0].filter, (Filter{{"Sounds(*.wav)", "*.wav"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(asked[0].initialFolder, GetMyDocumentsFolderEx().str());
    EXPECT_EQ(asked[0].flags, 0x4u | 0x2u); // hide read-only, overwrite prompt
    EXPECT_TRUE(messages.empty());
}

TEST_F(CommentDialog, PrintPutsTheEditsTextOnOnePage) {
    using Answer = tessaly::automation::PrintSetupAnswer;
    const std::tuple<Answer::Action, bool, std::vector<std::string>> rows[] = {
        {Answer::Cancel, false, {}},
        {Answer::NoDevice, false, {"You have no default printer!"}},
        {Answer::PdfFile, true, {}}};
    for (const auto& [action, printed, shown] : rows) {
        const std::string pdf = prefix_.scratch() + "/" + std::to_string(action) + ".pdf";
        tessaly::automation::SetPrintSetupHandler([&] { return Answer{action, pdf}; });
        messages.clear();
        Call call;
        run(call, [&](Dialog& d) { d.SetText(kText, "Printed hidden comment"), d.Click(kPrint); });
        EXPECT_EQ(messages, shown);
        EXPECT_EQ(std::ifstream(pdf).good(), printed);
        if (!printed) continue;
        EXPECT_NE(tessaly::testing::RunProgram({"pdftotext", pdf, "-"})
                      .out.find("Printed hidden comment"),
                  std::string::npos);
        EXPECT_NE(tessaly::testing::RunProgram({"pdfinfo", pdf}).out.find("Pages:           1"),
                  std::string::npos);
    }
}
