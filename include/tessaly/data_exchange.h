#pragma once
// Dialog data exchange: a dialog's DoDataExchange lists, control by control, which member
// goes with which control (DDX_...) and which rules the value must keep (DDV_..., each right
// after the DDX_ of its control). CWnd::UpdateData(FALSE) copies the members into the
// controls, UpdateData(TRUE) reads the controls back and validates them; the first value
// that fails shows the framework's prompt, puts the focus on its control and ends the
// exchange, and UpdateData returns FALSE with every member as it was before the call.
//
// UINT and DWORD are the same 32-bit type here, so one DDX_Text serves both.
#include <functional>
#include <vector>

#include <tessaly/cstring.h>
#include <tessaly/types.h>
#include <tessaly/wnd.h>

class TESSALY_API CDataExchange {
  public:
    CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate);

    BOOL m_bSaveAndValidate; // TRUE: controls to members (and validation)
    CWnd* m_pDlgWnd;         // the window whose controls are exchanged

    // The control of that id, remembered as the one a later failure focuses. A missing
    // control ends the exchange.
    HWND PrepareCtrl(int id);
    // The same for an edit control (a failure also selects its text).
    HWND PrepareEditCtrl(int id);
    // Ends the exchange: when validating, the last prepared control gets the focus (an
    // edit's text selected). Does not return; UpdateData returns FALSE.
    [[noreturn]] void Fail();

    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;

  private:
    // How to give the members read so far their values back when the exchange fails.
    std::vector<std::function<void()>> undo_;
    friend struct DataExchangeUndo;
};

// Text of a control (an edit's text, a static's, a button's caption). Numbers are read
// with blanks around them allowed and anything else refused ("Please enter an integer.",
// "Please enter a number."); a number out of the type's range is refused too. They are
// written in the plain decimal form.
TESSALY_API void DDX_Text(CDataExchange* pDX, int id, CString& value);
TESSALY_API void DDX_Text(CDataExchange* pDX, int id, int& value);
TESSALY_API void DDX_Text(CDataExchange* pDX, int id, UINT& value); // also DWORD
TESSALY_API void DDX_Text(CDataExchange* pDX, int id, long& value);
TESSALY_API void DDX_Text(CDataExchange* pDX, int id, double& value);

// A check box's state (BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE).
TESSALY_API void DDX_Check(CDataExchange* pDX, int id, int& value);
// The checked radio button of the group that starts at the id (and ends before the next
// control with WS_GROUP or the next control that is no radio button), counted from 0;
// -1 for none.
TESSALY_API void DDX_Radio(CDataExchange* pDX, int id, int& value);

// Combo boxes: the selected index; the text (written: selects the first item that begins
// with it, ignoring case, else sets the edit text); the text matched exactly (ignoring case).
TESSALY_API void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
TESSALY_API void DDX_CBString(CDataExchange* pDX, int id, CString& value);
TESSALY_API void DDX_CBStringExact(CDataExchange* pDX, int id, CString& value);
// List boxes: the selected index; the selected item's text (written: selects the first item
// that begins with it, ignoring case).
TESSALY_API void DDX_LBIndex(CDataExchange* pDX, int id, int& index);
TESSALY_API void DDX_LBString(CDataExchange* pDX, int id, CString& value);

// Binds the member object to the control of that id: from then on the member is the
// framework's object for the control (CWnd::FromHandle and GetDlgItem answer it and its
// virtuals apply). Binding again to the same control does nothing.
TESSALY_API void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// Validation, after the DDX_ of the same control. When writing, DDV_MaxChars limits the
// edit's (or combo box's) text instead.
TESSALY_API void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars);
TESSALY_API void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
TESSALY_API void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
TESSALY_API void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal,
                                  double maxVal);
