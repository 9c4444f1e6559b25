// The control class of a widget and the line-end rules of the controls.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

#include <tessaly/controls.h>

#include "framework/widgets/activex_internal.h"
#include "framework/widgets/controls_internal.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

std::unique_ptr<CWnd> NewControlObject(QWidget* widget) {
    // An ActiveX control's wrapper first (CDTPicker, CFolderView).
    if (auto wrapper = NewActiveXWrapper(widget)) return wrapper;
    const bool listView = widget && widget->property(kPropListView).toBool();
    if (qobject_cast<QTextEdit*>(widget)) return std::make_unique<CRichEditCtrl>(widget);
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget))
        return std::make_unique<CEdit>(widget);
    if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QGroupBox*>(widget))
        return std::make_unique<CButton>(widget);
    if (qobject_cast<QComboBox*>(widget)) return std::make_unique<CComboBox>(widget);
    if (qobject_cast<QListWidget*>(widget)) {
        if (listView) return std::make_unique<CListCtrl>(widget);
        return std::make_unique<CListBox>(widget);
    }
    if (qobject_cast<QTreeWidget*>(widget)) {
        if (listView) return std::make_unique<CListCtrl>(widget);
        return std::make_unique<CTreeCtrl>(widget);
    }
    if (qobject_cast<QToolBar*>(widget)) return std::make_unique<CToolBarCtrl>(widget);
    if (dynamic_cast<UpDownWidget*>(widget)) return std::make_unique<CSpinButtonCtrl>(widget);
    return std::make_unique<CWnd>(widget);
}

QString ToCrLf(QString text) {
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

QString FromCrLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace tessaly::framework
