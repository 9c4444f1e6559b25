// Sends with a time bound: at once on the calling thread, queued to another thread's window
// and waited for at most the timeout.
#include "framework/widgets/broadcast.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <future>
#include <memory>

#include "platform/errors.h"

namespace tessaly::framework {

namespace {

bool sendOne(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs,
             LRESULT& answer) {
    QWidget* widget = CWnd::WidgetOf(window);
    if (!widget) return false;
    if (widget->thread() == QThread::currentThread()) {
        answer = CWnd::SendMessage(window, message, wParam, lParam);
        return true;
    }
    auto promise = std::make_shared<std::promise<LRESULT>>();
    std::future<LRESULT> future = promise->get_future();
    QMetaObject::invokeMethod(
        widget, [=] { promise->set_value(CWnd::SendMessage(window, message, wParam, lParam)); },
        Qt::QueuedConnection);
    if (future.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
        return false;
    answer = future.get();
    return true;
}

} // namespace

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT,
                            UINT timeoutMs, DWORD_PTR* result) {
    LRESULT answer = 0;
    bool allAnswered = true;
    if (window == HWND_BROADCAST) {
        if (!QApplication::instance()) return 1; // no windows to tell
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (!sendOne(CWnd::HandleOf(widget), message, wParam, lParam, timeoutMs, answer))
                allAnswered = false;
    } else if (!sendOne(window, message, wParam, lParam, timeoutMs, answer)) {
        allAnswered = false;
    }
    if (result) *result = DWORD_PTR(answer);
    if (!allAnswered) {
        platform::SetLastError(ERROR_TIMEOUT);
        return 0;
    }
    return 1;
}

} // namespace tessaly::framework
