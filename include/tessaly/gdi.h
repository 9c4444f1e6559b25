#pragma once
// Owner drawing: a device context over a Qt painter (CDC) with the pens, brushes and fonts
// it selects, and the records an owner-drawn button or combo box hands its drawing code.
//
// A control with an owner-drawn style (BS_OWNERDRAW, CBS_OWNERDRAWFIXED,
// CBS_OWNERDRAWVARIABLE) is painted by its object's DrawItem; a class that does not
// override it passes WM_DRAWITEM to the parent, whose OnDrawItem draws. The DC a drawing
// call gets lives for that call only: CDC::FromHandle(item->hDC) reaches it.
//
// Colours are Windows colour values (0x00BBGGRR, RGB in controls.h); rectangles are
// Windows rectangles (right and bottom lie outside). The constants are enumerators rather
// than macros, so code that names some of them in a namespace of its own still compiles.
#include <memory>

#include <tessaly/controls.h>

class QPainter;
class CDC;

struct HDC__;
typedef HDC__* HDC;

// ---- Owner-drawn controls ----
enum : UINT {
    ODT_LISTBOX = 2,
    ODT_COMBOBOX = 3,
    ODT_BUTTON = 4,
};

enum : UINT {
    ODA_DRAWENTIRE = 0x0001,
    ODA_SELECT = 0x0002,
    ODA_FOCUS = 0x0004,
};

enum : UINT {
    ODS_SELECTED = 0x0001,
    ODS_GRAYED = 0x0002,
    ODS_DISABLED = 0x0004,
    ODS_CHECKED = 0x0008,
    ODS_FOCUS = 0x0010,
    ODS_DEFAULT = 0x0020,
    ODS_COMBOBOXEDIT = 0x1000,
};

#define WM_DRAWITEM 0x002B
#define WM_MEASUREITEM 0x002C

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;    // ODT_...
    UINT CtlID = 0;      // the control's id
    UINT itemID = 0;     // the item's index; (UINT)-1 for an empty combo field
    UINT itemAction = 0; // ODA_...: what changed
    UINT itemState = 0;  // ODS_...: the state after the change
    HWND hwndItem = nullptr;
    HDC hDC = nullptr; // valid during the drawing call only
    RECT rcItem;       // the item's rectangle in the DC's coordinates
    ULONG_PTR itemData = 0;
};
typedef DRAWITEMSTRUCT* LPDRAWITEMSTRUCT;

struct MEASUREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;     // the item (0 for a fixed-height list, asked once)
    UINT itemWidth = 0;  // the control's width
    UINT itemHeight = 0; // filled in by the owner; starts at the default item height
    ULONG_PTR itemData = 0;
};
typedef MEASUREITEMSTRUCT* LPMEASUREITEMSTRUCT;

// ---- Drawing ----
enum : UINT {
    DT_TOP = 0x00000000,
    DT_LEFT = 0x00000000,
    DT_CENTER = 0x00000001,
    DT_RIGHT = 0x00000002,
    DT_VCENTER = 0x00000004,
    DT_BOTTOM = 0x00000008,
    DT_WORDBREAK = 0x00000010,
    DT_SINGLELINE = 0x00000020,
    DT_NOCLIP = 0x00000100,
    DT_EXTERNALLEADING = 0x00000200, // lines are spaced with the font's external leading
    DT_CALCRECT = 0x00000400,
    DT_NOPREFIX = 0x00000800,
    DT_END_ELLIPSIS = 0x00008000,
};

enum : int {
    TRANSPARENT = 1,
    OPAQUE = 2,
};

enum : int {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_NULL = 5,
};

// Stock objects for CGdiObject::CreateStockObject.
enum : int {
    WHITE_BRUSH = 0,
    BLACK_BRUSH = 4,
    NULL_BRUSH = 5,
    WHITE_PEN = 6,
    BLACK_PEN = 7,
    NULL_PEN = 8,
    DEFAULT_GUI_FONT = 17,
};

enum : int {
    FW_DONTCARE = 0,
    FW_NORMAL = 400,
    FW_BOLD = 700,
    DEFAULT_CHARSET = 1,
    ANSI_CHARSET = 0,
};

// System colours for GetSysColor.
enum : int {
    COLOR_WINDOW = 5,
    COLOR_WINDOWTEXT = 8,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
};

// Device capabilities for CDC::GetDeviceCaps: sizes in millimetres (HORZSIZE, VERTSIZE),
// the drawable area in device pixels (HORZRES, VERTRES), pixels per inch, and a printer's
// whole sheet and the drawable area's offset on it in device pixels.
enum : int {
    HORZSIZE = 4,
    VERTSIZE = 6,
    HORZRES = 8,
    VERTRES = 10,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
    PHYSICALWIDTH = 110,
    PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112,
    PHYSICALOFFSETY = 113,
};

// Mapping modes: only MM_TEXT (one logical unit per device pixel, y downwards) is drawn.
enum : int { MM_TEXT = 1 };

// The selected font's measures in device pixels (logical units under MM_TEXT).
struct TEXTMETRICA {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
typedef TEXTMETRICA TEXTMETRIC;

// The desktop's colour of that kind (the application palette's), 0 for an index not listed.
TESSALY_API COLORREF GetSysColor(int index);

// A pen, brush or font. Selecting one into a DC copies it there, so the object may change
// or go once it is selected out again (as on Windows, it should not go while selected).
class TESSALY_API CGdiObject {
  public:
    CGdiObject();
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // One of the stock objects (WHITE_BRUSH ... DEFAULT_GUI_FONT); FALSE when the index is
    // not a stock object of this object's kind.
    BOOL CreateStockObject(int index);
    BOOL DeleteObject();
    // Whether the object was created (and not deleted).
    BOOL IsCreated() const;

    struct Data;

  protected:
    enum class Kind { Any, Pen, Brush, Font };
    explicit CGdiObject(Kind kind);
    std::unique_ptr<Data> data_;
    friend class CDC;
};

class TESSALY_API CPen : public CGdiObject {
  public:
    CPen();
    CPen(int style, int width, COLORREF color);
    // PS_SOLID, PS_DASH, PS_DOT or PS_NULL; a width of 0 draws one pixel wide.
    BOOL CreatePen(int style, int width, COLORREF color);
};

class TESSALY_API CBrush : public CGdiObject {
  public:
    CBrush();
    explicit CBrush(COLORREF color);
    BOOL CreateSolidBrush(COLORREF color);
};

class TESSALY_API CFont : public CGdiObject {
  public:
    CFont();
    // A font of that size in tenths of a point at the screen's resolution (as a dialog's
    // font is): CreatePointFont(70, "Small Fonts") is 7 points.
    BOOL CreatePointFont(int pointSize, const char* face, CDC* dc = nullptr);
    // Height in pixels: negative is the character height, positive the cell height (with
    // the internal leading), 0 the default size. Width, angles, precision, quality and the
    // family are taken as hints and not used.
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                    BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* face);
    // The face a text is drawn in (after substitutions such as "Small Fonts"), and the
    // character height in pixels; empty and 0 for a font not created.
    CString GetFaceName() const;
    int GetPixelHeight() const;
};

class CDC;
namespace tessaly::framework {
QPainter* PainterOf(CDC* dc); // the framework's pictures draw through it
}

// A device context drawing through a Qt painter (not owned), as the framework hands one to
// owner drawing. A DC without a painter draws nothing and measures in the default font.
class TESSALY_API CDC {
  public:
    CDC();
    explicit CDC(QPainter* painter);
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // The DC of a handle while it lives (the one in a DRAWITEMSTRUCT), else null.
    static CDC* FromHandle(HDC dc);
    HDC GetSafeHdc() const;
    HDC m_hDC = nullptr;

    // Fill without the pen; FillSolidRect also makes the colour the background colour.
    void FillSolidRect(const RECT* rect, COLORREF color);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
    void FillRect(const RECT* rect, CBrush* brush);
    // Outlined with the pen and filled with the brush, within the rectangle.
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(const RECT* rect);
    // Corners rounded by an ellipse of that width and height.
    BOOL RoundRect(int left, int top, int right, int bottom, int width, int height);
    // A one-pixel frame: top and left in one colour, right and bottom in the other.
    void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
    // A dotted frame inverting what it covers (drawing it twice removes it).
    void DrawFocusRect(const RECT* rect);
    BOOL MoveTo(int x, int y);
    BOOL LineTo(int x, int y);

    // Text in the selected font and the text colour; in OPAQUE mode on the background
    // colour. DrawText returns the height of the text; with DT_CALCRECT it draws nothing and
    // sets the rectangle's right (single line) and bottom to the text's extent. "&" marks
    // the next character unless DT_NOPREFIX.
    int DrawText(const CString& text, RECT* rect, UINT format);
    int DrawText(const char* text, int count, RECT* rect, UINT format);
    BOOL TextOut(int x, int y, const CString& text);
    BOOL TextOut(int x, int y, const char* text, int count);
    CSize GetTextExtent(const CString& text) const;
    CSize GetTextExtent(const char* text, int count) const;

    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;

    // The capability of the device drawn on (the index constants above); 0 for an index
    // not listed or a DC without a device. A screen's physical size is its drawable area.
    int GetDeviceCaps(int index) const;
    // The selected font's measures; FALSE without a font.
    BOOL GetTextMetrics(TEXTMETRICA* metrics) const;
    // Only MM_TEXT is accepted: the previous mode, or 0 for any other mode.
    int SetMapMode(int mode);
    int GetMapMode() const;
    // Device points to logical points (the identity under MM_TEXT).
    BOOL DPtoLP(POINT* points, int count = 1) const;
    BOOL DPtoLP(RECT* rect) const;

    // Each returns the object selected before (the DC's own at first), to select back.
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);

  private:
    friend QPainter* tessaly::framework::PainterOf(CDC* dc);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
