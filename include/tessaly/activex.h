#pragma once
// ActiveX controls in dialogs. A dialog template names such a control by its class
// identifier in braces:
//
//     CONTROL "", 1001, "{20DD1B9E-87C4-11D1-8BE3-0000F8754DA1}", WS_TABSTOP, 10, 10, 80, 14
//
// The framework keeps a table of control classes by class identifier; a template control
// whose class is in no table makes the dialog fail (DoModal returns -1). The library's own
// classes are the date-and-time picker and the folder view; other modules add theirs with
// CActiveXControl::RegisterControlClass. A control is reached by dispatch identifier
// through CWnd::GetProperty, CWnd::SetProperty and CWnd::InvokeHelper (tessaly/wnd.h);
// its events reach the dialog as WM_NOTIFY (AXN_EVENT, NMAXEVENT below). CDTPicker and CFolderView
// are thin wrappers over those calls, so they work on any control of their class.
#include <tessaly/cstring.h>
#include <tessaly/notify.h>
#include <tessaly/variant.h>
#include <tessaly/wnd.h>

class QWidget;

// Kinds of dispatch call.
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4

#ifndef DISP_E_MEMBERNOTFOUND
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#endif
#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#endif

// Argument types of InvokeHelper, one byte each, strung together: VTS_BSTR VTS_I4.
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R4 "\x04"
#define VTS_R8 "\x05"
#define VTS_DATE "\x07"
#define VTS_BSTR "\x08"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_I1 "\x10"
#define VTS_UI1 "\x11"
#define VTS_UI2 "\x12"
#define VTS_UI4 "\x13"
#define VTS_I8 "\x14"
#define VTS_UI8 "\x15"

// The class identifiers of the library's controls.
#define CLSID_TESSALY_DTPICKER "{20DD1B9E-87C4-11D1-8BE3-0000F8754DA1}"
#define CLSID_TESSALY_FOLDERVIEW "{D9812706-90EB-11D2-887A-BD32CB08A467}"

// An ActiveX control's event, as WM_NOTIFY to the window it sits in (CWnd::OnNotify with
// the control's id and this structure): the event's dispatch id and its arguments, first
// argument first, valid during the call.
#define AXN_FIRST (0U - 3000U)
#define AXN_EVENT (AXN_FIRST - 0)

struct NMAXEVENT {
    NMHDR hdr;
    DISPID dispid = 0;
    const VARIANT* params = nullptr;
    UINT count = 0;
};
typedef NMAXEVENT* LPNMAXEVENT;

// A control class's implementation: the object behind one control's widget. A module that
// brings its own control class derives from it and registers a factory; the framework
// makes the control when a dialog's template names the class and deletes the object with
// its widget.
class TESSALY_API CActiveXControl {
  public:
    // Makes a control with its widget as a child of parent; null when it cannot.
    using Factory = CActiveXControl* (*)(QWidget* parent);

    // Adds a class to the table, or replaces the factory of a class already there. The
    // identifier is a class id in braces (letter case ignored); FALSE for a malformed one
    // or a null factory. The library's own two classes are always in the table.
    static BOOL RegisterControlClass(const char* classId, Factory factory);
    // Whether a class id is in the table.
    static BOOL IsControlClass(const char* classId);
    // A control of that class under parent (the template's dialog builds its controls
    // this way); null for a class in no table.
    static CActiveXControl* CreateControl(const char* classId, QWidget* parent);
    // The control a widget stands for, null for any other widget.
    static CActiveXControl* FromWidget(const QWidget* widget);

    // The object belongs to the widget from now on: it is deleted when the widget is.
    explicit CActiveXControl(QWidget* widget);
    virtual ~CActiveXControl();
    CActiveXControl(const CActiveXControl&) = delete;
    CActiveXControl& operator=(const CActiveXControl&) = delete;

    QWidget* GetWidget() const;
    // The class id the control was made for ("{...}" in capitals).
    CString GetClassId() const;

    // A dispatch call: DISPATCH_PROPERTYGET fills result, DISPATCH_PROPERTYPUT takes
    // params[0], DISPATCH_METHOD takes params (first argument first) and may fill result
    // (null when the caller wants none). result arrives empty. S_OK, or
    // DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH, E_INVALIDARG.
    virtual HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                           VARIANT* result) = 0;

  protected:
    // Tells the window the control sits in: its OnNotify gets the control's id and an
    // NMAXEVENT (code AXN_EVENT) with the event and the arguments.
    void FireEvent(DISPID event, const VARIANT* params = nullptr, UINT count = 0);

  private:
    friend struct ActiveXAccess;
    QWidget* widget_;
    CString classId_;
};

// Conversion of a variant to another type as the dispatch calls do it (numbers, dates,
// booleans and texts into each other): S_OK, DISP_E_TYPEMISMATCH for a text that is no
// number or date or a type that does not convert, DISP_E_OVERFLOW for a number out of the
// target's range, DISP_E_BADVARTYPE for a type not handled. target is cleared first and
// may be source itself.
TESSALY_API HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, WORD flags,
                                      VARTYPE type);

// The date-and-time picker {20DD1B9E-87C4-11D1-8BE3-0000F8754DA1}: a date field with a
// calendar pop-up, in the user's short date picture. Its value (dispatch id 20) is a date
// variant; putting any variant that converts to a date sets it (1 January 1601 to
// 31 December 9999; outside that E_INVALIDARG). The time of day given is kept.
class TESSALY_API CDTPicker : public CWnd {
  public:
    enum : DISPID { dispidValue = 20, dispidChange = 1 };

    CDTPicker();
    explicit CDTPicker(QWidget* widget);

    // VT_DATE; VT_EMPTY when the window is no picker.
    VARIANT GetValue();
    void SetValue(const VARIANT& value);
};

// The folder view {D9812706-90EB-11D2-887A-BD32CB08A467}: a tree of the prefix's drives
// (shown as "<label> (C:)", the label of the drive or of its kind, such as "Local Disk")
// and the user's special folders ("Desktop", "My Documents"), folders only, each level read
// when it is first opened. The path of a folder is its Windows path ("C:\Docs\Letters");
// a top-level item's path is its own form: "C:" for a drive, the name for a special
// folder, so it holds no backslash. The alternative text is the selected item's shown
// name. A change of the selection fires dispidSelChange with the new path.
class TESSALY_API CFolderView : public CWnd {
  public:
    enum : DISPID {
        dispidSelectedPath = 1,    // text; putting a path selects it (E_INVALIDARG if none)
        dispidAlternativeText = 2, // text, read only
        dispidRefresh = 3,         // method: reads the tree again, keeping the selection
        dispidSelChange = 1,       // event, with the path as its argument
    };

    CFolderView();
    explicit CFolderView(QWidget* widget);

    // The path of the selected item; empty when nothing is selected.
    CString GetSelectedPath();
    // Selects the item of a path (a folder under a drive or a special folder, or a
    // top-level item's own form), opening the levels above it; letter case is ignored.
    // FALSE when there is no such folder.
    BOOL SetSelectedPath(const char* path);
    CString GetAlternativeText();
    void Refresh();
};
