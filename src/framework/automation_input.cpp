// The automation's mouse and keys on one control: double clicks, key presses, typing, and
// where an item of a list or tree is.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTreeWidget>

#include "framework/wnd_internal.h"

namespace tessaly::automation {

namespace {

QWidget* widgetOf(CDialog* dialog, int id) {
    CWnd* control = dialog ? dialog->GetDlgItem(id) : nullptr;
    return control ? control->GetWidget() : nullptr;
}

// Windows' virtual key codes of the keys a script presses.
Qt::Key keyOf(int virtualKey) {
    struct Entry {
        int vk;
        Qt::Key key;
    };
    static const Entry table[] = {
        {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},    {0x0D, Qt::Key_Return},
        {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
        {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},    {0x24, Qt::Key_Home},
        {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
        {0x28, Qt::Key_Down},      {0x2E, Qt::Key_Delete},
    };
    for (const Entry& e : table)
        if (e.vk == virtualKey) return e.key;
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return static_cast<Qt::Key>(virtualKey); // Qt's codes of digits and letters are ASCII
    return Qt::Key_unknown;
}

void sendKey(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

bool Dialog::DoubleClick(int id, int x, int y) {
    QWidget* base =
        id == 0 ? static_cast<QWidget*>(DialogAccess::widget(*dialog_)) : widgetOf(dialog_, id);
    if (!base) return false;
    const QPoint global = base->mapToGlobal(QPoint(x, y));
    QCursor::setPos(global);
    const QEvent::Type sequence[] = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                     QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    for (QEvent::Type type : sequence) {
        // The window under the point gets each event, as the window system gives it.
        QWidget* top = base->window();
        QWidget* target = QWidget::mouseGrabber();
        if (!target) target = top->childAt(top->mapFromGlobal(global));
        if (!target) target = top;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease
                                          ? Qt::MouseButtons(Qt::NoButton)
                                          : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global),
                          Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    return true;
}

bool Dialog::PressKey(int id, int virtualKey) {
    QWidget* widget = widgetOf(dialog_, id);
    if (!widget) return false;
    const Qt::Key key = keyOf(virtualKey);
    if (key == Qt::Key_unknown) return false;
    SetFocus(id);
    QString text;
    if (key == Qt::Key_Space) text = QStringLiteral(" ");
    if (key == Qt::Key_Return) text = QStringLiteral("\r");
    if (key < 0x7F && QChar(key).isLetterOrNumber()) text = QChar(key);
    sendKey(widget, key, text);
    return true;
}

bool Dialog::TypeText(int id, const std::string& text) {
    QWidget* widget = widgetOf(dialog_, id);
    if (!widget) return false;
    SetFocus(id);
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        if (combo->lineEdit()) widget = combo->lineEdit();
    for (const QChar c : framework::FromAnsi(text.c_str())) {
        const QChar upper = c.toUpper();
        const Qt::Key key =
            upper.unicode() < 0x7F ? static_cast<Qt::Key>(upper.unicode()) : Qt::Key_unknown;
        sendKey(widget, key, QString(c));
    }
    return true;
}

Rect Dialog::GetItemRect(int id, int index) const {
    auto* view = qobject_cast<QAbstractItemView*>(widgetOf(dialog_, id));
    if (!view || index < 0) return Rect{};
    QModelIndex item;
    if (auto* tree = qobject_cast<QTreeWidget*>(view)) {
        // Display order: every item whose ancestors are all expanded.
        int seen = 0;
        for (QTreeWidgetItemIterator it(tree); *it && !item.isValid(); ++it) {
            bool shown = true;
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
                shown = shown && p->isExpanded();
            if (shown && seen++ == index) item = tree->indexFromItem(*it);
        }
    } else if (view->model() && index < view->model()->rowCount()) {
        item = view->model()->index(index, 0);
    }
    if (!item.isValid()) return Rect{};
    view->scrollTo(item);
    const QRect r = view->visualRect(item);
    const QPoint origin = view->viewport()->mapTo(view, r.topLeft());
    return Rect{origin.x(), origin.y(), r.width(), r.height()};
}

} // namespace tessaly::automation
