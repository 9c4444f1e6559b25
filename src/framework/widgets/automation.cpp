// The automation view of an open dialog, through the framework's own window operations.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

namespace {
automation::DialogHandler& dialogHandler() {
    static automation::DialogHandler h;
    return h;
}
} // namespace

automation::DialogHandler CurrentDialogHandler() {
    return dialogHandler();
}

} // namespace tessaly::framework

namespace tessaly::automation {

using framework::ToAnsi;

void SetDialogHandler(DialogHandler handler) {
    framework::dialogHandler() = std::move(handler);
}

DialogHandler GetDialogHandler() {
    return framework::dialogHandler();
}

UINT Dialog::TemplateId() const {
    return dialog_->GetTemplateName().IsEmpty() ? dialog_->GetTemplateId() : 0;
}

std::string Dialog::TemplateName() const {
    return dialog_->GetTemplateName().str();
}

std::string Dialog::Caption() const {
    return dialog_->GetWindowText().str();
}

HWND Dialog::Handle() const {
    return dialog_->GetSafeHwnd();
}

bool Dialog::HasControl(int id) const {
    return dialog_->GetDlgItem(id) != nullptr;
}

std::string Dialog::GetText(int id) const {
    CWnd* control = dialog_->GetDlgItem(id);
    return control ? control->GetWindowText().str() : std::string();
}

bool Dialog::SetText(int id, const std::string& text) {
    CWnd* control = dialog_->GetDlgItem(id);
    if (!control) return false;
    control->SetWindowText(text.c_str());
    return true;
}

int Dialog::GetCheck(int id) const {
    CWnd* control = dialog_->GetDlgItem(id);
    return control ? control->GetCheck() : -1;
}

bool Dialog::SetCheck(int id, int state) {
    CWnd* control = dialog_->GetDlgItem(id);
    if (!control) return false;
    control->SetCheck(state);
    return true;
}

bool Dialog::IsVisible(int id) const {
    CWnd* control = dialog_->GetDlgItem(id);
    return control && control->IsWindowVisible();
}

bool Dialog::IsEnabled(int id) const {
    CWnd* control = dialog_->GetDlgItem(id);
    return control && control->IsWindowEnabled();
}

int Dialog::GetIcon(int id) const {
    CWnd* control = dialog_->GetDlgItem(id);
    QWidget* widget = control ? control->GetWidget() : nullptr;
    return widget ? widget->property(framework::kPropIcon).toInt() : 0;
}

Rect Dialog::GetRect(int id) const {
    QWidget* widget = nullptr;
    if (id == 0) {
        widget = DialogAccess::widget(*dialog_);
        if (widget) return Rect{0, 0, widget->width(), widget->height()};
        return Rect{};
    }
    CWnd* control = dialog_->GetDlgItem(id);
    widget = control ? control->GetWidget() : nullptr;
    if (!widget) return Rect{};
    return Rect{widget->x(), widget->y(), widget->width(), widget->height()};
}

namespace {

// The target of the first link in a link control's markup; null when it has none.
QString firstLink(const QString& markup) {
    QTextDocument document;
    document.setHtml(markup);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            if (fragment.fragment().charFormat().isAnchor())
                return fragment.fragment().charFormat().anchorHref();
    return QString();
}

} // namespace

bool Dialog::Click(int id) {
    CWnd* control = dialog_->GetDlgItem(id);
    QWidget* widget = control ? control->GetWidget() : nullptr;
    if (!widget || !framework::IsShown(widget) || !framework::IsUsable(widget)) return false;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->click();
        return true;
    }
    // A link control follows its first link, as the user's click on it does.
    auto* link = qobject_cast<QLabel*>(widget);
    if (!link || !(link->textInteractionFlags() & Qt::LinksAccessibleByMouse)) return false;
    const QString target = firstLink(link->text());
    if (target.isNull()) return false;
    emit link->linkActivated(target);
    return true;
}

void Dialog::PressEscape() {
    QWidget* widget = DialogAccess::widget(*dialog_);
    if (!widget) return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

bool Dialog::SavePng(const std::string& path) const {
    QWidget* widget = DialogAccess::widget(*dialog_);
    if (!widget) return false;
    return widget->grab().save(QString::fromStdString(path), "PNG");
}

bool Dialog::HasCaption() const {
    QWidget* widget = DialogAccess::widget(*dialog_);
    return widget && !(widget->windowFlags() & Qt::FramelessWindowHint) &&
           (widget->windowFlags() & Qt::WindowTitleHint);
}

Rect Dialog::ScreenRect() const {
    QWidget* widget = DialogAccess::widget(*dialog_);
    if (!widget) return Rect{};
    const QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    return Rect{origin.x(), origin.y(), widget->width(), widget->height()};
}

long Dialog::GetPixel(int x, int y) const {
    QWidget* widget = DialogAccess::widget(*dialog_);
    if (!widget || !widget->rect().contains(x, y)) return -1;
    const QImage image = widget->grab(QRect(x, y, 1, 1)).toImage();
    if (image.isNull()) return -1;
    const QColor c = image.pixelColor(0, 0);
    return static_cast<long>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

void Dialog::Wait(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(std::max(1, milliseconds - static_cast<int>(clock.elapsed())), &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}

bool Dialog::IsOpen() const {
    QWidget* widget = DialogAccess::widget(*dialog_);
    return widget && framework::IsShown(widget);
}

int Dialog::GetFocus() const {
    QWidget* widget = DialogAccess::widget(*dialog_);
    // A control's inner widget (a combo box's line edit) stands for the control.
    for (QWidget* w = widget ? widget->focusWidget() : nullptr; w && w != widget;
         w = qobject_cast<QWidget*>(w->parent()))
        if (w->property(framework::kPropId).isValid())
            return w->property(framework::kPropId).toInt();
    return 0;
}

namespace {

// The window class a control of the framework stands for.
std::string classOf(QWidget* w) {
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)) return "Button";
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) return "Edit";
    if (qobject_cast<QTextEdit*>(w)) return "RichEdit";
    if (qobject_cast<QComboBox*>(w)) return "ComboBox";
    if (qobject_cast<QListWidget*>(w)) return "ListBox";
    if (qobject_cast<QScrollBar*>(w)) return "ScrollBar";
    if (qobject_cast<QLabel*>(w) || qstrcmp(w->metaObject()->className(), "QFrame") == 0)
        return "Static";
    return w->metaObject()->className();
}

} // namespace

std::vector<Dialog::Control> Dialog::Controls() const {
    std::vector<Control> controls;
    QWidget* widget = DialogAccess::widget(*dialog_);
    if (!widget) return controls;
    for (QObject* child : widget->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || !w->property(framework::kPropId).isValid()) continue;
        Control c;
        c.id = w->property(framework::kPropId).toInt();
        c.className = classOf(w);
        c.style = w->property(framework::kPropStyle).toUInt();
        c.rect = Rect{w->x(), w->y(), w->width(), w->height()};
        c.visible = framework::IsShown(w);
        c.enabled = !w->testAttribute(Qt::WA_ForceDisabled);
        if (CWnd* object = CWnd::FromHandle(CWnd::HandleOf(w)))
            c.text = object->GetWindowText().str();
        controls.push_back(std::move(c));
    }
    return controls;
}

} // namespace tessaly::automation
