// Window classes and finding windows, in this process and others' on a private display.
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QWidget>

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"
#include "support/xvfb.h"

using tessaly::testing::BackgroundProgram;
using tessaly::testing::PrefixTest;
using tessaly::testing::PrivateDisplay;
using tessaly::testing::RunTessaly;
using tessaly::testing::TessalyProgram;

namespace {

// A caller's top-level widget with a class and a title.
std::unique_ptr<QWidget> TopLevel(const char* className, const char* title, bool shown = true) {
    auto widget = std::make_unique<QWidget>();
    if (className) CWnd(widget.get()).SetWindowClass(className);
    widget->setWindowTitle(title);
    if (shown) widget->show();
    return widget;
}

class WindowFinder : public PrefixTest {
  protected:
    void SetUp() override {
        unsetenv("DISPLAY"); // this process's windows only
        tessaly::testing::EnsureQtApplication();
    }
};

TEST_F(WindowFinder, ClassesOfWidgetsFollowTheirKindUnlessOneWasGiven) {
    QWidget top;
    auto* button = new QPushButton(&top);
    auto* combo = new QComboBox(&top);
    auto* plain = new QWidget(&top);
    auto* named = new QWidget(&top);
    CWnd(named).SetWindowClass("CorvaneClientClass");
    QDialog dialog;
    const std::pair<QWidget*, const char*> cases[] = {{button, "Button"},
                                                      {combo, "ComboBox"},
                                                      {plain, "QWidget"},
                                                      {named, "CorvaneClientClass"},
                                                      {&dialog, "#32770"}};
    for (const auto& [widget, className] : cases)
        EXPECT_EQ(CWnd::ClassNameOf(CWnd::HandleOf(widget)).str(), className);
    // A class given later replaces the one before.
    CWnd(named).SetWindowClass("MDIClient");
    EXPECT_EQ(CWnd::ClassNameOf(CWnd::HandleOf(named)).str(), "MDIClient");
}

TEST_F(WindowFinder, FindWindowMatchesClassIgnoringCaseAndTitleExactly) {
    auto hiddenAlpha = TopLevel("LintorClass", "Alpha", false); // classed (handle made) first
    auto frame = TopLevel("LintorClass", "Alpha");
    auto plain = TopLevel(nullptr, "Alpha");
    const HWND hFrame = CWnd::HandleOf(frame.get()), hPlain = CWnd::HandleOf(plain.get()),
               hHidden = CWnd::HandleOf(hiddenAlpha.get());
    // Class and title searched for (null: any), the window found.
    const std::tuple<const char*, const char*, HWND> cases[] = {
        {"LintorClass", nullptr, hFrame}, // shown windows before hidden ones
        {"lintorCLASS", "Alpha", hFrame},
        {"LintorClass", "alpha", nullptr},
        {"QWidget", "Alpha", hPlain},
        {nullptr, "Alph", nullptr}};
    for (const auto& [className, title, expected] : cases)
        EXPECT_EQ(CWnd::FindWindow(className, title), expected)
            << (className ? className : "(any)") << " / " << (title ? title : "(any)");

    // Walking every match with FindWindowEx: shown in handle order, then the hidden one.
    std::vector<HWND> alphas;
    for (HWND w = CWnd::FindWindowEx(nullptr, nullptr, nullptr, "Alpha"); w;
         w = CWnd::FindWindowEx(nullptr, w, nullptr, "Alpha"))
        alphas.push_back(w);
    EXPECT_EQ(alphas, (std::vector<HWND>{hFrame, hPlain, hHidden}));
    EXPECT_EQ(CWnd::ProcessIdOf(hPlain), static_cast<DWORD>(getpid()));
}

TEST_F(WindowFinder, ChildrenInCreationOrderWithoutOwnedWindowsAndGoneWithTheFrame) {
    auto frame = TopLevel("LintorClass", "Frame");
    auto* client = new QWidget(frame.get());
    CWnd(client).SetWindowClass("MDIClient");
    auto* toolbar = new QWidget(frame.get());
    auto* childFrame = new QWidget(client);
    CWnd(childFrame).SetWindowClass("CorvaneClientClass");
    auto* owned = new QDialog(frame.get()); // a window of its own, not a child
    owned->setWindowTitle("Owned");
    const HWND hFrame = CWnd::HandleOf(frame.get());

    EXPECT_EQ(CWnd::EnumChildWindows(hFrame),
              (std::vector<HWND>{CWnd::HandleOf(client), CWnd::HandleOf(toolbar)}));
    EXPECT_EQ(CWnd::GetFirstChild(hFrame), CWnd::HandleOf(client));
    EXPECT_EQ(CWnd::FindWindowEx(CWnd::HandleOf(client), nullptr, "CorvaneClientClass", nullptr),
              CWnd::HandleOf(childFrame));
    // Only direct children are searched.
    EXPECT_EQ(CWnd::FindWindowEx(hFrame, nullptr, "CorvaneClientClass", nullptr), nullptr);
    EXPECT_EQ(CWnd::FindWindow("#32770", "Owned"), CWnd::HandleOf(owned));
    frame.reset();
    EXPECT_FALSE(CWnd::IsWindow(hFrame));
    EXPECT_EQ(CWnd::FindWindow("LintorClass", nullptr), nullptr);
}

class CrossProcessWindows : public PrefixTest {
  protected:
    void SetUp() override {
        if (display_.Name().empty()) GTEST_SKIP() << "Xvfb could not be started";
        setenv("DISPLAY", display_.Name().c_str(), 1);
        // No session bus here: Qt's X11 platform would otherwise leave a half-open
        // connection to it behind.
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    }

    PrivateDisplay display_;
};

TEST_F(CrossProcessWindows, AnotherProcesssWindowIsFoundWithItsClassTitlePidAndChildren) {
    // tessaly window show in the background, its window line read when the window is up.
    auto program = std::make_unique<BackgroundProgram>(
        std::vector<std::string>{TessalyProgram(), "window", "show", "--seconds", "60", "--class",
                                 "LintorClass", "--title", "Lintor - Report", "--child",
                                 "MDIClient", "--child", "MDIClient/CorvaneClientClass"},
        std::vector<std::string>{"DISPLAY=" + display_.Name(), "QT_QPA_PLATFORM=xcb"});
    std::string line;
    ASSERT_TRUE(program->ReadLine(line, 30000)) << "the window did not come up";
    EXPECT_EQ(line.rfind("window\t", 0), 0u) << line;
    const HWND frame = CWnd::FindWindow("LintorClass", nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(CWnd::WidgetOf(frame), nullptr) << "not a widget of this process";
    EXPECT_EQ(std::make_tuple(CWnd::ClassNameOf(frame).str(), CWnd::TitleOf(frame).str(),
                              CWnd::ProcessIdOf(frame)),
              std::make_tuple(std::string("LintorClass"), std::string("Lintor - Report"),
                              static_cast<DWORD>(program->Pid())));

    // The native child windows, first made first.
    const HWND client = CWnd::GetFirstChild(frame);
    EXPECT_EQ(CWnd::ClassNameOf(client).str(), "MDIClient");
    EXPECT_NE(CWnd::FindWindowEx(client, nullptr, "CorvaneClientClass", nullptr), nullptr);

    // Other processes' windows take no messages.
    EXPECT_EQ(CWnd::SendMessage(frame, 0x000E, 0, 0), 0);
    EXPECT_FALSE(CWnd::PostMessage(frame, 0x0400, 0, 0));

    program->Stop();
    for (int i = 0; i < 50 && CWnd::IsWindow(frame); ++i)
        Delay(20);
    EXPECT_FALSE(CWnd::IsWindow(frame));
    EXPECT_EQ(CWnd::FindWindow("LintorClass", nullptr), nullptr);
}

// A class given to a shown window reaches the display and another process sees it.
TEST_F(CrossProcessWindows, TheClassGivenToAShownWidgetIsSeenByAnotherProcess) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    tessaly::testing::EnsureQtApplication();
    ASSERT_EQ(QGuiApplication::platformName().toStdString(), "xcb");
    QWidget late;
    late.setWindowTitle("Late window");
    late.show();
    QApplication::processEvents();
    CWnd(&late).SetWindowClass("LateClass");
    QApplication::processEvents();
    const auto found = RunTessaly({"window", "find", "--class", "LateClass"},
                                  {"DISPLAY=" + display_.Name(), "QT_QPA_PLATFORM=offscreen"});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_NE(found.out.find("LateClass\tLate window\t" + std::to_string(getpid())),
              std::string::npos)
        << found.out;
    const HWND here = CWnd::HandleOf(&late);
    EXPECT_EQ(CWnd::FindWindow("LateClass", nullptr), here);
    EXPECT_EQ(CWnd::FindWindowEx(nullptr, here, "LateClass", nullptr), nullptr);
}

} // namespace
