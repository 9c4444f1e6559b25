#pragma once
// What the control classes share with the rest of the framework: the object of the right
// control class for a widget, the properties that tell a list view from a list box, and
// the up-down control's widget.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

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

// The up-down control: two arrow buttons that step a value within a range and, with a
// buddy, write the value into the buddy's text.
class UpDownWidget : public QWidget {
  public:
    explicit UpDownWidget(QWidget* parent);
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int value() const;
    void setValue(int value);
    void setBuddy(QWidget* buddy, bool setsInteger);
    QWidget* buddy() const { return buddy_.data(); }
    // One step towards the maximum (up) or the minimum (down), as the arrows do.
    void step(bool up);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    int minimum_ = 0, maximum_ = 100, value_ = 0;
    QPointer<QWidget> buddy_;
    bool setsInteger_ = false;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};

} // namespace tessaly::framework
