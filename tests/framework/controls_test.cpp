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
#include <vector>

#include "dialog_fixture.h"
#include "support/qt_app.h"

using framework_test::Dialog;

namespace {

struct Run {
    const char* text;
    bool bold;
    bool underline;
};

// A rich edit whose text is the runs, each with its own effects.
void Fill(QTextEdit& edit, const std::vector<Run>& runs) {
    edit.clear();
    QTextCursor cursor(edit.document());
    for (const Run& run : runs) {
        QTextCharFormat format;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontUnderline(run.underline);
        cursor.insertText(QString::fromLatin1(run.text), format);
    }
}

class Controls : public ::testing::Test {
  protected:
    void SetUp() override { tessaly::testing::EnsureQtApplication(); }
};

// ---------------------------------------------------------------- rich edit

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
    Fill(widget,
         {{"ab", true, false}, {"cd", false, false}, {"ef", false, true}, {"g", true, true}});
    const DWORD atCaret[] = {B, B, B, 0, 0, U, U, BU};
    for (long caret = 0; caret < 8; ++caret)
        EXPECT_EQ(effects(caret, caret), atCaret[caret]) << "caret " << caret;
    // A selection shares only the effects of all its text; those of its first character.
    Fill(widget, {{"ab", false, false}, {"cd", true, false}, {"ef", true, true}});
    struct Case {
        long start, end;
        DWORD shared, effects;
    } cases[] = {
        {1, 3, CFM_UNDERLINE, 0}, {2, 6, CFM_BOLD, B}, {4, 6, CFM_BOLD | CFM_UNDERLINE, BU}};
    for (const Case& c : cases) {
        DWORD shared = 0;
        EXPECT_EQ(effects(c.start, c.end, &shared), c.effects) << c.start << "-" << c.end;
        EXPECT_EQ(shared, c.shared) << c.start << "-" << c.end;
    }

    // Set on a selection; without one, for what is typed next; colour and size as given.
    Fill(widget, {{"plain text", false, false}});
    CHARFORMAT bold;
    bold.dwMask = CFM_BOLD | CFM_UNDERLINE;
    bold.dwEffects = CFE_BOLD;
    edit.SetSel(0, 5);
    EXPECT_TRUE(edit.SetSelectionCharFormat(bold));
    for (long caret : {5, 6})
        EXPECT_EQ(effects(caret, caret), caret <= 5 ? B : 0) << caret;
    CHARFORMAT underline;
    underline.dwMask = CFM_UNDERLINE;
    underline.dwEffects = CFE_UNDERLINE;
    edit.SetSel(10, 10);
    edit.SetSelectionCharFormat(underline);
    edit.ReplaceSel("!");
    EXPECT_EQ(effects(11, 11), U);
    CHARFORMAT red;
    red.dwMask = CFM_COLOR | CFM_SIZE;
    red.crTextColor = RGB(200, 10, 20);
    red.yHeight = 240;
    edit.SetSel(0, 2);
    edit.SetSelectionCharFormat(red);
    CHARFORMAT read;
    EXPECT_TRUE(edit.GetSelectionCharFormat(read) & CFM_COLOR);
    EXPECT_EQ(std::make_pair(read.crTextColor, read.yHeight),
              std::make_pair(COLORREF(RGB(200, 10, 20)), LONG(240)));
}

TEST_F(Controls, RichEditCountsOnePositionPerLineEnd) {
    QTextEdit widget;
    widget.setLineWrapMode(QTextEdit::NoWrap);
    CRichEditCtrl edit(&widget);
    edit.SetWindowText("one\r\ntwo\r\nthree");
    EXPECT_EQ(edit.GetWindowText(), CString("one\r\ntwo\r\nthree"));
    EXPECT_EQ(edit.GetTextLength(), 15); // the window text, CR LF as two
    EXPECT_EQ(edit.GetLineCount(), 3);

    struct Case {
        long start, end;
        const char* selected;
    } const cases[] = {{2, 5, "e\r\nt"}, {8, 100, "three"}, {7, 4, "two"}};
    for (const Case& c : cases) {
        edit.SetSel(c.start, c.end);
        EXPECT_EQ(edit.GetSelText(), CString(c.selected)) << c.start << "-" << c.end;
    }
    long start = 0, end = 0;
    edit.SetSel(0, -1);
    edit.GetSel(start, end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(0L, 13L));
    edit.SetSel(-1, 0); // removes the selection
    edit.GetSel(start, end);
    EXPECT_EQ(start, end);

    const std::pair<long, int> lines[] = {{3, 0}, {4, 1}, {500, 2}};
    for (auto [position, line] : lines)
        EXPECT_EQ(edit.LineFromChar(position), line) << position;
    const std::pair<int, int> starts[] = {{2, 8}, {3, -1}};
    for (auto [line, index] : starts)
        EXPECT_EQ(edit.LineIndex(line), index) << line;
    edit.SetSel(5, 5);
    EXPECT_EQ(edit.LineIndex(-1), 4); // the caret's line
    EXPECT_EQ(edit.LineFromChar(-1), 1);

    // A replacement's line ends, CR LF or a lone CR, are paragraphs.
    edit.SetSel(3, 3);
    edit.ReplaceSel("\r\nx\ry");
    EXPECT_EQ(edit.GetLineCount(), 5);
    EXPECT_EQ(edit.GetWindowText(), CString("one\r\nx\r\ny\r\ntwo\r\nthree"));

    // A control whose widget is gone answers with nothing.
    CRichEditCtrl none;
    EXPECT_EQ(none.LineIndex(0), -1);
}

// ---------------------------------------------------------------- tree

TEST_F(Controls, TreeNavigation) {
    QTreeWidget widget;
    CTreeCtrl tree(&widget);
    HTREEITEM a = tree.InsertItem("A");
    HTREEITEM b = tree.InsertItem("B");
    HTREEITEM a2 = tree.InsertItem("A2", a);
    HTREEITEM a1 = tree.InsertItem("A1", a, TVI_FIRST);
    HTREEITEM a3 = tree.InsertItem("A3", a, a2); // after A2
    HTREEITEM a2a = tree.InsertItem("A2a", a2, TVI_LAST);
    ASSERT_TRUE(a && b && a1 && a2 && a3 && a2a);
    EXPECT_EQ(tree.GetCount(), 6u);

    struct Case {
        HTREEITEM from;
        UINT code;
        HTREEITEM expected;
    } const cases[] = {{nullptr, TVGN_ROOT, a},   {b, TVGN_NEXT, nullptr},  {b, TVGN_PREVIOUS, a},
                       {a, TVGN_CHILD, a1},       {a2, TVGN_NEXT, a3},      {a2a, TVGN_PARENT, a2},
                       {a, TVGN_PARENT, nullptr}, {TVI_ROOT, TVGN_CHILD, a}};
    for (const Case& c : cases)
        EXPECT_EQ(tree.GetNextItem(c.from, c.code), c.expected)
            << tree.GetItemText(c.from).GetString() << " code " << c.code;
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

// ---------------------------------------------------------------- list view

// Items in front, their data, the count hint and refusals; subitems in the report view only.
TEST_F(Controls, ListItemsTheirDataAndTheCountHint) {
    QTreeWidget report;
    report.setColumnCount(2);
    CListCtrl list(&report);
    EXPECT_TRUE(list.SetItemCountEx(1));
    EXPECT_EQ(list.GetItemCount(), 0); // a hint only
    std::string ids[2] = {"id-1", "id-2"};
    const char* names[2] = {"First", "Second"};
    for (int i = 0; i < 2; ++i) {
        LVITEM item;
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = 0; // each in front: the list shows them in reverse
        item.pszText = const_cast<char*>(names[i]);
        ASSERT_EQ(list.InsertItem(&item), 0);
        ASSERT_TRUE(list.SetItemData(0, reinterpret_cast<DWORD_PTR>(&ids[i])));
    }
    EXPECT_EQ(list.GetItemText(0, 0), CString("Second"));
    EXPECT_EQ(list.GetItemData(1), reinterpret_cast<DWORD_PTR>(&ids[0]));
    LVITEM withData;
    withData.mask = LVIF_TEXT | LVIF_PARAM;
    withData.iItem = 99; // past the end: appended
    withData.pszText = const_cast<char*>("Last");
    withData.lParam = 4242;
    EXPECT_EQ(list.InsertItem(&withData), 2);
    EXPECT_EQ(list.GetItemData(2), 4242u);
    LVITEM sub;
    sub.iSubItem = 1;
    EXPECT_EQ(list.InsertItem(&sub), -1);
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

// ---------------------------------------------------------------- combo and list boxes

TEST_F(Controls, ComboAndListBoxes) {
    const char* items[] = {"apple", "Banana", "apricot", "banana split"};
    QComboBox comboWidget;
    CComboBox combo(&comboWidget);
    QListWidget listWidget;
    CListBox list(&listWidget);
    for (const char* item : items) {
        combo.AddString(item);
        list.AddString(item);
    }
    struct Case {
        int start;
        const char* text;
        int prefix;                          // FindString
        int exact;                           // FindStringExact
    } const cases[] = {{2, "ap", 0, CB_ERR}, // round the end to the start
                       {-1, "BAN", 1, CB_ERR},
                       {1, "banana", 3, 1}, // the exact search comes back to the start itself
                       {17, "apple", 0, 0}, // out of range: from the first
                       {-1, "", 0, CB_ERR}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " from " + std::to_string(c.start));
        EXPECT_EQ(combo.FindString(c.start, c.text), c.prefix);
        EXPECT_EQ(combo.FindStringExact(c.start, c.text), c.exact);
        EXPECT_EQ(list.FindStringExact(c.start, c.text), c.exact);
    }

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
    EXPECT_EQ(list.GetSel(1), 1);
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

// ---------------------------------------------------------------- edit

TEST_F(Controls, MultiLineEditCountsCrLfAsTwo) {
    QPlainTextEdit widget;
    CEdit edit(&widget);
    edit.SetWindowText("ab\r\ncd\r\nef");
    // Positions 8 and 9 are e and f.
    edit.SetSel(8, 10);
    int start = -1, end = -1;
    edit.GetSel(start, end);
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(8, 10));
    EXPECT_EQ(edit.LineFromChar(8), 2);
    EXPECT_EQ(edit.LineFromChar(-1), 2);
    EXPECT_EQ(edit.GetLineCount(), 3);
    edit.SetSel(4, 6);
    edit.ReplaceSel("X\r\nY");
    EXPECT_EQ(edit.GetWindowText(), CString("ab\r\nX\r\nY\r\nef"));
    edit.GetSel(start, end);
    EXPECT_EQ(start, 8); // after the inserted text, in Windows positions
    EXPECT_EQ(end, 8);

    edit.LimitText(12);
    edit.SetSel(-1, 0);
    edit.ReplaceSel("123456");
    EXPECT_LE(edit.GetWindowTextLength(), 12);

    QLineEdit lineWidget;
    CEdit line(&lineWidget);
    line.SetWindowText("hello");
    line.SetSel(1, 3);
    line.ReplaceSel("EL");
    EXPECT_EQ(line.GetWindowText(), CString("hELlo"));
}

// The framework's lock is recursive: its owner may take it again (a plain mutex would hang).
TEST_F(Controls, CriticalSectionIsRecursive) {
    CCriticalSection section;
    EXPECT_TRUE(section.Lock());
    EXPECT_TRUE(section.Lock());
    EXPECT_TRUE(section.Unlock());
    EXPECT_TRUE(section.Unlock());
}

// ---------------------------------------------------------------- dialogs

const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
200 DIALOGEX 0, 0, 260, 160
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Common controls"
FONT 8, "DejaVu Sans"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 200, 140, 50, 14
    EDITTEXT 1001, 5, 5, 60, 12, ES_AUTOHSCROLL
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

class ProbeDialog : public CDialog {
  public:
    ProbeDialog() : CDialog(200u) {}
    std::vector<std::string> problems;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        // What callers do: cast the control to the class its template class stands for.
        const std::pair<int, bool (*)(CWnd*)> kinds[] = {
            {1002, is<CEdit>},         {1003, is<CComboBox>}, {1005, is<CListBox>},
            {1006, is<CRichEditCtrl>}, {1008, is<CListCtrl>}, {1009, is<CTreeCtrl>},
            {1015, is<CButton>}};
        for (auto [id, is] : kinds)
            if (!is(GetDlgItem(id))) problems.push_back(std::to_string(id) + " of another class");
        auto* report = static_cast<CListCtrl*>(GetDlgItem(1007));
        report->InsertItem(0, "row");
        if (report->GetItemText(0, 0) != CString("row")) problems.push_back("report row");
        if (!(report->GetExStyle() & WS_EX_CLIENTEDGE)) problems.push_back("report edge");
        if (static_cast<CListCtrl*>(GetDlgItem(1008))->GetExStyle() & WS_EX_CLIENTEDGE)
            problems.push_back("icon view edge");
        if (static_cast<CButton*>(GetDlgItem(1015))->GetButtonStyle() != BS_AUTOCHECKBOX)
            problems.push_back("check box style");
        return TRUE;
    }
};

TEST_F(DialogControls, TemplateControlsAreObjectsOfTheirClass) {
    ProbeDialog dialog;
    EXPECT_EQ(run(dialog,
                  [&](Dialog& d) {
                      EXPECT_EQ(d.GetItems(1007), std::vector<std::string>{"row"});
                      EXPECT_FALSE(d.SetCurSel(1007, 5));
                      EXPECT_FALSE(d.GetText(1012).empty());
                      EXPECT_NE(d.GetText(1013).find("Home"), std::string::npos);
                      // The up-down sits at its buddy's right edge, inside the buddy's width.
                      const auto buddy = d.GetRect(1010), arrows = d.GetRect(1011);
                      EXPECT_EQ(arrows.left, buddy.left + buddy.width);
                      EXPECT_EQ(arrows.top, buddy.top);
                      EXPECT_EQ(arrows.height, buddy.height);
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_TRUE(dialog.problems.empty()) << ::testing::PrintToString(dialog.problems);
}

} // namespace
