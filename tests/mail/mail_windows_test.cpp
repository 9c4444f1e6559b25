// Finding the mail client's frame, child frame and the sibling program's window among widgets.
#include <tessaly/mail.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QWidget>

#include <memory>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"

namespace {

const char kSibling[] = "{544FDFAE-0467-4342-ADF4-107E1ACBF4ED}";

class MailWindows : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        unsetenv("DISPLAY"); // this process's windows only
        tessaly::testing::EnsureQtApplication();
    }
    // A window of a class (null: none) and title; a top-level one is shown and kept.
    QWidget* make(QWidget* parent, const char* className, const char* title = "") {
        auto* widget = new QWidget(parent);
        if (className) CWnd(widget).SetWindowClass(className);
        widget->setWindowTitle(title);
        if (!parent) tops.emplace_back(widget)->show();
        return widget;
    }
    std::vector<std::unique_ptr<QWidget>> tops;
};

// The frame by class in any case, holding the child frame; the sibling by a top-level title.
TEST_F(MailWindows, FindsTheFramesAndTheSiblingInTheirSearchOrder) {
    for (const char* frameClass : {"LintorClass", "lintorclass"}) {
        tops.clear();
        QWidget* frame = make(nullptr, frameClass, "Lintor");
        QWidget* child = make(make(frame, "MDIClient", kSibling), "CorvaneClientClass");
        make(frame, "ToolbarWindow32");
        EXPECT_EQ(GetCorvaneClient(), CWnd::HandleOf(frame)) << frameClass;
        EXPECT_EQ(GetCorvaneChildFrame(), CWnd::HandleOf(child)) << frameClass;
        EXPECT_EQ(GetPradel(), nullptr) << frameClass;
    }
    tops.clear();
    make(nullptr, nullptr, "Notes");
    QWidget* sibling = make(nullptr, nullptr, kSibling);
    EXPECT_EQ(GetCorvaneClient(), nullptr);
    EXPECT_EQ(GetCorvaneChildFrame(), nullptr);
    EXPECT_EQ(GetPradel(), CWnd::HandleOf(sibling));
}

} // namespace
