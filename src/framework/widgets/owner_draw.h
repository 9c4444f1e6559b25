#pragma once
// Owner drawing of buttons and combo boxes: the widgets a dialog makes for the owner-drawn
// styles, and the calls that hand their painting and measuring to the control's object.
#include <QString>

#include <tessaly/types.h>

class QAbstractButton;
class QComboBox;
class QWidget;

namespace tessaly::framework {

// Paints the button through DrawItem from now on (what BS_OWNERDRAW does): the button's
// object draws it, or its parent when the object's class does not.
void MakeOwnerDrawn(QAbstractButton* button);
// A combo box whose list and closed box are drawn by DrawItem and whose items' heights
// come from MeasureItem (style: the template's, with CBS_OWNERDRAWFIXED or VARIABLE).
QComboBox* NewOwnerDrawnCombo(QWidget* parent, DWORD style);
// Whether the combo box keeps item data instead of texts (owner-drawn without
// CBS_HASSTRINGS), and adding such an item (index -1: at the end); returns its index.
bool KeepsItemData(const QComboBox* combo);
int InsertDataItem(QComboBox* combo, int index, const char* data);

} // namespace tessaly::framework
