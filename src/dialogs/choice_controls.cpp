// List items and edit notifications of the dialog family's controls, on their Qt widgets.
#include "dialogs/choice_controls.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "framework/wnd_internal.h"

namespace tessaly::dialogs::choices {

namespace {

using framework::FromAnsi;
using framework::ToAnsi;

QListWidget* listOf(CWnd* window) {
    return window ? qobject_cast<QListWidget*>(window->GetWidget()) : nullptr;
}

QComboBox* comboOf(CWnd* window) {
    return window ? qobject_cast<QComboBox*>(window->GetWidget()) : nullptr;
}

// Calls back when the watched widget loses the focus.
class LeaveFilter : public QObject {
  public:
    LeaveFilter(QObject* parent, std::function<void()> left)
        : QObject(parent), left_(std::move(left)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut && left_) left_();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> left_;
};

} // namespace

int ListAdd(CWnd* list, const char* text) {
    const QString item = FromAnsi(text ? text : "");
    if (QListWidget* l = listOf(list)) {
        l->addItem(item);
        return l->count() - 1;
    }
    if (QComboBox* c = comboOf(list)) {
        c->addItem(item);
        return c->count() - 1;
    }
    return -1;
}

int ListCount(CWnd* list) {
    if (QListWidget* l = listOf(list)) return l->count();
    if (QComboBox* c = comboOf(list)) return c->count();
    return 0;
}

CString ListText(CWnd* list, int index) {
    if (QListWidget* l = listOf(list); l && index >= 0 && index < l->count())
        return CString(ToAnsi(l->item(index)->text()));
    if (QComboBox* c = comboOf(list); c && index >= 0 && index < c->count())
        return CString(ToAnsi(c->itemText(index)));
    return CString();
}

int ListCurSel(CWnd* list) {
    if (QListWidget* l = listOf(list)) return l->currentItem() ? l->currentRow() : -1;
    if (QComboBox* c = comboOf(list)) return c->currentIndex();
    return -1;
}

void ListSetCurSel(CWnd* list, int index) {
    if (QListWidget* l = listOf(list)) {
        if (index >= 0 && index < l->count())
            l->setCurrentRow(index);
        else
            l->setCurrentItem(nullptr);
    } else if (QComboBox* c = comboOf(list)) {
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    }
}

void ListDelete(CWnd* list, int index) {
    if (QListWidget* l = listOf(list); l && index >= 0 && index < l->count())
        delete l->takeItem(index);
    else if (QComboBox* c = comboOf(list); c && index >= 0 && index < c->count())
        c->removeItem(index);
}

void OnEditChange(CWnd* edit, std::function<void()> changed) {
    QWidget* widget = edit ? edit->GetWidget() : nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        QObject::connect(line, &QLineEdit::textChanged, line, [changed] { changed(); });
    else if (auto* text = qobject_cast<QPlainTextEdit*>(widget))
        QObject::connect(text, &QPlainTextEdit::textChanged, text, [changed] { changed(); });
}

void OnEditLeave(CWnd* edit, std::function<void()> left) {
    QWidget* widget = edit ? edit->GetWidget() : nullptr;
    if (widget) widget->installEventFilter(new LeaveFilter(widget, std::move(left)));
}

void FocusAndSelectAll(CWnd* edit) {
    if (!edit) return;
    edit->SetFocus();
    if (auto* line = qobject_cast<QLineEdit*>(edit->GetWidget()))
        line->selectAll();
    else if (auto* text = qobject_cast<QPlainTextEdit*>(edit->GetWidget()))
        text->selectAll();
}

} // namespace tessaly::dialogs::choices
