// The leave notification of the dialog family's fields, on their Qt widgets.
#include "dialogs/choice_controls.h"

#include <QEvent>
#include <QWidget>

namespace tessaly::dialogs::choices {

namespace {

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

void OnEditLeave(CEdit* edit, std::function<void()> left) {
    QWidget* widget = edit ? edit->GetWidget() : nullptr;
    if (widget) widget->installEventFilter(new LeaveFilter(widget, std::move(left)));
}

} // namespace tessaly::dialogs::choices
