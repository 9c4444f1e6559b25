// Finding the mail client's frame, child frame and the sibling program's window among widgets.
#include <tessaly/mail.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"

namespace {

const char kSibling[] = "{544FDFAE-0467-4342-ADF4-107E1ACBF4ED}";

struct Child {
    const char* className;
    std::vector<const char*> inside; // classes of the child's own children
};

struct Top {
    const char* className; // null: no class given
    const char* title;
    std::vector<Child> children;
};

struct Where {
    int top = -1, child = -1, inner = -1; // -1: none
};

struct Scene {
    const char* name;
    std::vector<Top> tops;
    int client;       // index of the frame GetCorvaneClient gives, -1 for none
    Where childFrame; // the window GetCorvaneChildFrame gives
    int sibling;      // index of the window GetPradel gives
};

const Child kClientWithMail = {"MDIClient", {"CorvaneClientClass"}};

// clang-format off
const Scene kScenes[] = {
    {"FrameHostingMail",
     {{"LintorClass", "Lintor", {kClientWithMail, {"ToolbarWindow32", {}}}}}, 0, {0, 0, 0}, -1},
    {"LowerCaseFrameFoundFirst", {{"lintorclass", "Lintor", {kClientWithMail}}}, 0, {0, 0, 0}, -1},
    {"Sibling", {{nullptr, "Notes", {}}, {nullptr, kSibling, {}}}, -1, {}, 1},
};
// clang-format on

class MailWindows : public tessaly::testing::PrefixTest,
                    public ::testing::WithParamInterface<Scene> {
  protected:
    void SetUp() override {
        unsetenv("DISPLAY"); // this process's windows only
        tessaly::testing::EnsureQtApplication();
    }
};

struct Built {
    std::vector<std::unique_ptr<QWidget>> tops;
    std::map<std::tuple<int, int, int>, QWidget*> at;
    HWND of(const Where& w) const {
        return w.top < 0 ? nullptr : CWnd::HandleOf(at.at({w.top, w.child, w.inner}));
    }
};

Built build(const std::vector<Top>& tops) {
    const auto make = [](QWidget* parent, const char* className) {
        auto* widget = new QWidget(parent);
        if (className) CWnd(widget).SetWindowClass(className);
        return widget;
    };
    Built built;
    for (int t = 0; t < int(tops.size()); ++t) {
        built.tops.emplace_back(make(nullptr, tops[t].className));
        QWidget* top = built.at[{t, -1, -1}] = built.tops.back().get();
        top->setWindowTitle(tops[t].title);
        for (int c = 0; c < int(tops[t].children.size()); ++c) {
            const Child& child = tops[t].children[c];
            QWidget* widget = built.at[{t, c, -1}] = make(top, child.className);
            for (int i = 0; i < int(child.inside.size()); ++i)
                built.at[{t, c, i}] = make(widget, child.inside[i]);
        }
        top->show();
    }
    // The sibling program's title on a child window is not a top-level window's.
    if (built.at.count({0, 0, -1})) built.at[{0, 0, -1}]->setWindowTitle(kSibling);
    return built;
}

TEST_P(MailWindows, FindsTheFramesInTheirSearchOrder) {
    Built built = build(GetParam().tops);
    EXPECT_EQ(GetCorvaneClient(), built.of(Where{GetParam().client}));
    EXPECT_EQ(GetCorvaneChildFrame(), built.of(GetParam().childFrame));
    EXPECT_EQ(GetPradel(), built.of(Where{GetParam().sibling}));
}

INSTANTIATE_TEST_SUITE_P(Scenes, MailWindows, ::testing::ValuesIn(kScenes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
