// CTreeCtrl over a QTreeWidget: a tree item handle is the QTreeWidgetItem itself.
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <tessaly/controls.h>

#include "framework/widgets/wnd_internal.h"

using namespace tessaly::framework;

namespace {

constexpr UINT TVGN_FIRSTVISIBLE = 0x5;
constexpr UINT TVGN_NEXTVISIBLE = 0x6;
constexpr UINT TVGN_PREVIOUSVISIBLE = 0x7;
constexpr UINT TVGN_CARET = 0x9;

QTreeWidget* treeWidget(const CWnd& wnd) {
    return qobject_cast<QTreeWidget*>(wnd.GetWidget());
}

bool isSpecial(HTREEITEM item) {
    return item == TVI_ROOT || item == TVI_FIRST || item == TVI_LAST;
}

// The item of a handle when it is an item of this tree; null for no item, the special
// handles and items of other trees.
QTreeWidgetItem* itemOf(QTreeWidget* tree, HTREEITEM handle) {
    if (!tree || !handle || isSpecial(handle)) return nullptr;
    auto* item = reinterpret_cast<QTreeWidgetItem*>(handle);
    return item->treeWidget() == tree ? item : nullptr;
}

HTREEITEM handleOf(QTreeWidgetItem* item) {
    return reinterpret_cast<HTREEITEM>(item);
}

QTreeWidgetItem* nextSibling(QTreeWidget* tree, QTreeWidgetItem* item) {
    QTreeWidgetItem* parent = item->parent();
    const int index = parent ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item);
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    if (index < 0 || index + 1 >= count) return nullptr;
    return parent ? parent->child(index + 1) : tree->topLevelItem(index + 1);
}

QTreeWidgetItem* previousSibling(QTreeWidget* tree, QTreeWidgetItem* item) {
    QTreeWidgetItem* parent = item->parent();
    const int index = parent ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item);
    if (index <= 0) return nullptr;
    return parent ? parent->child(index - 1) : tree->topLevelItem(index - 1);
}

int countBelow(const QTreeWidgetItem* item) {
    int count = 0;
    for (int i = 0; i < item->childCount(); ++i)
        count += 1 + countBelow(item->child(i));
    return count;
}

} // namespace

CTreeCtrl::CTreeCtrl() = default;

CTreeCtrl::CTreeCtrl(QWidget* widget) : CWnd(widget) {}

HTREEITEM CTreeCtrl::InsertItem(const char* text, HTREEITEM parent, HTREEITEM after) {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return nullptr;
    QTreeWidgetItem* parentItem = nullptr;
    if (parent && parent != TVI_ROOT) {
        parentItem = itemOf(tree, parent);
        if (!parentItem) return nullptr;
    }
    const int count = parentItem ? parentItem->childCount() : tree->topLevelItemCount();
    int index = count;
    if (after == TVI_FIRST) {
        index = 0;
    } else if (after && after != TVI_LAST && after != TVI_ROOT) {
        QTreeWidgetItem* sibling = itemOf(tree, after);
        // An item that is not a child of the parent inserts at the end, as the tree view does.
        if (sibling && sibling->parent() == parentItem)
            index = 1 + (parentItem ? parentItem->indexOfChild(sibling)
                                    : tree->indexOfTopLevelItem(sibling));
    }
    auto* item = new QTreeWidgetItem(QStringList{FromAnsi(text)});
    if (parentItem)
        parentItem->insertChild(index, item);
    else
        tree->insertTopLevelItem(index, item);
    return handleOf(item);
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM handle) {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return FALSE;
    if (handle == TVI_ROOT) return DeleteAllItems();
    QTreeWidgetItem* item = itemOf(tree, handle);
    if (!item) return FALSE;
    delete item;
    return TRUE;
}

BOOL CTreeCtrl::DeleteAllItems() {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return FALSE;
    tree->clear();
    return TRUE;
}

UINT CTreeCtrl::GetCount() const {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return 0;
    return static_cast<UINT>(countBelow(tree->invisibleRootItem()));
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    return GetNextItem(nullptr, TVGN_ROOT);
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
    return GetNextItem(item, TVGN_CHILD);
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    return GetNextItem(item, TVGN_NEXT);
}

HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const {
    return GetNextItem(item, TVGN_PREVIOUS);
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
    return GetNextItem(item, TVGN_PARENT);
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM handle, UINT code) const {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return nullptr;
    switch (code) {
    case TVGN_ROOT:
        return handleOf(tree->topLevelItem(0));
    case TVGN_CARET:
        return GetSelectedItem();
    case TVGN_FIRSTVISIBLE:
        return handleOf(tree->itemAt(0, 0));
    case TVGN_CHILD:
        // The tree's first item is the child of no item and of the root.
        if (!handle || handle == TVI_ROOT) return handleOf(tree->topLevelItem(0));
        break;
    default:
        break;
    }
    QTreeWidgetItem* item = itemOf(tree, handle);
    if (!item) return nullptr;
    switch (code) {
    case TVGN_NEXT:
        return handleOf(nextSibling(tree, item));
    case TVGN_PREVIOUS:
        return handleOf(previousSibling(tree, item));
    case TVGN_PARENT:
        return handleOf(item->parent());
    case TVGN_CHILD:
        return handleOf(item->childCount() ? item->child(0) : nullptr);
    case TVGN_NEXTVISIBLE:
        return handleOf(tree->itemBelow(item));
    case TVGN_PREVIOUSVISIBLE:
        return handleOf(tree->itemAbove(item));
    default:
        return nullptr;
    }
}

CString CTreeCtrl::GetItemText(HTREEITEM handle) const {
    QTreeWidgetItem* item = itemOf(treeWidget(*this), handle);
    return item ? CString(ToAnsi(item->text(0)).c_str()) : CString();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM handle, const char* text) {
    QTreeWidgetItem* item = itemOf(treeWidget(*this), handle);
    if (!item) return FALSE;
    item->setText(0, FromAnsi(text));
    return TRUE;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM handle) const {
    QTreeWidgetItem* item = itemOf(treeWidget(*this), handle);
    if (!item) return FALSE;
    // An item may promise children it has not got yet (filled when it is expanded).
    return item->childCount() > 0 || item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM handle) const {
    QTreeWidgetItem* item = itemOf(treeWidget(*this), handle);
    return item ? static_cast<DWORD_PTR>(item->data(0, Qt::UserRole).value<quintptr>()) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM handle, DWORD_PTR data) {
    QTreeWidgetItem* item = itemOf(treeWidget(*this), handle);
    if (!item) return FALSE;
    item->setData(0, Qt::UserRole, QVariant::fromValue<quintptr>(data));
    return TRUE;
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return nullptr;
    QTreeWidgetItem* current = tree->currentItem();
    return current && current->isSelected() ? handleOf(current) : nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM handle) {
    QTreeWidget* tree = treeWidget(*this);
    if (!tree) return FALSE;
    if (!handle) {
        tree->setCurrentItem(nullptr);
        tree->clearSelection();
        return TRUE;
    }
    QTreeWidgetItem* item = itemOf(tree, handle);
    if (!item) return FALSE;
    tree->setCurrentItem(item);
    // The parent may refuse the change (TVN_SELCHANGING).
    return tree->currentItem() == item ? TRUE : FALSE;
}
