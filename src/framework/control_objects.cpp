// The control class of a widget, the line-end rules of the controls, and the up-down
// control's widget.
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

#include "framework/activex_internal.h"
#include "framework/controls_internal.h"
#include "framework/wnd_internal.h"

namespace tessaly::framework {

std::unique_ptr<CWnd> NewControlObject(QWidget* widget) {
    // An ActiveX control's wrapper first: the folder view is a tree widget too.
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
    return std::make_unique<CWnd>(widget);
}

QString ToCrLf(QString text) {
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

QString FromCrLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

UpDownWidget::UpDownWidget(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    for (QToolButton* button : {up_, down_})
        button->setFocusPolicy(Qt::NoFocus);
    QObject::connect(up_, &QToolButton::clicked, this, [this] { step(true); });
    QObject::connect(down_, &QToolButton::clicked, this, [this] { step(false); });
}

void UpDownWidget::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    setValue(value());
}

int UpDownWidget::value() const {
    // A buddy that shows the value is where the value lives: the user may have typed it.
    if (buddy_ && setsInteger_) {
        bool ok = false;
        const QString text =
            FromAnsi(CWnd::FromHandle(CWnd::HandleOf(buddy_))->GetWindowText().GetString())
                .remove(u',')
                .trimmed();
        const int typed = text.toInt(&ok);
        if (ok) return typed;
    }
    return value_;
}

void UpDownWidget::setValue(int value) {
    value_ = std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
    if (buddy_ && setsInteger_)
        CWnd::FromHandle(CWnd::HandleOf(buddy_))
            ->SetWindowText(QString::number(value_).toLatin1().constData());
}

void UpDownWidget::setBuddy(QWidget* buddy, bool setsInteger) {
    buddy_ = buddy;
    setsInteger_ = setsInteger;
}

void UpDownWidget::step(bool up) {
    // Up moves towards the maximum, also when the maximum is the smaller end.
    const int direction = maximum_ >= minimum_ ? 1 : -1;
    setValue(value() + (up ? direction : -direction));
}

void UpDownWidget::resizeEvent(QResizeEvent* /*event*/) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

} // namespace tessaly::framework
