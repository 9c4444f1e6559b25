// Waiting for windows, a window's posted messages, the resolution warning on screens of
// given sizes, and the first window of a started process.
#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"
#include "support/xvfb.h"

using tessaly::automation::Dialog;
using tessaly::testing::PrefixTest;
using tessaly::testing::PrivateDisplay;
using tessaly::testing::TessalyProgram;

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Records the window messages it is given and leaves them all to the framework.
class Recorder : public QWidget {
  public:
    std::vector<UINT> messages;
    bool event(QEvent* e) override {
        if (e->type() != CWndMessageEvent::EventType()) return QWidget::event(e);
        messages.push_back(static_cast<CWndMessageEvent*>(e)->message());
        return true;
    }
};

class SystemWindows : public PrefixTest {
  protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        tessaly::testing::EnsureQtApplication();
    }
};

TEST_F(SystemWindows, FilterDispatchesOnlyThatWindowsMessagesInTheRange) {
    struct Case {
        UINT first, last;
        std::vector<UINT> now;   // delivered by the filter, in posting order
        std::vector<UINT> later; // left for the message loop
    };
    const std::vector<UINT> posted = {0x400, 0x113, 0x401, 0x500, 0x3FF, 0x401};
    const Case cases[] = {
        {0x400, 0x401, {0x400, 0x401, 0x401}, {0x113, 0x500, 0x3FF}},
        {0, 0, {0x400, 0x113, 0x401, 0x500, 0x3FF, 0x401}, {}}, // 0, 0: every message
    };
    for (const Case& c : cases) {
        Recorder mine, other;
        const HWND hMine = CWnd::HandleOf(&mine), hOther = CWnd::HandleOf(&other);
        for (UINT message : posted) {
            ASSERT_TRUE(CWnd::PostMessage(hMine, message, 0, 0));
            ASSERT_TRUE(CWnd::PostMessage(hOther, message, 0, 0));
        }
        FilterHWNDMessages(hMine, c.first, c.last);
        EXPECT_EQ(mine.messages, c.now) << std::hex << c.first;
        EXPECT_TRUE(other.messages.empty());
        Delay(30);
        std::vector<UINT> all = c.now;
        all.insert(all.end(), c.later.begin(), c.later.end());
        EXPECT_EQ(mine.messages, all) << std::hex << c.first;
        EXPECT_EQ(other.messages, posted);
    }
    // No window: the messages of every window in the range.
    Recorder one, two;
    for (Recorder* target : {&one, &two})
        for (UINT message : {0x400u, 0x113u})
            ASSERT_TRUE(CWnd::PostMessage(CWnd::HandleOf(target), message, 0, 0));
    FilterHWNDMessages(nullptr, 0x400, 0x400);
    EXPECT_EQ(one.messages, std::vector<UINT>{0x400});
    EXPECT_EQ(two.messages, std::vector<UINT>{0x400});
    Delay(30);
}

TEST_F(SystemWindows, DelayPumpsMessagesForItsWholeTime) {
    Recorder widget;
    CWnd wnd(&widget);
    wnd.PostMessage(WM_USER);
    QTimer::singleShot(120, &widget, [&] { wnd.PostMessage(WM_USER + 1); });
    const auto start = Clock::now();
    Delay(200);
    EXPECT_GE(msSince(start), 200);
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(widget.messages, (std::vector<UINT>{WM_USER, WM_USER + 1}));
}

TEST_F(SystemWindows, WaitForWindowReturnsOnceTheTitleExists) {
    QWidget existing;
    existing.setWindowTitle("Already here");
    existing.show();
    auto start = Clock::now();
    WaitForWindow(CString("Already here"));
    EXPECT_LT(msSince(start), 100);

    // A window that a timer makes while the wait pumps messages; a window whose title only
    // begins the same does not count.
    std::unique_ptr<QWidget> similar, wanted;
    QTimer::singleShot(100, [&] {
        similar = std::make_unique<QWidget>();
        similar->setWindowTitle("Report - draft");
        similar->show();
    });
    QTimer::singleShot(300, [&] {
        wanted = std::make_unique<QWidget>();
        wanted->setWindowTitle("Report");
        wanted->show();
    });
    start = Clock::now();
    WaitForWindow(CString("Report"));
    EXPECT_GE(msSince(start), 280);
    ASSERT_TRUE(wanted);
}

// ---- The resolution warning on screens of given sizes ----

// How the warning is answered: escape, OK, or the check box and then OK.
enum Answer { Escape, Ok, CheckAndOk };

struct ScreenCase {
    const char* name;
    int width, dpi, flag;
    Answer answer;
    int result, flagAfter; // CheckResolution's result (-1: nothing shown) and flag
};

// Qt's offscreen platform takes its screen from a configuration file; every case runs in a
// process of its own, whose application is made on that screen.
class ResolutionWarning : public PrefixTest, public ::testing::WithParamInterface<ScreenCase> {
  protected:
    void SetUp() override {
        const ScreenCase& c = GetParam();
        const std::string config = prefix_.root() + "/screen.json";
        std::ofstream(config) << R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": )"
                              << c.width << R"(, "height": 480, "logicalDpi": )" << c.dpi
                              << R"(, "logicalBaseDpi": 96}]})";
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        tessaly::testing::EnsureQtApplication();
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }
};

TEST_P(ResolutionWarning, ShowsTheWarningOnlyOnANarrowScreenWithLargeFonts) {
    const ScreenCase& c = GetParam();
    int shown = 0;
    std::string caption;
    bool hasCheckBox = false;
    tessaly::automation::SetDialogHandler([&](Dialog& dialog) {
        ++shown;
        caption = dialog.Caption();
        EXPECT_EQ(dialog.TemplateId(), 1004u);
        hasCheckBox = dialog.HasControl(1006) && dialog.GetCheck(1006) == 0;
        if (c.answer == CheckAndOk) {
            EXPECT_TRUE(dialog.Click(1006));
            EXPECT_EQ(dialog.GetCheck(1006), 1);
        }
        if (c.answer == Escape) {
            dialog.PressEscape();
        } else {
            EXPECT_TRUE(dialog.Click(IDOK));
        }
    });
    int flag = c.flag;
    EXPECT_EQ(CheckResolution(&flag), c.result);
    EXPECT_EQ(flag, c.flagAfter);
    EXPECT_EQ(shown, c.result == -1 ? 0 : 1);
    if (shown) {
        EXPECT_EQ(caption, "Screen resolution too low & fonts too large");
        EXPECT_TRUE(hasCheckBox);
    }
}

const ScreenCase kScreens[] = {
    {"Vga120CheckedOk", 640, 120, 0, CheckAndOk, IDOK, 1},
    {"Narrower144Escape", 600, 144, 0, Escape, IDCANCEL, 0},
    {"Vga120DontShowAgain", 640, 120, 1, Escape, -1, 1},
    {"OnePixelWider", 641, 120, 0, Escape, -1, 0},
};

INSTANTIATE_TEST_SUITE_P(Screens, ResolutionWarning, ::testing::ValuesIn(kScreens),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Other processes' windows ----

class ProcessWindows : public PrefixTest {
  protected:
    void SetUp() override {
        if (display_.Name().empty()) GTEST_SKIP() << "Xvfb could not be started";
        setenv("DISPLAY", display_.Name().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1); // for the programs started here
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }
    PrivateDisplay display_;
};

TEST_F(ProcessWindows, ExecProcessHandsBackTheNewProcesssFirstWindow) {
    std::string command =
        TessalyProgram() + " window show --class ExecClass --title \"Started window\" --seconds 20";
    HWND window = nullptr;
    ASSERT_EQ(ExecProcess(nullptr, command.data(), window), 1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::string(CWnd::ClassNameOf(window)), "ExecClass");
    EXPECT_EQ(std::string(CWnd::TitleOf(window)), "Started window");
    const DWORD pid = CWnd::ProcessIdOf(window);
    ASSERT_NE(pid, 0u);
    kill(static_cast<pid_t>(pid), SIGTERM);

    // A program that shows no window gives none once it has ended.
    std::string quiet = "/bin/sh -c \"sleep 0.3\"";
    window = reinterpret_cast<HWND>(1);
    const auto start = Clock::now();
    ASSERT_EQ(ExecProcess(nullptr, quiet.data(), window), 1);
    EXPECT_EQ(window, nullptr);
    EXPECT_LT(msSince(start), 5000) << "the end of the process ends the search";
}

} // namespace
