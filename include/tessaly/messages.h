#pragma once
// Window messages as Qt events. CWnd::SendMessage and CWnd::PostMessage (and the library's
// own sends, such as the print commands to a program's main window) reach the widget of the
// window as a CWndMessageEvent carrying the message number, wParam and lParam: at once for
// a send, through the event queue for a post. The widget answers in event():
//
//     bool MyWidget::event(QEvent* e) override {
//         if (e->type() == CWndMessageEvent::EventType()) {
//             auto* m = static_cast<CWndMessageEvent*>(e);
//             if (m->message() == WM_COMMAND && m->wParam() == 57607) {
//                 print();
//                 m->setResult(1); // handled (accept() alone marks it handled with 0)
//                 return true;
//             }
//         }
//         return QWidget::event(e);
//     }
//
// The event arrives not accepted; setResult or accept() mark it handled. For a message the
// widget leaves unaccepted the framework does the default: WM_SETTEXT, WM_GETTEXT and
// WM_GETTEXTLENGTH act on the window's text (as CWnd::SetWindowText, CWnd::GetWindowText,
// CWnd::GetWindowTextLength), WM_TIMER calls the window's CWnd::OnTimer, WM_CLOSE closes the
// widget; the rest give 0.
#include <QEvent>

#include <tessaly/types.h>

#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_SETTINGCHANGE 0x001A
#define WM_DEVMODECHANGE 0x001B
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_USER 0x0400

class TESSALY_API CWndMessageEvent : public QEvent {
  public:
    // The event type of every window message (registered with Qt once per process).
    static QEvent::Type EventType();

    CWndMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);
    ~CWndMessageEvent() override;

    UINT message() const { return message_; }
    WPARAM wParam() const { return wParam_; }
    LPARAM lParam() const { return lParam_; }
    // What SendMessage returns (0 unless the widget sets it); ignored for posted messages.
    // Setting it accepts the event: the message counts as handled.
    LRESULT result() const { return result_; }
    void setResult(LRESULT result) {
        result_ = result;
        accept();
    }

  private:
    UINT message_;
    WPARAM wParam_;
    LPARAM lParam_;
    LRESULT result_ = 0;
};
