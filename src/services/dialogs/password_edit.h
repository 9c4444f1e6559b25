#pragma once
// The password field of the family's password dialogs and what the dialogs share: the
// field hands its text to nobody but its own dialog's data exchange.
#include <tessaly/wnd.h>

namespace tessaly::dialogs {

// An edit control that refuses to hand out its text: the window-text query (and so the
// automation's text and any wrapper of its handle) gets nothing unless the library-wide
// one-read-allowed flag is set, and the flag is cleared by the read it allows.
class CPasswordEdit : public CWnd {
  public:
    // Takes over the parent's edit control of that id; false when there is none. A dialog's
    // DDX_Control (or DDX_Password) binds it the same way.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    // The dialog's data exchange: sets the flag just before its own read.
    CString ReadPassword() const;

    // The flag, shared by every password field of the process.
    static void AllowOneRead();
    static bool IsOneReadAllowed();

  protected:
    BOOL AllowTextRead() const override;
};

// The dialogs' data exchange of a password field: binds the member to the control and,
// when reading, allows exactly the one read it makes.
void DDX_Password(CDataExchange* pDX, int id, CPasswordEdit& edit, CString& value);

// Focuses the edit control, selects all of its text and scrolls it into view.
void FocusAndSelectField(CWnd* edit);

} // namespace tessaly::dialogs
