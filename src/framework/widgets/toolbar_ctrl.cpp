// CToolBarCtrl over a QToolBar: its buttons are the widgets of its actions.
#include <QAction>
#include <QLayout>
#include <QToolBar>

#include <vector>

#include <tessaly/controls.h>

#include "framework/widgets/wnd_internal.h"

namespace {

QToolBar* toolBar(const CWnd& wnd) {
    return qobject_cast<QToolBar*>(wnd.GetWidget());
}

// The toolbar's buttons (separators included), in order.
std::vector<QWidget*> buttons(QToolBar* bar) {
    std::vector<QWidget*> out;
    for (QAction* action : bar->actions())
        if (QWidget* button = bar->widgetForAction(action)) out.push_back(button);
    return out;
}

} // namespace

CToolBarCtrl::CToolBarCtrl() = default;

CToolBarCtrl::CToolBarCtrl(QWidget* widget) : CWnd(widget) {}

int CToolBarCtrl::GetButtonCount() const {
    QToolBar* bar = toolBar(*this);
    return bar ? static_cast<int>(buttons(bar).size()) : 0;
}

BOOL CToolBarCtrl::GetItemRect(int index, RECT* rect) const {
    QToolBar* bar = toolBar(*this);
    if (!bar || !rect || index < 0) return FALSE;
    const std::vector<QWidget*> all = buttons(bar);
    if (index >= static_cast<int>(all.size())) return FALSE;
    const QWidget* button = all[static_cast<size_t>(index)];
    const QRect r(button->x(), button->y(), button->width(), button->height());
    *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return TRUE;
}

void CToolBarCtrl::AutoSize() {
    QToolBar* bar = toolBar(*this);
    if (!bar) return;
    // The toolbar takes the size its buttons need, and lays them out in it.
    bar->resize(bar->sizeHint());
    if (QLayout* layout = bar->layout()) {
        layout->invalidate();
        layout->activate();
        layout->setGeometry(bar->rect());
    }
}
