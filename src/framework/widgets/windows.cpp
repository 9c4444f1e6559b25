// Window classes, finding windows in this process and on the X11 display, window messages
// as Qt events with a posted-message queue, timers, and the screen.
#include "framework/widgets/windows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QWidget>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include <tessaly/gdi.h>
#include <tessaly/messages.h>
#include <tessaly/notify.h>

#include "framework/widgets/application.h"
#include "framework/widgets/wnd_internal.h"
#include "framework/widgets/x11_windows.h"
#include "platform/codepage.h"
#include "platform/wintime.h"

namespace tessaly::framework {

namespace {

constexpr const char* kPropClass = "tessalyClass";

// Windows of other processes are X window ids with this tag above them; the framework's own
// handles are small numbers, so the two never meet.
constexpr std::uintptr_t kForeignTag = std::uintptr_t(1) << 40;

bool isForeign(HWND window) {
    const auto value = reinterpret_cast<std::uintptr_t>(window);
    return (value & ~std::uintptr_t(0xFFFFFFFF)) == kForeignTag;
}

x11::Window foreignWindow(HWND window) {
    return static_cast<x11::Window>(reinterpret_cast<std::uintptr_t>(window) & 0xFFFFFFFF);
}

HWND foreignHandle(x11::Window window) {
    return reinterpret_cast<HWND>(kForeignTag | window);
}

QApplication* application() {
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

bool onX11() {
    return application() && QGuiApplication::platformName() == QLatin1String("xcb");
}

// ---- Classes on the X window ----

void applyX11Class(QWidget* widget) {
    const QString className = widget->property(kPropClass).toString();
    if (className.isEmpty() || !onX11()) return;
    const WId id = widget->winId(); // makes the widget native (and its ancestors)
    const QString instance = QCoreApplication::applicationName();
    x11::SetClass(static_cast<x11::Window>(id),
                  (instance.isEmpty() ? className : instance).toStdString(),
                  className.toStdString());
}

// Qt writes its own WM_CLASS whenever it makes the X window: write ours again after it.
class ClassKeeper : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
            if (auto* widget = qobject_cast<QWidget*>(watched)) applyX11Class(widget);
        return false;
    }
};

// ---- Messages ----

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::mutex queueLock;
std::deque<Posted> postedQueue;

struct TimerKey {
    HWND window;
    UINT_PTR id;
    bool operator<(const TimerKey& other) const {
        return window != other.window ? window < other.window : id < other.id;
    }
};
std::map<TimerKey, QPointer<QTimer>> timers;

LRESULT defaultHandling(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = CWnd::FromHandle(window);
    if (!wnd) return 0;
    switch (message) {
    case WM_SETTEXT:
        wnd->SetWindowText(reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0) return 0;
        const CString text = wnd->GetWindowText();
        const size_t count = std::min<size_t>(static_cast<size_t>(text.GetLength()), wParam - 1);
        std::memcpy(buffer, static_cast<const char*>(text), count);
        buffer[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
        return wnd->GetWindowTextLength();
    case WM_TIMER:
        if (lParam)
            reinterpret_cast<CWnd::TimerCallback>(lParam)(window, WM_TIMER, wParam,
                                                          platform::GetTickCount());
        else
            wnd->OnTimer(wParam);
        return 0;
    case WM_CLOSE:
        if (QWidget* widget = wnd->GetWidget()) widget->close();
        return 0;
    case WM_DRAWITEM:
        wnd->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MEASUREITEM:
        wnd->OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (auto* dialog = dynamic_cast<CDialog*>(wnd))
            return DialogAccess::command(*dialog, wParam, lParam);
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        wnd->OnNotify(wParam, lParam, &result);
        return result;
    }
    default:
        return 0;
    }
}

// Delivers on the widget's own thread: the event first, the default when it is left.
LRESULT deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = CWnd::WidgetOf(window);
    if (!widget) return 0;
    CWndMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(widget, &event);
    if (event.isAccepted()) return event.result();
    return defaultHandling(window, message, wParam, lParam);
}

// Each posted message wakes this object once through Qt's queue; the wake delivers the
// oldest message still queued (FilterHWNDMessages may have taken it already).
class Dispatcher : public QObject {
  public:
    static QEvent::Type wakeType() {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    bool event(QEvent* event) override {
        if (event->type() != wakeType()) return QObject::event(event);
        Posted next;
        {
            std::lock_guard lock(queueLock);
            if (postedQueue.empty()) return true;
            next = postedQueue.front();
            postedQueue.pop_front();
        }
        deliver(next.window, next.message, next.wParam, next.lParam);
        return true;
    }
};

Dispatcher* dispatcher() {
    static Dispatcher* instance = [] {
        auto* d = new Dispatcher; // lives as long as the application
        d->moveToThread(QCoreApplication::instance()->thread());
        return d;
    }();
    return instance;
}

bool post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!CWnd::WidgetOf(window) || !QCoreApplication::instance()) return false;
    {
        std::lock_guard lock(queueLock);
        postedQueue.push_back(Posted{window, message, wParam, lParam});
    }
    QCoreApplication::postEvent(dispatcher(), new QEvent(Dispatcher::wakeType()));
    return true;
}

// A timer's tick: one WM_TIMER waits in the queue at most, as Windows keeps it.
void tick(HWND window, UINT_PTR id, CWnd::TimerCallback callback) {
    {
        std::lock_guard lock(queueLock);
        for (const Posted& p : postedQueue)
            if (p.window == window && p.message == WM_TIMER && p.wParam == id) return;
    }
    post(window, WM_TIMER, id, reinterpret_cast<LPARAM>(callback));
}

void dropPostedTimers(HWND window, UINT_PTR id) {
    std::lock_guard lock(queueLock);
    std::erase_if(postedQueue, [&](const Posted& p) {
        return p.window == window && p.message == WM_TIMER && p.wParam == id;
    });
}

std::vector<HWND> inProcessTopLevels() {
    std::vector<QWidget*> widgets;
    if (!application()) return {};
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop) continue;
        widgets.push_back(widget);
    }
    // Visible windows first, then in the order their handles were made.
    std::vector<std::pair<int, HWND>> order;
    for (QWidget* widget : widgets)
        order.emplace_back(IsShown(widget) ? 0 : 1, CWnd::HandleOf(widget));
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return reinterpret_cast<std::uintptr_t>(a.second) <
               reinterpret_cast<std::uintptr_t>(b.second);
    });
    std::vector<HWND> result;
    for (const auto& entry : order)
        result.push_back(entry.second);
    return result;
}

bool matches(HWND window, const char* className, const char* title) {
    // Class names are compared ignoring case, as Windows registers them; titles exactly.
    if (className && CWnd::ClassNameOf(window).CompareNoCase(className) != 0) return false;
    if (title && CWnd::TitleOf(window) != title) return false;
    return true;
}

} // namespace

QString WindowClassOf(const QWidget* widget) {
    if (!widget) return {};
    const QString given = widget->property(kPropClass).toString();
    if (!given.isEmpty()) return given;
    if (qobject_cast<const QDialog*>(widget)) return QStringLiteral("#32770");
    if (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QGroupBox*>(widget))
        return QStringLiteral("Button");
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget))
        return QStringLiteral("Edit");
    if (qobject_cast<const QLabel*>(widget)) return QStringLiteral("Static");
    if (qobject_cast<const QComboBox*>(widget)) return QStringLiteral("ComboBox");
    if (qobject_cast<const QScrollBar*>(widget)) return QStringLiteral("ScrollBar");
    if (qobject_cast<const QTextEdit*>(widget)) return QStringLiteral("RichEdit20A");
    if (qobject_cast<const QTreeView*>(widget)) return QStringLiteral("SysTreeView32");
    if (qobject_cast<const QListView*>(widget)) return QStringLiteral("ListBox");
    if (qobject_cast<const QToolBar*>(widget)) return QStringLiteral("ToolbarWindow32");
    return QString::fromLatin1(widget->metaObject()->className());
}

int DispatchPostedMessages(HWND window, UINT first, UINT last) {
    const bool all = first == 0 && last == 0;
    int delivered = 0;
    for (;;) {
        Posted next{};
        {
            std::lock_guard lock(queueLock);
            auto it = std::find_if(postedQueue.begin(), postedQueue.end(), [&](const Posted& p) {
                return (!window || p.window == window) &&
                       (all || (p.message >= first && p.message <= last));
            });
            if (it == postedQueue.end()) return delivered;
            next = *it;
            postedQueue.erase(it);
        }
        deliver(next.window, next.message, next.wParam, next.lParam);
        ++delivered;
    }
}

namespace {
QScreen* primaryScreen() {
    EnsureApplication();
    return QGuiApplication::primaryScreen();
}
} // namespace

// Qt scales its coordinates by the screen's device pixel ratio; the screen's own pixels and
// dpi are those times the ratio.
int ScreenWidth() {
    QScreen* screen = primaryScreen();
    return screen ? qRound(screen->geometry().width() * screen->devicePixelRatio()) : 0;
}

int ScreenHeight() {
    QScreen* screen = primaryScreen();
    return screen ? qRound(screen->geometry().height() * screen->devicePixelRatio()) : 0;
}

int ScreenLogicalDpi() {
    QScreen* screen = primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchX() * screen->devicePixelRatio()) : 96;
}

} // namespace tessaly::framework

using namespace tessaly::framework;
namespace x11 = tessaly::framework::x11;

// ---- CWndMessageEvent ----

QEvent::Type CWndMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CWndMessageEvent::CWndMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam) {
    setAccepted(false);
}

CWndMessageEvent::~CWndMessageEvent() = default;

// ---- Classes ----

void CWnd::SetWindowClass(const char* className) {
    QWidget* widget = GetWidget();
    if (!widget) return;
    widget->setProperty(kPropClass, FromAnsi(className));
    if (!widget->findChild<ClassKeeper*>(QString(), Qt::FindDirectChildrenOnly)) {
        auto* keeper = new ClassKeeper(widget);
        widget->installEventFilter(keeper);
    }
    applyX11Class(widget);
}

CString CWnd::GetClassName() const {
    return ClassNameOf(m_hWnd);
}

// ---- Finding windows ----

std::vector<HWND> CWnd::EnumTopLevelWindows() {
    std::vector<HWND> result = inProcessTopLevels();
    // This process's own X windows are its widgets, listed above.
    const bool ownOnX11 = onX11();
    const auto self = static_cast<std::uint32_t>(getpid());
    for (x11::Window window : x11::TopLevelWindows()) {
        if (ownOnX11 && x11::ProcessId(window) == self) continue;
        result.push_back(foreignHandle(window));
    }
    return result;
}

std::vector<HWND> CWnd::EnumChildWindows(HWND parent) {
    std::vector<HWND> result;
    if (isForeign(parent)) {
        for (x11::Window child : x11::Children(foreignWindow(parent)))
            result.push_back(foreignHandle(child));
        return result;
    }
    QWidget* widget = WidgetOf(parent);
    if (!widget) return result;
    for (QObject* child : widget->children()) {
        auto* childWidget = qobject_cast<QWidget*>(child);
        if (childWidget && childWidget->window() != childWidget)
            result.push_back(HandleOf(childWidget));
    }
    return result;
}

HWND CWnd::GetFirstChild(HWND parent) {
    const std::vector<HWND> children = EnumChildWindows(parent);
    return children.empty() ? nullptr : children.front();
}

HWND CWnd::FindWindowEx(HWND parent, HWND after, const char* className, const char* title) {
    const std::vector<HWND> windows = parent ? EnumChildWindows(parent) : EnumTopLevelWindows();
    auto it = windows.begin();
    if (after) {
        it = std::find(windows.begin(), windows.end(), after);
        if (it == windows.end()) return nullptr;
        ++it;
    }
    for (; it != windows.end(); ++it)
        if (matches(*it, className, title)) return *it;
    return nullptr;
}

HWND CWnd::FindWindow(const char* className, const char* title) {
    return FindWindowEx(nullptr, nullptr, className, title);
}

CString CWnd::ClassNameOf(HWND window) {
    if (isForeign(window))
        return CString(
            tessaly::platform::Utf8ToAnsi(x11::ClassName(foreignWindow(window))).c_str());
    QWidget* widget = WidgetOf(window);
    return widget ? CString(ToAnsi(WindowClassOf(widget)).c_str()) : CString();
}

CString CWnd::TitleOf(HWND window) {
    if (isForeign(window))
        return CString(tessaly::platform::Utf8ToAnsi(x11::Title(foreignWindow(window))).c_str());
    CWnd* wnd = FromHandle(window);
    return wnd ? wnd->GetWindowText() : CString();
}

DWORD CWnd::ProcessIdOf(HWND window) {
    if (isForeign(window)) return x11::ProcessId(foreignWindow(window));
    return WidgetOf(window) ? static_cast<DWORD>(getpid()) : 0;
}

BOOL CWnd::IsWindow(HWND window) {
    if (isForeign(window)) return x11::Exists(foreignWindow(window));
    return WidgetOf(window) != nullptr;
}

namespace tessaly::framework {

bool IsWindowOnScreen(HWND window) {
    if (isForeign(window)) return x11::IsViewable(foreignWindow(window));
    CWnd* wnd = CWnd::FromHandle(window);
    return wnd && wnd->IsWindowVisible();
}

void HideAnyWindow(HWND window) {
    if (isForeign(window)) {
        x11::Withdraw(foreignWindow(window));
    } else if (CWnd* wnd = CWnd::FromHandle(window)) {
        wnd->ShowWindow(SW_HIDE);
    }
}

} // namespace tessaly::framework

// ---- Messages ----

LRESULT CWnd::SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = WidgetOf(window);
    if (!widget) return 0;
    if (widget->thread() == QThread::currentThread())
        return deliver(window, message, wParam, lParam);
    // Another thread's window: run on its thread and wait, as a send across threads does.
    LRESULT result = 0;
    QMetaObject::invokeMethod(
        widget, [=] { return deliver(window, message, wParam, lParam); },
        Qt::BlockingQueuedConnection, &result);
    return result;
}

BOOL CWnd::PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return post(window, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessage(m_hWnd, message, wParam, lParam);
}

// ---- Timers ----

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TimerCallback callback) {
    QWidget* widget = GetWidget();
    if (!widget) return 0;
    const HWND window = m_hWnd;
    QPointer<QTimer>& timer = timers[TimerKey{window, id}];
    if (timer) delete timer.data();
    timer = new QTimer(widget); // dies with the window
    QObject::connect(timer.data(), &QTimer::timeout,
                     [window, id, callback] { tick(window, id, callback); });
    timer->start(static_cast<int>(std::max<UINT>(elapse, 10))); // Windows' shortest
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    auto it = timers.find(TimerKey{m_hWnd, id});
    if (it == timers.end()) return FALSE;
    const bool alive = !it->second.isNull();
    delete it->second.data();
    timers.erase(it);
    dropPostedTimers(m_hWnd, id);
    return alive ? TRUE : FALSE;
}

void CWnd::OnTimer(UINT_PTR) {}
