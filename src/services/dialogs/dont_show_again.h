#pragma once
// Notices with a "Don't show this message again" check box: the box's state lives in an
// integer entry of the library's profile section "Options". When the entry is set, the
// notice ends with Cancel as soon as it opens, without being seen; OK writes the box back.
#include <tessaly/wnd.h>

#include "framework/core/app.h"

namespace tessaly::dialogs {

class DontShowAgain {
  public:
    // Reads the entry (the library's module state must be current).
    DontShowAgain(const char* entry, int checkBoxId)
        : entry_(entry), checkBoxId_(checkBoxId),
          set_(framework::TheApp().GetProfileInt("Options", entry, 0) != 0) {}

    bool IsSet() const { return set_; }

    // From OnInitDialog: ends the dialog unseen when the entry is set, else shows the
    // entry's state in the check box. Returns true when the dialog was ended.
    bool EndIfSet(CDialog& dialog) const {
        if (set_) {
            dialog.EndDialog(IDCANCEL);
            return true;
        }
        if (CWnd* box = dialog.GetDlgItem(checkBoxId_)) box->SetCheck(BST_UNCHECKED);
        return false;
    }

    // From OnOK: writes the check box's state back.
    void Store(const CDialog& dialog) {
        CWnd* box = dialog.GetDlgItem(checkBoxId_);
        set_ = box && box->GetCheck() == BST_CHECKED;
        framework::TheApp().WriteProfileInt("Options", entry_, set_ ? 1 : 0);
    }

  private:
    const char* entry_;
    int checkBoxId_;
    bool set_;
};

// A notice of text, OK and the check box alone, on a dialog base (CDialog or the skin dialog).
template <class Base> class CDontShowAgainDlg : public Base {
  public:
    CDontShowAgainDlg(UINT templateId, const char* entry, int checkBoxId)
        : Base(templateId), dontShow_(entry, checkBoxId) {}

  protected:
    BOOL OnInitDialog() override {
        Base::OnInitDialog();
        dontShow_.EndIfSet(*this);
        return TRUE;
    }

    void OnOK() override {
        dontShow_.Store(*this);
        Base::OnOK();
    }

  private:
    DontShowAgain dontShow_;
};

} // namespace tessaly::dialogs
