// Control notifications: WM_NOTIFY and WM_COMMAND to a control's parent, the hooks a
// dialog puts on its controls, and the defaults of CWnd::OnNotify and the coded
// CDialog::OnCommand.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QHash>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTreeWidget>

#include <tessaly/controls.h>
#include <tessaly/messages.h>
#include <tessaly/notify.h>

#include "framework/widgets/controls_internal.h"
#include "framework/widgets/notify_internal.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

namespace {

constexpr const char* kPropNotifier = "tessalyNotifier";
constexpr UINT LVKF_ALT = 0x1, LVKF_CONTROL = 0x2, LVKF_SHIFT = 0x4;

HWND handle(QWidget* widget) {
    return widget ? CWnd::HandleOf(widget) : nullptr;
}

int controlId(QWidget* control) {
    return control->property(kPropId).toInt();
}

DWORD styleOf(QWidget* control) {
    return control->property(kPropStyle).toUInt();
}

UserInput classify(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        return UserInput::Mouse;
    case QEvent::MouseMove:
        return static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton ? UserInput::Mouse
                                                                                 : UserInput::None;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return UserInput::Keyboard;
    default:
        return UserInput::None;
    }
}

// One per control the dialog made: knows while the user acts on the control (an input
// event to it or its viewport being handled, or an automation action), so the
// notifications that only the user's actions send can tell, and sends the list view's
// clicks. An input event is handled inside the notifier: it sends the event on again while
// it marks the control as busy with the user, and stops the first delivery.
class Notifier : public QObject {
  public:
    explicit Notifier(QWidget* control) : QObject(control), control_(control) {
        control->setProperty(kPropNotifier, QVariant::fromValue<QObject*>(this));
        control->installEventFilter(this);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(control))
            area->viewport()->installEventFilter(this);
    }

    UserInput input() const { return depth_ > 0 ? input_ : UserInput::None; }
    // A change only the user's actions announce happened (announced when the action ends).
    void userChanged() {
        if (depth_ > 0) changed_ = true;
    }
    std::function<void()> onUserChange;
    // Runs when the user's action ends (whatever it changed).
    std::function<void()> onInputEnd;

    void run(UserInput input, const std::function<void()>& action) {
        QPointer<Notifier> self(this);
        if (depth_++ == 0) {
            input_ = input;
            changed_ = false;
        }
        action();
        if (!self) return;
        if (--depth_ == 0) {
            input_ = UserInput::None;
            if (onInputEnd) onInputEnd();
            if (!self) return;
            if (changed_) {
                changed_ = false;
                if (onUserChange) onUserChange();
            }
        }
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const UserInput input = classify(event);
        if (input == UserInput::None || resending_) return false;
        QPointer<Notifier> self(this);
        QPointer<QObject> target(watched);
        const QEvent::Type type = event->type();
        QPoint position;
        Qt::KeyboardModifiers modifiers;
        Qt::MouseButton button = Qt::NoButton;
        if (input == UserInput::Mouse && type != QEvent::Wheel) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            position = mouse->position().toPoint();
            modifiers = mouse->modifiers();
            button = mouse->button();
        }
        run(input, [&] {
            resending_ = true;
            QCoreApplication::sendEvent(watched, event);
            if (self) resending_ = false;
        });
        if (!self || !target) return true;
        event->accept();
        if (watched != control_ && button == Qt::LeftButton &&
            control_->property(kPropListView).toBool())
            listViewClick(type, position, modifiers);
        return true;
    }

  private:
    // NM_CLICK when the button comes up (not the release ending a double click), NM_DBLCLK
    // on the double click, after the list has handled them.
    void listViewClick(QEvent::Type type, QPoint position, Qt::KeyboardModifiers modifiers) {
        if (type == QEvent::MouseButtonDblClick) {
            afterDoubleClick_ = true;
        } else if (type == QEvent::MouseButtonRelease) {
            if (afterDoubleClick_) {
                afterDoubleClick_ = false;
                return;
            }
        } else {
            return;
        }
        auto* view = qobject_cast<QAbstractItemView*>(control_);
        if (!view) return;
        NMITEMACTIVATE info;
        const QModelIndex index = view->indexAt(position);
        info.iItem = index.isValid() && !index.parent().isValid() ? index.row() : -1;
        info.iSubItem = index.isValid() ? index.column() : 0;
        const QPoint client =
            view->viewport()->mapTo(view, position) - view->contentsRect().topLeft();
        info.ptAction = POINT{client.x(), client.y()};
        if (index.isValid())
            info.lParam =
                static_cast<LPARAM>(index.siblingAtColumn(0).data(Qt::UserRole).toULongLong());
        if (modifiers & Qt::AltModifier) info.uKeyFlags |= LVKF_ALT;
        if (modifiers & Qt::ControlModifier) info.uKeyFlags |= LVKF_CONTROL;
        if (modifiers & Qt::ShiftModifier) info.uKeyFlags |= LVKF_SHIFT;
        SendNotify(control_, info.hdr, type == QEvent::MouseButtonDblClick ? NM_DBLCLK : NM_CLICK);
    }

    QWidget* control_;
    int depth_ = 0;
    UserInput input_ = UserInput::None;
    bool changed_ = false;
    bool resending_ = false;
    bool afterDoubleClick_ = false;
};

Notifier* notifierOf(QWidget* control) {
    if (!control) return nullptr;
    return static_cast<Notifier*>(control->property(kPropNotifier).value<QObject*>());
}

// The selection of a list view or tree view, watched where it changes: a change made by
// several steps (the caret, then the selection) is announced once, when the outermost step
// returns. A list view announces each row whose focused or selected state changed
// (LVN_ITEMCHANGED); a tree view asks its parent before the caret moves (TVN_SELCHANGING,
// which may refuse) and tells it after (TVN_SELCHANGED). The tree's selection follows its
// caret, as a tree view has one selected item.
class NotifyingSelectionModel : public QItemSelectionModel {
  public:
    NotifyingSelectionModel(QAbstractItemView* view, bool tree, Notifier* notifier)
        : QItemSelectionModel(view->model(), view), view_(view), tree_(tree) {
        // What the user's action changed in several steps (the caret on the press, the
        // selection after) is announced once, when the action ends.
        if (!tree)
            notifier->onInputEnd = [this] {
                if (dirty_ && depth_ == 0) {
                    dirty_ = false;
                    announceListChanges();
                }
            };
        QObject::connect(this, &QItemSelectionModel::selectionChanged, this, [this] { changed(); });
        QObject::connect(this, &QItemSelectionModel::currentChanged, this, [this] { changed(); });
    }

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        if (!tree_) return guarded([&] { QItemSelectionModel::setCurrentIndex(index, command); });
        const QModelIndex previous = currentIndex();
        if (index == previous) {
            refused_ = false;
            return guarded([&] { QItemSelectionModel::setCurrentIndex(index, command); });
        }
        NMTREEVIEW info = treeInfo(previous, index);
        info.itemOld.state = TVIS_SELECTED;
        if (SendNotify(view_, info.hdr, TVN_SELCHANGING) != 0) {
            refused_ = true; // the selection the view asks for next goes with it
            return;
        }
        refused_ = false;
        const SelectionFlags caret = command == NoUpdate ? ClearAndSelect | Rows : command;
        guarded([&] { QItemSelectionModel::setCurrentIndex(index, caret); });
        NMTREEVIEW after = treeInfo(previous, index);
        after.itemNew.state = index.isValid() ? TVIS_SELECTED : 0;
        SendNotify(view_, after.hdr, TVN_SELCHANGED);
    }
    void select(const QModelIndex& index, SelectionFlags command) override {
        if (tree_ && refused_) return;
        guarded([&] { QItemSelectionModel::select(index, command); });
    }
    void select(const QItemSelection& selection, SelectionFlags command) override {
        if (tree_ && refused_) return;
        guarded([&] { QItemSelectionModel::select(selection, command); });
    }
    void clear() override {
        guarded([&] { QItemSelectionModel::clear(); });
    }
    void reset() override {
        guarded([&] { QItemSelectionModel::reset(); });
    }
    void clearCurrentIndex() override {
        guarded([&] { QItemSelectionModel::clearCurrentIndex(); });
    }

  private:
    template <class F> void guarded(F&& step) {
        ++depth_;
        step();
        if (--depth_ == 0 && dirty_ && CurrentUserInput(view_) == UserInput::None) {
            dirty_ = false;
            if (!tree_) announceListChanges();
        }
    }

    void changed() {
        if (depth_ > 0 || CurrentUserInput(view_) != UserInput::None)
            dirty_ = true;
        else if (!tree_)
            announceListChanges();
    }

    NMTREEVIEW treeInfo(const QModelIndex& from, const QModelIndex& to) const {
        NMTREEVIEW info;
        switch (CurrentUserInput(view_)) {
        case UserInput::Mouse:
            info.action = TVC_BYMOUSE;
            break;
        case UserInput::Keyboard:
            info.action = TVC_BYKEYBOARD;
            break;
        default:
            info.action = TVC_UNKNOWN;
        }
        auto fill = [this](TVITEM& item, const QModelIndex& index) {
            item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
            item.stateMask = TVIS_SELECTED;
            auto* tree = static_cast<QTreeWidget*>(view_);
            QTreeWidgetItem* node = index.isValid() ? tree->itemFromIndex(index) : nullptr;
            item.hItem = reinterpret_cast<HTREEITEM>(node);
            if (node) item.lParam = static_cast<LPARAM>(node->data(0, Qt::UserRole).toULongLong());
        };
        fill(info.itemOld, from);
        fill(info.itemNew, to);
        return info;
    }

    // Every row whose focused or selected state differs from what was last announced.
    void announceListChanges() {
        QAbstractItemModel* m = model();
        if (!m) return;
        const int current = currentIndex().isValid() && !currentIndex().parent().isValid()
                                ? currentIndex().row()
                                : -1;
        struct Change {
            int row;
            UINT before, after;
            QPersistentModelIndex index;
        };
        std::vector<Change> changes;
        QHash<QPersistentModelIndex, UINT> now;
        for (int row = 0; row < m->rowCount(); ++row) {
            const QModelIndex index = m->index(row, 0);
            UINT state = 0;
            if (isRowSelected(row, QModelIndex()) || isSelected(index)) state |= LVIS_SELECTED;
            if (row == current) state |= LVIS_FOCUSED;
            const UINT before = known_.value(QPersistentModelIndex(index), 0);
            if (state) now.insert(QPersistentModelIndex(index), state);
            if (state != before) changes.push_back(Change{row, before, state, index});
        }
        known_ = now;
        // States given up first, then those gained, as a list moves its selection.
        std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
            return (a.after & ~a.before) == 0 && (b.after & ~b.before) != 0;
        });
        QPointer<QAbstractItemView> alive(view_);
        for (const Change& c : changes) {
            if (!alive) return;
            NMLISTVIEW info;
            info.iItem = c.row;
            info.uOldState = c.before;
            info.uNewState = c.after;
            info.uChanged = LVIF_STATE;
            if (c.index.isValid())
                info.lParam = static_cast<LPARAM>(c.index.data(Qt::UserRole).toULongLong());
            SendNotify(view_, info.hdr, LVN_ITEMCHANGED);
        }
    }

    QAbstractItemView* view_;
    bool tree_;
    int depth_ = 0;
    bool dirty_ = false;
    bool refused_ = false;
    QHash<QPersistentModelIndex, UINT> known_;
};

// Sends a control's command codes for gaining and losing the keyboard focus (EN_SETFOCUS
// and EN_KILLFOCUS of an edit, and the like). A drop-down list opening takes Qt's focus but
// not the window system's, so that change is no loss.
class FocusNotifier : public QObject {
  public:
    FocusNotifier(QWidget* control, UINT gained, UINT lost)
        : QObject(control), control_(control), gained_(gained), lost_(lost) {
        control->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != control_) return false;
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                SendCommand(control_, event->type() == QEvent::FocusIn ? gained_ : lost_);
        }
        return false;
    }

  private:
    QWidget* control_;
    UINT gained_, lost_;
};

} // namespace

LRESULT SendNotify(QWidget* control, NMHDR& header, UINT code) {
    QWidget* parent = control ? qobject_cast<QWidget*>(control->parent()) : nullptr;
    if (!parent) return 0;
    header.hwndFrom = handle(control);
    header.idFrom = static_cast<UINT_PTR>(controlId(control));
    header.code = code;
    return CWnd::SendMessage(handle(parent), WM_NOTIFY, header.idFrom,
                             reinterpret_cast<LPARAM>(&header));
}

LRESULT SendCommand(QWidget* control, WORD code) {
    QWidget* parent = control ? qobject_cast<QWidget*>(control->parent()) : nullptr;
    if (!parent) return 0;
    return CWnd::SendMessage(handle(parent), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(controlId(control)), code),
                             reinterpret_cast<LPARAM>(handle(control)));
}

LRESULT SendClicked(QWidget* button) {
    return SendCommand(button, BN_CLICKED);
}

UserInput CurrentUserInput(QWidget* control) {
    Notifier* notifier = notifierOf(control);
    return notifier ? notifier->input() : UserInput::None;
}

void AsUserAction(QWidget* control, const std::function<void()>& action) {
    if (Notifier* notifier = notifierOf(control))
        notifier->run(UserInput::Mouse, action);
    else
        action();
}

void InstallNotifications(QWidget* control) {
    if (!control || notifierOf(control)) return;
    const DWORD style = styleOf(control);
    // Edits announce every change of their text and of their focus (as do combo boxes and
    // notifying list boxes); rich edits only on request (an event mask the library never
    // sets), so they are left alone.
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QObject::connect(edit, &QLineEdit::textChanged, edit,
                         [edit] { SendCommand(edit, EN_CHANGE); });
        new FocusNotifier(edit, EN_SETFOCUS, EN_KILLFOCUS);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit,
                         [edit] { SendCommand(edit, EN_CHANGE); });
        new FocusNotifier(edit, EN_SETFOCUS, EN_KILLFOCUS);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        // A choice in the drop-down list (its own window) is the user's; a change while the
        // user acts on the box itself (keys, wheel) is announced when the action ends.
        auto* notifier = new Notifier(combo);
        notifier->onUserChange = [combo] { SendCommand(combo, CBN_SELCHANGE); };
        QObject::connect(combo, &QComboBox::currentIndexChanged, notifier,
                         [notifier] { notifier->userChanged(); });
        QObject::connect(combo, &QComboBox::activated, notifier, [combo, notifier] {
            if (notifier->input() == UserInput::None) SendCommand(combo, CBN_SELCHANGE);
        });
        if (QLineEdit* field = combo->lineEdit())
            QObject::connect(field, &QLineEdit::textEdited, notifier,
                             [combo] { SendCommand(combo, CBN_EDITCHANGE); });
        new FocusNotifier(combo, CBN_SETFOCUS, CBN_KILLFOCUS);
    } else if (auto* list = qobject_cast<QListWidget*>(control);
               list && !control->property(kPropListView).toBool()) {
        if (!(style & LBS_NOTIFY)) return;
        auto* notifier = new Notifier(list);
        notifier->onUserChange = [list] { SendCommand(list, LBN_SELCHANGE); };
        QObject::connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, notifier,
                         [notifier] { notifier->userChanged(); });
        QObject::connect(list->selectionModel(), &QItemSelectionModel::currentChanged, notifier,
                         [notifier] { notifier->userChanged(); });
        QObject::connect(list, &QListWidget::itemDoubleClicked, notifier,
                         [list] { SendCommand(list, LBN_DBLCLK); });
        new FocusNotifier(list, LBN_SETFOCUS, LBN_KILLFOCUS);
    } else if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        const bool listView = control->property(kPropListView).toBool();
        const bool tree = !listView && qobject_cast<QTreeWidget*>(control);
        if (!listView && !tree) return;
        auto* notifier = new Notifier(view);
        auto* model = new NotifyingSelectionModel(view, tree, notifier);
        view->setSelectionModel(model);
        // A tree widget keeps its items' selected flags from its selection model's signal,
        // wired to the model it was born with.
        if (qobject_cast<QTreeWidget*>(view))
            QObject::connect(model, SIGNAL(selectionChanged(QItemSelection, QItemSelection)), view,
                             SLOT(_q_selectionChanged(QItemSelection, QItemSelection)),
                             Qt::UniqueConnection);
    }
}

} // namespace tessaly::framework

using namespace tessaly::framework;

BOOL CWnd::OnNotify(WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT* /*pResult*/) {
    return FALSE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const WORD code = HIWORD(wParam);
    // Clicks, menu commands and accelerators (code 1 without a control) are commands.
    if (code == BN_CLICKED || (code == 1 && lParam == 0))
        return OnCommand(static_cast<UINT>(LOWORD(wParam)));
    return FALSE;
}
