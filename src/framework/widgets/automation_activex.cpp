// The automation view of the ActiveX controls: the picker's value and the folder view's
// items and selection.
#include <QTreeWidget>

#include <tessaly/activex.h>

#include "framework/widgets/activex_internal.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::automation {

namespace {

QWidget* widgetOf(CDialog* dialog, int id) {
    CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
    return control ? control->GetWidget() : nullptr;
}

CActiveXControl* pickerOf(CDialog* dialog, int id) {
    CActiveXControl* control = CActiveXControl::FromWidget(widgetOf(dialog, id));
    return control && control->GetClassId() == CLSID_TESSALY_DTPICKER ? control : nullptr;
}

} // namespace

bool Dialog::GetDateValue(int id, double* value) const {
    CActiveXControl* picker = pickerOf(dialog_, id);
    if (!picker || !value) return false;
    CComVariant result;
    if (FAILED(picker->Invoke(CDTPicker::dispidValue, DISPATCH_PROPERTYGET, nullptr, 0, &result)) ||
        result.vt != VT_DATE)
        return false;
    *value = result.date;
    return true;
}

bool Dialog::SetDateValue(int id, double value) {
    CActiveXControl* picker = pickerOf(dialog_, id);
    if (!picker) return false;
    const CComVariant date(value, VT_DATE);
    return SUCCEEDED(
        picker->Invoke(CDTPicker::dispidValue, DISPATCH_PROPERTYPUT, &date, 1, nullptr));
}

std::vector<Dialog::FolderItem> Dialog::GetFolderItems(int id, const std::string& path) const {
    std::vector<FolderItem> items;
    framework::FolderTree* tree = framework::FolderTreeOf(widgetOf(dialog_, id));
    if (!tree) return items;
    auto add = [&items](const QTreeWidgetItem* item) {
        items.push_back({framework::ToAnsi(item->text(0)),
                         framework::ToAnsi(framework::FolderTree::pathOf(item))});
    };
    if (path.empty()) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            add(tree->topLevelItem(i));
        return items;
    }
    QTreeWidgetItem* parent = tree->findPath(framework::FromAnsi(path.c_str()));
    if (!parent) return items;
    tree->loadChildren(parent);
    for (int i = 0; i < parent->childCount(); ++i)
        add(parent->child(i));
    return items;
}

std::string Dialog::GetSelectedFolder(int id) const {
    framework::FolderTree* tree = framework::FolderTreeOf(widgetOf(dialog_, id));
    return tree ? framework::ToAnsi(framework::FolderTree::pathOf(tree->currentItem()))
                : std::string();
}

bool Dialog::SelectFolder(int id, const std::string& path) {
    framework::FolderTree* tree = framework::FolderTreeOf(widgetOf(dialog_, id));
    QTreeWidgetItem* item = tree ? tree->findPath(framework::FromAnsi(path.c_str())) : nullptr;
    if (!item) return false;
    // As a click would: the levels above open, the item becomes current and selected.
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        tree->expandItem(up);
    tree->scrollToItem(item);
    tree->setCurrentItem(item);
    return true;
}

} // namespace tessaly::automation
