// The automation view of list and combo box items and of the keyboard focus.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>

#include "framework/wnd_internal.h"

namespace tessaly::automation {

namespace {

QWidget* widgetOf(CDialog* dialog, int id) {
    CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
    return control ? control->GetWidget() : nullptr;
}

} // namespace

std::vector<std::string> Dialog::GetItems(int id) const {
    std::vector<std::string> items;
    QWidget* widget = widgetOf(dialog_, id);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        for (int i = 0; i < list->count(); ++i)
            items.push_back(framework::ToAnsi(list->item(i)->text()));
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i)
            items.push_back(framework::ToAnsi(combo->itemText(i)));
    }
    return items;
}

int Dialog::GetCurSel(int id) const {
    QWidget* widget = widgetOf(dialog_, id);
    if (auto* list = qobject_cast<QListWidget*>(widget))
        return list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1;
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentIndex();
    return -1;
}

bool Dialog::SetCurSel(int id, int index) {
    QWidget* widget = widgetOf(dialog_, id);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (index >= list->count()) return false;
        if (index < 0)
            list->setCurrentItem(nullptr);
        else
            list->setCurrentRow(index);
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (index >= combo->count()) return false;
        combo->setCurrentIndex(index < 0 ? -1 : index);
        return true;
    }
    return false;
}

bool Dialog::SetFocus(int id) {
    QWidget* widget = widgetOf(dialog_, id);
    if (!widget) return false;
    // The focus moves only within the active window.
    if (QWidget* window = widget->window()) {
        window->activateWindow();
        QApplication::setActiveWindow(window);
    }
    widget->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    return true;
}

} // namespace tessaly::automation
