// The up-down control's widget and CSpinButtonCtrl, which drives it with the UDM_ messages.
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>
#include <climits>

#include <tessaly/controls.h>
#include <tessaly/messages.h>
#include <tessaly/notify.h>

#include "framework/widgets/controls_internal.h"
#include "framework/widgets/notify_internal.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

namespace {

constexpr int SB_THUMBPOSITION = 4;

// How long the arrow has been held: the acceleration picks the step from it.
QElapsedTimer& heldSince() {
    static QElapsedTimer timer;
    return timer;
}

} // namespace

UpDownWidget::UpDownWidget(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    for (QToolButton* button : {up_, down_}) {
        button->setFocusPolicy(Qt::NoFocus);
        QObject::connect(button, &QToolButton::pressed, this, [] { heldSince().start(); });
    }
    QObject::connect(up_, &QToolButton::clicked, this, [this] { step(true); });
    QObject::connect(down_, &QToolButton::clicked, this, [this] { step(false); });
}

DWORD UpDownWidget::style() const {
    return property(kPropStyle).toUInt();
}

void UpDownWidget::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

QString ThousandsSeparator() {
    return QStringLiteral(",");
}

QString UpDownWidget::format(int position) const {
    if (base_ == 16)
        return QStringLiteral("0x") +
               QString::number(static_cast<uint>(position), 16).toUpper().rightJustified(4, u'0');
    QString digits = QString::number(position < 0 ? -static_cast<long long>(position) : position);
    if (!(style() & UDS_NOTHOUSANDS))
        for (int at = digits.size() - 3; at > 0; at -= 3)
            digits.insert(at, ThousandsSeparator());
    return position < 0 ? QLatin1Char('-') + digits : digits;
}

bool UpDownWidget::readBuddy(int& position) const {
    if (!buddy_ || !setsInteger_) return false;
    CWnd* buddy = CWnd::FromHandle(CWnd::HandleOf(buddy_));
    if (!buddy) return false;
    QString text = FromAnsi(buddy->GetWindowText().GetString()).trimmed();
    bool ok = false;
    long long parsed = 0;
    if (base_ == 16) {
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) text = text.mid(2);
        parsed = static_cast<long long>(text.toUInt(&ok, 16));
        if (ok) parsed = static_cast<int>(static_cast<uint>(parsed)); // unsigned as shown
    } else {
        parsed = text.remove(ThousandsSeparator()).toLongLong(&ok, 10);
    }
    const int low = std::min(minimum_, maximum_), high = std::max(minimum_, maximum_);
    if (!ok || parsed < low || parsed > high) return false;
    position = static_cast<int>(parsed);
    return true;
}

int UpDownWidget::value() const {
    int typed = 0;
    return readBuddy(typed) ? typed : value_;
}

void UpDownWidget::setValue(int value) {
    value_ = std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
    if (buddy_ && setsInteger_) {
        const std::string text = ToAnsi(format(value_));
        CWnd::SendMessage(CWnd::HandleOf(buddy_), WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void UpDownWidget::setBuddy(QWidget* buddy, bool setsInteger) {
    if (buddy_) buddy_->removeEventFilter(this);
    buddy_ = buddy;
    setsInteger_ = setsInteger;
    if (buddy_) buddy_->installEventFilter(this);
}

void UpDownWidget::align() {
    QWidget* buddy = buddy_;
    const DWORD s = style();
    if (!buddy || !(s & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return;
    const QRect b(buddy->x(), buddy->y(), buddy->width(), buddy->height());
    const int w = std::min(width(), b.width());
    if (s & UDS_ALIGNRIGHT) {
        setGeometry(b.right() + 1 - w, b.top(), w, b.height());
        buddy->setGeometry(b.left(), b.top(), b.width() - w, b.height());
    } else {
        setGeometry(b.left(), b.top(), w, b.height());
        buddy->setGeometry(b.left() + w, b.top(), b.width() - w, b.height());
    }
}

bool UpDownWidget::step(bool up) {
    // The step while an arrow is held grows with the acceleration's table.
    UINT increment = 1;
    if ((up_->isDown() || down_->isDown()) && heldSince().isValid()) {
        const qint64 seconds = heldSince().elapsed() / 1000;
        for (const Accel& a : accels_)
            if (static_cast<qint64>(a.seconds) <= seconds) increment = a.increment;
    }
    // Up moves towards the maximum, also when the maximum is the smaller end.
    const int towardsMaximum = maximum_ >= minimum_ ? 1 : -1;
    const int delta = static_cast<int>(increment) * (up ? towardsMaximum : -towardsMaximum);
    const int current = value();

    NMUPDOWN change;
    change.iPos = current;
    change.iDelta = delta;
    if (SendNotify(this, change.hdr, UDN_DELTAPOS) != 0) return false;

    const int low = std::min(minimum_, maximum_), high = std::max(minimum_, maximum_);
    const long long wanted = static_cast<long long>(current) + delta;
    int next;
    if (wanted > high)
        next = (style() & UDS_WRAP) ? low : high;
    else if (wanted < low)
        next = (style() & UDS_WRAP) ? high : low;
    else
        next = static_cast<int>(wanted);
    if (next == current && value_ == current) return false;
    setValue(next);
    // The parent learns the new position as from a scroll bar.
    if (auto* parent = qobject_cast<QWidget*>(this->parent())) {
        const UINT scroll = (style() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
        CWnd::SendMessage(CWnd::HandleOf(parent), scroll,
                          MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(next)),
                          reinterpret_cast<LPARAM>(CWnd::HandleOf(this)));
    }
    return true;
}

LRESULT UpDownWidget::message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case UDM_SETRANGE:
        setRange(static_cast<short>(HIWORD(lParam)), static_cast<short>(LOWORD(lParam)));
        return 0;
    case UDM_GETRANGE:
        return static_cast<LRESULT>(static_cast<DWORD>(
            MAKELONG(static_cast<short>(maximum_), static_cast<short>(minimum_))));
    case UDM_SETRANGE32:
        setRange(static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case UDM_GETRANGE32:
        if (wParam) *reinterpret_cast<int*>(wParam) = minimum_;
        if (lParam) *reinterpret_cast<int*>(lParam) = maximum_;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        const int previous = value();
        setValue(message == UDM_SETPOS ? static_cast<short>(LOWORD(lParam))
                                       : static_cast<int>(lParam));
        return previous;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32: {
        // The buddy's text is the position; no buddy showing it is an error.
        int typed = 0;
        const bool ok = readBuddy(typed);
        if (ok) value_ = typed;
        if (message == UDM_GETPOS32) {
            if (lParam) *reinterpret_cast<BOOL*>(lParam) = ok ? FALSE : TRUE;
            return value_;
        }
        return static_cast<LRESULT>(
            static_cast<DWORD>(MAKELONG(static_cast<short>(value_), ok ? 0 : 1)));
    }
    case UDM_SETBUDDY: {
        const HWND previous = buddy_ ? CWnd::HandleOf(buddy_) : nullptr;
        QWidget* buddy = CWnd::WidgetOf(reinterpret_cast<HWND>(wParam));
        setBuddy(buddy, style() & UDS_SETBUDDYINT);
        align();
        return reinterpret_cast<LRESULT>(previous);
    }
    case UDM_GETBUDDY:
        return reinterpret_cast<LRESULT>(buddy_ ? CWnd::HandleOf(buddy_) : nullptr);
    case UDM_SETBASE: {
        if (wParam != 10 && wParam != 16) return 0;
        const int previous = base_;
        const int position = value();
        base_ = static_cast<int>(wParam);
        if (buddy_ && setsInteger_) setValue(position);
        return previous;
    }
    case UDM_GETBASE:
        return base_;
    case UDM_SETACCEL: {
        const auto* table = reinterpret_cast<const UDACCEL*>(lParam);
        if (!table || wParam == 0) return FALSE;
        accels_.clear();
        for (WPARAM i = 0; i < wParam; ++i)
            accels_.push_back(Accel{table[i].nSec, table[i].nInc});
        return TRUE;
    }
    case UDM_GETACCEL: {
        auto* table = reinterpret_cast<UDACCEL*>(lParam);
        const size_t count = std::min<size_t>(wParam, accels_.size());
        for (size_t i = 0; table && i < count; ++i)
            table[i] = UDACCEL{accels_[i].seconds, accels_[i].increment};
        return static_cast<LRESULT>(accels_.size());
    }
    default:
        return 0;
    }
}

bool UpDownWidget::event(QEvent* event) {
    if (event->type() == CWndMessageEvent::EventType()) {
        auto* m = static_cast<CWndMessageEvent*>(event);
        if (m->message() >= UDM_SETRANGE && m->message() <= UDM_GETPOS32) {
            m->setResult(message(m->message(), m->wParam(), m->lParam()));
            return true;
        }
    }
    return QWidget::event(event);
}

// UDS_ARROWKEYS: the up and down keys in the buddy step the position.
bool UpDownWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress && (style() & UDS_ARROWKEYS)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownWidget::resizeEvent(QResizeEvent* /*event*/) {
    if (style() & UDS_HORZ) {
        // Left is down, right is up.
        down_->setArrowType(Qt::LeftArrow);
        up_->setArrowType(Qt::RightArrow);
        const int half = width() / 2;
        down_->setGeometry(0, 0, half, height());
        up_->setGeometry(half, 0, width() - half, height());
    } else {
        const int half = height() / 2;
        up_->setGeometry(0, 0, width(), half);
        down_->setGeometry(0, half, width(), height() - half);
    }
}

} // namespace tessaly::framework

// ---------------------------------------------------------------- CSpinButtonCtrl

CSpinButtonCtrl::CSpinButtonCtrl() = default;

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* widget) : CWnd(widget) {}

namespace {

LRESULT send(const CSpinButtonCtrl& spin, UINT message, WPARAM wParam, LPARAM lParam) {
    return CWnd::SendMessage(spin.GetSafeHwnd(), message, wParam, lParam);
}

} // namespace

void CSpinButtonCtrl::SetRange(short lower, short upper) {
    send(*this, UDM_SETRANGE, 0, MAKELPARAM(upper, lower));
}

void CSpinButtonCtrl::GetRange(int& lower, int& upper) const {
    const DWORD range = GetRange();
    lower = static_cast<short>(HIWORD(range));
    upper = static_cast<short>(LOWORD(range));
}

DWORD CSpinButtonCtrl::GetRange() const {
    return static_cast<DWORD>(send(*this, UDM_GETRANGE, 0, 0));
}

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
    send(*this, UDM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
}

void CSpinButtonCtrl::GetRange32(int& lower, int& upper) const {
    lower = upper = 0;
    send(*this, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
}

int CSpinButtonCtrl::SetPos(int pos) {
    return static_cast<short>(LOWORD(send(*this, UDM_SETPOS, 0, MAKELPARAM(pos, 0))));
}

int CSpinButtonCtrl::GetPos() const {
    return static_cast<int>(send(*this, UDM_GETPOS, 0, 0));
}

int CSpinButtonCtrl::SetPos32(int pos) {
    return static_cast<int>(send(*this, UDM_SETPOS32, 0, static_cast<LPARAM>(pos)));
}

int CSpinButtonCtrl::GetPos32(BOOL* error) const {
    BOOL failed = TRUE;
    const int pos =
        static_cast<int>(send(*this, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
    if (error) *error = GetSafeHwnd() ? failed : TRUE;
    return pos;
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) {
    const HWND previous = reinterpret_cast<HWND>(send(
        *this, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy ? buddy->GetSafeHwnd() : nullptr), 0));
    return previous ? CWnd::FromHandle(previous) : nullptr;
}

CWnd* CSpinButtonCtrl::GetBuddy() const {
    const HWND buddy = reinterpret_cast<HWND>(send(*this, UDM_GETBUDDY, 0, 0));
    return buddy ? CWnd::FromHandle(buddy) : nullptr;
}

int CSpinButtonCtrl::SetBase(int base) {
    return static_cast<int>(send(*this, UDM_SETBASE, static_cast<WPARAM>(base), 0));
}

UINT CSpinButtonCtrl::GetBase() const {
    return static_cast<UINT>(send(*this, UDM_GETBASE, 0, 0));
}

BOOL CSpinButtonCtrl::SetAccel(int count, const UDACCEL* accel) {
    if (count <= 0) return FALSE;
    return static_cast<BOOL>(
        send(*this, UDM_SETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(accel)));
}

UINT CSpinButtonCtrl::GetAccel(int count, UDACCEL* accel) const {
    if (count < 0) return 0;
    return static_cast<UINT>(
        send(*this, UDM_GETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(accel)));
}
