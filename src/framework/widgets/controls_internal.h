#pragma once
// What the control classes share with the rest of the framework: the object of the right
// control class for a widget, the properties that tell a list view from a list box, and
// the up-down control's widget.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

#include <tessaly/wnd.h>

class QToolButton;

namespace tessaly::framework {

// Set on a QListWidget or QTreeWidget that stands for a list view (CListCtrl) rather
// than a list box or a tree view.
inline constexpr const char* kPropListView = "tessalyListView";
// A control's extended window style bits, as the template gave them.
inline constexpr const char* kPropExStyle = "tessalyExStyle";
// The item-count hint of a list view.
inline constexpr const char* kPropCountHint = "tessalyCountHint";
// A line edit's text limit set with LimitText (0: the default).
inline constexpr const char* kPropTextLimit = "tessalyTextLimit";

// The framework object of the control class matching the widget (CEdit for line and
// plain text edits, CRichEditCtrl for a QTextEdit, CButton, CComboBox, CListBox or
// CListCtrl for a QListWidget, CTreeCtrl or CListCtrl for a QTreeWidget, CToolBarCtrl),
// a plain CWnd for any other widget.
std::unique_ptr<CWnd> NewControlObject(QWidget* widget);

// Windows' line ends as the controls hand them out and take them: "\r\n" out, and "\r\n"
// or a lone "\r" in become "\n".
QString ToCrLf(QString text);
QString FromCrLf(QString text);

// The up-down control (spin_button.cpp): two arrow buttons that step a position within a
// range and, with a buddy, write the position into the buddy's text. It answers the UDM_
// messages and tells its parent of each step (UDN_DELTAPOS) before making it. The range
// starts as the common control's: 100 (minimum) to 0 (maximum), so up counts down.
class UpDownWidget : public QWidget {
  public:
    explicit UpDownWidget(QWidget* parent);
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // The position: a buddy that shows it is where it lives (the user may have typed it).
    int value() const;
    // Clamped into the range; written into a buddy that shows it.
    void setValue(int value);
    // The buddy, without moving it (the dialog aligns a template's up-down itself).
    void setBuddy(QWidget* buddy, bool setsInteger);
    QWidget* buddy() const { return buddy_.data(); }
    // One step towards the maximum (up) or the minimum (down), as the arrows do; the parent
    // may refuse it. Returns whether the position moved.
    bool step(bool up);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    DWORD style() const;
    // The position the buddy's text gives; false when it gives none within the range.
    bool readBuddy(int& position) const;
    QString format(int position) const;
    // Places the up-down inside its buddy's edge (UDS_ALIGNLEFT, UDS_ALIGNRIGHT).
    void align();
    LRESULT message(UINT message, WPARAM wParam, LPARAM lParam);

    int minimum_ = 100, maximum_ = 0, value_ = 0;
    int base_ = 10;
    QPointer<QWidget> buddy_;
    bool setsInteger_ = false;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    struct Accel {
        UINT seconds, increment;
    };
    std::vector<Accel> accels_{{0, 1}, {2, 5}, {5, 20}};
};

} // namespace tessaly::framework
