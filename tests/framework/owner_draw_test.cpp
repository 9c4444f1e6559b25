// Owner drawing: the device context's drawing and text rules on a picture of the test's own,
// and a dialog from a template compiled here with owner-drawn buttons and combo boxes, seen
// through UI automation only: who draws (the control's class or its parent), the states and
// actions the drawing code gets, item heights and data, and the pixels that come out.
#include <tessaly/automation.h>
#include <tessaly/gdi.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/rc_compile.h"

using tessaly::automation::Dialog;
using tessaly::automation::Rect;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

COLORREF colorAt(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return RGB(c.red(), c.green(), c.blue());
}

// The box of every pixel that is not the background (left > right when there is none).
struct Ink {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

Ink inkOf(const QImage& image, COLORREF background = kWhite) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (colorAt(image, x, y) != background) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

QImage blank(int width, int height) {
    tessaly::testing::EnsureQtApplication();
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// A white picture and a DC drawing on it.
struct Canvas {
    QImage image;
    QPainter painter{&image};
    CDC dc{&painter};
    Canvas(int width, int height) : image(blank(width, height)) {}
    // The picture as drawn so far.
    QImage picture() const { return image.copy(); }
};

} // namespace

// ---------------------------------------------------------------- the device context

// Single-line text lands where the format puts it: left, centred or right, top, vertically
// centred or at the bottom of the rectangle.
TEST(OwnerDrawDc, DrawTextPlacesASingleLineByItsFormat) {
    const RECT box{10, 5, 190, 45};
    struct Case {
        const char* name;
        UINT format;
        std::function<bool(const Ink&)> placed;
    } cases[] = {
        {"left", DT_LEFT | DT_TOP | DT_SINGLELINE,
         [&](const Ink& i) { return i.left >= 10 && i.left <= 13 && i.top <= 12; }},
        {"right", DT_RIGHT | DT_SINGLELINE,
         [&](const Ink& i) { return i.right <= 189 && i.right >= 185; }},
        {"centre", DT_CENTER | DT_SINGLELINE,
         [&](const Ink& i) { return std::abs((i.left + i.right) / 2 - 100) <= 2; }},
        {"vertical centre", DT_VCENTER | DT_SINGLELINE,
         [&](const Ink& i) { return std::abs((i.top + i.bottom) / 2 - 25) <= 3; }},
        {"bottom", DT_BOTTOM | DT_SINGLELINE,
         [&](const Ink& i) { return i.bottom <= 44 && i.bottom >= 38; }},
    };
    for (const Case& c : cases) {
        Canvas canvas(200, 50);
        canvas.dc.SetBkMode(TRANSPARENT);
        RECT r = box;
        const int height = canvas.dc.DrawText(CString("Wide text"), &r, c.format);
        const Ink ink = inkOf(canvas.picture());
        ASSERT_FALSE(ink.empty()) << c.name;
        EXPECT_TRUE(c.placed(ink)) << c.name << ": ink " << ink.left << "," << ink.top << " to "
                                   << ink.right << "," << ink.bottom;
        EXPECT_GT(height, 0) << c.name;
    }
}

// DT_CALCRECT measures without drawing: one line is as wide and high as the text's extent;
// broken at words it keeps within the width and grows in height; an empty text is one
// line high and no width.
TEST(OwnerDrawDc, CalcRectMeasuresWithoutDrawing) {
    Canvas canvas(200, 100);
    const CSize extent = canvas.dc.GetTextExtent(CString("Wide text"));
    ASSERT_GT(extent.cx, 0);
    ASSERT_GT(extent.cy, 0);
    struct Case {
        const char* text;
        UINT format;
        LONG width; // of the rectangle given
        std::function<bool(const RECT&, int)> measured;
    } cases[] = {
        {"Wide text", DT_SINGLELINE, 0,
         [&](const RECT& r, int h) {
             return r.right - r.left == extent.cx && r.bottom - r.top == extent.cy &&
                    h == extent.cy;
         }},
        {"Wide text", DT_SINGLELINE | DT_CENTER, 300,
         [&](const RECT& r, int) { return r.right - r.left == extent.cx; }},
        {"one two three four five six", DT_WORDBREAK, 60,
         [&](const RECT& r, int h) {
             return r.right - r.left <= 60 && r.bottom - r.top >= 3 * extent.cy &&
                    h == r.bottom - r.top;
         }},
        {"", DT_SINGLELINE, 50,
         [&](const RECT& r, int h) {
             return r.right == r.left && h == extent.cy && r.bottom - r.top == extent.cy;
         }},
    };
    for (const Case& c : cases) {
        RECT r{7, 9, 7 + c.width, 9};
        const int height = canvas.dc.DrawText(CString(c.text), &r, c.format | DT_CALCRECT);
        EXPECT_EQ(r.left, 7) << c.text;
        EXPECT_EQ(r.top, 9) << c.text;
        EXPECT_TRUE(c.measured(r, height)) << "'" << c.text << "': " << r.right - r.left << " x "
                                           << r.bottom - r.top << ", returned " << height;
    }
    EXPECT_TRUE(inkOf(canvas.picture()).empty());
}

// Text rules: an ellipsis keeps a long line within the rectangle (without it, and without
// clipping, the line runs past); "&" marks the next letter unless DT_NOPREFIX; OPAQUE
// paints the background colour behind the text, TRANSPARENT leaves what is there.
TEST(OwnerDrawDc, TextRulesEllipsisPrefixAndBackground) {
    const char* const longText = "A line far too long for its little box";
    int ellipsisRight = 0, clippedRight = 0, unclippedRight = 0;
    struct Run {
        UINT format;
        int* right;
    } runs[] = {{DT_SINGLELINE | DT_END_ELLIPSIS, &ellipsisRight},
                {DT_SINGLELINE, &clippedRight},
                {DT_SINGLELINE | DT_NOCLIP, &unclippedRight}};
    for (const Run& run : runs) {
        Canvas canvas(300, 30);
        canvas.dc.SetBkMode(TRANSPARENT);
        RECT r{10, 5, 80, 25};
        canvas.dc.DrawText(CString(longText), &r, run.format);
        *run.right = inkOf(canvas.picture()).right;
    }
    EXPECT_LT(ellipsisRight, 80);
    EXPECT_GT(ellipsisRight, 60); // the box is used up to the dots
    EXPECT_LT(clippedRight, 80);
    EXPECT_GT(unclippedRight, 150);

    Canvas canvas(300, 30);
    const CSize marked = canvas.dc.GetTextExtent(CString("File"));
    int widths[2] = {};
    const UINT prefixFormats[2] = {DT_SINGLELINE, DT_SINGLELINE | DT_NOPREFIX};
    for (int i = 0; i < 2; ++i) {
        Canvas c(300, 30);
        c.dc.SetBkMode(TRANSPARENT);
        RECT r{0, 0, 300, 30};
        c.dc.DrawText(CString("&File"), &r, prefixFormats[i] | DT_CALCRECT);
        widths[i] = r.right - r.left;
    }
    EXPECT_EQ(widths[0], marked.cx);
    EXPECT_GT(widths[1], marked.cx);

    struct Mode {
        int mode;
        COLORREF behind;
    } modes[] = {{OPAQUE, kRed}, {TRANSPARENT, kWhite}};
    for (const Mode& m : modes) {
        Canvas c(100, 30);
        c.dc.SetBkColor(kRed);
        c.dc.SetBkMode(m.mode);
        c.dc.SetTextColor(kBlue);
        c.dc.TextOut(5, 5, CString("ii"));
        const QImage picture = c.picture();
        EXPECT_EQ(colorAt(picture, 5, 5), m.behind) << m.mode; // the cell's top left corner
        EXPECT_EQ(colorAt(picture, 60, 5), kWhite) << m.mode;  // past the text
    }
}

// Shapes cover the pixels Windows gives them: a rectangle its right and bottom edges
// excluded, the pen outside and the brush inside; a 3-D frame with the far corners in the
// bottom-right colour; a focus rectangle inverting every other pixel, gone when drawn
// twice. SelectObject hands back the object it replaces.
TEST(OwnerDrawDc, ShapesAndObjects) {
    Canvas canvas(60, 30);
    CPen red(PS_SOLID, 1, kRed);
    CBrush green(kGreen);
    CPen* oldPen = canvas.dc.SelectObject(&red);
    CBrush* oldBrush = canvas.dc.SelectObject(&green);
    ASSERT_NE(oldPen, nullptr);
    ASSERT_NE(oldBrush, nullptr);
    EXPECT_EQ(canvas.dc.SelectObject(oldPen), &red);
    EXPECT_EQ(canvas.dc.SelectObject(&red), oldPen);
    canvas.dc.Rectangle(2, 2, 10, 10);
    canvas.dc.Draw3dRect(20, 2, 8, 8, kBlue, kRed);
    canvas.dc.FillSolidRect(40, 2, 10, 10, kGreen);
    EXPECT_EQ(canvas.dc.GetBkColor(), kGreen);
    RECT focus{40, 2, 50, 12};
    canvas.dc.DrawFocusRect(&focus);
    const QImage once = canvas.picture();
    canvas.dc.DrawFocusRect(&focus);
    const QImage twice = canvas.picture();

    const COLORREF inverted = RGB(255, 127, 255); // green inverted
    struct Pixel {
        int x, y;
        COLORREF colour;
    } pixels[] = {
        {2, 2, kRed},     {9, 2, kRed},      {2, 9, kRed},       {9, 9, kRed},    {5, 5, kGreen},
        {10, 10, kWhite}, {10, 5, kWhite},   {20, 2, kBlue},     {26, 2, kBlue},  {27, 2, kRed},
        {20, 8, kBlue},   {20, 9, kRed},     {27, 9, kRed},      {23, 5, kWhite}, {40, 2, inverted},
        {41, 2, kGreen},  {42, 2, inverted}, {49, 11, inverted}, {45, 6, kGreen},
    };
    for (const Pixel& p : pixels)
        EXPECT_EQ(colorAt(once, p.x, p.y), p.colour) << p.x << "," << p.y;
    for (int x = 40; x < 50; ++x)
        EXPECT_EQ(colorAt(twice, x, 2), kGreen) << x;

    // A DC is found by its handle while it lives.
    EXPECT_EQ(CDC::FromHandle(canvas.dc.GetSafeHdc()), &canvas.dc);
    HDC gone = nullptr;
    {
        CDC other;
        gone = other.GetSafeHdc();
        EXPECT_EQ(CDC::FromHandle(gone), &other);
    }
    EXPECT_EQ(CDC::FromHandle(gone), nullptr);
    CBrush never;
    EXPECT_EQ(canvas.dc.SelectObject(&never), nullptr); // not created
}

// Fonts: sizes in tenths of a point at 96 dpi, "Small Fonts" standing in as a real face of
// the size asked, the stock GUI font at 8 points.
TEST(OwnerDrawDc, FontsBySizeAndFace) {
    tessaly::testing::EnsureQtApplication();
    struct Case {
        int tenths;
        const char* face;
        int pixels;
    } cases[] = {{70, "Small Fonts", 9},
                 {80, "Small Fonts", 11},
                 {100, "DejaVu Sans", 13},
                 {240, "DejaVu Serif", 32}};
    for (const Case& c : cases) {
        CFont font;
        ASSERT_TRUE(font.CreatePointFont(c.tenths, c.face)) << c.face;
        EXPECT_EQ(font.GetPixelHeight(), c.pixels) << c.face << " " << c.tenths;
        const CString expected(std::string(c.face) == "Small Fonts" ? "DejaVu Sans" : c.face);
        EXPECT_EQ(font.GetFaceName(), expected) << c.face;
    }
    CFont gui;
    ASSERT_TRUE(gui.CreateStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(gui.GetPixelHeight(), 11);
    CPen notAFont;
    EXPECT_FALSE(notAFont.CreateStockObject(DEFAULT_GUI_FONT));

    // Larger cell heights give larger characters; a character height is taken as it is.
    CFont cell, character;
    cell.CreateFont(20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    character.CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                         "DejaVu Sans");
    EXPECT_EQ(character.GetPixelHeight(), 20);
    EXPECT_LT(cell.GetPixelHeight(), 20);
    EXPECT_GT(cell.GetPixelHeight(), 12);
}

// System colours come in pairs that can be told apart (the colour list draws with them);
// an index that is no system colour gives 0.
TEST(OwnerDrawDc, SystemColoursPairUp) {
    tessaly::testing::EnsureQtApplication();
    const struct {
        int back, fore;
    } pairs[] = {{COLOR_WINDOW, COLOR_WINDOWTEXT},
                 {COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
                 {COLOR_BTNFACE, COLOR_BTNTEXT},
                 {COLOR_WINDOWTEXT, COLOR_GRAYTEXT},
                 {COLOR_WINDOW, COLOR_HIGHLIGHT}};
    for (const auto& p : pairs)
        EXPECT_NE(GetSysColor(p.back), GetSysColor(p.fore)) << p.back << " " << p.fore;
    for (int index : {-1, 99, 1000})
        EXPECT_EQ(GetSysColor(index), 0u) << index;
}

// ---------------------------------------------------------------- owner-drawn controls

namespace {

const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
300 DIALOGEX 0, 0, 240, 150
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Owner drawing"
FONT 8, "MS Shell Dlg"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 185, 130, 50, 14
    CONTROL "Drawn", 1001, "Button", BS_OWNERDRAW | WS_TABSTOP, 5, 5, 60, 20
    CONTROL "Parent", 1002, "Button", BS_OWNERDRAW | WS_TABSTOP, 70, 5, 60, 20
    CONTROL "Off", 1003, "Button", BS_OWNERDRAW | WS_DISABLED, 135, 5, 60, 20
    COMBOBOX 1010, 5, 40, 110, 80, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP
    COMBOBOX 1011, 125, 40, 110, 80, CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | WS_VSCROLL | WS_TABSTOP
    COMBOBOX 1012, 5, 70, 110, 80, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | WS_VSCROLL | WS_TABSTOP
END
)";

struct DrawCall {
    UINT type, id, item, action, state;
    RECT rect;
    ULONG_PTR data;
};

DrawCall noteOf(const DRAWITEMSTRUCT* d) {
    return DrawCall{d->CtlType,   d->CtlID,  d->itemID,  d->itemAction,
                    d->itemState, d->rcItem, d->itemData};
}

struct MeasureCall {
    UINT id, item;
    ULONG_PTR data;
};

// A button drawing itself: green at rest, red while pressed, a focus rectangle when
// focused. It also measures a caption in the DC's font and in "Small Fonts" 7 pt.
class SelfDrawnButton : public CButton {
  public:
    std::vector<DrawCall> calls;
    CSize dialogFontExtent, smallFontExtent;

    void DrawItem(LPDRAWITEMSTRUCT item) override {
        calls.push_back(noteOf(item));
        CDC* dc = CDC::FromHandle(item->hDC);
        if (!dc) return;
        dc->FillSolidRect(&item->rcItem, (item->itemState & ODS_SELECTED) ? kRed : kGreen);
        if (item->itemState & ODS_FOCUS) {
            RECT focus{item->rcItem.left + 3, item->rcItem.top + 3, item->rcItem.right - 3,
                       item->rcItem.bottom - 3};
            dc->DrawFocusRect(&focus);
        }
        dialogFontExtent = dc->GetTextExtent(CString("Cancel"));
        CFont small;
        small.CreatePointFont(70, "Small Fonts");
        CFont* old = dc->SelectObject(&small);
        smallFontExtent = dc->GetTextExtent(CString("Cancel"));
        dc->SelectObject(old);
    }
};

// The colour list's shape: colour names with the colour values as item data, each item a
// swatch a quarter of the item wide (inside a 2-pixel inset, framed in black, grey text
// colour when disabled) and the name two pixels to its right, in the highlight colours when
// selected, else the window colours.
class ColourList : public CComboBox {
  public:
    std::vector<DrawCall> calls;
    std::vector<MeasureCall> measured;
    static constexpr UINT kHeight = 18;

    void AddColour(const char* name, COLORREF colour) { SetItemData(AddString(name), colour); }

    static RECT swatchOf(const RECT& item) {
        const RECT inset{item.left + 2, item.top + 2, item.right - 2, item.bottom - 2};
        return RECT{inset.left, inset.top, inset.left + (inset.right - inset.left) / 4,
                    inset.bottom};
    }

    void MeasureItem(LPMEASUREITEMSTRUCT item) override {
        measured.push_back({item->CtlID, item->itemID, item->itemData});
        item->itemHeight = kHeight;
    }

    void DrawItem(LPDRAWITEMSTRUCT item) override {
        calls.push_back(noteOf(item));
        CDC* dc = CDC::FromHandle(item->hDC);
        if (!dc || item->itemID == static_cast<UINT>(-1)) return;
        const bool selected = item->itemState & ODS_SELECTED;
        dc->FillSolidRect(&item->rcItem, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        const RECT swatch = swatchOf(item->rcItem);
        CBrush fill((item->itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT)
                                                     : static_cast<COLORREF>(item->itemData));
        CPen frame(PS_SOLID, 1, kBlack);
        CBrush* oldBrush = dc->SelectObject(&fill);
        CPen* oldPen = dc->SelectObject(&frame);
        dc->Rectangle(&swatch);
        dc->SelectObject(oldBrush);
        dc->SelectObject(oldPen);
        CString name;
        GetLBText(static_cast<int>(item->itemID), name);
        RECT text{swatch.right + 2, item->rcItem.top, item->rcItem.right, item->rcItem.bottom};
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        dc->DrawText(name, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
};

// Items of several heights whose data points at what is drawn; no strings.
struct Shape {
    const char* name;
    UINT height;
};
const Shape kShapes[] = {{"low", 10}, {"middle", 14}, {"high", 18}};

class ShapeList : public CComboBox {
  public:
    std::vector<DrawCall> calls;
    std::vector<MeasureCall> measured;

    void MeasureItem(LPMEASUREITEMSTRUCT item) override {
        measured.push_back({item->CtlID, item->itemID, item->itemData});
        item->itemHeight = reinterpret_cast<const Shape*>(item->itemData)->height;
    }
    void DrawItem(LPDRAWITEMSTRUCT item) override {
        calls.push_back(noteOf(item));
        CDC* dc = CDC::FromHandle(item->hDC);
        if (!dc || item->itemID == static_cast<UINT>(-1)) return;
        dc->FillSolidRect(&item->rcItem, kWhite);
        RECT text = item->rcItem;
        dc->DrawText(CString(reinterpret_cast<const Shape*>(item->itemData)->name), &text,
                     DT_LEFT | DT_SINGLELINE);
    }
};

class OwnerDrawDialog : public CDialog {
  public:
    OwnerDrawDialog() : CDialog(300u) {}
    SelfDrawnButton button;
    ColourList colours;
    ShapeList shapes;
    std::vector<DrawCall> parentCalls;
    std::vector<MeasureCall> parentMeasured;
    std::vector<std::string> problems;

    void OnDrawItem(int id, LPDRAWITEMSTRUCT item) override {
        parentCalls.push_back(noteOf(item));
        if (static_cast<UINT>(id) != item->CtlID) problems.push_back("id and CtlID differ");
        if (CDC* dc = CDC::FromHandle(item->hDC)) dc->FillSolidRect(&item->rcItem, kBlue);
    }
    void OnMeasureItem(int id, LPMEASUREITEMSTRUCT item) override {
        parentMeasured.push_back({static_cast<UINT>(id), item->itemID, item->itemData});
        item->itemHeight = 21;
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (!button.SubclassDlgItem(1001, this)) problems.push_back("button 1001");
        if (!colours.SubclassDlgItem(1010, this)) problems.push_back("combo 1010");
        if (!shapes.SubclassDlgItem(1011, this)) problems.push_back("combo 1011");
        colours.AddColour("Red", kRed);
        colours.AddColour("Green", kGreen);
        colours.AddColour("Blue", kBlue);
        colours.AddColour("Yellow", RGB(255, 255, 0));
        colours.SetCurSel(2);
        for (const Shape& shape : kShapes)
            shapes.AddString(reinterpret_cast<const char*>(&shape));
        shapes.SetCurSel(0);
        auto* plain = static_cast<CComboBox*>(GetDlgItem(1012));
        plain->AddString(reinterpret_cast<const char*>(ULONG_PTR{77}));
        plain->AddString(reinterpret_cast<const char*>(ULONG_PTR{78}));
        plain->SetCurSel(0);
        return TRUE;
    }
};

class OwnerDraw : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        HMODULE module =
            tessaly::testing::CompileResourceModule(prefix_.scratch(), "OwnerDrawTest", kScript);
        ASSERT_NE(module, nullptr);
        AfxSetResourceHandle(module);
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        AfxSetResourceHandle(nullptr);
    }

    // Runs the script on the dialog, then closes it.
    void run(OwnerDrawDialog& dialog, const std::function<void(Dialog&)>& script) {
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            d.Wait(50);
            script(d);
            d.ShowDropDown(1010, false);
            d.ShowDropDown(1011, false);
            d.ShowDropDown(1012, false);
            d.Click(IDOK);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK);
        for (const std::string& p : dialog.problems)
            ADD_FAILURE() << p;
    }
};

// A point inside a control, in the dialog's client area.
long pixelIn(Dialog& d, int id, int x, int y) {
    const Rect r = d.GetRect(id);
    return d.GetPixel(r.left + x, r.top + y);
}

} // namespace

// A button whose class draws it: its pixels are the override's, and the pressed and focus
// states reach itemState, with the action naming the state that changed.
TEST_F(OwnerDraw, ButtonDrawnByItsClassGetsItsStates) {
    OwnerDrawDialog dialog;
    struct Step {
        const char* name;
        std::function<void(Dialog&)> act;
        UINT state;       // ODS_ bits expected
        UINT changed;     // the ODA_ bit the first paint after the step carries
        long centre;      // the pixel in the middle
        long focusCorner; // the pixel at (3, 3)
    };
    const long invertedGreen = RGB(255, 127, 255);
    const Step steps[] = {
        {"at rest", [](Dialog&) {}, 0, 0, long(kGreen), long(kGreen)},
        // A press takes the focus too: both changes come in one paint.
        {"pressed", [](Dialog& d) { d.MouseDown(1001, 10, 10); }, ODS_SELECTED | ODS_FOCUS,
         ODA_SELECT | ODA_FOCUS, long(kRed), long(RGB(0, 255, 255))},
        {"released", [](Dialog& d) { d.MouseUp(1001, 10, 10); }, ODS_FOCUS, ODA_SELECT,
         long(kGreen), invertedGreen},
        {"focus elsewhere", [](Dialog& d) { d.SetFocus(1002); }, 0, ODA_FOCUS, long(kGreen),
         long(kGreen)},
        {"focused", [](Dialog& d) { d.SetFocus(1001); }, ODS_FOCUS, ODA_FOCUS, long(kGreen),
         invertedGreen},
        {"pressed with focus", [](Dialog& d) { d.MouseDown(1001, 10, 10); },
         ODS_SELECTED | ODS_FOCUS, ODA_SELECT, long(kRed), long(RGB(0, 255, 255))},
    };
    struct Seen {
        std::vector<DrawCall> calls;
        long centre, focusCorner;
        Rect rect;
    };
    std::vector<Seen> seen;
    run(dialog, [&](Dialog& d) {
        d.SetFocus(IDOK);
        d.Wait(50);
        for (const Step& step : steps) {
            dialog.button.calls.clear();
            step.act(d);
            d.Wait(50);
            Seen s{{}, 0, 0, d.GetRect(1001)};
            s.centre = pixelIn(d, 1001, s.rect.width / 2, s.rect.height / 2);
            s.focusCorner = pixelIn(d, 1001, 3, 3);
            s.calls = dialog.button.calls; // including the pictures' own paints
            seen.push_back(s);
        }
    });
    ASSERT_EQ(seen.size(), std::size(steps));
    for (size_t i = 0; i < seen.size(); ++i) {
        const Step& step = steps[i];
        const Seen& s = seen[i];
        ASSERT_FALSE(s.calls.empty()) << step.name;
        const DrawCall& first = s.calls.front();
        EXPECT_EQ(first.type, UINT(ODT_BUTTON)) << step.name;
        EXPECT_EQ(first.id, 1001u) << step.name;
        EXPECT_EQ(first.state & (ODS_SELECTED | ODS_FOCUS | ODS_DISABLED), step.state) << step.name;
        EXPECT_TRUE(first.action & ODA_DRAWENTIRE) << step.name;
        EXPECT_EQ(first.action & (ODA_SELECT | ODA_FOCUS), step.changed) << step.name;
        EXPECT_EQ(first.rect.right - first.rect.left, s.rect.width) << step.name;
        EXPECT_EQ(first.rect.bottom - first.rect.top, s.rect.height) << step.name;
        EXPECT_EQ(s.centre, step.centre) << step.name;
        EXPECT_EQ(s.focusCorner, step.focusCorner) << step.name;
    }
    // Only the self-drawn button went to its own class.
    for (const DrawCall& call : dialog.parentCalls)
        EXPECT_NE(call.id, 1001u);
}

// Buttons and combo boxes whose class does not draw: the parent's OnDrawItem and
// OnMeasureItem get WM_DRAWITEM and WM_MEASUREITEM, with the disabled state and the data of
// an item without strings.
TEST_F(OwnerDraw, ParentDrawsWhatTheClassLeaves) {
    OwnerDrawDialog dialog;
    long parentButton = -1, disabledButton = -1;
    std::vector<int> dropHeights;
    std::vector<std::string> items;
    std::vector<ULONG_PTR> data;
    run(dialog, [&](Dialog& d) {
        parentButton = pixelIn(d, 1002, 10, 10);
        disabledButton = pixelIn(d, 1003, 10, 10);
        items = d.GetItems(1012);
        data = d.GetItemData(1012);
        ASSERT_TRUE(d.ShowDropDown(1012, true));
        d.Wait(50);
        for (int i = 0; i < 2; ++i)
            dropHeights.push_back(d.GetDropDownItemRect(1012, i).height);
    });
    EXPECT_EQ(parentButton, long(kBlue));
    EXPECT_EQ(disabledButton, long(kBlue));
    EXPECT_EQ(items, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(data, (std::vector<ULONG_PTR>{77, 78}));
    EXPECT_EQ(dropHeights, (std::vector<int>{21, 21}));

    struct Expected {
        UINT id, type, item, stateBits;
        ULONG_PTR data;
    } expected[] = {
        {1002, ODT_BUTTON, 0, 0, 0},
        {1003, ODT_BUTTON, 0, ODS_DISABLED, 0},
        {1012, ODT_COMBOBOX, 0, ODS_COMBOBOXEDIT, 77},
        {1012, ODT_COMBOBOX, 1, 0, 78}, // in the open list
    };
    for (const Expected& e : expected) {
        const auto found = std::find_if(
            dialog.parentCalls.begin(), dialog.parentCalls.end(), [&](const DrawCall& c) {
                return c.id == e.id && c.item == e.item && c.type == e.type &&
                       (c.state & e.stateBits) == e.stateBits && c.data == e.data;
            });
        EXPECT_NE(found, dialog.parentCalls.end()) << e.id << " item " << e.item;
    }
    // A fixed height is asked once, for the control.
    ASSERT_EQ(dialog.parentMeasured.size(), 1u);
    EXPECT_EQ(dialog.parentMeasured[0].id, 1012u);
    EXPECT_EQ(dialog.parentMeasured[0].item, 0u);
}

// The colour list: names as texts, colours as data; the closed box and the open list show
// each item's swatch in its colour inside a black frame, the selected item on navy; the
// fixed height is asked once.
TEST_F(OwnerDraw, FixedColourListDrawsSwatches) {
    OwnerDrawDialog dialog;
    const std::vector<COLORREF> colours{kRed, kGreen, kBlue, RGB(255, 255, 0)};
    std::vector<std::string> items;
    std::vector<ULONG_PTR> data;
    long closedSwatch = -1, closedFrame = -1;
    struct Item {
        Rect rect;
        long swatch, frame, background;
    };
    std::vector<Item> open;
    run(dialog, [&](Dialog& d) {
        items = d.GetItems(1010);
        data = d.GetItemData(1010);
        // The closed box: the recorded field rectangle of the selected item.
        d.GetPixel(0, 0); // paints
        const auto field =
            std::find_if(dialog.colours.calls.begin(), dialog.colours.calls.end(),
                         [](const DrawCall& c) { return c.state & ODS_COMBOBOXEDIT; });
        ASSERT_NE(field, dialog.colours.calls.end());
        const RECT swatch = ColourList::swatchOf(field->rect);
        closedSwatch =
            pixelIn(d, 1010, (swatch.left + swatch.right) / 2, (swatch.top + swatch.bottom) / 2);
        closedFrame = pixelIn(d, 1010, swatch.left, (swatch.top + swatch.bottom) / 2);
        dialog.colours.calls.clear();
        ASSERT_TRUE(d.ShowDropDown(1010, true));
        d.Wait(50);
        for (int i = 0; i < 4; ++i) {
            const Rect r = d.GetDropDownItemRect(1010, i);
            const RECT item{r.left, r.top, r.left + r.width, r.top + r.height};
            const RECT s = ColourList::swatchOf(item);
            const int middle = (s.top + s.bottom) / 2;
            open.push_back({r, d.GetDropDownPixel(1010, (s.left + s.right) / 2, middle),
                            d.GetDropDownPixel(1010, s.left, middle),
                            d.GetDropDownPixel(1010, r.left + r.width - 2, r.top + 1)});
        }
    });
    EXPECT_EQ(items, (std::vector<std::string>{"Red", "Green", "Blue", "Yellow"}));
    EXPECT_EQ(data, (std::vector<ULONG_PTR>(colours.begin(), colours.end())));
    EXPECT_EQ(closedSwatch, long(kBlue));
    EXPECT_EQ(closedFrame, long(kBlack));
    ASSERT_EQ(open.size(), 4u);
    for (size_t i = 0; i < open.size(); ++i) {
        EXPECT_EQ(open[i].rect.height, int(ColourList::kHeight)) << i;
        EXPECT_EQ(open[i].swatch, long(colours[i])) << i;
        EXPECT_EQ(open[i].frame, long(kBlack)) << i;
        EXPECT_EQ(open[i].background, long(GetSysColor(i == 2 ? COLOR_HIGHLIGHT : COLOR_WINDOW)))
            << i;
        const auto call = std::find_if(
            dialog.colours.calls.begin(), dialog.colours.calls.end(),
            [&](const DrawCall& c) { return c.item == i && !(c.state & ODS_COMBOBOXEDIT); });
        ASSERT_NE(call, dialog.colours.calls.end()) << i;
        EXPECT_EQ(call->type, UINT(ODT_COMBOBOX));
        EXPECT_EQ(call->id, 1010u);
        EXPECT_EQ(call->data, colours[i]) << i;
        EXPECT_EQ(bool(call->state & ODS_SELECTED), i == 2) << i;
    }
    ASSERT_EQ(dialog.colours.measured.size(), 1u);
    EXPECT_EQ(dialog.colours.measured[0].id, 1010u);
    EXPECT_EQ(dialog.colours.measured[0].item, 0u);
    EXPECT_TRUE(dialog.parentMeasured.empty() ||
                std::all_of(dialog.parentMeasured.begin(), dialog.parentMeasured.end(),
                            [](const MeasureCall& m) { return m.id != 1010u; }));
}

// Variable heights: each item is measured once, with its index and data, and the open
// list gives it that height; items without strings keep their data and show no text.
TEST_F(OwnerDraw, VariableComboMeasuresEachItem) {
    OwnerDrawDialog dialog;
    std::vector<int> heights;
    std::vector<std::string> items;
    std::vector<ULONG_PTR> data;
    run(dialog, [&](Dialog& d) {
        items = d.GetItems(1011);
        data = d.GetItemData(1011);
        ASSERT_TRUE(d.ShowDropDown(1011, true));
        d.Wait(50);
        for (int i = 0; i < 3; ++i)
            heights.push_back(d.GetDropDownItemRect(1011, i).height);
        d.ShowDropDown(1011, false);
        ASSERT_TRUE(d.ShowDropDown(1011, true)); // measured already: not asked again
        d.Wait(50);
    });
    EXPECT_EQ(items, (std::vector<std::string>{"", "", ""}));
    ASSERT_EQ(data.size(), 3u);
    ASSERT_EQ(dialog.shapes.measured.size(), 3u);
    for (UINT i = 0; i < 3; ++i) {
        const auto expectedData = reinterpret_cast<ULONG_PTR>(&kShapes[i]);
        EXPECT_EQ(data[i], expectedData) << i;
        EXPECT_EQ(heights[i], int(kShapes[i].height)) << i;
        const auto measured =
            std::find_if(dialog.shapes.measured.begin(), dialog.shapes.measured.end(),
                         [&](const MeasureCall& m) { return m.item == i; });
        ASSERT_NE(measured, dialog.shapes.measured.end()) << i;
        EXPECT_EQ(measured->data, expectedData) << i;
        EXPECT_EQ(measured->id, 1011u);
        const auto drawn =
            std::find_if(dialog.shapes.calls.begin(), dialog.shapes.calls.end(),
                         [&](const DrawCall& c) { return c.item == i && c.data == expectedData; });
        EXPECT_NE(drawn, dialog.shapes.calls.end()) << i;
    }
}

// "Small Fonts" 7 pt measures smaller than the dialog's 8-point font in the same DC.
TEST_F(OwnerDraw, SmallFontsIsSmallerThanTheDialogFont) {
    OwnerDrawDialog dialog;
    run(dialog, [&](Dialog& d) { d.GetPixel(0, 0); });
    const CSize dialogFont = dialog.button.dialogFontExtent;
    const CSize small = dialog.button.smallFontExtent;
    ASSERT_GT(small.cx, 0);
    EXPECT_LT(small.cx, dialogFont.cx);
    EXPECT_LT(small.cy, dialogFont.cy);
}
