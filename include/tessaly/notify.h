#pragma once
// Control notifications as the common controls send them to their parent window.
//
// WM_NOTIFY carries the control's id in wParam and a pointer to an NMHDR (the first member
// of every notification structure: NMUPDOWN, NMLISTVIEW, NMITEMACTIVATE, NMTREEVIEW) in
// lParam. It arrives as a window message (tessaly/messages.h): a widget may answer it in its
// event(); left unanswered, the parent's CWnd::OnNotify gets it and what it stores in
// *pResult is the message's result (nonzero cancels UDN_DELTAPOS and TVN_SELCHANGING).
//
// WM_COMMAND carries the control's id in the low word of wParam, the notification code in
// the high word and the control's window in lParam. A framework dialog hands it to
// CDialog::OnCommand(WPARAM, LPARAM), whose default passes BN_CLICKED (code 0) on to
// CDialog::OnCommand(UINT id).
#include <tessaly/controls.h>
#include <tessaly/types.h>

#define WM_NOTIFY 0x004E
#define WM_HSCROLL 0x0114
#define WM_VSCROLL 0x0115

#ifndef MAKEWPARAM
#define MAKEWPARAM(low, high) ((WPARAM)(DWORD)MAKELONG(low, high))
#endif
#ifndef MAKELONG
#define MAKELONG(low, high)                                                                        \
    ((LONG)(((WORD)((DWORD_PTR)(low)&0xffff)) | ((DWORD)((WORD)((DWORD_PTR)(high)&0xffff))) << 16))
#endif
#ifndef MAKELPARAM
#define MAKELPARAM(low, high) ((LPARAM)(DWORD)MAKELONG(low, high))
#endif
#ifndef LOWORD
#define LOWORD(value) ((WORD)(((DWORD_PTR)(value)) & 0xffff))
#endif
#ifndef HIWORD
#define HIWORD(value) ((WORD)((((DWORD_PTR)(value)) >> 16) & 0xffff))
#endif

// ---- Command notification codes (high word of WM_COMMAND's wParam) ----
#define BN_CLICKED 0
#define BN_DOUBLECLICKED 5
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define LBN_SETFOCUS 4
#define LBN_KILLFOCUS 5

// ---- WM_NOTIFY ----
struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};
typedef NMHDR* LPNMHDR;

#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_RDBLCLK (NM_FIRST - 6)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)

// ---- Up-down control ----
#define UDN_FIRST (0U - 721U)
#define UDN_DELTAPOS (UDN_FIRST - 1)

// Up-down styles (UDS_) are in tessaly/window_styles.h.
#define UD_MAXVAL 0x7fff
#define UD_MINVAL (-UD_MAXVAL)

#define UDM_SETRANGE (0x0400 + 101)
#define UDM_GETRANGE (0x0400 + 102)
#define UDM_SETPOS (0x0400 + 103)
#define UDM_GETPOS (0x0400 + 104)
#define UDM_SETBUDDY (0x0400 + 105)
#define UDM_GETBUDDY (0x0400 + 106)
#define UDM_SETACCEL (0x0400 + 107)
#define UDM_GETACCEL (0x0400 + 108)
#define UDM_SETBASE (0x0400 + 109)
#define UDM_GETBASE (0x0400 + 110)
#define UDM_SETRANGE32 (0x0400 + 111)
#define UDM_GETRANGE32 (0x0400 + 112)
#define UDM_SETPOS32 (0x0400 + 113)
#define UDM_GETPOS32 (0x0400 + 114)

// One step of the acceleration: after nSec seconds of holding an arrow, steps of nInc.
struct UDACCEL {
    UINT nSec = 0;
    UINT nInc = 0;
};

// Sent before the position changes: iPos the current position, iDelta the proposed change.
// A nonzero result cancels the change.
struct NMUPDOWN {
    NMHDR hdr;
    int iPos = 0;
    int iDelta = 0;
};
typedef NMUPDOWN* LPNMUPDOWN;

// ---- List view ----
#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)

#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002

// LVN_ITEMCHANGED: the item whose state changed (uChanged LVIF_STATE), its states before
// and after, its data in lParam.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction;
    LPARAM lParam = 0;
};
typedef NMLISTVIEW* LPNMLISTVIEW;

// NM_CLICK and NM_DBLCLK of a list view: the item under the mouse (-1 for none) and the
// point in the list's client coordinates.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction;
    LPARAM lParam = 0;
    UINT uKeyFlags = 0;
};
typedef NMITEMACTIVATE* LPNMITEMACTIVATE;

// ---- Tree view ----
#define TVN_FIRST (0U - 400U)
#define TVN_SELCHANGINGA (TVN_FIRST - 1)
#define TVN_SELCHANGEDA (TVN_FIRST - 2)
#define TVN_SELCHANGING TVN_SELCHANGINGA
#define TVN_SELCHANGED TVN_SELCHANGEDA

#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIS_SELECTED 0x0002

// What caused a selection change.
#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002

struct TVITEMA {
    UINT mask = 0;
    HTREEITEM hItem = nullptr;
    UINT state = 0;
    UINT stateMask = 0;
    LPSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    int iSelectedImage = 0;
    int cChildren = 0;
    LPARAM lParam = 0;
};
typedef TVITEMA TVITEM;

// TVN_SELCHANGING (a nonzero result keeps the old selection) and TVN_SELCHANGED: the item
// losing the selection and the one getting it (hItem null for none).
struct NMTREEVIEWA {
    NMHDR hdr;
    UINT action = TVC_UNKNOWN;
    TVITEMA itemOld;
    TVITEMA itemNew;
    POINT ptDrag;
};
typedef NMTREEVIEWA NMTREEVIEW;
typedef NMTREEVIEW* LPNMTREEVIEW;
