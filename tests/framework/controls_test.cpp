// The framework's control classes over Qt widgets, and those a dialog template makes.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>

#include <tessaly/automation.h>
#include <tessaly/controls.h>
#include <tessaly/sync.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "dialog_fixture.h"
#include "support/qt_app.h"

using framework_test::Dialog;

namespace {

// A rich edit whose text is the runs: text, bold, underlined.
void Fill(QTextEdit& edit, const std::vector<std::tuple<const char*, bool, bool>>& runs) {
    edit.clear();
    QTextCursor cursor(edit.document());
    for (const auto& [text, bold, underline] : runs) {
        QTextCharFormat format;
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        format.setFontUnderline(underline);
        cursor.insertText(QString::fromLatin1(text), format);
    }
}

class Controls : public ::testing::Test {
  protected:
    void SetUp() override { tessaly::testing::EnsureQtApplication(); }
};

TEST_F(Controls, RichEditReportsTheEffectsOfTheCaretAndTheSelection) {
    QTextEdit widget;
    CRichEditCtrl edit(&widget);
    constexpr DWORD B = CFE_BOLD, U = CFE_UNDERLINE, BU = B | U;
    auto effects = [&](long start, long end, DWORD* shared = nullptr) {
        edit.SetSel(start, end);
        CHARFORMAT format;
        const DWORD mask = edit.GetSelectionCharFormat(format);
        EXPECT_EQ(format.dwMask, mask);
        if (shared) *shared = mask & (CFM_BOLD | CFM_UNDERLINE);
        return format.dwEffects & BU;
    };
    // With a caret, the character before it; the first at position 0.
    Fill(widget, {{"ab", true, false}, {"cd", false, false}, {"g", true, true}});
    for (auto [caret, expected] : {std::pair{0L, B}, {2L, B}, {3L, 0u}, {5L, BU}})
        EXPECT_EQ(effects(caret, caret), expected) << "caret " << caret;
    // A selection shares only the effects of all its text; those of its first character.
    Fill(widget, {{"ab", false, false}, {"cd", true, false}, {"ef", true, true}});
    const std::tuple<long, long, DWORD, DWORD> cases[] = {// start, end, shared, effects
                                                          {1, 3, CFM_UNDERLINE, 0},
                                                          {2, 6, CFM_BOLD, B},
                                                          {4, 6, CFM_BOLD | CFM_UNDERLINE, BU}};
    for (const auto& [start, end, shared, expected] : cases) {
        DWORD mask = 0;
        EXPECT_EQ(std::make_pair(effects(start, end, &mask), mask),
                  std::make_pair(expected, shared))
            << start << "-" << end;
    }

    // Set on a selection; without one, for what is typed next; colour and size as given.
    Fill(widget, {{"plain text", false, false}});
    CHARFORMAT format{.dwMask = CFM_BOLD | CFM_UNDERLINE | CFM_COLOR | CFM_SIZE,
                      .dwEffects = CFE_BOLD,
                      .yHeight = 240,
                      .crTextColor = RGB(200, 10, 20)},
        underline{.dwMask = CFM_UNDERLINE, .dwEffects = CFE_UNDERLINE}, read;
    edit.SetSel(0, 5);
    EXPECT_TRUE(edit.SetSelectionCharFormat(format));
    EXPECT_EQ(effects(6, 6), 0u);
    edit.SetSel(0, 5);
    EXPECT_TRUE(edit.GetSelectionCharFormat(read) & CFM_COLOR);
    EXPECT_EQ(std::make_tuple(read.dwEffects & BU, read.crTextColor, read.yHeight),
              std::make_tuple(B, COLORREF(RGB(200, 10, 20)), LONG(240)));
    edit.SetSel(10, 10);
    edit.SetSelectionCharFormat(underline);
    edit.ReplaceSel("!");
    EXPECT_EQ(effects(11, 11), U);
}

TEST_F(Controls, RichEditCountsOnePositionPerLineEnd) {
    QTextEdit widget;
    widget.setLineWrapMode(QTextEdit::NoWrap);
    CRichEditCtrl edit(&widget);
    edit.SetWindowText("one\r\ntwo\r\nthree");
    EXPECT_EQ(edit.GetTextLength(), 15); // the window text, CR LF as two

    const std::tuple<long, long, const char*> cases[] = {
        {2, 5, "e\r\nt"}, {8, 100, "three"}, {7, 4, "two"}, {-1, 0, ""}};
    for (const auto& [start, end, selected] : cases) {
        edit.SetSel(start, end);
        EXPECT_EQ(edit.GetSelText(), CString(selected)) << start << "-" << end;
    }
    long start = 0, end = 0;
    edit.SetSel(0, -1);
    edit.GetSel(start, end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(0L, 13L));

    // Line ends count one position; -1 is the caret's line.
    edit.SetSel(5, 5);
    const std::pair<long, int> lines[] = {{3, 0}, {4, 1}, {500, 2}, {-1, 1}};
    for (auto [position, line] : lines)
        EXPECT_EQ(edit.LineFromChar(position), line) << position;
    const std::pair<int, int> starts[] = {{2, 8}, {3, -1}, {-1, 4}};
    for (auto [line, index] : starts)
        EXPECT_EQ(edit.LineIndex(line), index) << line;

    // A replacement's line ends, CR LF or a lone CR, are paragraphs.
    edit.SetSel(3, 3);
    edit.ReplaceSel("\r\nx\ry");
    EXPECT_EQ(edit.GetLineCount(), 5);
    EXPECT_EQ(edit.GetWindowText(), CString("one\r\nx\r\ny\r\ntwo\r\nthree"));

    // A control whose widget is gone answers with nothing.
    CRichEditCtrl none;
    EXPECT_EQ(none.LineIndex(0), -1);
}

TEST_F(Controls, TreeNavigation) {
    QTreeWidget widget;
    CTreeCtrl tree(&widget);
    HTREEITEM a = tree.InsertItem("A");
    HTREEITEM b = tree.InsertItem("B");
    HTREEITEM a2 = tree.InsertItem("A2", a);
    HTREEITEM a1 = tree.InsertItem("A1", a, TVI_FIRST);
    HTREEITEM a3 = tree.InsertItem("A3", a, a2); // after A2
    HTREEITEM a2a = tree.InsertItem("A2a", a2, TVI_LAST);
    const std::tuple<HTREEITEM, UINT, HTREEITEM> cases[] = {
        {nullptr, TVGN_ROOT, a},   {b, TVGN_NEXT, nullptr},  {b, TVGN_PREVIOUS, a},
        {a, TVGN_CHILD, a1},       {a2, TVGN_NEXT, a3},      {a2a, TVGN_PARENT, a2},
        {a, TVGN_PARENT, nullptr}, {TVI_ROOT, TVGN_CHILD, a}};
    for (const auto& [from, code, expected] : cases)
        EXPECT_EQ(tree.GetNextItem(from, code), expected) << from << " code " << code;
    EXPECT_TRUE(tree.ItemHasChildren(a2));
    EXPECT_TRUE(tree.SelectItem(a3));
    EXPECT_EQ(tree.GetNextItem(nullptr, 0x9), a3); // the caret

    // Items of another tree are no items of this one.
    QTreeWidget otherWidget;
    CTreeCtrl other(&otherWidget);
    HTREEITEM foreign = other.InsertItem("X");
    EXPECT_EQ(tree.GetItemText(foreign), CString());
    EXPECT_FALSE(tree.DeleteItem(foreign));

    EXPECT_TRUE(tree.DeleteItem(a2)); // with its child
    EXPECT_EQ(tree.GetCount(), 4u);
    EXPECT_EQ(tree.GetNextSiblingItem(a1), a3);
}

// Items in front, their data, the count hint and refusals; subitems in the report view only.
TEST_F(Controls, ListItemsTheirDataAndTheCountHint) {
    QTreeWidget report;
    report.setColumnCount(2);
    CListCtrl list(&report);
    EXPECT_TRUE(list.SetItemCountEx(1));
    EXPECT_EQ(list.GetItemCount(), 0);             // a hint only
    for (const char* name : {"First", "Second"}) { // each in front: the list shows them reversed
        LVITEM item{.mask = LVIF_TEXT | LVIF_IMAGE, .pszText = const_cast<char*>(name)};
        EXPECT_EQ(list.InsertItem(&item), 0);
        EXPECT_TRUE(list.SetItemData(0, DWORD_PTR(name[0])));
    }
    EXPECT_EQ(list.GetItemText(0, 0), CString("Second"));
    EXPECT_EQ(list.GetItemData(1), DWORD_PTR('F')); // the data goes with its item
    LVITEM last{.mask = LVIF_TEXT | LVIF_PARAM,
                .iItem = 99, // past the end: appended
                .pszText = const_cast<char*>("Last"),
                .lParam = 4242},
        sub{.iSubItem = 1};
    EXPECT_EQ(std::make_pair(list.InsertItem(&last), list.InsertItem(&sub)), std::make_pair(2, -1));
    EXPECT_EQ(list.GetItemData(2), 4242u);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_FALSE(list.DeleteItem(9));
    EXPECT_EQ(list.GetItemText(0, 0), CString("First"));
    EXPECT_TRUE(list.SetItemText(0, 1, "address"));
    EXPECT_EQ(list.GetItemText(0, 1), CString("address"));

    QListWidget icons;
    icons.setViewMode(QListView::IconMode);
    icons.resize(300, 200);
    CListCtrl iconList(&icons);
    iconList.InsertItem(0, "name", 2);
    EXPECT_FALSE(iconList.SetItemText(0, 1, "address"));
    EXPECT_TRUE(iconList.SetItemPosition(0, POINT{120, 40}));
    RECT rect;
    iconList.GetItemRect(0, &rect, LVIR_BOUNDS);
    EXPECT_EQ(std::make_pair(rect.left, rect.top), std::make_pair(LONG(120), LONG(40)));
    QListWidget plain;
    CListCtrl flowing(&plain);
    flowing.InsertItem(0, "x");
    EXPECT_FALSE(flowing.SetItemPosition(0, POINT{5, 5}));
}

TEST_F(Controls, ComboAndListBoxes) {
    const char* items[] = {"apple", "Banana", "apricot", "banana split"};
    QComboBox comboWidget;
    CComboBox combo(&comboWidget);
    QListWidget listWidget;
    CListBox list(&listWidget);
    for (const char* item : items)
        combo.AddString(item), list.AddString(item);
    // Start, text, what the prefix and the exact search find.
    const std::tuple<int, const char*, int, int> cases[] = {
        {2, "ap", 0, CB_ERR}, // round the end to the start
        {-1, "BAN", 1, CB_ERR},
        {1, "banana", 3, 1}, // the exact search comes back to the start itself
        {17, "apple", 0, 0}, // out of range: from the first
        {-1, "", 0, CB_ERR}};
    for (const auto& [start, text, prefix, exact] : cases)
        EXPECT_EQ(std::make_pair(combo.FindString(start, text), combo.FindStringExact(start, text)),
                  std::make_pair(prefix, exact))
            << text << " from " << start;

    EXPECT_EQ(combo.SelectString(-1, "APR"), 2);
    EXPECT_EQ(combo.SelectString(-1, "cherry"), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), 2); // kept
    EXPECT_EQ(combo.SetCurSel(9), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR); // cleared
    EXPECT_EQ(combo.InsertString(9, "x"), CB_ERR);
    EXPECT_EQ(combo.InsertString(-1, "last"), 4);
    EXPECT_EQ(combo.DeleteString(0), 4);
    EXPECT_EQ(combo.DeleteString(4), CB_ERR);

    EXPECT_EQ(list.SetCurSel(1), 1);
    EXPECT_EQ(list.SetSel(2), LB_ERR); // one selection only
    EXPECT_EQ(list.SetCurSel(-1), LB_ERR);
    EXPECT_EQ(list.GetCurSel(), LB_ERR);
    listWidget.setSelectionMode(QAbstractItemView::MultiSelection);
    EXPECT_EQ(list.SetSel(-1, TRUE), 0);
    EXPECT_EQ(list.SetSel(2, FALSE), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.GetSel(i), i == 2 ? 0 : 1);
    EXPECT_EQ(list.GetSel(7), LB_ERR);

    // A sorted list box places new items by their text.
    QListWidget sortedWidget;
    sortedWidget.setSortingEnabled(true);
    CListBox sorted(&sortedWidget);
    EXPECT_EQ(sorted.AddString("pear"), 0);
    EXPECT_EQ(sorted.AddString("apple"), 0);
}

TEST_F(Controls, MultiLineEditCountsCrLfAsTwo) {
    QPlainTextEdit widget;
    CEdit edit(&widget);
    edit.SetWindowText("ab\r\ncd\r\nef");
    // Positions 8 and 9 are e and f.
    edit.SetSel(8, 10);
    int start = -1, end = -1;
    edit.GetSel(start, end);
    EXPECT_EQ(std::make_tuple(start, end, edit.LineFromChar(-1)), std::make_tuple(8, 10, 2));
    edit.SetSel(4, 6);
    edit.ReplaceSel("X\r\nY");
    EXPECT_EQ(edit.GetWindowText(), CString("ab\r\nX\r\nY\r\nef"));
    edit.GetSel(start, end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(8, 8)); // after the inserted text

    edit.LimitText(12);
    edit.SetSel(-1, 0);
    edit.ReplaceSel("123456");
    EXPECT_LE(edit.GetWindowTextLength(), 12);
    // A single line takes a replacement up to its first line end.
    QLineEdit lineWidget;
    CEdit line(&lineWidget);
    line.SetWindowText("hello");
    line.SetSel(1, 3);
    line.ReplaceSel("EL\r\nnot taken");
    EXPECT_EQ(line.GetWindowText(), CString("hELlo"));
}

// The framework's lock is recursive: its owner may take it again (a plain mutex would hang).
TEST_F(Controls, CriticalSectionIsRecursive) {
    CCriticalSection section;
    EXPECT_TRUE(section.Lock() && section.Lock());
    EXPECT_TRUE(section.Unlock() && section.Unlock());
}

const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
200 DIALOGEX 0, 0, 260, 160
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Common controls"
FONT 8, "DejaVu Sans"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 200, 140, 50, 14
    EDITTEXT 1002, 5, 20, 60, 30, ES_MULTILINE
    COMBOBOX 1003, 70, 5, 60, 60, CBS_DROPDOWNLIST | WS_VSCROLL
    LISTBOX 1005, 135, 5, 60, 40, LBS_SORT
    CONTROL "", 1006, "RichEdit20A", ES_MULTILINE | WS_BORDER, 5, 55, 60, 30
    CONTROL "", 1007, "SysListView32", LVS_REPORT | WS_BORDER, 70, 55, 60, 40, WS_EX_CLIENTEDGE
    CONTROL "", 1008, "SysListView32", LVS_ICON, 135, 55, 60, 40
    CONTROL "", 1009, "SysTreeView32", TVS_HASBUTTONS | TVS_LINESATROOT, 200, 5, 55, 90
    EDITTEXT 1010, 5, 100, 40, 12, ES_NUMBER
    CONTROL "", 1011, "msctls_updown32", UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 45, 100, 10, 12
    CONTROL "", 1012, "SysDateTimePick32", DTS_SHORTDATEFORMAT, 70, 100, 60, 12
    CONTROL "<a href=""https://example.org"">Home</a>", 1013, "SysLink", 0, 135, 100, 60, 12
    AUTOCHECKBOX "Box", 1015, 60, 140, 50, 14
END
)";

class DialogControls : public framework_test::TemplateTest<> {
  protected:
    DialogControls() : TemplateTest("ControlsTest", kScript) {}
};

template <class T> bool is(CWnd* window) {
    return dynamic_cast<T*>(window) != nullptr;
}

TEST_F(DialogControls, TemplateControlsAreObjectsOfTheirClass) {
    CDialog dialog(200u);
    EXPECT_EQ(
        run(dialog,
            [&](Dialog& d) {
                // What callers do: cast the control to the class its template names.
                const std::pair<int, bool (*)(CWnd*)> kinds[] = {
                    {1002, is<CEdit>},         {1003, is<CComboBox>}, {1005, is<CListBox>},
                    {1006, is<CRichEditCtrl>}, {1008, is<CListCtrl>}, {1009, is<CTreeCtrl>},
                    {1015, is<CButton>}};
                for (auto [id, is] : kinds)
                    EXPECT_TRUE(is(dialog.GetDlgItem(id))) << id;
                auto* report = static_cast<CListCtrl*>(dialog.GetDlgItem(1007));
                report->InsertItem(0, "row");
                EXPECT_EQ(d.GetItems(1007), std::vector<std::string>{"row"});
                EXPECT_FALSE(d.SetCurSel(1007, 5));
                EXPECT_EQ(
                    std::make_tuple(
                        report->GetExStyle() & WS_EX_CLIENTEDGE,
                        static_cast<CListCtrl*>(dialog.GetDlgItem(1008))->GetExStyle(),
                        static_cast<CButton*>(dialog.GetDlgItem(1015))->GetButtonStyle()),
                    std::make_tuple(DWORD(WS_EX_CLIENTEDGE), DWORD(0), UINT(BS_AUTOCHECKBOX)));
                EXPECT_FALSE(d.GetText(1012).empty());
                EXPECT_NE(d.GetText(1013).find("Home"), std::string::npos);
                // The up-down sits at its buddy's right edge, inside the buddy's width.
                const auto buddy = d.GetRect(1010), arrows = d.GetRect(1011);
                EXPECT_EQ(std::make_tuple(arrows.left, arrows.top, arrows.height),
                          std::make_tuple(buddy.left + buddy.width, buddy.top, buddy.height));
                d.Click(IDOK);
            }),
        IDOK);
}

} // namespace
