// Owner drawing: the device context's rules, and owner-drawn buttons and combo boxes.
#include <tessaly/automation.h>
#include <tessaly/gdi.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "dialog_fixture.h"
#include "support/qt_app.h"

using framework_test::Dialog;
using tessaly::automation::Rect;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 128, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kInvGreen = RGB(255, 127, 255);

COLORREF colorAt(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return RGB(c.red(), c.green(), c.blue());
}

// The box of every pixel that is not white (empty, right() -1, when there is none).
QRect inkOf(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (colorAt(image, x, y) != kWhite) ink |= QRect(x, y, 1, 1);
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
    QImage picture() const { return image.copy(); }
};

} // namespace

// Text where the format puts it; DT_CALCRECT measures; ellipsis, DT_NOCLIP and "&" prefixes.
TEST(OwnerDrawDc, DrawTextFormats) {
    // The format and the ranges of the ink's centre, across and down.
    const std::tuple<UINT, int, int, int, int> places[] = {
        {DT_LEFT | DT_TOP, 8, 60, 5, 14},
        {DT_CENTER | DT_VCENTER, 98, 102, 22, 28},
        {DT_RIGHT | DT_BOTTOM, 140, 190, 36, 44}};
    for (const auto& [format, xLow, xHigh, yLow, yHigh] : places) {
        Canvas canvas(200, 50);
        canvas.dc.SetBkMode(TRANSPARENT);
        RECT r{10, 5, 190, 45};
        EXPECT_GT(canvas.dc.DrawText(CString("Wide text"), &r, format | DT_SINGLELINE), 0);
        const QRect ink = inkOf(canvas.picture());
        const int x = (ink.left() + ink.right()) / 2, y = (ink.top() + ink.bottom()) / 2;
        EXPECT_TRUE(x >= xLow && x <= xHigh && y >= yLow && y <= yHigh)
            << format << ": " << x << "," << y;
    }

    Canvas canvas(300, 100);
    const CSize extent = canvas.dc.GetTextExtent(CString("Wide text"));
    RECT one{7, 9, 307, 9};
    EXPECT_EQ(
        canvas.dc.DrawText(CString("Wide text"), &one, DT_SINGLELINE | DT_CENTER | DT_CALCRECT),
        extent.cy);
    EXPECT_EQ(one.right - one.left, extent.cx);
    EXPECT_LT(inkOf(canvas.picture()).right(), 0);

    const LONG marked = canvas.dc.GetTextExtent(CString("File")).cx;
    for (UINT format : {0u, UINT(DT_NOPREFIX)}) {
        RECT r{0, 0, 300, 30};
        canvas.dc.DrawText(CString("&File"), &r, format | DT_SINGLELINE | DT_CALCRECT);
        EXPECT_EQ(r.right - r.left > marked, format == DT_NOPREFIX);
    }

    // The format and the range of the ink's right edge.
    for (const auto& [format, low, high] :
         {std::tuple{DT_END_ELLIPSIS, 61, 79}, std::tuple{DT_NOCLIP, 151, 300}}) {
        Canvas c(300, 30);
        c.dc.SetBkMode(TRANSPARENT);
        RECT r{10, 5, 80, 25};
        c.dc.DrawText(CString("A line far too long for its little box"), &r,
                      DT_SINGLELINE | format);
        const int right = inkOf(c.picture()).right();
        EXPECT_TRUE(right >= low && right <= high) << format << ": " << right;
    }
}

// Shapes cover the pixels Windows gives them; SelectObject hands back the replaced object.
TEST(OwnerDrawDc, ShapesAndObjects) {
    Canvas canvas(80, 30);
    CPen red(PS_SOLID, 1, kRed);
    CBrush green(kGreen);
    CPen* oldPen = canvas.dc.SelectObject(&red);
    ASSERT_NE(oldPen, nullptr);
    ASSERT_NE(canvas.dc.SelectObject(&green), nullptr);
    EXPECT_EQ(canvas.dc.SelectObject(oldPen), &red);
    canvas.dc.SelectObject(&red);
    CBrush never;
    EXPECT_EQ(canvas.dc.SelectObject(&never), nullptr); // not created
    canvas.dc.Rectangle(2, 2, 10, 10);
    canvas.dc.Draw3dRect(20, 2, 8, 8, kBlue, kRed);
    canvas.dc.FillSolidRect(40, 2, 10, 10, kGreen);
    RECT focus{40, 2, 50, 12};
    canvas.dc.DrawFocusRect(&focus);
    const QImage once = canvas.picture();
    canvas.dc.DrawFocusRect(&focus);
    const QImage twice = canvas.picture();
    canvas.dc.SetBkColor(kRed);
    canvas.dc.SetBkMode(OPAQUE);
    canvas.dc.SetTextColor(kBlue);
    canvas.dc.TextOut(60, 5, CString("ii"));
    const std::tuple<int, int, COLORREF> pixels[] = {
        {2, 2, kRed},  {5, 5, kGreen},  {10, 10, kWhite},   {20, 2, kBlue},  {27, 2, kRed},
        {20, 9, kRed}, {23, 5, kWhite}, {40, 2, kInvGreen}, {41, 2, kGreen}, {49, 11, kInvGreen}};
    for (const auto& [x, y, colour] : pixels)
        EXPECT_EQ(colorAt(once, x, y), colour) << x << "," << y;
    for (int x = 40; x < 50; ++x)
        EXPECT_EQ(colorAt(twice, x, 2), kGreen) << x;
    EXPECT_EQ(colorAt(canvas.picture(), 60, 5), kRed);

    HDC gone = std::make_unique<CDC>()->GetSafeHdc();
    EXPECT_EQ(CDC::FromHandle(gone), nullptr); // found while it lives: the drawing tests

    CFont font, cell;
    ASSERT_TRUE(font.CreatePointFont(240, "DejaVu Serif"));
    EXPECT_EQ(font.GetPixelHeight(), 32);
    cell.CreateFont(20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    EXPECT_LT(cell.GetPixelHeight(), 20); // a cell height: smaller characters
    EXPECT_EQ(GetSysColor(99), 0u);
}

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
    return {d->CtlType, d->CtlID, d->itemID, d->itemAction, d->itemState, d->rcItem, d->itemData};
}

struct MeasureCall {
    UINT id, item;
    ULONG_PTR data;
};

// A button drawing itself: green at rest, red while pressed, a focus rectangle when focused.
class SelfDrawnButton : public CButton {
  public:
    std::vector<DrawCall> calls;

    void DrawItem(LPDRAWITEMSTRUCT item) override {
        calls.push_back(noteOf(item));
        CDC* dc = CDC::FromHandle(item->hDC);
        if (!dc) return;
        dc->FillSolidRect(&item->rcItem, (item->itemState & ODS_SELECTED) ? kRed : kGreen);
        const RECT& r = item->rcItem;
        const RECT focus{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
        if (item->itemState & ODS_FOCUS) dc->DrawFocusRect(&focus);
    }
};

// Items of several heights whose data points at their height; no strings.
const UINT kHeights[] = {10, 14, 18};

class ShapeList : public CComboBox {
  public:
    std::vector<DrawCall> calls;
    std::vector<MeasureCall> measured;

    void MeasureItem(LPMEASUREITEMSTRUCT item) override {
        measured.push_back({item->CtlID, item->itemID, item->itemData});
        item->itemHeight = *reinterpret_cast<const UINT*>(item->itemData);
    }
    void DrawItem(LPDRAWITEMSTRUCT item) override { calls.push_back(noteOf(item)); }
};

class OwnerDrawDialog : public CDialog {
  public:
    OwnerDrawDialog() : CDialog(300u) {}
    SelfDrawnButton button;
    ShapeList shapes;
    std::vector<DrawCall> parentCalls;
    std::vector<MeasureCall> parentMeasured;

    void OnDrawItem(int id, LPDRAWITEMSTRUCT item) override {
        parentCalls.push_back(noteOf(item));
        EXPECT_EQ(static_cast<UINT>(id), item->CtlID);
        if (CDC* dc = CDC::FromHandle(item->hDC)) dc->FillSolidRect(&item->rcItem, kBlue);
    }
    void OnMeasureItem(int id, LPMEASUREITEMSTRUCT item) override {
        parentMeasured.push_back({static_cast<UINT>(id), item->itemID, item->itemData});
        item->itemHeight = 21;
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        EXPECT_TRUE(button.SubclassDlgItem(1001, this));
        EXPECT_TRUE(shapes.SubclassDlgItem(1011, this));
        for (const UINT& height : kHeights)
            shapes.AddString(reinterpret_cast<const char*>(&height));
        shapes.SetCurSel(0);
        auto* plain = static_cast<CComboBox*>(GetDlgItem(1012));
        plain->AddString(reinterpret_cast<const char*>(ULONG_PTR{77}));
        plain->AddString(reinterpret_cast<const char*>(ULONG_PTR{78}));
        plain->SetCurSel(0);
        return TRUE;
    }
};

class OwnerDraw : public framework_test::TemplateTest<> {
  protected:
    OwnerDraw() : TemplateTest("OwnerDrawTest", kScript) {}
    void show(OwnerDrawDialog& dialog, const std::function<void(Dialog&)>& script) {
        EXPECT_EQ(run(dialog,
                      [&](Dialog& d) {
                          d.Wait(50);
                          script(d);
                          for (int id : {1011, 1012})
                              d.ShowDropDown(id, false);
                          d.Click(IDOK);
                      }),
                  IDOK);
    }
};

// A point inside a control, in the dialog's client area.
long pixelIn(Dialog& d, int id, int x, int y) {
    const Rect r = d.GetRect(id);
    return d.GetPixel(r.left + x, r.top + y);
}

} // namespace

TEST_F(OwnerDraw, ButtonDrawnByItsClassGetsItsStates) {
    OwnerDrawDialog dialog;
    // Step, ODS_ bits and ODA_ change of its first paint; pixels in the middle and at (3, 3).
    const std::tuple<std::function<void(Dialog&)>, UINT, UINT, long, long> steps[] = {
        // A press takes the focus too: both changes come in one paint.
        {[](Dialog& d) { d.MouseDown(1001, 10, 10); }, ODS_SELECTED | ODS_FOCUS,
         ODA_SELECT | ODA_FOCUS, long(kRed), long(RGB(0, 255, 255))},
        {[](Dialog& d) { d.MouseUp(1001, 10, 10); }, ODS_FOCUS, ODA_SELECT, long(kGreen),
         long(kInvGreen)},
        {[](Dialog& d) { d.SetFocus(1002); }, 0, ODA_FOCUS, long(kGreen), long(kGreen)}};
    show(dialog, [&](Dialog& d) {
        d.SetFocus(IDOK);
        d.Wait(50);
        for (const auto& [act, state, changed, centre, focusCorner] : steps) {
            dialog.button.calls.clear();
            act(d);
            d.Wait(50);
            const Rect rect = d.GetRect(1001);
            EXPECT_EQ(std::make_pair(pixelIn(d, 1001, rect.width / 2, rect.height / 2),
                                     pixelIn(d, 1001, 3, 3)),
                      std::make_pair(centre, focusCorner))
                << "state " << state;
            ASSERT_FALSE(dialog.button.calls.empty()) << "state " << state;
            const DrawCall& first = dialog.button.calls.front();
            EXPECT_EQ(std::make_tuple(first.type,
                                      first.state & (ODS_SELECTED | ODS_FOCUS | ODS_DISABLED),
                                      first.action),
                      std::make_tuple(UINT(ODT_BUTTON), state, ODA_DRAWENTIRE | changed));
        }
    });
    for (const DrawCall& call : dialog.parentCalls)
        EXPECT_NE(call.id, 1001u) << "only the self-drawn button went to its own class";
}

// The parent draws and measures what the class leaves; variable heights are measured once.
TEST_F(OwnerDraw, ParentDrawsWhatTheClassLeavesAndVariableItemsAreMeasured) {
    OwnerDrawDialog dialog;
    std::vector<int> dropHeights, heights;
    show(dialog, [&](Dialog& d) {
        EXPECT_EQ(pixelIn(d, 1002, 10, 10), long(kBlue));
        EXPECT_EQ(d.GetItems(1012), (std::vector<std::string>{"", ""})); // data, no strings
        ASSERT_TRUE(d.ShowDropDown(1012, true));
        d.Wait(50);
        for (int i = 0; i < 2; ++i)
            dropHeights.push_back(d.GetDropDownItemRect(1012, i).height);
        d.ShowDropDown(1012, false);
        for (int open = 0; open < 2; ++open) { // measured already when opened again
            ASSERT_TRUE(d.ShowDropDown(1011, true));
            d.Wait(50);
            d.ShowDropDown(1011, false);
        }
        ASSERT_TRUE(d.ShowDropDown(1011, true));
        for (int i = 0; i < 3; ++i)
            heights.push_back(d.GetDropDownItemRect(1011, i).height);
    });
    EXPECT_EQ(dropHeights, (std::vector<int>{21, 21}));
    ASSERT_EQ(dialog.shapes.measured.size(), 3u);
    for (UINT i = 0; i < 3; ++i)
        EXPECT_EQ(std::make_tuple(heights[i], dialog.shapes.measured[i].item,
                                  dialog.shapes.measured[i].data),
                  std::make_tuple(int(kHeights[i]), i, reinterpret_cast<ULONG_PTR>(&kHeights[i])));
    EXPECT_FALSE(dialog.shapes.calls.empty()); // the class draws its items, not the parent
    for (const DrawCall& call : dialog.parentCalls)
        EXPECT_NE(call.id, 1011u);
    // Control, type, item, state bits and data of a call the parent must have had.
    const std::tuple<UINT, UINT, UINT, UINT, ULONG_PTR> expected[] = {
        {1002, ODT_BUTTON, 0, 0, 0},
        {1003, ODT_BUTTON, 0, ODS_DISABLED, 0},
        {1012, ODT_COMBOBOX, 0, ODS_COMBOBOXEDIT, 77},
        {1012, ODT_COMBOBOX, 1, 0, 78}, // in the open list
    };
    for (const auto& [id, type, item, bits, data] : expected)
        EXPECT_NE(std::find_if(dialog.parentCalls.begin(), dialog.parentCalls.end(),
                               [&, id = id, type = type, item = item, bits = bits,
                                data = data](const DrawCall& c) {
                                   return std::tie(c.id, c.item, c.type, c.data) ==
                                              std::tie(id, item, type, data) &&
                                          (c.state & bits) == bits;
                               }),
                  dialog.parentCalls.end())
            << id << " item " << item;
    // A fixed height is asked once, for the control.
    ASSERT_EQ(dialog.parentMeasured.size(), 1u);
    EXPECT_EQ(std::make_pair(dialog.parentMeasured[0].id, dialog.parentMeasured[0].item),
              std::make_pair(1012u, 0u));
}
