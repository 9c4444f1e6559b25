// The automation view of an open dialog, through the framework's own window operations.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPixmap>

#include "framework/wnd_internal.h"

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

bool Dialog::Click(int id) {
    CWnd* control = dialog_->GetDlgItem(id);
    auto* button = control ? qobject_cast<QAbstractButton*>(control->GetWidget()) : nullptr;
    if (!button || !framework::IsShown(button) || !framework::IsUsable(button)) return false;
    button->click();
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

} // namespace tessaly::automation
