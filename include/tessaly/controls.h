#pragma once
// The framework's control classes. Each is a CWnd over a Qt widget: one the framework made
// for a dialog template's control, or one of the caller's own widgets wrapped with the
// constructor that takes it (not owned). The library uses only the operations below.
//
//   CEdit          QLineEdit, QPlainTextEdit or QTextEdit
//   CButton        QAbstractButton
//   CComboBox      QComboBox
//   CListBox       QListWidget
//   CRichEditCtrl  QTextEdit
//   CListCtrl      QListWidget (icon and list views) or QTreeWidget (report view)
//   CTreeCtrl      QTreeWidget
//   CToolBarCtrl   QToolBar
#include <tessaly/cstring.h>
#include <tessaly/wnd.h>

class QWidget;

struct POINT {
    LONG x = 0, y = 0;
};

struct CSize {
    LONG cx = 0, cy = 0;
    CSize() = default;
    CSize(LONG width, LONG height) : cx(width), cy(height) {}
};

typedef DWORD COLORREF;
#define RGB(r, g, b)                                                                               \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))

// ---- Edit ----
class TESSALY_API CEdit : public CWnd {
  public:
    CEdit();
    explicit CEdit(QWidget* widget);

    void SetSel(int start, int end, BOOL noScroll = FALSE);
    void GetSel(int& start, int& end) const;
    void ReplaceSel(const char* text, BOOL canUndo = FALSE);
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    int GetLineCount() const;
    int LineFromChar(int index = -1) const;
    void LimitText(int maximum = 0);
};

// ---- Button ----

class TESSALY_API CButton : public CWnd {
  public:
    CButton();
    explicit CButton(QWidget* widget);
    UINT GetState() const;
    UINT GetButtonStyle() const;

    // Draws a BS_OWNERDRAW button (tessaly/gdi.h); the default sends WM_DRAWITEM to the
    // parent.
    virtual void DrawItem(DRAWITEMSTRUCT* item);
};

// ---- Combo box and list box ----
#define CB_ERR (-1)
#define LB_ERR (-1)

class TESSALY_API CComboBox : public CWnd {
  public:
    CComboBox();
    explicit CComboBox(QWidget* widget);
    int AddString(const char* text);
    int InsertString(int index, const char* text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetLBText(int index, CString& text) const;
    int GetLBTextLen(int index) const;
    DWORD_PTR GetItemData(int index) const;
    int SetItemData(int index, DWORD_PTR data);
    // First item from `start + 1` whose text begins with `text` (ignoring case), or CB_ERR.
    int FindString(int start, const char* text) const;
    int FindStringExact(int start, const char* text) const;
    int SelectString(int start, const char* text);

    // Owner-drawn combo boxes (CBS_OWNERDRAWFIXED, CBS_OWNERDRAWVARIABLE; tessaly/gdi.h):
    // DrawItem paints an item of the list and the closed box's item, MeasureItem gives the
    // height of the items (asked once for a fixed height, per item for a variable one).
    // The defaults send WM_DRAWITEM and WM_MEASUREITEM to the parent. Without
    // CBS_HASSTRINGS, AddString and InsertString store their argument as the item's data
    // and the item has no text.
    virtual void DrawItem(DRAWITEMSTRUCT* item);
    virtual void MeasureItem(MEASUREITEMSTRUCT* item);
};

class TESSALY_API CListBox : public CWnd {
  public:
    CListBox();
    explicit CListBox(QWidget* widget);
    int AddString(const char* text);
    int InsertString(int index, const char* text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    int GetText(int index, CString& text) const;
    int GetTextLen(int index) const;
    int GetSel(int index) const;
    int SetSel(int index, BOOL select = TRUE);
    DWORD_PTR GetItemData(int index) const;
    int SetItemData(int index, DWORD_PTR data);
    int FindStringExact(int start, const char* text) const;
};

// ---- Rich edit ----
#define CFM_BOLD 0x00000001
#define CFM_ITALIC 0x00000002
#define CFM_UNDERLINE 0x00000004
#define CFM_STRIKEOUT 0x00000008
#define CFM_PROTECTED 0x00000010
#define CFM_LINK 0x00000020
#define CFM_SIZE 0x80000000
#define CFM_COLOR 0x40000000
#define CFM_FACE 0x20000000
#define CFM_CHARSET 0x08000000
#define CFE_BOLD 0x0001
#define CFE_ITALIC 0x0002
#define CFE_UNDERLINE 0x0004
#define CFE_STRIKEOUT 0x0008
#define CFE_AUTOCOLOR 0x40000000

// The character-format record of the rich edit (60 bytes).
struct CHARFORMAT {
    UINT cbSize = sizeof(CHARFORMAT);
    DWORD dwMask = 0;
    DWORD dwEffects = 0;
    LONG yHeight = 0; // twips
    LONG yOffset = 0;
    COLORREF crTextColor = 0;
    BYTE bCharSet = 0;
    BYTE bPitchAndFamily = 0;
    char szFaceName[32] = {};
};
static_assert(sizeof(CHARFORMAT) == 60);

class TESSALY_API CRichEditCtrl : public CWnd {
  public:
    CRichEditCtrl();
    explicit CRichEditCtrl(QWidget* widget);

    // Positions count characters as the rich edit does: one position per line end, while
    // the window text hands out each line end as CR LF.
    void SetSel(long start, long end);
    void GetSel(long& start, long& end) const;
    CString GetSelText() const;
    void ReplaceSel(const char* text, BOOL canUndo = FALSE);
    // The effects of the selection (of the character before an empty selection, of the
    // first character at position 0); returns the mask of effects the whole selection shares.
    DWORD GetSelectionCharFormat(CHARFORMAT& format) const;
    BOOL SetSelectionCharFormat(CHARFORMAT& format);
    BOOL SetDefaultCharFormat(CHARFORMAT& format);
    COLORREF SetBackgroundColor(BOOL useSystemColor, COLORREF color);
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    int GetLineCount() const;
    int LineFromChar(long index) const;
    int LineIndex(int line = -1) const;
    long GetTextLength() const;
};

// ---- List view ----
#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIR_BOUNDS 0

struct LVITEMA {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    LPSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
};
typedef LVITEMA LVITEM;

class TESSALY_API CListCtrl : public CWnd {
  public:
    CListCtrl();
    explicit CListCtrl(QWidget* widget);

    int GetItemCount() const;
    // The item-count hint (a list-view message); the list's items do not change.
    BOOL SetItemCountEx(int count, DWORD flags = 0);
    int InsertItem(const LVITEM* item);
    int InsertItem(int index, const char* text);
    int InsertItem(int index, const char* text, int image);
    BOOL DeleteItem(int index);
    BOOL DeleteAllItems();
    CString GetItemText(int index, int subItem) const;
    BOOL SetItemText(int index, int subItem, const char* text);
    DWORD_PTR GetItemData(int index) const;
    BOOL SetItemData(int index, DWORD_PTR data);
    BOOL GetItemRect(int index, RECT* rect, UINT code) const;
    BOOL SetItemPosition(int index, POINT point);
    BOOL GetItemPosition(int index, POINT* point) const;
    int GetStringWidth(const char* text) const;
    DWORD GetExStyle() const;
    // The horizontal scroll range (0 when the list needs no horizontal scrolling).
    void GetScrollRange(int bar, int* minimum, int* maximum) const;
};

// ---- Tree view ----
struct _TREEITEM;
typedef _TREEITEM* HTREEITEM;
#define TVI_ROOT ((HTREEITEM)(ULONG_PTR)-0x10000)
#define TVI_FIRST ((HTREEITEM)(ULONG_PTR)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(ULONG_PTR)-0x0FFFE)
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004

class TESSALY_API CTreeCtrl : public CWnd {
  public:
    CTreeCtrl();
    explicit CTreeCtrl(QWidget* widget);

    HTREEITEM InsertItem(const char* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    BOOL DeleteItem(HTREEITEM item);
    BOOL DeleteAllItems();
    UINT GetCount() const;
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
    CString GetItemText(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, const char* text);
    BOOL ItemHasChildren(HTREEITEM item) const;
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    HTREEITEM GetSelectedItem() const;
    BOOL SelectItem(HTREEITEM item);
};

// ---- Toolbar ----
class TESSALY_API CToolBarCtrl : public CWnd {
  public:
    CToolBarCtrl();
    explicit CToolBarCtrl(QWidget* widget);
    int GetButtonCount() const;
    BOOL GetItemRect(int index, RECT* rect) const;
    void AutoSize();
};

// ---- Up-down control ----
struct UDACCEL;

// The up-down control ("msctls_updown32"; messages, styles and notifications in
// tessaly/notify.h). Every operation is its UDM_ message sent to the control. The range
// starts at 100 (minimum) to 0 (maximum): up moves towards the maximum, so it counts down
// until a range is set.
class TESSALY_API CSpinButtonCtrl : public CWnd {
  public:
    CSpinButtonCtrl();
    explicit CSpinButtonCtrl(QWidget* widget);

    // UDM_SETRANGE / UDM_GETRANGE: 16-bit ends; GetRange() gives the maximum in the low
    // word and the minimum in the high word.
    void SetRange(short lower, short upper);
    void GetRange(int& lower, int& upper) const;
    DWORD GetRange() const;
    void SetRange32(int lower, int upper);
    void GetRange32(int& lower, int& upper) const;
    // UDM_SETPOS / UDM_GETPOS: the position is clamped into the range; SetPos returns the
    // previous one. GetPos gives the position in the low word and a nonzero high word on
    // error (no buddy showing the position, or its text no number within the range).
    int SetPos(int pos);
    int GetPos() const;
    int SetPos32(int pos);
    int GetPos32(BOOL* error = nullptr) const;
    // UDM_SETBUDDY returns the previous buddy (null for none).
    CWnd* SetBuddy(CWnd* buddy);
    CWnd* GetBuddy() const;
    // 10 or 16; SetBase returns the previous base, 0 for any other value (base unchanged).
    int SetBase(int base);
    UINT GetBase() const;
    // The steps while an arrow is held: after nSec seconds, steps of nInc.
    BOOL SetAccel(int count, const UDACCEL* accel);
    UINT GetAccel(int count, UDACCEL* accel) const;
};
