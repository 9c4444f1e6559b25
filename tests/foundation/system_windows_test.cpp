// Window waits, posted messages, the resolution warning and a started process's window.
#include <tessaly/automation.h>
#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

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

TEST_F(SystemWindows, FilterAndDelayDispatchPostedMessages) {
    const std::vector<UINT> posted = {0x400, 0x113, 0x401, 0x500, 0x3FF, 0x401};
    Recorder mine, other;
    for (UINT message : posted)
        for (Recorder* target : {&mine, &other})
            ASSERT_TRUE(CWnd::PostMessage(CWnd::HandleOf(target), message, 0, 0));
    FilterHWNDMessages(CWnd::HandleOf(&mine), 0x400, 0x401);
    EXPECT_EQ(mine.messages, (std::vector<UINT>{0x400, 0x401, 0x401})); // in posting order
    EXPECT_TRUE(other.messages.empty());
    FilterHWNDMessages(CWnd::HandleOf(&other), 0, 0); // 0, 0: every message
    EXPECT_EQ(other.messages, posted);
    QTimer::singleShot(120, &mine, [&] { CWnd::PostMessage(CWnd::HandleOf(&mine), 0x402, 0, 0); });
    Delay(200); // the message loop gets the rest, and what comes meanwhile
    EXPECT_EQ(mine.messages, (std::vector<UINT>{0x400, 0x401, 0x401, 0x113, 0x500, 0x3FF, 0x402}));

    // No window: the messages of every window in the range.
    for (Recorder* target : {&mine, &other})
        for (UINT message : {0x113u, 0x400u})
            ASSERT_TRUE(CWnd::PostMessage(CWnd::HandleOf(target), message, 0, 0));
    mine.messages.clear();
    other.messages.clear();
    FilterHWNDMessages(nullptr, 0x400, 0x400);
    EXPECT_EQ(mine.messages, std::vector<UINT>{0x400});
    EXPECT_EQ(other.messages, std::vector<UINT>{0x400});
}

// Matching titles is the window finder's; the wait returns once one exists, pumping meanwhile.
TEST_F(SystemWindows, WaitForWindowReturnsOnceTheTitleExists) {
    std::unique_ptr<QWidget> wanted;
    QTimer::singleShot(200, [&] {
        wanted = std::make_unique<QWidget>();
        wanted->setWindowTitle("Report");
        wanted->show();
    });
    WaitForWindow(CString("Report"));
    EXPECT_TRUE(wanted); // made by the pumped timer
}

// The check box is ticked, then OK pressed, or escape; CheckResolution's result (-1: nothing
// shown) and flag.
struct ScreenCase {
    const char* name;
    int width, dpi, flag;
    bool check;
    int result, flagAfter;
};

// Each case runs in a process of its own, on the offscreen screen its configuration file gives.
class ResolutionWarning : public PrefixTest, public ::testing::WithParamInterface<ScreenCase> {
  protected:
    void SetUp() override {
        const std::string config = prefix_.root() + "/screen.json";
        std::ofstream(config) << R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": )"
                              << GetParam().width << R"(, "height": 480, "logicalDpi": )"
                              << GetParam().dpi << R"(, "logicalBaseDpi": 96}]})";
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        tessaly::testing::EnsureQtApplication();
    }
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }
};

TEST_P(ResolutionWarning, ShowsTheWarningOnlyOnANarrowScreenWithLargeFonts) {
    const ScreenCase& c = GetParam();
    int shown = 0;
    tessaly::automation::SetDialogHandler([&](Dialog& dialog) {
        ++shown; // the box starts unticked
        EXPECT_EQ(dialog.Caption(), "Screen resolution too low & fonts too large");
        EXPECT_EQ(dialog.GetCheck(1006), 0);
        if (!c.check) return dialog.PressEscape();
        EXPECT_TRUE(dialog.Click(1006));
        EXPECT_TRUE(dialog.Click(IDOK));
    });
    int flag = c.flag;
    EXPECT_EQ(std::tuple(CheckResolution(&flag), flag, shown),
              std::tuple(c.result, c.flagAfter, c.result == -1 ? 0 : 1));
}

const ScreenCase kScreens[] = {
    {"Vga120CheckedOk", 640, 120, 0, true, IDOK, 1},
    {"Narrower144Escape", 600, 144, 0, false, IDCANCEL, 0},
    {"Vga120DontShowAgain", 640, 120, 1, false, -1, 1},
    {"OnePixelWider", 641, 120, 0, false, -1, 0},
};

INSTANTIATE_TEST_SUITE_P(Screens, ResolutionWarning, ::testing::ValuesIn(kScreens),
                         [](const auto& info) { return std::string(info.param.name); });

class ProcessWindows : public PrefixTest {
  protected:
    void SetUp() override {
        if (display_.Name().empty()) GTEST_SKIP() << "Xvfb could not be started";
        setenv("DISPLAY", display_.Name().c_str(), 1); // for the programs started here
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }
    tessaly::testing::PrivateDisplay display_;
};

TEST_F(ProcessWindows, ExecProcessHandsBackTheNewProcesssFirstWindow) {
    std::string command = tessaly::testing::TessalyProgram() +
                          " window show --class ExecClass --title \"Started window\" --seconds 20";
    HWND window = nullptr;
    ASSERT_EQ(ExecProcess(nullptr, command.data(), window), 1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::string(CWnd::ClassNameOf(window)), "ExecClass");
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
