// Dialogs built from templates, driven as a script drives them: through the automation API.
#include <tessaly/automation.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "dialog_fixture.h"

using framework_test::Dialog;

namespace {

const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
100 DIALOGEX 0, 0, 200, 100
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Controls"
FONT 8, "DejaVu Sans"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 40, 80, 40, 14
    PUSHBUTTON "Cancel", IDCANCEL, 90, 80, 40, 14
    PUSHBUTTON "&Other", 1785, 140, 80, 40, 14
    PUSHBUTTON "Hidden", 1786, 140, 60, 40, 14, NOT WS_VISIBLE
    PUSHBUTTON "Disabled", 1787, 140, 40, 40, 14, WS_DISABLED
    LTEXT "&Name && more:", 1020, 5, 5, 60, 8
    EDITTEXT 1770, 70, 5, 80, 12, ES_AUTOHSCROLL
    AUTORADIOBUTTON "A1", 1200, 160, 5, 30, 10, WS_GROUP
    AUTORADIOBUTTON "A2", 1201, 160, 15, 30, 10
    AUTORADIOBUTTON "B1", 1202, 160, 25, 30, 10, WS_GROUP
    ICON 32514, 1071, 130, 40, 20, 20
END
101 DIALOGEX 0, 0, 200, 100
STYLE DS_SETFONT | WS_POPUP | WS_CAPTION
CAPTION "Large font"
FONT 16, "DejaVu Sans"
BEGIN
    PUSHBUTTON "OK", IDOK, 40, 80, 40, 14
END
)";

// A dialog whose behaviour the tests watch: what its virtuals saw, and how it ends.
class WatchedDialog : public CDialog {
  public:
    using CDialog::CDialog;
    std::function<void(WatchedDialog&)> onInit;
    std::vector<UINT> commands;
    CString textAtOk;
    bool okCalled = false, cancelCalled = false;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit) onInit(*this);
        return TRUE;
    }
    void OnOK() override {
        okCalled = true;
        if (CWnd* edit = GetDlgItem(1770)) textAtOk = edit->GetWindowText();
        CDialog::OnOK();
    }
    void OnCancel() override {
        cancelCalled = true;
        CDialog::OnCancel();
    }
    BOOL OnCommand(UINT id) override {
        commands.push_back(id);
        if (id == 1785) {
            EndDialog(1785);
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }
};

class Dialogs : public framework_test::TemplateTest<> {
  protected:
    Dialogs() : TemplateTest("DialogTest", kScript) {}
};

} // namespace

// What each control kind shows when the dialog opens.
TEST_F(Dialogs, ControlsAsTheTemplateMakesThem) {
    WatchedDialog dialog(100u);
    const int result = run(dialog, [&](Dialog& d) {
        struct Case {
            int id;
            const char* text;
            bool visible, enabled;
        };
        // A static keeps its text as given.
        const Case cases[] = {{1786, "Hidden", false, true},
                              {1787, "Disabled", true, false},
                              {1020, "&Name && more:", true, true},
                              {1071, "", true, true}};
        for (const Case& c : cases) {
            EXPECT_TRUE(d.HasControl(c.id));
            EXPECT_EQ(std::make_tuple(d.GetText(c.id), d.IsVisible(c.id), d.IsEnabled(c.id)),
                      std::make_tuple(std::string(c.text), c.visible, c.enabled))
                << c.id;
        }
        EXPECT_FALSE(d.HasControl(4242));
        EXPECT_EQ(d.GetIcon(1071), 32514);
        // Hidden and disabled buttons cannot be clicked.
        EXPECT_FALSE(d.Click(1786));
        EXPECT_FALSE(d.Click(1787));
        d.PressEscape();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(handlerCalls, 1);
    EXPECT_TRUE(dialog.cancelCalled);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr); // the window is gone after the run
}

// Radio buttons keep to their group; every click is a command; OK sees the typed ANSI text.
TEST_F(Dialogs, RadioGroupsAndCommands) {
    WatchedDialog dialog(100u);
    const int result = run(dialog, [](Dialog& d) {
        EXPECT_TRUE(d.Click(1200));
        EXPECT_TRUE(d.Click(1202));
        EXPECT_EQ(d.GetCheck(1200), 1); // another group
        EXPECT_TRUE(d.Click(1201));
        EXPECT_EQ(d.GetCheck(1200), 0);
        d.SetText(1770, "Gr\xFC\xDF"
                        "e");
        EXPECT_TRUE(d.Click(IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.textAtOk, "Gr\xFC\xDF"
                               "e");
    EXPECT_EQ(dialog.commands, (std::vector<UINT>{1200, 1202, 1201, IDOK}));
}

// The ways a dialog ends and DoModal's code for each; -1 unshown when the template is missing.
TEST_F(Dialogs, EndCodes) {
    for (int button : {IDOK, IDCANCEL, 1785}) { // 1785: the dialog's own ending
        WatchedDialog dialog(100u);
        EXPECT_EQ(run(dialog, [&](Dialog& d) { d.Click(button); }), button);
        EXPECT_EQ(dialog.okCalled, button == IDOK);
    }
    // Ended while initialising: never seen, the script is not called.
    WatchedDialog early(100u);
    early.onInit = [](WatchedDialog& d) { d.EndDialog(IDCANCEL); };
    EXPECT_EQ(run(early, [](Dialog& d) { d.Click(IDOK); }), IDCANCEL);
    EXPECT_EQ(handlerCalls, 0);
    // Changes made while initialising are what the script sees.
    WatchedDialog prepared(100u);
    prepared.onInit = [](WatchedDialog& d) {
        d.GetDlgItem(1785)->ShowWindow(SW_HIDE);
        d.SetWindowText("Renamed");
    };
    run(prepared, [](Dialog& d) {
        EXPECT_EQ(std::make_pair(d.Caption(), d.IsVisible(1785)),
                  std::make_pair(std::string("Renamed"), false));
    });

    WatchedDialog missing(999u), missingName("NOSUCHDLG"), elsewhere(100u);
    bool initialised = false;
    missing.onInit = [&](WatchedDialog&) { initialised = true; };
    EXPECT_EQ(run(missing, [](Dialog&) {}), -1);
    EXPECT_EQ(handlerCalls, 0);
    EXPECT_FALSE(initialised);
    EXPECT_EQ(run(missingName, [](Dialog&) {}), -1);
    AfxSetResourceHandle(nullptr);
    EXPECT_EQ(run(elsewhere, [](Dialog&) {}), -1);
}

// Dialog units follow the template's font: a character four units wide, a line eight high.
TEST_F(Dialogs, DialogUnitsFollowTheFont) {
    tessaly::automation::Rect small, smallButton, large, largeButton, edit;
    WatchedDialog first(100u);
    run(first, [&](Dialog& d) {
        small = d.GetRect(0);
        smallButton = d.GetRect(IDOK);
        edit = d.GetRect(1770);
        d.PressEscape();
    });
    WatchedDialog second(101u);
    run(second, [&](Dialog& d) {
        large = d.GetRect(0);
        largeButton = d.GetRect(IDOK);
        d.PressEscape();
    });
    // 8 points at 96 dpi: about 5 to 8 pixels per character and 12 to 16 per line.
    EXPECT_TRUE(small.width >= 200 * 5 / 4 && small.width <= 200 * 8 / 4) << small.width;
    EXPECT_TRUE(small.height >= 100 * 12 / 8 && small.height <= 100 * 16 / 8) << small.height;
    // Positions and sizes scale alike: OK at x 40 is as far from the left as it is wide.
    EXPECT_NEAR(smallButton.left, smallButton.width, 1);
    EXPECT_NEAR(edit.width, 2 * smallButton.width, 1);
    EXPECT_NEAR(smallButton.top * 100.0 / small.height, 80, 1);
    // Twice the points: about twice the pixels.
    EXPECT_NEAR(large.width / double(small.width), 2.0, 0.3);
    EXPECT_NEAR(largeButton.width / double(smallButton.width), 2.0, 0.3);
}
