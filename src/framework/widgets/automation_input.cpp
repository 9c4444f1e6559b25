// The automation's mouse and keys: moves, presses, releases and double clicks, key presses,
// typing, and where an item of a list or tree is.
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

#include "framework/widgets/wnd_internal.h"

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

// The window system's focus on a button press: the widget under the point, or the nearest
// of its parents in the window, that takes the focus by click.
// (Qt's accessors defined inline outside their class would be exported with the library:
// isEnabledTo, window and parent serve instead.)
void giveClickFocus(QWidget* target) {
    for (QWidget* w = target; w; w = qobject_cast<QWidget*>(w->parent())) {
        if (w->isEnabledTo(nullptr) && (w->focusPolicy() & Qt::ClickFocus)) {
            if (!w->hasFocus()) w->setFocus(Qt::MouseFocusReason);
            return;
        }
        if (w->window() == w) return;
    }
}

// Moves the cursor to a point of the control (id 0: of the dialog's client area) and gives
// the widget under it a mouse event, as the window system would: a widget that grabbed the
// mouse gets it wherever the point is, and a press moves the focus first.
bool sendMouse(CDialog* dialog, int id, int x, int y, QEvent::Type type) {
    QWidget* base =
        id == 0 ? static_cast<QWidget*>(DialogAccess::widget(*dialog)) : widgetOf(dialog, id);
    if (!base) return false;
    const QPoint global = base->mapToGlobal(QPoint(x, y));
    QCursor::setPos(global);
    QWidget* target = QWidget::mouseGrabber();
    if (!target) {
        QWidget* top = base->window();
        target = top->childAt(top->mapFromGlobal(global));
        if (!target) target = top;
    }
    const bool pressing = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (type == QEvent::MouseButtonPress) giveClickFocus(target);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = pressing ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return true;
}

void sendKey(QWidget* target, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

bool Dialog::MouseMove(int id, int x, int y) {
    return sendMouse(dialog_, id, x, y, QEvent::MouseMove);
}

bool Dialog::MouseDown(int id, int x, int y) {
    return sendMouse(dialog_, id, x, y, QEvent::MouseButtonPress);
}

bool Dialog::MouseUp(int id, int x, int y) {
    return sendMouse(dialog_, id, x, y, QEvent::MouseButtonRelease);
}

bool Dialog::DoubleClick(int id, int x, int y) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        if (!sendMouse(dialog_, id, x, y, type)) return false;
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
