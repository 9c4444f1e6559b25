#pragma once
// How the framework's controls tell their parent window what happened: WM_NOTIFY and
// WM_COMMAND sent as window messages, and the hooks a dialog puts on the controls it makes.
#include <QString>

#include <functional>

#include <tessaly/types.h>

class QWidget;
struct NMHDR;

namespace tessaly::framework {

// Sends WM_NOTIFY for the control to its parent window: fills hwndFrom, idFrom and code of
// the structure's header and returns the parent's result (0 without a parent).
LRESULT SendNotify(QWidget* control, NMHDR& header, UINT code);
// Sends WM_COMMAND with the control's id and the code in the high word to its parent.
LRESULT SendCommand(QWidget* control, WORD code);
// A button's click: WM_COMMAND with BN_CLICKED.
LRESULT SendClicked(QWidget* button);

// Makes a dialog's control tell its parent of what happens to it, as its class does:
// edits EN_CHANGE, combo boxes CBN_SELCHANGE and CBN_EDITCHANGE, list boxes (LBS_NOTIFY)
// LBN_SELCHANGE and LBN_DBLCLK, list views LVN_ITEMCHANGED, NM_CLICK and NM_DBLCLK, tree
// views TVN_SELCHANGING and TVN_SELCHANGED. Buttons send BN_CLICKED where the dialog makes
// them.
void InstallNotifications(QWidget* control);

// What the user is doing to a control right now (a mouse or key event being handled, or
// an automation action), for notifications only the user's actions send.
enum class UserInput { None, Mouse, Keyboard };
UserInput CurrentUserInput(QWidget* control);
// Runs the action as the user's (mouse) action on the control: LBN_SELCHANGE and the tree's
// TVC_BYMOUSE follow from what it changes.
void AsUserAction(QWidget* control, const std::function<void()>& action);

// The thousands separator of the user's locale (a comma when it has none).
QString ThousandsSeparator();

} // namespace tessaly::framework
