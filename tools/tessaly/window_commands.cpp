// tessaly window: shows a window with a class and title (and classed child windows) for
// other programs to find, and finds windows by class and title.
#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/wnd.h>

#include <QApplication>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

const char* const kCommand = "window";

// Windows other programs can find need a window system that answers.
QApplication& application() {
    StartApplication(kCommand, true);
    return *qobject_cast<QApplication*>(QCoreApplication::instance());
}

// A child given as "CLASS" or "CLASS:TITLE"; "A/B" puts B inside the child A made before.
QWidget* addChild(QWidget* top, const std::string& spec) {
    QWidget* parent = top;
    std::string rest = spec;
    for (size_t slash; (slash = rest.find('/')) != std::string::npos;) {
        const QString parentClass = QString::fromStdString(rest.substr(0, slash));
        rest.erase(0, slash + 1);
        QWidget* found = nullptr;
        for (QWidget* child : parent->findChildren<QWidget*>()) {
            CWnd wrapper(child);
            if (QString::fromStdString(std::string(wrapper.GetClassName())) == parentClass) {
                found = child;
                break;
            }
        }
        if (!found) return nullptr;
        parent = found;
    }
    const size_t colon = rest.find(':');
    auto* child = new QWidget(parent);
    if (parent->layout() == nullptr) new QVBoxLayout(parent);
    parent->layout()->addWidget(child);
    CWnd wrapper(child);
    wrapper.SetWindowClass(ToAnsi(kCommand, rest.substr(0, colon)).c_str());
    if (colon != std::string::npos)
        child->setWindowTitle(QString::fromStdString(rest.substr(colon + 1)));
    return child;
}

void print(HWND window) {
    std::printf("window\t%p\t%s\t%s\t%u\n", static_cast<void*>(window),
                FromAnsi(std::string(CWnd::ClassNameOf(window))).c_str(),
                FromAnsi(std::string(CWnd::TitleOf(window))).c_str(), CWnd::ProcessIdOf(window));
}

} // namespace

void addWindowCommands(CLI::App& app) {
    CLI::App* window = app.add_subcommand("window", "show and find windows");
    window->require_subcommand(1);

    static std::string className, title;
    static std::vector<std::string> children;
    static double seconds = 30;
    CLI::App* show = window->add_subcommand(
        "show", "show a window with a class and title until the time is up or WM_CLOSE comes");
    show->add_option("--class", className, "the window's class");
    show->add_option("--title", title, "the window's title (UTF-8)");
    show->add_option(
        "--child", children,
        "a child window CLASS or CLASS:TITLE; PARENT/CLASS puts it in an earlier child");
    show->add_option("--seconds", seconds, "how long the window stays (30)");
    show->callback([] {
        QApplication& app = application();
        QWidget top;
        CWnd wrapper(&top);
        if (!className.empty()) wrapper.SetWindowClass(ToAnsi(kCommand, className).c_str());
        top.setWindowTitle(QString::fromStdString(title));
        for (const std::string& spec : children)
            if (!addChild(&top, spec)) Fail(kCommand, "no parent for the child " + spec, kUsage);
        top.resize(320, 200);
        top.show();
        QObject::connect(&top, &QObject::destroyed, &app, &QCoreApplication::quit);
        QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
        QApplication::processEvents();
        print(wrapper.GetSafeHwnd());
        std::fflush(stdout);
        top.setAttribute(Qt::WA_QuitOnClose);
        app.exec();
    });

    static std::string findClass, findTitle;
    static bool all = false;
    CLI::App* find = window->add_subcommand("find", "find top-level windows by class and title");
    find->add_option("--class", findClass, "the class (any when not given)");
    find->add_option("--title", findTitle, "the exact title (any when not given)");
    find->add_flag("--all", all, "every match, not only the first");
    find->callback([] {
        application();
        const std::string ansiClass = ToAnsi(kCommand, findClass);
        const char* cls = findClass.empty() ? nullptr : ansiClass.c_str();
        const std::string ansiTitle = ToAnsi(kCommand, findTitle);
        const char* ttl = findTitle.empty() ? nullptr : ansiTitle.c_str();
        int found = 0;
        for (HWND w = CWnd::FindWindowEx(nullptr, nullptr, cls, ttl); w;
             w = all ? CWnd::FindWindowEx(nullptr, w, cls, ttl) : nullptr) {
            print(w);
            ++found;
        }
        if (!found) Fail(kCommand, "no such window");
    });
}

} // namespace tessaly::cli
