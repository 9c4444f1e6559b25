// The hidden-comment dialog driven through automation: what it shows, remembers, writes back,
// imports through the file chooser, plays and prints.
#include <tessaly/automation.h>
#include <tessaly/comments.h>
#include <tessaly/foundation.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "comments/comments_internal.h"
#include "platform/prefix.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"
#include "text/words_internal.h"

namespace {

using tessaly::automation::Dialog;
using tessaly::testing::ReadFile;
using tessaly::testing::WindowsPath;
using tessaly::testing::WriteFile;

enum {
    kReviewer = 1060,
    kColour = 1248,
    kText = 1770,
    kDelete = 1070,
    kPrint = 1139,
    kImport = 1140,
    kPlay = 1250
};

int colourIndex(const char* name) {
    for (int i = 0; i < tessaly::text::kNamedColourCount; ++i)
        if (std::string(tessaly::text::kNamedColours[i].name) == name) return i;
    return -1;
}
DWORD colourValue(const char* name) {
    return tessaly::text::kNamedColours[colourIndex(name)].colour;
}

// The caller's side of one call, preset so that untouched values show.
struct Call {
    int mode = 1;
    CString comment = "comment";
    DWORD colour = 0xABCDEF;
    CString tag = "tag";
    CByteArray voice;
    int hasVoice = 7;
    CString other = "other";
    CStringArray temporary;
};

class CommentDialog : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        tessaly::comments::ForgetRememberedChoices();
        // No sound server answers here unless a test starts one.
        setenv("PULSE_SERVER", ("unix:" + prefix_.scratch() + "/no-server").c_str(), 1);
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
        unsetenv("PULSE_SERVER");
    }
    int run(Call& call, std::function<void(Dialog&)> script) {
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            script(d);
            if (d.IsOpen()) d.PressEscape();
        });
        return ShowCommentDlg(call.mode, call.comment, call.colour, call.tag, call.voice,
                              call.hasVoice, call.other, &call.temporary);
    }
    std::vector<std::string> messages;
};

CByteArray bytesOf(const std::string& data) {
    CByteArray bytes;
    for (char ch : data)
        bytes.Add(static_cast<BYTE>(ch));
    return bytes;
}
std::string stringOf(const CByteArray& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.GetData()), bytes.GetSize());
}

} // namespace

TEST_F(CommentDialog, FirstDialogOffersEveryoneAndYellowLaterOnesThePreviousChoices) {
    const std::string user(GetUserNameA());
    Call first;
    first.comment = "hello";
    EXPECT_EQ(
        run(first,
            [&](Dialog& d) {
                EXPECT_EQ(d.Caption(), "Hidden Comments");
                EXPECT_EQ(d.GetItems(kReviewer), (std::vector<std::string>{"All Reviewers", user}));
                EXPECT_EQ(d.GetCurSel(kReviewer), 0);
                EXPECT_EQ(d.GetItems(kColour).size(), 140u);
                EXPECT_EQ(d.GetCurSel(kColour), colourIndex("Yellow"));
                EXPECT_EQ(d.GetItemData(kColour)[colourIndex("Red")], colourValue("Red"));
                EXPECT_FALSE(d.IsEnabled(kDelete)) << "a new comment";
                EXPECT_FALSE(d.IsVisible(kPlay));
                EXPECT_EQ(d.GetText(kText), "hello");
                d.SetCurSel(kReviewer, 1);
                d.SetCurSel(kColour, colourIndex("Red"));
                d.Click(IDOK);
            }),
        IDOK);
    EXPECT_EQ(std::string(first.tag), "[" + user + "]");
    EXPECT_EQ(first.colour, colourValue("Red"));
    EXPECT_EQ(std::string(first.comment), "hello");
    EXPECT_EQ(first.hasVoice, 0);

    Call second;
    EXPECT_EQ(run(second,
                  [&](Dialog& d) {
                      EXPECT_EQ(d.GetCurSel(kReviewer), 1);
                      EXPECT_EQ(d.GetCurSel(kColour), colourIndex("Red"));
                      d.SetCurSel(kReviewer, 0);
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(std::string(second.tag), "[ALL]");
}

TEST_F(CommentDialog, OnlyOkWritesTheCallersValuesBack) {
    struct Row {
        const char* way;
        std::function<void(Dialog&)> end;
        int result;
    } const rows[] = {
        {"Cancel", [](Dialog& d) { d.Click(IDCANCEL); }, IDCANCEL},
        {"Escape", [](Dialog& d) { d.PressEscape(); }, IDCANCEL},
        {"Delete", [](Dialog& d) { d.Click(kDelete); }, -1},
    };
    for (const Row& row : rows) {
        Call call;
        call.mode = 0;
        call.comment = "[ALL]mine";
        call.voice = bytesOf("RIFF");
        EXPECT_EQ(run(call,
                      [&](Dialog& d) {
                          d.SetText(kText, "changed");
                          row.end(d);
                      }),
                  row.result)
            << row.way;
        EXPECT_EQ(std::string(call.comment), "[ALL]mine") << row.way;
        EXPECT_EQ(call.colour, 0xABCDEFu) << row.way;
        EXPECT_EQ(std::string(call.tag), "tag") << row.way;
        EXPECT_EQ(call.hasVoice, 7) << row.way;
        EXPECT_EQ(std::string(call.other), "other") << row.way;
        EXPECT_EQ(stringOf(call.voice), "RIFF") << row.way;
    }
}

TEST_F(CommentDialog, ExistingCommentShowsTheUsersSegmentAndItsVoicePlaceholder) {
    struct Row {
        const char* rule;
        const char* stored;
        const char* shown;
        bool play;
        const char* typed; // then OK; null keeps the text
        const char* comment;
        int hasVoice;
        const char* other;
    } const rows[] = {
        {"plain segment", "[bob]b{VCE}[ALL]note", "note", false, nullptr, "note", 0, "[bob]b"},
        {"voice kept", "[bob]b{VCE}[ALL]spoken{VCE}", "{EMBED VOICE}", true, nullptr,
         "{EMBED VOICE}", 1, "[bob]b"},
        {"placeholder typed away", "[ALL]x{VCE}", "{EMBED VOICE}", true, "typed", "typed", 0, ""},
        {"placeholder typed in", "[ALL]x", "x", false, "say {EMBED VOICE}", "say {EMBED VOICE}", 1,
         ""},
        {"no segment of the user", "[bob]b", "", false, nullptr, "", 0, "other"},
    };
    for (const Row& row : rows) {
        Call call;
        call.mode = 0;
        call.comment = row.stored;
        EXPECT_EQ(run(call,
                      [&](Dialog& d) {
                          EXPECT_TRUE(d.IsEnabled(kDelete)) << row.rule;
                          EXPECT_EQ(d.GetText(kText), row.shown) << row.rule;
                          EXPECT_EQ(d.IsVisible(kPlay), row.play) << row.rule;
                          if (row.typed) {
                              d.SetText(kText, row.typed);
                              EXPECT_EQ(d.IsVisible(kPlay), row.hasVoice == 1) << row.rule;
                          }
                          d.Click(IDOK);
                      }),
                  IDOK)
            << row.rule;
        EXPECT_EQ(std::string(call.comment), row.comment) << row.rule;
        EXPECT_EQ(call.hasVoice, row.hasVoice) << row.rule;
        EXPECT_EQ(std::string(call.other), row.other) << row.rule;
    }
}

TEST_F(CommentDialog, VoiceComesThroughTheChooserAndPlaysFromATemporaryFile) {
    const std::string wav = std::string("RIFF\x24\0\0\0WAVE", 12) + "not really a sound";
    WriteFile(c + "/voice.wav", wav);
    std::vector<tessaly::automation::FileChooserInfo> asked;
    std::string answer;
    tessaly::automation::SetFileChooserHandler([&](const auto& info) {
        asked.push_back(info);
        return answer;
    });
    Call call;
    call.comment = "typed";
    std::chrono::steady_clock::duration played{};
    EXPECT_EQ(run(call,
                  [&](Dialog& d) {
                      d.Click(kImport); // cancelled: nothing changes
                      EXPECT_EQ(d.GetText(kText), "typed");
                      EXPECT_FALSE(d.IsVisible(kPlay));
                      answer = "C:\\voice.wav";
                      d.Click(kImport);
                      EXPECT_EQ(d.GetText(kText), "{EMBED VOICE}");
                      EXPECT_TRUE(d.IsVisible(kPlay));
                      const auto start = std::chrono::steady_clock::now();
                      d.Click(kPlay);
                      played = std::chrono::steady_clock::now() - start;
                      d.Click(IDOK);
                  }),
              IDOK);
    ASSERT_EQ(asked.size(), 2u);
    using Filter = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(asked[0].filter, (Filter{{"Sounds(*.wav)", "*.wav"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(asked[0].initialFolder, std::string(GetMyDocumentsFolderEx()));
    EXPECT_FALSE(asked[0].initialFolder.empty());
    EXPECT_EQ(asked[0].flags, 0x4u | 0x2u); // hide read-only, overwrite prompt
    EXPECT_EQ(stringOf(call.voice), wav);
    EXPECT_EQ(call.hasVoice, 1);
    // Not a playable sound and no server: Play gives up at once, the file stays for the caller.
    EXPECT_LT(played, std::chrono::seconds(3));
    ASSERT_EQ(call.temporary.GetSize(), 1);
    const CString temporary = call.temporary[0];
    EXPECT_EQ(temporary.Right(4).MakeLower(), CString(".wav"));
    EXPECT_EQ(ReadFile(tessaly::platform::ToPosixPath(std::string(temporary))), wav);
    EXPECT_TRUE(messages.empty());
}

// Voice blocks of every size are written out whole and fail to play cleanly.
TEST_F(CommentDialog, EmptyAndHugeVoiceBlocksPlayToTemporaryFilesWithoutHanging) {
    const size_t sizes[] = {0, 48u << 20};
    for (size_t size : sizes) {
        Call call;
        call.mode = 0;
        call.comment = "[ALL]{VCE}";
        call.voice.SetSize(static_cast<int>(size));
        for (size_t i = 0; i < size; i += 4096)
            call.voice[static_cast<int>(i)] = static_cast<BYTE>(i >> 12);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run(call,
                      [&](Dialog& d) {
                          d.Click(kPlay);
                          d.Click(IDCANCEL);
                      }),
                  IDCANCEL);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << size;
        ASSERT_EQ(call.temporary.GetSize(), 1) << size;
        EXPECT_EQ(ReadFile(tessaly::platform::ToPosixPath(std::string(call.temporary[0]))).size(),
                  size);
    }
}

TEST_F(CommentDialog, PrintPutsTheEditsTextOnOnePage) {
    using Answer = tessaly::automation::PrintSetupAnswer;
    struct Row {
        const char* rule;
        Answer::Action action;
        bool printed;
        std::vector<std::string> messages;
    } const rows[] = {
        {"cancelled", Answer::Cancel, false, {}},
        {"no printer", Answer::NoDevice, false, {"You have no default printer!"}},
        {"printed", Answer::PdfFile, true, {}},
    };
    for (const Row& row : rows) {
        const std::string pdf = prefix_.scratch() + "/" + row.rule + ".pdf";
        tessaly::automation::SetPrintSetupHandler([&] { return Answer{row.action, pdf}; });
        messages.clear();
        Call call;
        run(call, [&](Dialog& d) {
            d.SetText(kText, "Printed hidden comment");
            d.Click(kPrint);
            d.Click(IDCANCEL);
        });
        EXPECT_EQ(messages, row.messages) << row.rule;
        if (!row.printed) {
            EXPECT_FALSE(std::ifstream(pdf).good()) << row.rule;
            continue;
        }
        const auto text = tessaly::testing::RunProgram({"pdftotext", pdf, "-"});
        EXPECT_NE(text.out.find("Printed hidden comment"), std::string::npos) << text.out;
        const auto info = tessaly::testing::RunProgram({"pdfinfo", pdf});
        EXPECT_NE(info.out.find("Pages:           1"), std::string::npos) << info.out;
    }
}
