// Dialog data exchange, driven through the automation API: members into controls and back
// for every DDX_ kind, binding member objects to controls, and the validation prompts.
#include <tessaly/automation.h>
#include <tessaly/controls.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "dialog_fixture.h"

using framework_test::Dialog;

namespace {

constexpr int kText = 1001, kNumber = 1002, kCheck = 1010, kThree = 1011;
// A, B, C: one group; X, Y: a group ended by the static before Z.
constexpr int kRadioA = 1020, kRadioB = 1021, kRadioC = 1022, kRadioX = 1023, kRadioY = 1024,
              kRadioZ = 1026;
constexpr int kDropList = 1030, kDropDown = 1031, kList = 1040;

const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
200 DIALOGEX 0, 0, 240, 160
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Exchange"
FONT 8, "DejaVu Sans"
BEGIN
    DEFPUSHBUTTON "OK", IDOK, 130, 140, 40, 14
    PUSHBUTTON "Cancel", IDCANCEL, 180, 140, 40, 14
    EDITTEXT 1001, 5, 5, 80, 12, ES_AUTOHSCROLL
    EDITTEXT 1002, 5, 20, 80, 12, ES_AUTOHSCROLL
    AUTOCHECKBOX "Check", 1010, 100, 5, 60, 10
    AUTO3STATE "Three", 1011, 100, 17, 60, 10
    AUTORADIOBUTTON "A", 1020, 100, 30, 30, 10, WS_GROUP
    AUTORADIOBUTTON "B", 1021, 100, 40, 30, 10
    AUTORADIOBUTTON "C", 1022, 100, 50, 30, 10
    AUTORADIOBUTTON "X", 1023, 140, 30, 30, 10, WS_GROUP
    AUTORADIOBUTTON "Y", 1024, 140, 40, 30, 10
    LTEXT "Label", 1025, 140, 50, 30, 8, NOT WS_GROUP
    AUTORADIOBUTTON "Z", 1026, 140, 60, 30, 10
    COMBOBOX 1030, 5, 80, 80, 60, CBS_DROPDOWNLIST | WS_VSCROLL
    COMBOBOX 1031, 5, 95, 80, 60, CBS_DROPDOWN | WS_VSCROLL
    LISTBOX 1040, 100, 80, 60, 40, WS_VSCROLL
END
)";

// A dialog whose exchange the test gives; the lists are filled before the exchange.
class ExchangeDialog : public CDialog {
  public:
    ExchangeDialog() : CDialog(200u) {}
    std::function<void(CDataExchange*)> exchange;
    bool okCalled = false;

    void DoDataExchange(CDataExchange* pDX) override {
        if (exchange) exchange(pDX);
    }

  protected:
    BOOL OnInitDialog() override {
        for (int id : {kDropList, kDropDown}) {
            auto* combo = static_cast<CComboBox*>(GetDlgItem(id));
            for (const char* fruit : {"Apple", "Banana", "Cherry"})
                combo->AddString(fruit);
            combo->SetCurSel(-1); // nothing chosen until the exchange chooses
        }
        auto* list = static_cast<CListBox*>(GetDlgItem(kList));
        for (const char* colour : {"Blue", "Green", "Red"})
            list->AddString(colour);
        return CDialog::OnInitDialog();
    }
    void OnOK() override {
        okCalled = true;
        CDialog::OnOK();
    }
};

// An edit that hands its text to nobody: a virtual of the bound member taking effect.
class SilentEdit : public CEdit {
  protected:
    BOOL AllowTextRead() const override { return FALSE; }
};

// One text exchange: the member's value as the control shows it, then a typed text and
// what the member holds after reading it back.
template <class T> struct TextCase {
    T loaded;
    std::string shown;
    std::string typed;
    T read;
};

// The members an exchange may bind; a refused read leaves them all as they were.
struct Members {
    CString first{"first"}, s{"old"};
    int i = 7;
    UINT u = 7;
    long l = 7;
    double r = 7.0;
};
using Rules = void (*)(CDataExchange*, Members&);

class DataExchange : public framework_test::TemplateTest<> {
  protected:
    DataExchange() : TemplateTest("ExchangeTest", kScript) {}
    void SetUp() override {
        TemplateTest::SetUp();
        tessaly::automation::SetMessageBoxHandler(
            [this](const tessaly::automation::MessageBoxInfo& info) {
                messages.push_back(info.text);
                return IDOK;
            });
    }
    template <class T> void expectTextRoundTrips(const std::vector<TextCase<T>>& cases) {
        for (const TextCase<T>& c : cases) {
            SCOPED_TRACE("shown " + c.shown + ", typed '" + c.typed + "'");
            ExchangeDialog dialog;
            T member = c.loaded;
            dialog.exchange = [&member](CDataExchange* pDX) { DDX_Text(pDX, kNumber, member); };
            run(dialog, [&](Dialog& d) {
                EXPECT_EQ(d.GetText(kNumber), c.shown);
                d.SetText(kNumber, c.typed);
                EXPECT_TRUE(dialog.UpdateData(TRUE));
            });
            EXPECT_EQ(member, c.read);
        }
    }
    // The text typed into the number field is refused by the rules: the prompt (for the
    // update and again for OK), the focus on the field, FALSE, OK not ending the dialog and
    // no member changed, also one read before the failing field.
    void expectRefused(Rules rules, const std::string& typed, const std::string& prompt) {
        SCOPED_TRACE("'" + typed + "'");
        messages.clear();
        Members m;
        ExchangeDialog dialog;
        dialog.exchange = [&](CDataExchange* pDX) {
            DDX_Text(pDX, kText, m.first);
            rules(pDX, m);
        };
        const int result = run(dialog, [&](Dialog& d) {
            d.SetText(kText, "changed");
            d.SetText(kNumber, typed);
            d.SetFocus(kText);
            EXPECT_FALSE(dialog.UpdateData(TRUE));
            EXPECT_EQ(d.GetFocus(), kNumber);
            d.Click(IDOK);
            EXPECT_TRUE(d.IsOpen());
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(dialog.okCalled);
        EXPECT_EQ(messages, std::vector<std::string>(2, prompt));
        const Members before;
        EXPECT_TRUE(m.first == before.first && m.s == before.s && m.i == before.i &&
                    m.u == before.u && m.l == before.l && m.r == before.r);
    }
    std::vector<std::string> messages;
};

} // namespace

TEST_F(DataExchange, TextOfStringsAndWholeNumbersBothWays) {
    expectTextRoundTrips<CString>({{CString("Hello"), "Hello", "  spaced  ", CString("  spaced  ")},
                                   {CString(""), "", "x", CString("x")}});
    expectTextRoundTrips<int>({{0, "0", " 17 ", 17},
                               {-42, "-42", "\t-5\t", -5},
                               {INT_MAX, "2147483647", "-2147483648", INT_MIN},
                               {INT_MIN, "-2147483648", "+8", 8}});
    expectTextRoundTrips<UINT>(
        {{4000000000u, "4000000000", "4294967295", 4294967295u}, {0u, "0", " 12 ", 12u}});
    expectTextRoundTrips<long>({{9000000000L, "9000000000", "9223372036854775807", LONG_MAX},
                                {-1L, "-1", "-9223372036854775808", LONG_MIN}});
}

TEST_F(DataExchange, TextOfRealNumbersBothWays) {
    expectTextRoundTrips<double>({{2.5, "2.5", " 2.5 ", 2.5},
                                  {0.1, "0.1", "-1e3", -1000.0},
                                  {-1000.0, "-1000", ".5", 0.5},
                                  {1.0 / 3.0, "0.333333333333333", "5.", 5.0},
                                  {1e20, "1e+20", "+1.25E-2", 0.0125},
                                  {0.0, "0", "0", 0.0}});
}

TEST_F(DataExchange, TextThatIsNoNumberIsRefused) {
    const std::string integer = "Please enter an integer.", number = "Please enter a number.";
    for (const char* typed :
         {"", "abc", "12abc", "1 2", "1.5", "0x10", "- 5", "2147483648", "-2147483649"})
        expectRefused([](CDataExchange* pDX, Members& m) { DDX_Text(pDX, kNumber, m.i); }, typed,
                      integer);
    for (const char* typed : {"-1", "4294967296"})
        expectRefused([](CDataExchange* pDX, Members& m) { DDX_Text(pDX, kNumber, m.u); }, typed,
                      integer);
    expectRefused([](CDataExchange* pDX, Members& m) { DDX_Text(pDX, kNumber, m.l); },
                  "9223372036854775808", integer);
    for (const char* typed : {"", "1,5", "abc", "1e", "1e999", "inf", "nan", "--1", "0x1p3"})
        expectRefused([](CDataExchange* pDX, Members& m) { DDX_Text(pDX, kNumber, m.r); }, typed,
                      number);
}

// Each rule's prompt with its limits.
TEST_F(DataExchange, ValidationPromptsKeepTheDialogOpen) {
    expectRefused(
        [](CDataExchange* pDX, Members& m) {
            DDX_Text(pDX, kNumber, m.s);
            if (pDX->m_bSaveAndValidate) DDV_MaxChars(pDX, m.s, 5); // written, it limits
        },
        "abcdef", "Please enter no more than 5 characters.");
    for (const char* typed : {"11", "-4"})
        expectRefused(
            [](CDataExchange* pDX, Members& m) {
                DDX_Text(pDX, kNumber, m.i);
                DDV_MinMaxInt(pDX, m.i, -3, 10);
            },
            typed, "Please enter an integer between -3 and 10.");
    expectRefused(
        [](CDataExchange* pDX, Members& m) {
            DDX_Text(pDX, kNumber, m.u);
            DDV_MinMaxUInt(pDX, m.u, 1, 4000000000u);
        },
        "0", "Please enter an integer between 1 and 4000000000.");
    expectRefused(
        [](CDataExchange* pDX, Members& m) {
            DDX_Text(pDX, kNumber, m.r);
            DDV_MinMaxDouble(pDX, m.r, 0.5, 2.25);
        },
        "2.5", "Please enter a number between 0.5 and 2.25.");
}

TEST_F(DataExchange, CheckBoxesBothWays) {
    struct Case {
        int loaded;
        int shown; // the box's state after loading
        int set;   // the state the script gives the box
    } const cases[] = {{BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED},
                       {BST_CHECKED, BST_CHECKED, BST_UNCHECKED},
                       {BST_INDETERMINATE, BST_INDETERMINATE, BST_CHECKED},
                       {7, BST_UNCHECKED, BST_INDETERMINATE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loaded);
        int member = c.loaded;
        ExchangeDialog dialog;
        dialog.exchange = [&member](CDataExchange* pDX) { DDX_Check(pDX, kThree, member); };
        EXPECT_EQ(run(dialog,
                      [&](Dialog& d) {
                          EXPECT_EQ(d.GetCheck(kThree), c.shown);
                          d.SetCheck(kThree, c.set);
                          d.Click(IDOK);
                      }),
                  IDOK);
        EXPECT_EQ(member, c.set);
    }
}

// A group runs from its first button to the next WS_GROUP control or the next control that
// is no radio button: Z, after the static, is not in X's group.
TEST_F(DataExchange, RadioGroupsBothWays) {
    struct Case {
        int first;
        int loaded;
        std::vector<int> checkedAfterLoad;
        int clicked; // 0: none checked by the script
        int read;
    };
    const std::vector<Case> cases = {{kRadioA, 1, {kRadioB}, kRadioC, 2},
                                     {kRadioA, 0, {kRadioA}, kRadioB, 1},
                                     {kRadioA, -1, {}, 0, -1},
                                     {kRadioA, 5, {}, kRadioA, 0},
                                     {kRadioX, 1, {kRadioY}, kRadioX, 0},
                                     {kRadioX, 0, {kRadioX}, kRadioZ, -1},
                                     {kRadioX, 2, {}, kRadioY, 1}};
    const int all[] = {kRadioA, kRadioB, kRadioC, kRadioX, kRadioY, kRadioZ};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + " loaded " + std::to_string(c.loaded));
        int member = c.loaded;
        ExchangeDialog dialog;
        dialog.exchange = [&](CDataExchange* pDX) { DDX_Radio(pDX, c.first, member); };
        run(dialog, [&](Dialog& d) {
            std::vector<int> checked;
            for (int id : all)
                if (d.GetCheck(id) == BST_CHECKED) checked.push_back(id);
            EXPECT_EQ(checked, c.checkedAfterLoad);
            if (c.clicked) d.Click(c.clicked);
            d.Click(IDOK);
        });
        EXPECT_EQ(member, c.read);
    }
}

TEST_F(DataExchange, ComboAndListIndexesBothWays) {
    struct Case {
        int loaded;
        int shown;    // the selection after loading
        int selected; // what the script selects
    } const cases[] = {{1, 1, 2}, {0, 0, -1}, {-1, -1, 0}, {9, -1, 1}};
    for (int id : {kDropList, kDropDown, kList}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(id) + " loaded " + std::to_string(c.loaded));
            int member = c.loaded;
            ExchangeDialog dialog;
            dialog.exchange = [&](CDataExchange* pDX) {
                if (id == kList)
                    DDX_LBIndex(pDX, id, member);
                else
                    DDX_CBIndex(pDX, id, member);
            };
            run(dialog, [&](Dialog& d) {
                EXPECT_EQ(d.GetCurSel(id), c.shown);
                d.SetCurSel(id, c.selected);
                d.Click(IDOK);
            });
            EXPECT_EQ(member, c.selected);
        }
    }
}

// Strings of combo and list boxes: written, the first item that begins with the text (or
// equals it, for the exact form), ignoring case, else the edit's text; read, the edit's text
// or the selected item's.
TEST_F(DataExchange, ComboAndListStringsBothWays) {
    enum Kind { CBString, CBStringExact, LBString };
    struct Case {
        Kind kind;
        int id;
        const char* loaded;
        int selectedAfterLoad;
        std::string textAfterLoad;
        std::function<void(Dialog&)> user;
        const char* read;
    };
    const std::vector<Case> cases = {
        {CBString, kDropList, "ban", 1, "Banana", nullptr, "Banana"},
        {CBString, kDropDown, "CH", 2, "Cherry", nullptr, "Cherry"},
        {CBString, kDropDown, "Zed", -1, "Zed", nullptr, "Zed"},
        {CBString, kDropList, "Zed", -1, "", nullptr, ""},
        {CBString, kDropList, "", -1, "", [](Dialog& d) { d.SetCurSel(kDropList, 0); }, "Apple"},
        {CBString, kDropDown, "Apple", 0, "Apple", [](Dialog& d) { d.SetText(kDropDown, "Typed"); },
         "Typed"},
        {CBStringExact, kDropDown, "ban", -1, "ban", nullptr, "ban"},
        {CBStringExact, kDropDown, "banana", 1, "Banana", nullptr, "Banana"},
        {CBStringExact, kDropList, "ban", -1, "", nullptr, ""},
        {LBString, kList, "gr", 1, "", nullptr, "Green"},
        {LBString, kList, "RED", 2, "", nullptr, "Red"},
        {LBString, kList, "Purple", -1, "", [](Dialog& d) { d.SetCurSel(kList, 0); }, "Blue"},
        {LBString, kList, "", -1, "", nullptr, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + std::to_string(c.id) + " '" + c.loaded + "'");
        CString member(c.loaded);
        ExchangeDialog dialog;
        dialog.exchange = [&](CDataExchange* pDX) {
            if (c.kind == CBString) DDX_CBString(pDX, c.id, member);
            if (c.kind == CBStringExact) DDX_CBStringExact(pDX, c.id, member);
            if (c.kind == LBString) DDX_LBString(pDX, c.id, member);
        };
        run(dialog, [&](Dialog& d) {
            EXPECT_EQ(d.GetCurSel(c.id), c.selectedAfterLoad);
            if (c.kind != LBString) {
                EXPECT_EQ(d.GetText(c.id), c.textAfterLoad);
            }
            if (c.user) c.user(d);
            d.Click(IDOK);
        });
        EXPECT_EQ(member, c.read);
    }
}

// The bound member is the framework's object for the control: FromHandle and GetDlgItem
// answer it, its virtual decides, and binding again changes nothing.
TEST_F(DataExchange, ControlBindsTheMemberObject) {
    SilentEdit edit;
    CButton check;
    CString text("secret");
    ExchangeDialog dialog;
    dialog.exchange = [&](CDataExchange* pDX) {
        DDX_Control(pDX, kText, edit);
        DDX_Control(pDX, kCheck, check);
        DDX_Text(pDX, kText, text);
    };
    run(dialog, [&](Dialog& d) {
        EXPECT_EQ(d.GetText(kText), ""); // the member's override refuses the automation's read
        EXPECT_EQ(CWnd::FromHandle(edit.GetSafeHwnd()), &edit);
        EXPECT_EQ(dialog.GetDlgItem(kText), &edit);
        EXPECT_EQ(dialog.GetDlgItem(kCheck), &check);
        d.SetCheck(kCheck, BST_CHECKED);
        EXPECT_EQ(check.GetCheck(), BST_CHECKED);
        EXPECT_TRUE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.GetDlgItem(kText), &edit);
    });
    EXPECT_EQ(text, ""); // the data exchange reads through the member too
    // Without the binding the same control hands its text out.
    ExchangeDialog plain;
    plain.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, kText, text = "visible"); };
    run(plain, [&](Dialog& d) { EXPECT_EQ(d.GetText(kText), "visible"); });
}

// An exchange naming a control the template lacks: reading fails, and at start the dialog
// ends with -1 before it is shown.
TEST_F(DataExchange, MissingControlEndsTheExchange) {
    CWnd member;
    ExchangeDialog dialog;
    bool loading = true;
    dialog.exchange = [&](CDataExchange* pDX) {
        if (!pDX->m_bSaveAndValidate && !loading) return;
        DDX_Control(pDX, 4321, member);
    };
    EXPECT_EQ(run(dialog, [](Dialog&) {}), -1);
    EXPECT_EQ(handlerCalls, 0);

    loading = false;
    BOOL saved = TRUE;
    run(dialog, [&](Dialog&) { saved = dialog.UpdateData(TRUE); });
    EXPECT_EQ(handlerCalls, 1);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(messages.empty());
}

// Values within the rules pass; OK then ends the dialog with the members read. Written,
// the length rule limits the field.
TEST_F(DataExchange, ValuesWithinTheRulesEndTheDialog) {
    CString s("abc");
    int i = 0;
    ExchangeDialog dialog;
    dialog.exchange = [&](CDataExchange* pDX) {
        DDX_Text(pDX, kText, s);
        DDV_MaxChars(pDX, s, 5);
        DDX_Text(pDX, kNumber, i);
        DDV_MinMaxInt(pDX, i, -3, 10);
    };
    std::string limited;
    const int result = run(dialog, [&](Dialog& d) {
        d.SetText(kNumber, "11");
        d.Click(IDOK); // refused
        d.SetText(kText, "abcdefgh");
        limited = d.GetText(kText);
        d.SetText(kText, "abcde");
        d.SetText(kNumber, "10");
        d.Click(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(limited, "abcde");
    EXPECT_EQ(s, "abcde");
    EXPECT_EQ(i, 10);
}
