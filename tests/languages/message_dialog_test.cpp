// The library's message dialog and the system error texts, answered through UI automation.
#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <functional>
#include <string>
#include <vector>

#include "frame_support.h"
#include "support/prefix.h"

using namespace frame_test;
using tessaly::automation::Dialog;
using tessaly::testing::PrefixTest;

namespace {

const int kButtons[3] = {1785, 1786, 1787};

struct Seen {
    int calls = 0;
    std::string text;
    std::vector<std::string> buttonTexts; // "" for a hidden button
    int icon = 0;
    tessaly::automation::Rect client, textRect, buttons[3];
};

class MessageDialog : public PrefixTest {
  protected:
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    template <typename Text> int show(Text text, UINT type, std::function<void(Dialog&)> answer) {
        seen = Seen{};
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            note(d);
            answer(d);
        });
        return DisplayMessageBox(text, type, nullptr);
    }

    void note(Dialog& d) {
        ++seen.calls;
        EXPECT_EQ(d.TemplateId(), 1789u);
        seen.text = d.GetText(1501);
        seen.icon = d.GetIcon(1071);
        seen.client = d.GetRect(0);
        seen.textRect = d.GetRect(1501);
        for (int i = 0; i < 3; ++i) {
            seen.buttonTexts.push_back(d.IsVisible(kButtons[i]) ? d.GetText(kButtons[i]) : "");
            seen.buttons[i] = d.GetRect(kButtons[i]);
        }
    }

    Seen seen;
};

} // namespace

// Every button of every set returns its code; the buttons a set does not use are hidden.
TEST_F(MessageDialog, ButtonSets) {
    struct Case {
        UINT type;
        std::vector<std::string> texts;
        std::vector<int> codes;
    } const cases[] = {
        {0x0, {"OK", "", ""}, {1}},
        {0x1, {"OK", "Cancel", ""}, {1, 2}},
        {0x2, {"Abort", "Retry", "Ignore"}, {3, 4, 5}},
        {0x3, {"Yes", "No", "Cancel"}, {6, 7, 2}},
        {0x4, {"Yes", "No", ""}, {6, 7}},
        {0x5, {"Retry", "Cancel", ""}, {4, 2}},
    };
    for (const Case& c : cases) {
        for (size_t button = 0; button < c.codes.size(); ++button) {
            const int result = show("Continue?", c.type,
                                    [&](Dialog& d) { EXPECT_TRUE(d.Click(kButtons[button])); });
            EXPECT_EQ(result, c.codes[button]) << "type " << c.type << " button " << button;
        }
        EXPECT_EQ(seen.calls, 1);
        EXPECT_EQ(seen.text, "Continue?");
        EXPECT_EQ(seen.buttonTexts, c.texts) << c.type;
        // Escape ends every set with Cancel, also sets without a Cancel button.
        EXPECT_EQ(show("Text", c.type, [](Dialog& d) { d.PressEscape(); }), IDCANCEL);
    }
}

TEST_F(MessageDialog, IconsUnknownSetsAndTableTexts) {
    const std::pair<UINT, int> cases[] = {
        {0x10, 32513}, {0x20, 32514}, {0x40, 32516}, {0x50, 32515}};
    for (const auto& [type, icon] : cases) {
        show("Text", type, [](Dialog& d) { d.PressEscape(); });
        EXPECT_EQ(seen.icon, icon) << type;
    }
    // A set above 5: one button without text.
    EXPECT_EQ(show("Text", 0x9, [](Dialog& d) { d.Click(1785); }), IDOK);
    EXPECT_EQ(seen.buttonTexts, (std::vector<std::string>{"", "", ""}));
    // A text from the string table, and none.
    EXPECT_EQ(show(61576u, 0, [](Dialog& d) { d.Click(1785); }), IDOK);
    EXPECT_EQ(seen.text, "English");
    EXPECT_EQ(show(static_cast<const char*>(nullptr), 0, [](Dialog& d) { d.Click(1785); }), IDOK);
    EXPECT_EQ(seen.text, "");
}

// A long text widens the dialog to about 2.5 times its height; buttons: one row, evenly spread.
TEST_F(MessageDialog, SizingToTheText) {
    show("Short.", 0x1, [](Dialog& d) { d.PressEscape(); });
    const int shortWidth = seen.client.width;
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "This sentence makes the message long. ";
    show(longText.c_str(), 0x3, [](Dialog& d) { d.PressEscape(); });
    EXPECT_GT(seen.client.width, shortWidth);
    const double aspect = double(seen.textRect.width) / seen.textRect.height;
    EXPECT_GT(aspect, 1.8);
    EXPECT_LT(aspect, 3.5);
    int previousRight = 0;
    std::vector<int> gaps;
    for (const auto& b : seen.buttons) {
        EXPECT_EQ(b.top, seen.buttons[0].top);
        EXPECT_GT(b.top, seen.textRect.top + seen.textRect.height);
        gaps.push_back(b.left - previousRight);
        previousRight = b.left + b.width;
    }
    gaps.push_back(seen.client.width - previousRight);
    for (int gap : gaps)
        EXPECT_NEAR(gap, gaps.front(), 4) << "buttons spread evenly";
}

// System texts in the standard message box, network texts from their module; unknown: none.
TEST_F(MessageDialog, ErrorTexts) {
    std::vector<std::string> shown;
    tessaly::automation::SetMessageBoxHandler([&](const auto& info) {
        shown.push_back(info.text);
        return IDOK;
    });
    for (DWORD code : {2u, 2102u, 0x7FFFFF00u})
        DisplayErrorText(code);
    tessaly::automation::SetMessageBoxHandler(nullptr);
    EXPECT_EQ(shown, (std::vector<std::string>{"The system cannot find the file specified.\r\n",
                                               "The workstation driver is not installed.\r\n"}));
}
