// Dialog data exchange and validation, driven through the automation API.
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

// The members an exchange may bind; a refused read leaves them all as they were.
struct Members {
    CString first{"first"}, s{"old"};
    int i = 7;
    UINT u = 7;
    long l = 7;
    double r = 7.0;
    bool operator==(const Members&) const = default;
};

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
    std::vector<std::string> messages;
};

} // namespace

TEST_F(DataExchange, TextOfStringsAndNumbersBothWays) {
    auto roundTrip = [&](auto loaded, const std::string& shown, const char* typed, auto read) {
        ExchangeDialog dialog;
        auto member = loaded;
        dialog.exchange = [&](CDataExchange* pDX) { DDX_Text(pDX, kNumber, member); };
        run(dialog, [&](Dialog& d) {
            EXPECT_EQ(d.GetText(kNumber), shown);
            d.SetText(kNumber, typed);
            EXPECT_TRUE(dialog.UpdateData(TRUE));
        });
        EXPECT_EQ(member, read) << "typed '" << typed << "'";
    };
    roundTrip(CString("Hello"), "Hello", "  spaced  ", CString("  spaced  "));
    roundTrip(-42, "-42", "\t+5\t", 5);
    roundTrip(INT_MAX, "2147483647", "-2147483648", INT_MIN);
    roundTrip(4000000000u, "4000000000", "4294967295", 4294967295u);
    roundTrip(9000000000L, "9000000000", "-9223372036854775808", LONG_MIN);
    roundTrip(1.0 / 3.0, "0.333333333333333", " -1e3 ", -1000.0);
    roundTrip(1e20, "1e+20", "+.5E-2", 0.005);
}

// One row per refusal branch, then the rules: a prompt, the focus on the field, no member changed.
TEST_F(DataExchange, RefusedTextAndValidationPromptsKeepTheDialogOpen) {
    const std::string integer = "Please enter an integer.", number = "Please enter a number.";
    using X = CDataExchange*;
    // The number field's exchange, the text typed and the prompt.
    const std::tuple<void (*)(X, Members&), const char*, std::string> cases[] = {
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.i); }, "", integer},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.i); }, "12abc", integer},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.i); }, "2147483648", integer},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.u); }, "-1", integer},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.l); }, "9223372036854775808", integer},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.r); }, "1,5", number},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.r); }, "1e999", number},
        {[](X x, Members& m) { // only when reading: written, the rule limits the field
             DDX_Text(x, kNumber, m.s);
             if (x->m_bSaveAndValidate) DDV_MaxChars(x, m.s, 5);
         },
         "abcdef", "Please enter no more than 5 characters."},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.i), DDV_MinMaxInt(x, m.i, -3, 10); }, "-4",
         "Please enter an integer between -3 and 10."},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.u), DDV_MinMaxUInt(x, m.u, 1, 4000000000u); },
         "0", "Please enter an integer between 1 and 4000000000."},
        {[](X x, Members& m) { DDX_Text(x, kNumber, m.r), DDV_MinMaxDouble(x, m.r, 0.5, 2.25); },
         "2.5", "Please enter a number between 0.5 and 2.25."},
    };
    for (const auto& [bind, typed, prompt] : cases) {
        messages.clear();
        Members m;
        ExchangeDialog dialog;
        dialog.exchange = [&](CDataExchange* pDX) {
            DDX_Text(pDX, kText, m.first);
            bind(pDX, m);
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
        EXPECT_EQ(std::make_pair(result, dialog.okCalled), std::make_pair(int(IDCANCEL), true));
        EXPECT_EQ(messages, std::vector<std::string>(2, prompt)) << "'" << typed << "'";
        EXPECT_TRUE(m == Members{});
    }
}

// Check boxes, radio groups (ended by WS_GROUP or a non-radio control) and list indexes.
TEST_F(DataExchange, ButtonsAndIndexesBothWays) {
    constexpr auto Check = DDX_Check, Radio = DDX_Radio, CBIndex = DDX_CBIndex;
    constexpr int kLeave = -9;
    // The exchange, control and member; the checked buttons or the selection shown; the state set,
    // radio clicked or item selected; the member read back.
    using Ddx = void (*)(CDataExchange*, int, int&);
    const std::tuple<Ddx, int, int, std::vector<int>, int, int> cases[] = {
        {Check, kThree, BST_INDETERMINATE, {BST_INDETERMINATE}, BST_CHECKED, BST_CHECKED},
        {Check, kThree, 7, {BST_UNCHECKED}, BST_INDETERMINATE, BST_INDETERMINATE},
        {Radio, kRadioA, 1, {kRadioB}, kRadioC, 2},
        {Radio, kRadioA, -1, {}, kLeave, -1},
        {Radio, kRadioX, 0, {kRadioX}, kRadioZ, -1},
        {CBIndex, kDropList, 1, {1}, 2, 2},
        {CBIndex, kDropDown, 9, {-1}, kLeave, -1},
        {DDX_LBIndex, kList, -1, {-1}, 0, 0}};
    const int radios[] = {kRadioA, kRadioB, kRadioC, kRadioX, kRadioY, kRadioZ};
    for (const auto& [ddx, id, loaded, shown, user, read] : cases) {
        int member = loaded;
        ExchangeDialog dialog;
        dialog.exchange = [&](CDataExchange* pDX) { ddx(pDX, id, member); };
        const bool list = ddx != Check && ddx != Radio;
        EXPECT_EQ(run(dialog,
                      [&](Dialog& d) {
                          std::vector<int> seen;
                          for (int radio : radios)
                              if (ddx == Radio && d.GetCheck(radio) == BST_CHECKED)
                                  seen.push_back(radio);
                          if (ddx == Check) seen.push_back(d.GetCheck(id));
                          if (list) seen.push_back(d.GetCurSel(id));
                          EXPECT_EQ(seen, shown) << id << " loaded " << loaded;
                          if (ddx == Check) d.SetCheck(id, user);
                          if (ddx == Radio && user != kLeave) d.Click(user);
                          if (list && user != kLeave) d.SetCurSel(id, user);
                          d.Click(IDOK);
                      }),
                  IDOK);
        EXPECT_EQ(member, read) << id << " loaded " << loaded;
    }
}

// Combo and list strings: written, the first item that begins with the text, ignoring case.
TEST_F(DataExchange, ComboAndListStringsBothWays) {
    // The exchange, control and member; the selection and (in a combo box) the text shown; a text
    // typed into the combo box's field or an item of the list box picked; the member read back.
    using Ddx = void (*)(CDataExchange*, int, CString&);
    const std::tuple<Ddx, int, const char*, int, std::string, const char*, int, const char*>
        cases[] = {{DDX_CBString, kDropList, "ban", 1, "Banana", nullptr, -1, "Banana"},
                   {DDX_CBString, kDropDown, "Zed", -1, "Zed", nullptr, -1, "Zed"},
                   {DDX_CBString, kDropList, "Zed", -1, "", nullptr, -1, ""},
                   {DDX_CBString, kDropDown, "Apple", 0, "Apple", "Typed", -1, "Typed"},
                   {DDX_CBStringExact, kDropDown, "ban", -1, "ban", nullptr, -1, "ban"},
                   {DDX_CBStringExact, kDropDown, "banana", 1, "Banana", nullptr, -1, "Banana"},
                   {DDX_LBString, kList, "RED", 2, "", nullptr, -1, "Red"},
                   {DDX_LBString, kList, "Purple", -1, "", nullptr, 0, "Blue"}};
    for (const auto& [ddx, id, loaded, selected, text, typed, pick, read] : cases) {
        CString member(loaded);
        ExchangeDialog dialog;
        dialog.exchange = [&](CDataExchange* pDX) { ddx(pDX, id, member); };
        run(dialog, [&](Dialog& d) {
            EXPECT_EQ(std::make_pair(d.GetCurSel(id), id == kList ? text : d.GetText(id)),
                      std::make_pair(selected, text))
                << id << " '" << loaded << "'";
            if (typed) d.SetText(id, typed);
            if (pick >= 0) d.SetCurSel(id, pick);
            d.Click(IDOK);
        });
        EXPECT_EQ(member, read) << id << " '" << loaded << "'";
    }
}

// The bound member is the framework's object for the control, and binding again changes nothing.
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
        EXPECT_EQ(dialog.GetDlgItem(kCheck), &check);
        d.SetCheck(kCheck, BST_CHECKED);
        EXPECT_EQ(check.GetCheck(), BST_CHECKED);
        EXPECT_TRUE(dialog.UpdateData(TRUE));
        EXPECT_EQ(dialog.GetDlgItem(kText), &edit);
    });
    EXPECT_EQ(text, ""); // the data exchange reads through the member too
}

// A control the template lacks: reading fails, and at start the dialog ends with -1.
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

// Values within the rules pass and OK ends the dialog; the length rule limits the field.
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
    const int result = run(dialog, [&](Dialog& d) {
        d.SetText(kText, "abcdefgh");
        EXPECT_EQ(d.GetText(kText), "abcde");
        d.SetText(kNumber, "10");
        d.Click(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(s, "abcde");
    EXPECT_EQ(i, 10);
}
