// The language override dialog answered through UI automation.
#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "frame_support.h"
#include "support/prefix.h"

using namespace frame_test;
using tessaly::automation::Dialog;
using tessaly::testing::PrefixTest;

namespace {

constexpr int kCurrentLabel = 1018, kOriginalLabel = 1019, kList = 1060, kRestore = 611;

class LanguageDialog : public PrefixTest {
  protected:
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    int run(std::function<void(Dialog&)> script) {
        tessaly::automation::SetDialogHandler(std::move(script));
        return ShowLangaugeSettingDlg();
    }
};

// A text value of the current user's Language key; "<none>" when it is missing.
std::string currentUserValue(const char* name) {
    LONG status = 0;
    const std::string data =
        tessaly::testing::reg::Get(HKEY_CURRENT_USER, kLanguageKey, name, &status);
    return status == 0 ? data.c_str() : "<none>";
}

} // namespace

// At start: "Original", the current language, and the first name beginning with it selected.
TEST_F(LanguageDialog, StartShowsLanguages) {
    struct Case {
        const char *original, *current; // null original: none stored
        const char *originalLabel, *currentLabel, *selected;
    } const cases[] = {
        {nullptr, "17", "", "Japanese", "Japanese"},
        {"2052", "3084", "Chinese Simplified (GB2312)", "French (Canadian) ", "French (Canadian) "},
        {"9", "1049", "English", "Unknown language", ""}};
    for (const Case& c : cases) {
        p::RegDeleteTreeA(HKEY_CURRENT_USER, kLanguageKey);
        if (c.original) SetText(HKEY_CURRENT_USER, kLanguageKey, "Original", c.original);
        SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", c.current);
        EXPECT_EQ(run([&](Dialog& d) {
                      EXPECT_EQ(d.GetText(kOriginalLabel), c.originalLabel);
                      EXPECT_EQ(d.GetText(kCurrentLabel), c.currentLabel);
                      EXPECT_EQ(d.GetText(kList), c.selected) << c.current;
                      d.Click(IDCANCEL);
                  }),
                  IDCANCEL);
        EXPECT_EQ(currentUserValue("Current"), "<none>"); // Cancel writes nothing
    }
}

// OK writes the chosen language's identifier as the user's "Current", shows it, stays open.
TEST_F(LanguageDialog, OkWritesChosenLanguage) {
    const int result = run([&](Dialog& d) {
        const std::vector<std::string> items = d.GetItems(kList);
        EXPECT_EQ(items.size(), kOffered.size());
        for (size_t i = 0; i < std::min(items.size(), kOffered.size()); ++i) {
            EXPECT_EQ(items[i], kOffered[i].name);
            d.SetCurSel(kList, static_cast<int>(i));
            EXPECT_TRUE(d.Click(IDOK));
            EXPECT_EQ(d.GetText(kCurrentLabel), kOffered[i].name);
            EXPECT_EQ(currentUserValue("Current"), kOffered[i].stored);
        }
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(result, 2);
}

// Without a choice OK writes nothing; restore writes "Original" back, if there is one.
TEST_F(LanguageDialog, OkWithoutChoiceAndRestoreButton) {
    SetText(HKEY_LOCAL_MACHINE, kLanguageKey, "Current", "1049"); // not in the list
    run([&](Dialog& d) {
        EXPECT_EQ(d.GetCurSel(kList), -1);
        d.Click(IDOK);
        EXPECT_EQ(currentUserValue("Current"), "<none>");
        SetText(HKEY_CURRENT_USER, kLanguageKey, "Current", "17");
        d.Click(kRestore);
        d.PressEscape();
    });
    EXPECT_EQ(currentUserValue("Current"), "17");

    SetText(HKEY_CURRENT_USER, kLanguageKey, "Original", "7");
    run([&](Dialog& d) {
        d.SetText(kList, "Japanese");
        d.Click(IDOK);
        d.Click(kRestore);
        EXPECT_EQ(d.GetText(kCurrentLabel), "German (Standard) ");
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(currentUserValue("Current"), "7");
}
