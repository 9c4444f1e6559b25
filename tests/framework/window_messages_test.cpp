// Window messages sent and posted to a caller's widgets, and timers on windows.
#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"

using tessaly::testing::PrefixTest;

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool onWidgetThread;
};

// A caller's widget: records every message, answers those in its table, leaves the others.
class Receiver : public QWidget {
  public:
    std::vector<Seen> seen;
    std::vector<std::pair<UINT, LRESULT>> answers;
    bool acceptOnly = false; // accept without a result

    bool event(QEvent* e) override {
        if (e->type() != CWndMessageEvent::EventType()) return QWidget::event(e);
        auto* m = static_cast<CWndMessageEvent*>(e);
        seen.push_back(
            {m->message(), m->wParam(), m->lParam(), QThread::currentThread() == thread()});
        for (const auto& [message, result] : answers)
            if (message == m->message()) m->setResult(result);
        if (acceptOnly) m->accept();
        return true;
    }
};

class WindowMessages : public PrefixTest {
  protected:
    void SetUp() override { tessaly::testing::EnsureQtApplication(); }
};

// Sends arrive at once, posts in order through the queue; a dead window takes nothing.
TEST_F(WindowMessages, SendAndPostReachTheWidget) {
    Receiver widget;
    widget.show();
    widget.answers = {{WM_USER + 5, -42}};
    CWnd wnd(&widget);
    const LPARAM wide = static_cast<LPARAM>(0x123456789ABCLL);
    EXPECT_EQ(wnd.SendMessage(WM_USER + 5, ~WPARAM(0), wide), -42);
    ASSERT_EQ(widget.seen.size(), 1u);
    EXPECT_EQ(std::make_pair(widget.seen[0].wParam, widget.seen[0].lParam),
              std::make_pair(~WPARAM(0), wide));
    widget.seen.clear();
    for (UINT i = 0; i < 3; ++i)
        ASSERT_TRUE(wnd.PostMessage(WM_USER + i, i * 10, -static_cast<LPARAM>(i)));
    wnd.PostMessage(WM_CLOSE);
    EXPECT_TRUE(widget.seen.empty() && wnd.IsWindowVisible()) << "posts wait for the queue";
    Delay(50);
    ASSERT_EQ(widget.seen.size(), 4u);
    for (UINT i = 0; i < 3; ++i)
        EXPECT_EQ(std::make_pair(widget.seen[i].message, widget.seen[i].wParam),
                  std::make_pair(WM_USER + i, WPARAM(i * 10)));
    EXPECT_FALSE(wnd.IsWindowVisible());

    auto dying = std::make_unique<Receiver>();
    const HWND handle = CWnd::HandleOf(dying.get());
    ASSERT_TRUE(CWnd::PostMessage(handle, WM_USER, 1, 1));
    dying.reset();
    Delay(30); // the queued message finds no window
    EXPECT_EQ(CWnd::SendMessage(handle, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(CWnd::PostMessage(handle, WM_USER, 0, 0));
}

TEST_F(WindowMessages, TextMessagesLeftToTheFrameworkActOnTheWindowText) {
    const std::string title = "Quarterly report";
    // The buffer's size, the characters copied and the text left in it.
    const std::tuple<WPARAM, LRESULT, std::string> cases[] = {
        {16, 15, "Quarterly repor"}, {1, 0, ""}, {0, 0, "#"}};
    Receiver widget;
    CWnd wnd(&widget);
    EXPECT_EQ(wnd.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str())), TRUE);
    EXPECT_EQ(widget.windowTitle().toStdString(), title);
    for (const auto& [size, copied, text] : cases) {
        char buffer[128] = {'#'};
        const LRESULT result = wnd.SendMessage(WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer));
        EXPECT_EQ(std::make_pair(result, std::string(buffer)), std::make_pair(copied, text))
            << size;
    }
    EXPECT_EQ(widget.seen.size(), 1u + std::size(cases)); // the widget saw them all first
    // A message the widget handles gets no default.
    Receiver handling;
    handling.setWindowTitle("kept");
    handling.acceptOnly = true;
    EXPECT_EQ(CWnd(&handling).SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("new")), 0);
    EXPECT_EQ(handling.windowTitle().toStdString(), "kept");
}

// From another thread a send runs on the widget's thread and waits; a post arrives there too.
TEST_F(WindowMessages, MessagesFromAnotherThreadRunOnTheWidgetsThread) {
    Receiver widget;
    widget.answers = {{WM_USER + 1, 99}};
    const HWND handle = CWnd::HandleOf(&widget);
    std::atomic<LRESULT> result{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        result = CWnd::SendMessage(handle, WM_USER + 1, 3, 4);
        CWnd::PostMessage(handle, WM_USER + 2, 7, 8);
        done = true;
    });
    for (int i = 0; i < 200 && !done; ++i)
        Delay(10);
    sender.join();
    Delay(30);
    EXPECT_EQ(result.load(), 99);
    ASSERT_EQ(widget.seen.size(), 2u);
    EXPECT_TRUE(widget.seen[0].onWidgetThread && widget.seen[1].onWidgetThread);
    EXPECT_EQ(widget.seen[1].lParam, 8);
}

class TimedWnd : public CWnd {
  public:
    using CWnd::CWnd;
    std::vector<UINT_PTR> ticks;
    void OnTimer(UINT_PTR id) override { ticks.push_back(id); }
};

int countOf(const std::vector<UINT_PTR>& ticks, UINT_PTR id) {
    return static_cast<int>(std::count(ticks.begin(), ticks.end(), id));
}

std::vector<std::pair<HWND, UINT_PTR>> callbackTicks;
void TimerCallback(HWND window, UINT message, UINT_PTR id, DWORD) {
    EXPECT_EQ(message, static_cast<UINT>(WM_TIMER));
    callbackTicks.emplace_back(window, id);
}

TEST_F(WindowMessages, TimersTickThroughTheMessageEventIntoOnTimer) {
    Receiver widget;
    TimedWnd wnd(&widget);
    EXPECT_EQ(wnd.SetTimer(7, 40), 7u);
    EXPECT_EQ(wnd.SetTimer(9, 400), 9u);
    Delay(300);
    const int sevens = countOf(wnd.ticks, 7);
    EXPECT_TRUE(sevens >= 3 && sevens <= 8 && countOf(wnd.ticks, 9) == 0) << sevens;
    // The widget saw each tick first as WM_TIMER with the id.
    ASSERT_FALSE(widget.seen.empty());
    EXPECT_EQ(std::make_pair(widget.seen[0].message, widget.seen[0].wParam),
              std::make_pair(UINT(WM_TIMER), WPARAM(7)));

    EXPECT_TRUE(wnd.KillTimer(7));
    EXPECT_FALSE(wnd.KillTimer(7));
    wnd.KillTimer(9);
    const size_t before = wnd.ticks.size();
    // A timer with a callback calls it instead of OnTimer.
    callbackTicks.clear();
    wnd.SetTimer(3, 30, &TimerCallback);
    Delay(200);
    EXPECT_EQ(wnd.ticks.size(), before);
    ASSERT_GE(callbackTicks.size(), 2u);
    EXPECT_EQ(callbackTicks[0], std::make_pair(wnd.GetSafeHwnd(), UINT_PTR(3)));

    // Timers die with their window, and need one.
    auto dying = std::make_unique<Receiver>();
    TimedWnd gone(dying.get());
    gone.SetTimer(1, 20);
    dying.reset();
    Delay(100); // nothing may reach the dead window
    EXPECT_TRUE(gone.ticks.empty());
    EXPECT_EQ(gone.SetTimer(2, 20), 0u);
}

} // namespace
