#pragma once
// The framework's windows: CWnd over a Qt widget and CDialog built from a dialog template
// of the resources. An HWND is a handle the framework maps to its widget; the handle of a
// destroyed widget maps to nothing.
#include <memory>
#include <vector>

#include <tessaly/cstring.h>
#include <tessaly/show_commands.h>
#include <tessaly/types.h>
#include <tessaly/variant.h>
#include <tessaly/window_styles.h>

class QWidget;
class CDataExchange;
struct DRAWITEMSTRUCT;
struct MEASUREITEMSTRUCT;

struct RECT {
    LONG left = 0, top = 0, right = 0, bottom = 0;
};

// Button sets and icons of message boxes (the type of DisplayMessageBox and the framework's
// message box), and the command ids their buttons give back.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONSTOP MB_ICONHAND
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Check states of buttons.
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2

// A dispatch identifier: a property, method or event of an ActiveX control.
typedef LONG DISPID;

class TESSALY_API CWnd {
  public:
    CWnd();
    // Wraps a widget of the caller's (not owned).
    explicit CWnd(QWidget* widget);
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The handle of a widget (made on first request), and the widget of a handle.
    static HWND HandleOf(QWidget* widget);
    static QWidget* WidgetOf(HWND window);
    // The framework's object for a handle: the dialog or control that owns it, else a
    // wrapper kept until the widget is destroyed. Null for a handle of no widget.
    static CWnd* FromHandle(HWND window);

    HWND GetSafeHwnd() const;
    QWidget* GetWidget() const;
    HWND m_hWnd = nullptr;

    // The control with that identifier among this window's children, or null.
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;

    void SetWindowText(const char* text);
    void GetWindowText(CString& text) const;
    CString GetWindowText() const;
    int GetWindowTextLength() const;

    // Returns whether the window was visible before.
    BOOL ShowWindow(int command);
    // Raises the window above the others and makes it the active one.
    BOOL SetForegroundWindow();
    // Returns whether the window was disabled before.
    BOOL EnableWindow(BOOL enable = TRUE);
    // Visible when it and every window it sits in are shown.
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    void SetFocus();

    // Buttons: the check state (BST_...); 0 for windows that are not check boxes or radios.
    int GetCheck() const;
    void SetCheck(int state);

    // Geometry: the window's rectangle on the screen, its client area (origin 0, 0), and
    // conversion of a screen rectangle to this window's client coordinates. MoveWindow
    // places a control in its parent's client area; for a dialog it sets the position on
    // the screen and the size of the client area.
    void GetWindowRect(RECT* rect) const;
    void GetClientRect(RECT* rect) const;
    void ScreenToClient(RECT* rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);

    // The window's style bits as the template gave them.
    DWORD GetStyle() const;

    // Window classes. A widget's class is what SetWindowClass gave it, else "#32770" for
    // dialogs and the control class for the framework's controls ("Button", "Edit",
    // "Static", ...), else Qt's class name. On an X11 display the class is also the class
    // part of WM_CLASS of the widget's X window (made native for it), so other processes
    // find the window.
    void SetWindowClass(const char* className);
    CString GetClassName() const;

    // Finding windows: in this process first (Qt's top-level widgets, visible ones first),
    // then, on an X11 display, other processes' top-level windows (WM_CLASS, _NET_WM_NAME,
    // _NET_WM_PID) in stacking order from the top. Null class or title matches any; the
    // class compares ignoring case (as Windows' class names), the title exactly.
    // FindWindowEx looks among the children of parent (the top-level windows when null)
    // after the child given.
    static HWND FindWindow(const char* className, const char* title);
    static HWND FindWindowEx(HWND parent, HWND after, const char* className, const char* title);
    static std::vector<HWND> EnumTopLevelWindows();
    // The child windows in creation order (on X11 the native child windows).
    static std::vector<HWND> EnumChildWindows(HWND parent);
    static HWND GetFirstChild(HWND parent);
    // Any window's class, title and owning process (0 when unknown); IsWindow is false for
    // a destroyed or unknown handle.
    static CString ClassNameOf(HWND window);
    static CString TitleOf(HWND window);
    static DWORD ProcessIdOf(HWND window);
    static BOOL IsWindow(HWND window);

    // Window messages, delivered to the widget as a CWndMessageEvent (tessaly/messages.h):
    // SendMessage at once (from another thread: on the widget's thread, waiting) and
    // returns the widget's result; PostMessage queues it and returns at once. Windows of
    // other processes take no messages (0 and FALSE).
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    static LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Timers: every elapse milliseconds a WM_TIMER message with the id (queued once while one
    // is pending), whose default handling calls OnTimer, or the callback when one is given.
    // SetTimer with an id in use restarts that timer. Returns the id, 0 for a dead window.
    using TimerCallback = void (*)(HWND window, UINT message, UINT_PTR id, DWORD time);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TimerCallback callback = nullptr);
    BOOL KillTimer(UINT_PTR id);
    virtual void OnTimer(UINT_PTR id);

    // WM_DRAWITEM and WM_MEASUREITEM from an owner-drawn control of this window whose class
    // does not draw or measure itself (tessaly/gdi.h). The defaults do nothing.
    virtual void OnDrawItem(int id, DRAWITEMSTRUCT* item);
    virtual void OnMeasureItem(int id, MEASUREITEMSTRUCT* item);

    // A control of this window reports something (WM_NOTIFY; tessaly/notify.h): wParam the
    // control's id, lParam its NMHDR. Returns TRUE when handled; *pResult is the message's
    // result. The default handles nothing.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // ActiveX controls (tessaly/activex.h): a property or method by dispatch identifier.
    // flags: DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT. paramTypes: one
    // VTS_ type per argument that follows (VTS_I2/I4/BOOL as int, VTS_R4/R8/DATE as double,
    // VTS_BSTR as const char*, VTS_VARIANT as const VARIANT*; null for none). The result
    // is converted to returnType and stored through result (short*, LONG*, double*, BOOL*,
    // CString* for VT_BSTR, VARIANT* for VT_VARIANT; VT_EMPTY: none). Returns S_OK or the
    // failure (E_NOINTERFACE for a window that is no ActiveX control), leaving the result
    // alone on failure.
    HRESULT InvokeHelper(DISPID id, WORD flags, VARTYPE returnType, void* result,
                         const BYTE* paramTypes, ...);
    HRESULT GetProperty(DISPID id, VARTYPE type, void* value) const;
    // One value of the type's kind follows, as for InvokeHelper.
    HRESULT SetProperty(DISPID id, VARTYPE type, ...);

    // Data exchange (tessaly/data_exchange.h): UpdateData(FALSE) copies the members into
    // the controls, UpdateData(TRUE) reads and validates them; FALSE when a value failed
    // (its prompt shown, its control focused). DoDataExchange lists the exchanges; the
    // default has none.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);
    // Makes this object the framework's object for the parent's control of that id (what
    // FromHandle and GetDlgItem answer, whose virtuals apply), then calls
    // PreSubclassWindow. FALSE when the parent has no such control.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

  protected:
    void attach(QWidget* widget);
    // Called when SubclassDlgItem has bound this object to its control.
    virtual void PreSubclassWindow();
    // Asked whenever the window's text is to be handed out (GetWindowText, the automation's
    // text, the window-text query): a control that guards its text answers FALSE and the
    // reader gets an empty text. The text's length is not guarded.
    virtual BOOL AllowTextRead() const { return TRUE; }

  private:
    friend class CDialog;
    QWidget* widget_ = nullptr;
};

class TESSALY_API CDialog : public CWnd {
  public:
    // A dialog from the template of that number (or name) of the current resources,
    // modal on the parent (the application's active window when null).
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CDialog(const char* templateName, CWnd* parent = nullptr);
    ~CDialog() override;

    // Builds the dialog, runs it modally and returns the code given to EndDialog; -1 when
    // the template is missing or damaged.
    virtual int DoModal();
    void EndDialog(int result);

    UINT GetTemplateId() const { return m_templateId; }
    const CString& GetTemplateName() const { return m_templateName; }

  protected:
    // Called once the controls exist, before the dialog is seen. The default copies the
    // members into the controls (UpdateData(FALSE)).
    virtual BOOL OnInitDialog();
    // The default reads and validates the controls (UpdateData(TRUE)) and ends the dialog
    // with IDOK only when that succeeds.
    virtual void OnOK();
    virtual void OnCancel();
    // A button was clicked (or Escape and the close box, as IDCANCEL). Returns TRUE when
    // handled; the default sends IDOK to OnOK and IDCANCEL to OnCancel.
    virtual BOOL OnCommand(UINT id);
    // Every WM_COMMAND of the dialog: the control's id and notification code (BN_CLICKED,
    // EN_CHANGE, CBN_SELCHANGE, LBN_SELCHANGE, ...; tessaly/notify.h) in wParam, the
    // control's window in lParam. The default passes BN_CLICKED (and accelerators' code 1)
    // to OnCommand(id) and ignores the other codes.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

    UINT m_templateId = 0;
    CString m_templateName;
    CWnd* m_pParentWnd = nullptr;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    friend struct DialogAccess;
};

// The calling program's resources, where its dialogs and strings are looked up first (a
// program without resources of its own has none). Inside the library's exported functions
// the library's own resources are current instead.
TESSALY_API HINSTANCE AfxGetResourceHandle();
TESSALY_API void AfxSetResourceHandle(HINSTANCE module);

// The data exchange functions.
#include <tessaly/data_exchange.h>
