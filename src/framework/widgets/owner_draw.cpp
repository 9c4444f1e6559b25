// Owner drawing: owner-drawn buttons paint through their object's DrawItem, owner-drawn
// combo boxes paint their list (an item delegate) and their closed box through DrawItem and
// take their items' heights from MeasureItem. A class that does not override those passes
// WM_DRAWITEM and WM_MEASUREITEM to the parent, whose OnDrawItem and OnMeasureItem answer.
#include "framework/widgets/owner_draw.h"

#include <QAbstractButton>
#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QListView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <tessaly/controls.h>
#include <tessaly/gdi.h>
#include <tessaly/messages.h>

#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

namespace {

// Set on a button whose painting goes to DrawItem.
constexpr const char* kPropOwnerDrawn = "tessalyOwnerDrawn";
// The height MeasureItem gave a variable item, kept with the item.
constexpr int kRoleHeight = Qt::UserRole + 40;

DWORD styleOf(const QWidget* widget) {
    return widget->property(kPropStyle).toUInt();
}

UINT idOf(const QWidget* widget) {
    return widget->property(kPropId).toUInt() & 0xFFFF;
}

RECT toRect(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

ULONG_PTR dataOf(const QComboBox* combo, int index) {
    return static_cast<ULONG_PTR>(combo->itemData(index, Qt::UserRole).value<quintptr>());
}

// The control's object (a subclass's when one took the control over).
CWnd* objectOf(QWidget* widget) {
    return CWnd::FromHandle(CWnd::HandleOf(widget));
}

LRESULT sendToParent(CWnd& control, UINT message, void* item) {
    CWnd* parent = control.GetParent();
    HWND window = parent ? parent->GetSafeHwnd() : nullptr;
    if (!window) return 0;
    return CWnd::SendMessage(window, message, static_cast<WPARAM>(control.GetDlgCtrlID()),
                             reinterpret_cast<LPARAM>(item));
}

void drawItem(QWidget* control, DRAWITEMSTRUCT& item) {
    CWnd* wnd = objectOf(control);
    if (auto* combo = dynamic_cast<CComboBox*>(wnd))
        combo->DrawItem(&item);
    else if (auto* button = dynamic_cast<CButton*>(wnd))
        button->DrawItem(&item);
    else if (wnd)
        sendToParent(*wnd, WM_DRAWITEM, &item);
}

// ---- Buttons ----

// Takes the button's paint event: the owner draws the whole button each time (Qt repaints
// all of it), so every call has ODA_DRAWENTIRE; ODA_SELECT or ODA_FOCUS is added when the
// paint follows a change of the pressed or focus state.
class OwnerDrawnButton : public QObject {
  public:
    explicit OwnerDrawnButton(QAbstractButton* button) : QObject(button) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || event->type() != QEvent::Paint) return false;
        paint(button);
        return true;
    }

  private:
    void paint(QAbstractButton* button) {
        UINT state = 0;
        if (button->isDown()) state |= ODS_SELECTED;
        if (button->hasFocus()) state |= ODS_FOCUS;
        if (!IsUsable(button)) state |= ODS_DISABLED;
        UINT action = ODA_DRAWENTIRE;
        if (painted_) {
            if ((state ^ last_) & ODS_SELECTED) action |= ODA_SELECT;
            if ((state ^ last_) & ODS_FOCUS) action |= ODA_FOCUS;
        }
        painted_ = true;
        last_ = state;

        QPainter painter(button);
        CDC dc(&painter);
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_BUTTON;
        item.CtlID = idOf(button);
        item.itemAction = action;
        item.itemState = state;
        item.hwndItem = CWnd::HandleOf(button);
        item.hDC = dc.GetSafeHdc();
        item.rcItem = RECT{0, 0, button->width(), button->height()};
        drawItem(button, item);
    }

    bool painted_ = false;
    UINT last_ = 0;
};

// ---- Combo boxes ----

class OwnerDrawnCombo;

// Draws the list's items through DrawItem; their sizes come from MeasureItem.
class OwnerDrawnDelegate : public QAbstractItemDelegate {
  public:
    explicit OwnerDrawnDelegate(OwnerDrawnCombo* combo);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    OwnerDrawnCombo* combo_;
};

class OwnerDrawnCombo : public QComboBox {
  public:
    OwnerDrawnCombo(QWidget* parent, DWORD style)
        : QComboBox(parent), variable_(style & CBS_OWNERDRAWVARIABLE) {
        setItemDelegate(new OwnerDrawnDelegate(this));
        if (auto* list = qobject_cast<QListView*>(view())) list->setUniformItemSizes(!variable_);
    }

    // The height of an item: asked once for a fixed height, once per item for variable ones.
    int itemHeight(int index) {
        if (!variable_) {
            if (fixedHeight_ < 0) fixedHeight_ = measure(0, 0);
            return fixedHeight_;
        }
        const QVariant known = itemData(index, kRoleHeight);
        if (known.isValid()) return known.toInt();
        const int height = measure(static_cast<UINT>(index), dataOf(this, index));
        setItemData(index, height, kRoleHeight);
        return height;
    }

    void draw(QPainter* painter, const QRect& rect, int index, UINT state) {
        painter->save();
        painter->setClipRect(rect);
        {
            CDC dc(painter);
            DRAWITEMSTRUCT item;
            item.CtlType = ODT_COMBOBOX;
            item.CtlID = idOf(this);
            item.itemID = index < 0 ? static_cast<UINT>(-1) : static_cast<UINT>(index);
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = state | (IsUsable(this) ? 0u : UINT{ODS_DISABLED});
            item.hwndItem = CWnd::HandleOf(this);
            item.hDC = dc.GetSafeHdc();
            item.rcItem = toRect(rect);
            item.itemData = index < 0 ? 0 : dataOf(this, index);
            drawItem(this, item);
        }
        painter->restore();
    }

  protected:
    // The frame and arrow as the style draws them; the selected item through DrawItem.
    void paintEvent(QPaintEvent* event) override {
        if (isEditable()) return QComboBox::paintEvent(event);
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        option.currentText = QString();
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        UINT state = ODS_COMBOBOXEDIT;
        if (hasFocus()) state |= ODS_SELECTED | ODS_FOCUS;
        draw(&painter, field, currentIndex(), state);
    }

  private:
    int measure(UINT index, ULONG_PTR data) {
        MEASUREITEMSTRUCT item;
        item.CtlType = ODT_COMBOBOX;
        item.CtlID = idOf(this);
        item.itemID = index;
        item.itemWidth = static_cast<UINT>(width());
        // The font through its property: Qt's inline accessor would be exported.
        const QFont font = property("font").value<QFont>();
        item.itemHeight = static_cast<UINT>(QFontMetrics(font).height() + 2);
        item.itemData = data;
        CWnd* wnd = objectOf(this);
        if (auto* combo = dynamic_cast<CComboBox*>(wnd))
            combo->MeasureItem(&item);
        else if (wnd)
            sendToParent(*wnd, WM_MEASUREITEM, &item);
        return std::max(1, static_cast<int>(std::min<UINT>(item.itemHeight, 255)));
    }

    bool variable_;
    int fixedHeight_ = -1;
};

OwnerDrawnDelegate::OwnerDrawnDelegate(OwnerDrawnCombo* combo)
    : QAbstractItemDelegate(combo), combo_(combo) {}

void OwnerDrawnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    UINT state = 0;
    if (option.state & QStyle::State_Selected) state |= ODS_SELECTED;
    if (option.state & QStyle::State_HasFocus) state |= ODS_FOCUS;
    combo_->draw(painter, option.rect, index.row(), state);
}

QSize OwnerDrawnDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    return QSize(option.rect.width(), combo_->itemHeight(index.row()));
}

} // namespace

void MakeOwnerDrawn(QAbstractButton* button) {
    // Once per button: a property marks it (the filter has no meta-object of its own to
    // find it by).
    if (!button || button->property(kPropOwnerDrawn).toBool()) return;
    button->setProperty(kPropOwnerDrawn, true);
    button->installEventFilter(new OwnerDrawnButton(button));
    button->update();
}

QComboBox* NewOwnerDrawnCombo(QWidget* parent, DWORD style) {
    return new OwnerDrawnCombo(parent, style);
}

bool KeepsItemData(const QComboBox* combo) {
    if (!combo) return false;
    const DWORD style = styleOf(combo);
    return (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) && !(style & CBS_HASSTRINGS);
}

int InsertDataItem(QComboBox* combo, int index, const char* data) {
    if (index < 0 || index > combo->count()) index = combo->count();
    combo->insertItem(index, QString());
    combo->setItemData(index, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(data)),
                       Qt::UserRole);
    return index;
}

} // namespace tessaly::framework

using namespace tessaly::framework;

void CWnd::OnDrawItem(int, DRAWITEMSTRUCT*) {}

void CWnd::OnMeasureItem(int, MEASUREITEMSTRUCT*) {}

void CButton::DrawItem(DRAWITEMSTRUCT* item) {
    if (item) sendToParent(*this, WM_DRAWITEM, item);
}

void CComboBox::DrawItem(DRAWITEMSTRUCT* item) {
    if (item) sendToParent(*this, WM_DRAWITEM, item);
}

void CComboBox::MeasureItem(MEASUREITEMSTRUCT* item) {
    if (item) sendToParent(*this, WM_MEASUREITEM, item);
}
