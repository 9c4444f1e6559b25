// The automation view of combo boxes' item data and drop-down lists, where owner-drawn
// combo boxes show what their owner draws.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPixmap>

#include <tessaly/automation.h>
#include <tessaly/wnd.h>

#include "framework/widgets/wnd_internal.h"

namespace tessaly::automation {

namespace {

QComboBox* comboOf(CDialog* dialog, int id) {
    CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
    return control ? qobject_cast<QComboBox*>(control->GetWidget()) : nullptr;
}

// The open drop-down list's view, or null while it is closed.
QAbstractItemView* openList(CDialog* dialog, int id) {
    QComboBox* combo = comboOf(dialog, id);
    QAbstractItemView* view = combo ? combo->view() : nullptr;
    return view && framework::IsShown(view) ? view : nullptr;
}

} // namespace

std::vector<ULONG_PTR> Dialog::GetItemData(int id) const {
    std::vector<ULONG_PTR> data;
    if (QComboBox* combo = comboOf(dialog_, id))
        for (int i = 0; i < combo->count(); ++i)
            data.push_back(static_cast<ULONG_PTR>(combo->itemData(i).value<quintptr>()));
    return data;
}

bool Dialog::ShowDropDown(int id, bool show) {
    QComboBox* combo = comboOf(dialog_, id);
    if (!combo || (show && !framework::IsUsable(combo))) return false;
    if (show)
        combo->showPopup();
    else
        combo->hidePopup();
    QApplication::processEvents();
    return true;
}

Rect Dialog::GetDropDownItemRect(int id, int index) const {
    QAbstractItemView* view = openList(dialog_, id);
    if (!view || index < 0 || index >= view->model()->rowCount(view->rootIndex())) return Rect{};
    const QRect r = view->visualRect(view->model()->index(index, 0, view->rootIndex()));
    return Rect{r.left(), r.top(), r.width(), r.height()};
}

long Dialog::GetDropDownPixel(int id, int x, int y) const {
    QAbstractItemView* view = openList(dialog_, id);
    QWidget* viewport = view ? view->viewport() : nullptr;
    if (!viewport || x < 0 || y < 0 || x >= viewport->width() || y >= viewport->height()) return -1;
    const QImage image = viewport->grab(QRect(x, y, 1, 1)).toImage();
    if (image.isNull()) return -1;
    const QColor c = image.pixelColor(0, 0);
    return static_cast<long>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

} // namespace tessaly::automation
