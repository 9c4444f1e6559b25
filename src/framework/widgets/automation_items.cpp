// The automation view of list and combo box items and of the keyboard focus.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

#include "framework/widgets/controls_internal.h"
#include "framework/widgets/notify_internal.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::automation {

namespace {

QWidget* widgetOf(CDialog* dialog, int id) {
    CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
    return control ? control->GetWidget() : nullptr;
}

// A list view in report view: its rows are the tree widget's top-level items.
QTreeWidget* reportView(QWidget* widget) {
    auto* tree = qobject_cast<QTreeWidget*>(widget);
    return tree && tree->property(framework::kPropListView).toBool() ? tree : nullptr;
}

// Selects the item (-1: none) of a list box, combo box or list view.
bool selectItem(CDialog* dialog, int id, int index) {
    QWidget* widget = widgetOf(dialog, id);
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
    if (QTreeWidget* report = reportView(widget)) {
        if (index >= report->topLevelItemCount()) return false;
        if (index < 0) {
            report->setCurrentItem(nullptr);
            report->clearSelection();
        } else {
            report->setCurrentItem(report->topLevelItem(index));
        }
        return true;
    }
    return false;
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
    } else if (QTreeWidget* report = reportView(widget)) {
        for (int i = 0; i < report->topLevelItemCount(); ++i)
            items.push_back(framework::ToAnsi(report->topLevelItem(i)->text(0)));
    }
    return items;
}

int Dialog::GetCurSel(int id) const {
    QWidget* widget = widgetOf(dialog_, id);
    if (auto* list = qobject_cast<QListWidget*>(widget))
        return list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1;
    if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->currentIndex();
    if (QTreeWidget* report = reportView(widget)) {
        QTreeWidgetItem* current = report->currentItem();
        return current && current->isSelected() ? report->indexOfTopLevelItem(current) : -1;
    }
    return -1;
}

bool Dialog::SetCurSel(int id, int index) {
    // The user's choice: the notifications only the user's actions send follow.
    bool done = false;
    framework::AsUserAction(widgetOf(dialog_, id), [&] { done = selectItem(dialog_, id, index); });
    return done;
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
