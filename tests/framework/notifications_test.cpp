// Control notifications and the up-down control, driven through the automation interface.
#include <tessaly/automation.h>
#include <tessaly/controls.h>
#include <tessaly/messages.h>
#include <tessaly/notify.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "dialog_fixture.h"

namespace {

using framework_test::Dialog;

constexpr int VK_UP = 0x26, VK_DOWN = 0x28;

const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
300 DIALOGEX 0, 0, 300, 200
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Notifications"
FONT 8, "DejaVu Sans"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 240, 180, 50, 14
    PUSHBUTTON "Apply", 1020, 180, 180, 50, 14
    EDITTEXT 1001, 5, 5, 60, 12, ES_AUTOHSCROLL
    CONTROL "", 1002, "msctls_updown32", UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 65, 5, 10, 12
    EDITTEXT 1003, 5, 20, 60, 12, ES_AUTOHSCROLL
    CONTROL "", 1004, "msctls_updown32", UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_WRAP, 65, 20, 10, 12
    CONTROL "", 1005, "msctls_updown32", UDS_HORZ, 80, 5, 20, 12
    CONTROL "", 1006, "SysListView32", LVS_REPORT | LVS_SINGLESEL | WS_BORDER, 5, 40, 100, 60
    CONTROL "", 1007, "SysTreeView32", TVS_HASBUTTONS | TVS_LINESATROOT | WS_BORDER, 110, 40, 80, 60
    CONTROL "", 1008, "ListBox", LBS_NOTIFY | WS_BORDER | WS_VSCROLL, 200, 40, 60, 50
    CONTROL "", 1009, "ListBox", WS_BORDER | WS_VSCROLL, 200, 95, 60, 40
    COMBOBOX 1010, 5, 110, 60, 60, CBS_DROPDOWNLIST | WS_VSCROLL
    COMBOBOX 1011, 70, 110, 60, 60, CBS_DROPDOWN | WS_VSCROLL
    AUTOCHECKBOX "Box", 1012, 5, 130, 50, 12
END
)";

// A notification as the dialog saw it; fromControl: it names the control's own window.
struct Note {
    UINT_PTR id = 0;
    UINT code = 0;
    bool fromControl = false;
    int item = 0;
    UINT oldState = 0, newState = 0, changed = 0;
    LPARAM data = 0;
    HTREEITEM oldItem = nullptr, newItem = nullptr;
    UINT action = 0;
    int pos = 0, delta = 0;
};

class NotifyDialog : public CDialog {
  public:
    NotifyDialog() : CDialog(300u) {}

    std::vector<Note> notes;    // WM_NOTIFY
    std::vector<Note> commands; // WM_COMMAND (id, code)
    std::vector<UINT> clicks;   // OnCommand(id)
    // The answer to a notification (nonzero refuses a change that asks).
    std::function<LRESULT(const NMHDR&)> answer;
    HTREEITEM root = nullptr, one = nullptr, two = nullptr;

    CSpinButtonCtrl* Spin(int id) { return dynamic_cast<CSpinButtonCtrl*>(GetDlgItem(id)); }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto* list = static_cast<CListCtrl*>(GetDlgItem(1006));
        auto* tree = static_cast<CTreeCtrl*>(GetDlgItem(1007));
        root = tree->InsertItem("root");
        one = tree->InsertItem("one");
        two = tree->InsertItem("two");
        tree->SetItemData(one, 11);
        const char* const colours[] = {"red", "green", "blue"};
        for (int i = 0; i < 3; ++i) {
            list->InsertItem(i, colours[i]);
            list->SetItemData(i, 100 + i);
            for (int id : {1008, 1009})
                static_cast<CListBox*>(GetDlgItem(id))->AddString(colours[i]);
            for (int id : {1010, 1011})
                static_cast<CComboBox*>(GetDlgItem(id))->AddString(colours[i]);
        }
        return TRUE;
    }

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        CWnd* control = GetDlgItem(static_cast<int>(header->idFrom));
        Note note{header->idFrom, header->code,
                  wParam == header->idFrom && control &&
                      control->GetSafeHwnd() == header->hwndFrom};
        if (header->code == LVN_ITEMCHANGED) {
            const auto* info = reinterpret_cast<const NMLISTVIEW*>(lParam);
            std::tie(note.item, note.data, note.oldState, note.newState, note.changed) = std::tie(
                info->iItem, info->lParam, info->uOldState, info->uNewState, info->uChanged);
        } else if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
            const auto* info = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
            note.item = info->iItem, note.data = info->lParam;
        } else if (header->code == TVN_SELCHANGING || header->code == TVN_SELCHANGED) {
            const auto* info = reinterpret_cast<const NMTREEVIEW*>(lParam);
            std::tie(note.oldItem, note.newItem, note.action, note.data) = std::tie(
                info->itemOld.hItem, info->itemNew.hItem, info->action, info->itemNew.lParam);
        } else if (header->code == UDN_DELTAPOS) {
            const auto* info = reinterpret_cast<const NMUPDOWN*>(lParam);
            note.pos = info->iPos, note.delta = info->iDelta;
        }
        notes.push_back(note);
        *result = answer ? answer(*header) : 0;
        return TRUE;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        CWnd* control = GetDlgItem(LOWORD(wParam));
        commands.push_back({LOWORD(wParam), HIWORD(wParam),
                            control && reinterpret_cast<LPARAM>(control->GetSafeHwnd()) == lParam});
        return CDialog::OnCommand(wParam, lParam);
    }

    BOOL OnCommand(UINT id) override {
        clicks.push_back(id);
        return CDialog::OnCommand(id);
    }
};

class Notifications : public framework_test::TemplateTest<> {
  protected:
    Notifications() : TemplateTest("NotifyTest", kScript) {}
    void Run(const std::function<void(Dialog&, NotifyDialog&)>& script) {
        NotifyDialog dialog;
        EXPECT_EQ(run(dialog,
                      [&](Dialog& d) {
                          script(d, dialog);
                          d.Click(IDOK);
                      }),
                  IDOK);
    }
};

// The arrows of an up-down: the upper (or, across, the right) half steps up.
void ClickArrow(Dialog& d, int id, bool up) {
    const auto r = d.GetRect(id);
    const bool across = r.width > r.height;
    const int x = across ? (up ? r.width - 3 : 2) : r.width / 2;
    const int y = across ? r.height / 2 : (up ? 2 : r.height - 2);
    d.MouseDown(id, x, y);
    d.MouseUp(id, x, y);
}

void ClickItem(Dialog& d, int id, int index) {
    const auto r = d.GetItemRect(id, index);
    ASSERT_GT(r.width, 0) << "item " << index << " of " << id;
    d.MouseDown(id, r.left + r.width / 2, r.top + r.height / 2);
    d.MouseUp(id, r.left + r.width / 2, r.top + r.height / 2);
}

// Range 100 to 0 by default; a step asks first (UDN_DELTAPOS, also at the end) and may be refused.
TEST_F(Notifications, UpDownStepsWithinItsRangeIntoTheBuddy) {
    // Up-down, range, start, click (up 1), step asked, refused; the buddy's text and the position.
    const std::tuple<int, int, int, int, int, int, bool, const char*, int> cases[] = {
        {1002, 0, 10, 5, -1, -1, false, "4", 4},
        {1002, 10, 0, 5, 1, -1, false, "4", 4},
        {1002, 0, 10, 5, 1, 1, true, "5", 5},
        {1002, 0, 10, 10, 1, 1, false, "10", 10},
        {1004, 0, 10, 10, 1, 1, false, "0", 0},
        {1002, -5000, 0, -1000, -1, -1, false, "-1,001", -1001},
        {1004, 0, 100000, 99999, 1, 1, false, "100000", 100000},
        {1002, 0, 10, 50, 0, 0, false, "10", 10}};
    Run([&](Dialog& d, NotifyDialog& dialog) {
        CSpinButtonCtrl* across = dialog.Spin(1005);
        ASSERT_NE(across, nullptr) << "the template's up-down is a CSpinButtonCtrl";
        EXPECT_EQ(across->GetBuddy(), nullptr);
        BOOL error = FALSE;
        EXPECT_EQ(across->GetPos32(&error), 0);
        EXPECT_TRUE(error);
        for (bool up : {true, false, false})
            ClickArrow(d, 1005, up);
        EXPECT_EQ(across->GetPos32(), 2);
        EXPECT_EQ(dialog.Spin(1004)->GetBuddy(), dialog.GetDlgItem(1003));

        for (const auto& [id, lower, upper, start, click, delta, refuse, text, pos] : cases) {
            CSpinButtonCtrl* spin = dialog.Spin(id);
            spin->SetRange32(lower, upper);
            spin->SetPos32(start);
            dialog.answer = [no = refuse](const NMHDR& h) -> LRESULT {
                return h.code == UDN_DELTAPOS && no;
            };
            dialog.notes.clear();
            if (click) ClickArrow(d, id, click > 0);
            EXPECT_EQ(d.GetText(id - 1), text) << id << " from " << start; // the buddy
            EXPECT_EQ(std::make_pair(spin->GetPos32(&error), error), std::make_pair(pos, FALSE));
            using Asked = std::vector<std::tuple<UINT, UINT_PTR, bool, int, int>>;
            Asked asked;
            for (const Note& n : dialog.notes)
                asked.emplace_back(n.code, n.id, n.fromControl, n.pos, n.delta);
            EXPECT_EQ(asked, (click ? Asked{{UDN_DELTAPOS, id, true, start, delta}} : Asked{}))
                << id << " from " << start;
        }

        CSpinButtonCtrl* spin = dialog.Spin(1002);
        // UDS_ARROWKEYS: the keys in the buddy step too (and ask).
        dialog.answer = nullptr;
        spin->SetRange32(0, 10);
        spin->SetPos32(3);
        dialog.notes.clear();
        d.PressKey(1001, VK_UP);
        EXPECT_EQ(std::make_pair(d.GetText(1001), dialog.notes.size()),
                  std::make_pair(std::string("4"), size_t(1)));
        // The 16-bit range: maximum in the low word, minimum in the high word.
        spin->SendMessage(UDM_SETRANGE, 0, MAKELPARAM(300, -3));
        int lower = 0, upper = 0;
        spin->GetRange(lower, upper);
        EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(-3, 300));
        // A text that is no position in the range sets the high word and keeps the last one.
        for (const auto& [typed, valid] :
             {std::pair{"  120 ", true}, {"abc", false}, {"301", false}}) {
            d.SetText(1001, typed);
            const int pos = spin->GetPos();
            EXPECT_EQ(std::make_pair(HIWORD(pos) == 0, static_cast<short>(LOWORD(pos))),
                      std::make_pair(valid, short(120)))
                << typed;
        }
        spin->SetRange32(0, 5000);
        d.SetText(1001, "1,234");
        EXPECT_EQ(spin->GetPos32(), 1234);
    });
}

TEST_F(Notifications, ListViewAnnouncesStateChangesAndClicks) {
    using Seen = std::vector<std::tuple<UINT, int, UINT, UINT>>; // code, item, old and new state
    Run([&](Dialog& d, NotifyDialog& dialog) {
        constexpr UINT SF = LVIS_SELECTED | LVIS_FOCUSED, CHANGED = LVN_ITEMCHANGED;
        const auto item = d.GetItemRect(1006, 0), box = d.GetRect(1006);
        const std::pair<std::function<void()>, Seen> steps[] = {
            {[&] { d.SetCurSel(1006, 1); }, {{CHANGED, 1, 0, SF}}},
            {[&] { ClickItem(d, 1006, 0); },
             {{CHANGED, 1, SF, 0}, {CHANGED, 0, 0, SF}, {NM_CLICK, 0, 0, 0}}},
            {[&] { d.DoubleClick(1006, item.left + 5, item.top + item.height / 2); },
             {{NM_CLICK, 0, 0, 0}, {NM_DBLCLK, 0, 0, 0}}},
            {[&] {
                 d.MouseDown(1006, 5, box.height - 4); // below the items
                 d.MouseUp(1006, 5, box.height - 4);
             },
             {{NM_CLICK, -1, 0, 0}}}};
        for (const auto& [act, expected] : steps) {
            // Clicking empty space may also clear the selection: only the clicks count there.
            const bool clicksOnly = std::get<1>(expected.front()) < 0;
            dialog.notes.clear();
            act();
            Seen seen;
            for (const Note& n : dialog.notes) {
                if (n.id != 1006 || (clicksOnly && n.code == CHANGED)) continue;
                seen.emplace_back(n.code, n.item, n.oldState, n.newState);
                EXPECT_EQ(std::make_tuple(n.fromControl, n.data, n.changed),
                          std::make_tuple(true, LPARAM(n.item < 0 ? 0 : 100 + n.item),
                                          n.code == CHANGED ? UINT(LVIF_STATE) : 0u));
            }
            EXPECT_EQ(seen, expected);
        }
    });
}

// A refused change keeps the selection where it was.
TEST_F(Notifications, TreeAsksBeforeTheSelectionMovesAndTellsAfter) {
    Run([](Dialog& d, NotifyDialog& dialog) {
        auto* tree = static_cast<CTreeCtrl*>(dialog.GetDlgItem(1007));
        // The step, whether the dialog refuses it, the items it moves from and to, its cause.
        const std::tuple<std::function<void()>, bool, HTREEITEM, HTREEITEM, UINT> steps[] = {
            {[&] { tree->SelectItem(dialog.root); }, false, nullptr, dialog.root, TVC_UNKNOWN},
            {[&] { ClickItem(d, 1007, 1); }, false, dialog.root, dialog.one, TVC_BYMOUSE},
            {[&] { ClickItem(d, 1007, 2); }, true, dialog.one, dialog.two, TVC_BYMOUSE},
            {[&] { d.PressKey(1007, VK_DOWN); }, false, dialog.one, dialog.two, TVC_BYKEYBOARD},
            {[&] { EXPECT_FALSE(tree->SelectItem(dialog.one)); }, true, dialog.two, dialog.one,
             TVC_UNKNOWN}};
        tree->SelectItem(nullptr);
        for (const auto& [act, refuse, from, to, action] : steps) {
            dialog.notes.clear();
            dialog.answer = [no = refuse](const NMHDR& h) -> LRESULT {
                return h.code == TVN_SELCHANGING && no;
            };
            act();
            std::vector<UINT> codes;
            for (const Note& n : dialog.notes) {
                codes.push_back(n.code);
                // The item's data travels with the notification.
                EXPECT_EQ(
                    std::make_tuple(n.fromControl, n.oldItem, n.newItem, n.action, n.data),
                    std::make_tuple(true, from, to, action, LPARAM(to == dialog.one ? 11 : 0)));
            }
            EXPECT_EQ(codes, (refuse ? std::vector<UINT>{TVN_SELCHANGING}
                                     : std::vector<UINT>{TVN_SELCHANGING, TVN_SELCHANGED}));
            EXPECT_EQ(tree->GetSelectedItem(), refuse ? from : to);
        }
    });
}

TEST_F(Notifications, FocusAndCommandCodesComeOnlyFromTheirCauses) {
    using Codes = std::vector<std::pair<int, UINT>>; // (id, code) in order
    Run([&](Dialog& d, NotifyDialog& dialog) {
        auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(1010));
        const auto listItem = d.GetItemRect(1008, 1);
        // Focus codes from edits, combo boxes and LBS_NOTIFY list boxes only; a click focuses
        // first.
        ASSERT_TRUE(d.SetFocus(1020));
        const std::pair<std::function<void()>, Codes> steps[] = {
            {[&] { d.SetFocus(1001); }, {{1001, EN_SETFOCUS}}},
            {[&] { d.SetFocus(1009); }, {{1001, EN_KILLFOCUS}}},
            {[&] { d.SetFocus(1010); }, {{1010, CBN_SETFOCUS}}},
            {[&] { ClickItem(d, 1008, 2); },
             {{1010, CBN_KILLFOCUS}, {1008, LBN_SETFOCUS}, {1008, LBN_SELCHANGE}}},
            {[&] { d.SetFocus(1020); }, {{1008, LBN_KILLFOCUS}}},
            // Commands come only from their causes.
            {[&] { dialog.GetDlgItem(1003)->SetWindowText("abc"); }, {{1003, EN_CHANGE}}},
            {[&] { d.TypeText(1003, "45"); },
             {{1003, EN_SETFOCUS}, {1003, EN_CHANGE}, {1003, EN_CHANGE}}},
            {[&] { combo->SetCurSel(1); }, {}}, // the program's choices are not announced
            {[&] { d.SetCurSel(1010, 2); }, {{1010, CBN_SELCHANGE}}},
            {[&] { d.TypeText(1011, "ab"); },
             {{1003, EN_KILLFOCUS},
              {1011, CBN_SETFOCUS},
              {1011, CBN_EDITCHANGE},
              {1011, CBN_EDITCHANGE}}},
            {[&] { dialog.GetDlgItem(1011)->SetWindowText("blue"); }, {}},
            // Leaving a field that names an item does not choose the item.
            {[&] { d.SetFocus(1020); }, {{1011, CBN_KILLFOCUS}}},
            {[&] { d.PressKey(1008, VK_UP); }, {{1008, LBN_SETFOCUS}, {1008, LBN_SELCHANGE}}},
            {[&] { d.DoubleClick(1008, listItem.left + 5, listItem.top + listItem.height / 2); },
             {{1008, LBN_DBLCLK}}},
            {[&] { d.SetCurSel(1009, 1); }, {}}, // no LBS_NOTIFY
            {[&] { d.Click(1012); }, {{1012, BN_CLICKED}}}};
        for (size_t i = 0; i < std::size(steps); ++i) {
            dialog.commands.clear();
            steps[i].first();
            Codes got;
            for (const Note& n : dialog.commands) {
                got.emplace_back(static_cast<int>(n.id), n.code);
                EXPECT_TRUE(n.fromControl) << "step " << i;
            }
            EXPECT_EQ(got, steps[i].second) << "step " << i;
        }
        // An editable combo's field is a plain edit: no completion, no choice on leaving it.
        d.SetText(1011, "");
        ASSERT_TRUE(d.TypeText(1011, "gr"));
        ASSERT_TRUE(d.SetFocus(1001));
        EXPECT_EQ(d.GetText(1011), "gr");
        EXPECT_EQ(d.GetCurSel(1011), -1);
        EXPECT_EQ(d.GetItems(1011).size(), 3u);
        // Clicks still reach OnCommand(id); other codes do not, even from control 1.
        dialog.clicks.clear();
        d.Click(1020);
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, EN_CHANGE), 0);
        EXPECT_EQ(dialog.clicks, (std::vector<UINT>{1020}));
        EXPECT_TRUE(d.IsOpen());
    });
}

} // namespace
