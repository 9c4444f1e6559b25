// CListCtrl over a QListWidget (icon, small icon and list views) or a QTreeWidget of
// top-level items (report view, one column per subitem).
#include <QFontMetrics>
#include <QListWidget>
#include <QScrollBar>
#include <QTreeWidget>

#include <algorithm>

#include <tessaly/controls.h>

#include "framework/widgets/controls_internal.h"
#include "framework/widgets/wnd_internal.h"

using namespace tessaly::framework;

namespace {

constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kDataRole = Qt::UserRole;
const LPSTR kTextCallback = reinterpret_cast<LPSTR>(-1); // LPSTR_TEXTCALLBACK

QListWidget* listWidget(const CWnd& wnd) {
    return qobject_cast<QListWidget*>(wnd.GetWidget());
}

QTreeWidget* reportWidget(const CWnd& wnd) {
    return qobject_cast<QTreeWidget*>(wnd.GetWidget());
}

QAbstractItemView* view(const CWnd& wnd) {
    return qobject_cast<QAbstractItemView*>(wnd.GetWidget());
}

// A row's item of either kind, through the few operations both share.
struct Row {
    QListWidgetItem* listItem = nullptr;
    QTreeWidgetItem* treeItem = nullptr;
    explicit operator bool() const { return listItem || treeItem; }

    QVariant data(int role) const {
        return listItem ? listItem->data(role) : treeItem->data(0, role);
    }
    void setData(int role, const QVariant& value) {
        if (listItem)
            listItem->setData(role, value);
        else
            treeItem->setData(0, role, value);
    }
};

Row rowAt(const CWnd& wnd, int index) {
    Row row;
    if (index < 0) return row;
    if (QListWidget* list = listWidget(wnd))
        row.listItem = list->item(index);
    else if (QTreeWidget* tree = reportWidget(wnd))
        row.treeItem = tree->topLevelItem(index);
    return row;
}

// An item's rectangle in the control's client coordinates (inside its border; below the
// header in report view).
QRect clientRect(const CWnd& wnd, const Row& row) {
    QAbstractItemView* v = view(wnd);
    QRect rect;
    if (row.listItem)
        rect = listWidget(wnd)->visualItemRect(row.listItem);
    else if (row.treeItem)
        rect = reportWidget(wnd)->visualItemRect(row.treeItem);
    const QPoint origin = v->viewport()->pos() - v->contentsRect().topLeft();
    return rect.translated(origin);
}

// QListView places an item at a position through a protected member; its address, taken
// through a class that makes it public, is called on the list itself.
struct ListViewAccess : QListView {
    using QListView::setPositionForIndex;
};

void placeItem(QListWidget* list, QListWidgetItem* item, const QPoint& position) {
    void (QListView::*place)(const QPoint&, const QModelIndex&) =
        &ListViewAccess::setPositionForIndex;
    (list->*place)(position, list->indexFromItem(item));
}

} // namespace

CListCtrl::CListCtrl() = default;

CListCtrl::CListCtrl(QWidget* widget) : CWnd(widget) {}

int CListCtrl::GetItemCount() const {
    if (QListWidget* list = listWidget(*this)) return list->count();
    if (QTreeWidget* tree = reportWidget(*this)) return tree->topLevelItemCount();
    return 0;
}

BOOL CListCtrl::SetItemCountEx(int count, DWORD /*flags*/) {
    QWidget* w = GetWidget();
    if (!w || count < 0) return FALSE;
    // Only a hint for the control's memory: the items stay as they are.
    w->setProperty(kPropCountHint, count);
    return TRUE;
}

int CListCtrl::InsertItem(const LVITEM* item) {
    if (!item || item->iSubItem != 0 || item->iItem < 0) return -1;
    const int index = std::min(item->iItem, GetItemCount());
    const QString text = (item->mask & LVIF_TEXT) && item->pszText != kTextCallback
                             ? FromAnsi(item->pszText)
                             : QString();
    Row row;
    if (QListWidget* list = listWidget(*this)) {
        row.listItem = new QListWidgetItem(text);
        list->insertItem(index, row.listItem);
    } else if (QTreeWidget* tree = reportWidget(*this)) {
        row.treeItem = new QTreeWidgetItem(QStringList{text});
        tree->insertTopLevelItem(index, row.treeItem);
    } else {
        return -1;
    }
    row.setData(kImageRole, (item->mask & LVIF_IMAGE) ? item->iImage : 0);
    if (item->mask & LVIF_PARAM)
        row.setData(kDataRole, QVariant::fromValue<quintptr>(static_cast<quintptr>(item->lParam)));
    // A sorted list puts the item where its text belongs.
    if (row.listItem) return listWidget(*this)->row(row.listItem);
    return reportWidget(*this)->indexOfTopLevelItem(row.treeItem);
}

int CListCtrl::InsertItem(int index, const char* text) {
    LVITEM item;
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<LPSTR>(text ? text : "");
    return InsertItem(&item);
}

int CListCtrl::InsertItem(int index, const char* text, int image) {
    LVITEM item;
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<LPSTR>(text ? text : "");
    item.iImage = image;
    return InsertItem(&item);
}

BOOL CListCtrl::DeleteItem(int index) {
    Row row = rowAt(*this, index);
    if (!row) return FALSE;
    delete row.listItem;
    delete row.treeItem;
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    if (QListWidget* list = listWidget(*this)) {
        list->clear();
        return TRUE;
    }
    if (QTreeWidget* tree = reportWidget(*this)) {
        tree->clear();
        return TRUE;
    }
    return FALSE;
}

CString CListCtrl::GetItemText(int index, int subItem) const {
    const Row row = rowAt(*this, index);
    if (!row || subItem < 0) return CString();
    QString text;
    if (row.listItem)
        text = subItem == 0 ? row.listItem->text() : QString();
    else
        text = row.treeItem->text(subItem);
    return CString(ToAnsi(text).c_str());
}

BOOL CListCtrl::SetItemText(int index, int subItem, const char* text) {
    Row row = rowAt(*this, index);
    if (!row || subItem < 0) return FALSE;
    if (row.listItem) {
        if (subItem != 0) return FALSE; // the views without columns have no subitems
        row.listItem->setText(FromAnsi(text));
    } else {
        row.treeItem->setText(subItem, FromAnsi(text));
    }
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int index) const {
    const Row row = rowAt(*this, index);
    return row ? static_cast<DWORD_PTR>(row.data(kDataRole).value<quintptr>()) : 0;
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data) {
    Row row = rowAt(*this, index);
    if (!row) return FALSE;
    row.setData(kDataRole, QVariant::fromValue<quintptr>(data));
    return TRUE;
}

BOOL CListCtrl::GetItemRect(int index, RECT* rect, UINT /*code*/) const {
    const Row row = rowAt(*this, index);
    if (!row || !rect) return FALSE;
    const QRect r = clientRect(*this, row);
    *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return TRUE;
}

BOOL CListCtrl::SetItemPosition(int index, POINT point) {
    QListWidget* list = listWidget(*this);
    const Row row = rowAt(*this, index);
    // Items have positions of their own in the icon views only.
    if (!list || !row || list->viewMode() != QListView::IconMode) return FALSE;
    if (list->movement() == QListView::Static) list->setMovement(QListView::Free);
    placeItem(list, row.listItem, QPoint(point.x, point.y));
    return TRUE;
}

BOOL CListCtrl::GetItemPosition(int index, POINT* point) const {
    const Row row = rowAt(*this, index);
    QAbstractItemView* v = view(*this);
    if (!row || !point || !v) return FALSE;
    // The position in the list's own coordinates, where scrolling does not move it.
    const QRect r = clientRect(*this, row);
    point->x = r.left() + v->horizontalScrollBar()->value();
    point->y = r.top() + (row.listItem ? v->verticalScrollBar()->value() : 0);
    return TRUE;
}

int CListCtrl::GetStringWidth(const char* text) const {
    QWidget* w = GetWidget();
    if (!w) return 0;
    // The widget's font through its property: Qt's inline accessor would be exported.
    const QFontMetrics metrics(w->property("font").value<QFont>());
    return metrics.horizontalAdvance(FromAnsi(text));
}

DWORD CListCtrl::GetExStyle() const {
    QWidget* w = GetWidget();
    if (!w) return 0;
    const QVariant exStyle = w->property(kPropExStyle);
    if (exStyle.isValid()) return exStyle.toUInt();
    // A caller's list: a sunken frame is the client edge.
    auto* frame = qobject_cast<QFrame*>(w);
    if (frame && frame->frameShape() != QFrame::NoFrame && frame->frameShadow() == QFrame::Sunken)
        return WS_EX_CLIENTEDGE;
    return 0;
}

void CListCtrl::GetScrollRange(int bar, int* minimum, int* maximum) const {
    if (minimum) *minimum = 0;
    if (maximum) *maximum = 0;
    QAbstractItemView* v = view(*this);
    if (!v) return;
    if (const Row first = rowAt(*this, 0)) clientRect(*this, first); // lays out waiting items
    const bool vertical = bar == 1;
    const QScrollBar* scroll = vertical ? v->verticalScrollBar() : v->horizontalScrollBar();
    if (scroll->maximum() <= scroll->minimum()) return;
    // The range covers the whole contents in pixels: what is hidden plus the page shown. A
    // view scrolling by items counts items; their share of the page gives the pixels.
    const int units = scroll->maximum() - scroll->minimum() + scroll->pageStep();
    const bool perPixel = (vertical ? v->verticalScrollMode() : v->horizontalScrollMode()) ==
                          QAbstractItemView::ScrollPerPixel;
    const int page = vertical ? v->viewport()->height() : v->viewport()->width();
    if (maximum)
        *maximum = perPixel || scroll->pageStep() <= 0 ? units : units * page / scroll->pageStep();
}
