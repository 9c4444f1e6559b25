// CSkinDialog and CSkinButton on Qt: the dialog widget and the push buttons are the ones
// the framework built from the template; an event filter takes over the dialog's painting
// and mouse, as subclassing a window does, and the buttons become owner-drawn, painted by
// CSkinButton::DrawItem through the framework's device context.
#include "dialogs/skin_dialog.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

#include "framework/widgets/owner_draw.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::dialogs {

namespace {

QColor toColor(COLORREF color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// Corner size of the rounded background (the ellipse's width and height).
constexpr int kCorner = 10;
// The framework's timers: the dialog's drag timer and the button's hover check.
constexpr UINT_PTR kDragTimer = 11;
constexpr UINT kDragInterval = 100;
constexpr UINT_PTR kHoverTimer = 1;
constexpr UINT kHoverInterval = 10;

} // namespace

// ---- CSkinButton ----

struct CSkinButton::Impl : QObject {
    // A plain widget pointer: while the button is being destroyed it is no QPushButton.
    QPointer<QWidget> widget;
    CSkinButton& owner;
    bool hoverChecking = false;
    bool hover = false;
    COLORREF face = kSkinBackground;
    COLORREF text = RGB(0, 0, 0);
    CFont captionFont;
    CFont defaultFont;

    explicit Impl(CSkinButton& button) : owner(button) {
        captionFont.CreatePointFont(70, "Small Fonts");
        defaultFont.CreateStockObject(DEFAULT_GUI_FONT);
    }

    void startHoverCheck() {
        if (hoverChecking) return;
        hoverChecking = owner.SetTimer(kHoverTimer, kHoverInterval) != 0;
    }

    void stopHoverCheck() {
        if (hoverChecking) owner.KillTimer(kHoverTimer);
        hoverChecking = false;
    }

    QPushButton* button() const { return qobject_cast<QPushButton*>(widget.data()); }

    // Entering sets the hover state, leaving clears it and stops the check.
    void checkHover() {
        QPushButton* button = this->button();
        if (!button) {
            stopHoverCheck();
            return;
        }
        const bool inside = button->rect().contains(button->mapFromGlobal(QCursor::pos()));
        if (inside && !hover) {
            hover = true;
            button->update();
        } else if (!inside) {
            hover = false;
            button->update();
            stopHoverCheck();
        }
    }

    void update() {
        if (widget) widget->update();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != widget.data()) return false;
        QPushButton* button = this->button();
        if (!button) return false;
        switch (event->type()) {
        case QEvent::MouseMove:
            startHoverCheck();
            return false;
        case QEvent::MouseButtonDblClick: {
            // The second click of a double click presses the button again, so it sends
            // its command as a click does.
            auto* mouse = static_cast<QMouseEvent*>(event);
            QMouseEvent press(QEvent::MouseButtonPress, mouse->position(), mouse->globalPosition(),
                              mouse->button(), mouse->buttons(), mouse->modifiers());
            QApplication::sendEvent(button, &press);
            return true;
        }
        default:
            return false;
        }
    }
};

CSkinButton::CSkinButton() : impl_(std::make_unique<Impl>(*this)) {}

CSkinButton::~CSkinButton() {
    if (impl_->widget) impl_->widget->removeEventFilter(impl_.get());
}

BOOL CSkinButton::SubclassDlgItem(UINT id, CWnd* parent) {
    CWnd* control = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
    auto* button = control ? qobject_cast<QPushButton*>(control->GetWidget()) : nullptr;
    if (!button) return FALSE;
    if (control != this) {
        attach(button);
        PreSubclassWindow();
    }
    return TRUE;
}

void CSkinButton::PreSubclassWindow() {
    auto* button = qobject_cast<QPushButton*>(GetWidget());
    if (!button) return;
    if (impl_->widget) impl_->widget->removeEventFilter(impl_.get());
    impl_->stopHoverCheck();
    impl_->hover = false;
    impl_->widget = button;
    button->setAttribute(Qt::WA_MouseTracking);
    button->installEventFilter(impl_.get());
    framework::MakeOwnerDrawn(button);
    button->update();
}

// The face in the button colour; the frame by state (pressed: 0xE1E1E1 outside and white
// inside; hovered: raised, white on the top left and grey on the bottom right; else flat
// 0xC4C4C4); the caption centred on one line (moved by a pixel while pressed); the focus
// rectangle inside the frame.
void CSkinButton::DrawItem(DRAWITEMSTRUCT* item) {
    CDC* dc = item ? CDC::FromHandle(item->hDC) : nullptr;
    if (!dc) return;
    const RECT r = item->rcItem;
    const bool pressed = item->itemState & ODS_SELECTED;
    dc->FillSolidRect(&r, impl_->face);
    if (pressed) {
        dc->Draw3dRect(&r, RGB(0xE1, 0xE1, 0xE1), RGB(0xE1, 0xE1, 0xE1));
        const RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        dc->Draw3dRect(&inner, RGB(255, 255, 255), RGB(255, 255, 255));
    } else if (impl_->hover) {
        dc->Draw3dRect(&r, RGB(255, 255, 255), RGB(0x80, 0x80, 0x80));
    } else {
        dc->Draw3dRect(&r, RGB(0xC4, 0xC4, 0xC4), RGB(0xC4, 0xC4, 0xC4));
    }
    CFont* oldFont = dc->SelectObject(&impl_->captionFont);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor((item->itemState & ODS_DISABLED) ? RGB(0x80, 0x80, 0x80) : impl_->text);
    RECT caption = r;
    if (pressed) caption = RECT{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    dc->DrawText(GetWindowText(), &caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (item->itemState & ODS_FOCUS) {
        const RECT focus{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
        dc->DrawFocusRect(&focus);
    }
    if (oldFont) dc->SelectObject(oldFont);
}

void CSkinButton::OnTimer(UINT_PTR id) {
    if (id == kHoverTimer) impl_->checkHover();
}

BOOL CSkinButton::IsHovering() const {
    return impl_->hover;
}

void CSkinButton::SetFaceColor(COLORREF color) {
    impl_->face = color & 0xFFFFFF;
    impl_->update();
}

void CSkinButton::SetTextColor(COLORREF color) {
    impl_->text = color & 0xFFFFFF;
    impl_->update();
}

// ---- CSkinDialog ----

struct CSkinDialog::Impl : QObject {
    QPointer<QWidget> dialog;
    QColor background = toColor(kSkinBackground);
    bool draggable = true;
    bool dragging = false;
    QPoint last;
    CSkinDialog& owner;

    explicit Impl(CSkinDialog& dialog) : owner(dialog) {}

    // Moves the window by the cursor's movement since the last tick, size and stacking
    // unchanged.
    void dragTick() {
        if (!dialog) return stopDrag();
        const QPoint now = QCursor::pos();
        if (now != last) dialog->move(dialog->pos() + (now - last));
        last = now;
    }

    void stopDrag() {
        if (!dragging) return;
        dragging = false;
        owner.KillTimer(kDragTimer);
        if (dialog) dialog->releaseMouse();
    }

    // The background: a rounded rectangle over the client area in the background colour
    // with a black one-pixel border.
    void paint() {
        QPainter p(dialog);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(background);
        const double radius = kCorner / 2.0;
        p.drawRoundedRect(QRectF(dialog->rect().adjusted(0, 0, -1, -1)), radius, radius);
    }

    // Children are painted on the background: edits and lists take it as their base, statics
    // and buttons' labels are drawn without a background of their own.
    void applyPalette() {
        QPalette palette = dialog->palette();
        palette.setColor(QPalette::Base, background);
        palette.setColor(QPalette::AlternateBase, background);
        dialog->setPalette(palette);
        dialog->update();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != dialog) return false;
        switch (event->type()) {
        case QEvent::Paint:
            paint();
            return true;
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !draggable) return false;
            dragging = true;
            last = QCursor::pos();
            dialog->grabMouse(Qt::ArrowCursor);
            owner.SetTimer(kDragTimer, kDragInterval);
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (!dragging) return false;
            stopDrag();
            return true;
        case QEvent::UngrabMouse:
        case QEvent::Hide:
            stopDrag();
            return false;
        default:
            return false;
        }
    }
};

CSkinDialog::CSkinDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), impl_(std::make_unique<Impl>(*this)) {}

CSkinDialog::CSkinDialog(const char* templateName, CWnd* parent)
    : CDialog(templateName, parent), impl_(std::make_unique<Impl>(*this)) {}

CSkinDialog::~CSkinDialog() {
    if (impl_->dialog) impl_->dialog->removeEventFilter(impl_.get());
}

void CSkinDialog::SetBackgroundColor(COLORREF color) {
    impl_->background = toColor(color);
    m_okButton.SetFaceColor(color);
    m_cancelButton.SetFaceColor(color);
    if (impl_->dialog) impl_->applyPalette();
}

COLORREF CSkinDialog::GetBackgroundColor() const {
    const QColor& c = impl_->background;
    return RGB(c.red(), c.green(), c.blue());
}

void CSkinDialog::SetDraggable(BOOL draggable) {
    impl_->draggable = draggable != FALSE;
    if (!impl_->draggable) impl_->stopDrag();
}

void CSkinDialog::OnTimer(UINT_PTR id) {
    if (id == kDragTimer && impl_->dragging)
        impl_->dragTick();
    else
        CDialog::OnTimer(id);
}

BOOL CSkinDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    QWidget* w = GetWidget();
    if (!w) return TRUE;
    impl_->dialog = w;
    // No caption bar. The framework sizes a dialog by its client area, so taking the
    // caption away leaves nothing to shorten.
    Qt::WindowFlags flags = w->windowFlags();
    flags &= ~(Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    w->setWindowFlags(flags | Qt::FramelessWindowHint);
    w->setCursor(Qt::ArrowCursor);
    w->installEventFilter(impl_.get());
    impl_->applyPalette();
    const COLORREF background = GetBackgroundColor();
    if (m_okButton.SubclassDlgItem(IDOK, this)) m_okButton.SetFaceColor(background);
    if (m_cancelButton.SubclassDlgItem(IDCANCEL, this)) m_cancelButton.SetFaceColor(background);
    return TRUE;
}

} // namespace tessaly::dialogs
