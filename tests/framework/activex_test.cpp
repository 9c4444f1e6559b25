// ActiveX controls in dialog templates: the picker, the folder view, registered classes.
#include <tessaly/activex.h>
#include <tessaly/automation.h>
#include <tessaly/oledatetime.h>
#include <tessaly/wnd.h>

#include <QDate>
#include <QLabel>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "dialog_fixture.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/shell.h"

using framework_test::Dialog;
using tessaly::testing::WriteFile;

namespace {

constexpr int kPicker = 1001, kFolders = 1002, kEdit = 1003;
constexpr int kPickerPlace = 2001, kFoldersPlace = 2002;
constexpr const char* kCounterClass = "{0A1B2C3D-0000-4000-8000-00000000C0DE}";

// Each ActiveX control has a hidden static of its rectangle beside it, to compare geometry.
const char* const kScript = R"(#include <winresrc.h>
LANGUAGE 9, 1
300 DIALOGEX 0, 0, 240, 160
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Select a folder"
FONT 8, "DejaVu Sans"
BEGIN
    CONTROL "", 1001, "{20DD1B9E-87C4-11D1-8BE3-0000F8754DA1}", WS_TABSTOP, 10, 10, 80, 14
    CONTROL "", 1002, "{D9812706-90EB-11D2-887A-BD32CB08A467}", WS_TABSTOP, 10, 30, 150, 100
    LTEXT "", 2001, 10, 10, 80, 14, NOT WS_VISIBLE
    LTEXT "", 2002, 10, 30, 150, 100, NOT WS_VISIBLE
    EDITTEXT 1003, 170, 30, 60, 12, ES_AUTOHSCROLL
    DEFPUSHBUTTON "OK", IDOK, 130, 140, 50, 14
    PUSHBUTTON "Cancel", IDCANCEL, 185, 140, 50, 14
END
302 DIALOGEX 0, 0, 100, 60
STYLE DS_SETFONT | WS_POPUP | WS_CAPTION
CAPTION "Registered class"
FONT 8, "DejaVu Sans"
BEGIN
    CONTROL "", 1001, "{0a1b2c3d-0000-4000-8000-00000000c0de}", WS_TABSTOP, 5, 5, 50, 14
    LTEXT "", 2001, 5, 5, 50, 14, NOT WS_VISIBLE
    DEFPUSHBUTTON "OK", IDOK, 5, 40, 40, 14
END
)";

// An AXN_EVENT: the control, the event and its arguments as texts.
struct Event {
    UINT id = 0;
    DISPID dispid = 0;
    std::vector<std::string> texts;
};

// A dialog holding the controls; it records the events and other notifications.
class ChooserDialog : public CDialog {
  public:
    explicit ChooserDialog(UINT id) : CDialog(id) {}
    std::function<void(ChooserDialog&)> onInit;
    std::vector<Event> events;
    std::vector<UINT> otherCodes; // notifications that are no ActiveX events

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (onInit) onInit(*this);
        return TRUE;
    }
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->code != AXN_EVENT) {
            otherCodes.push_back(header->code);
            return CDialog::OnNotify(wParam, lParam, result);
        }
        auto* event = reinterpret_cast<NMAXEVENT*>(lParam);
        Event seen{static_cast<UINT>(wParam), event->dispid, {}};
        for (UINT i = 0; i < event->count; ++i) {
            CComVariant text;
            if (SUCCEEDED(VariantChangeType(&text, &event->params[i], 0, VT_BSTR)))
                seen.texts.push_back(CString(text.bstrVal).str());
        }
        events.push_back(seen);
        *result = 0;
        return TRUE;
    }
};

class ActiveX : public framework_test::TemplateTest<tessaly::testing::DrivePrefixTest> {
  protected:
    ActiveX() : TemplateTest("ActiveXTest", kScript) {}
};

double dateOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return COleDateTime(year, month, day, hour, minute, second).m_dt;
}

// Controls take their class and geometry; the picker keeps its value and converts or refuses.
TEST_F(ActiveX, ControlsTakeTheirClassAndThePickerItsValue) {
    const double start = dateOf(2010, 6, 15, 8, 30, 0), evening = dateOf(2004, 1, 5, 18, 0, 0);
    // A put, its result and the value afterwards (start when refused).
    const std::tuple<std::function<HRESULT(CWnd&)>, HRESULT, double> rows[] = {
        {[](CWnd& w) { return w.SetProperty(20, VT_BSTR, "2004-01-05 18:00:00"); }, S_OK, evening},
        {[](CWnd& w) { return w.SetProperty(20, VT_BSTR, "no date at all"); }, DISP_E_TYPEMISMATCH,
         start},
        {[](CWnd& w) { return w.SetProperty(20, VT_DATE, dateOf(1600, 12, 31)); }, E_INVALIDARG,
         start},
        {[](CWnd& w) { return w.SetProperty(21, VT_DATE, 1.0); }, DISP_E_MEMBERNOTFOUND, start},
        {[](CWnd& w) {
             const BYTE types[] = VTS_I4;
             return w.InvokeHelper(20, DISPATCH_PROPERTYGET, VT_DATE, nullptr, types, 1);
         },
         E_POINTER, start}};
    ChooserDialog dialog(300);
    run(dialog, [&](Dialog& d) {
        auto* picker = dynamic_cast<CDTPicker*>(dialog.GetDlgItem(kPicker));
        ASSERT_NE(picker, nullptr);
        EXPECT_NE(dynamic_cast<CFolderView*>(dialog.GetDlgItem(kFolders)), nullptr);
        EXPECT_EQ(CActiveXControl::FromWidget(picker->GetWidget())->GetClassId(),
                  CLSID_TESSALY_DTPICKER);
        EXPECT_EQ(CActiveXControl::FromWidget(dialog.GetDlgItem(kEdit)->GetWidget()), nullptr);
        for (auto [control, place] :
             {std::pair{kPicker, kPickerPlace}, std::pair{kFolders, kFoldersPlace}}) {
            const auto a = d.GetRect(control), b = d.GetRect(place);
            EXPECT_GT(a.width, 0);
            EXPECT_EQ(std::tie(a.left, a.top, a.width, a.height),
                      std::tie(b.left, b.top, b.width, b.height));
        }

        for (double value : {38000.123457, -1.25}) { // not a whole second; before day 0
            picker->SetValue(CComVariant(value, VT_DATE));
            const VARIANT read = picker->GetValue();
            EXPECT_EQ(std::make_pair(read.vt, read.date), std::make_pair(VARTYPE(VT_DATE), value));
            const COleDateTime shown(value);
            const QDate day(shown.GetYear(), shown.GetMonth(), shown.GetDay());
            EXPECT_EQ(picker->GetWindowText().str(),
                      QLocale().toString(day, QLocale::ShortFormat).toStdString());
            DATE raw = 0;
            EXPECT_TRUE(d.SetDateValue(kPicker, value) && d.GetDateValue(kPicker, &raw));
            EXPECT_EQ(raw, value);
        }
        double none = 0;
        EXPECT_FALSE(d.GetDateValue(kFolders, &none));

        for (const auto& [put, expected, after] : rows) {
            ASSERT_EQ(picker->SetProperty(20, VT_DATE, start), S_OK);
            const HRESULT result = put(*picker);
            DATE value = -1;
            picker->GetProperty(20, VT_DATE, &value);
            EXPECT_EQ(std::make_pair(result, value), std::make_pair(expected, after));
        }
        // Reading as another type converts.
        ASSERT_EQ(picker->SetProperty(20, VT_DATE, evening), S_OK);
        LONG days = 0;
        EXPECT_EQ(picker->GetProperty(20, VT_I4, &days), S_OK);
        EXPECT_EQ(days, static_cast<LONG>(dateOf(2004, 1, 6))); // 0.75 rounds up
        // A window that is no ActiveX control has no properties.
        DATE untouched = 7;
        EXPECT_EQ(dialog.GetDlgItem(kEdit)->GetProperty(20, VT_DATE, &untouched), E_NOINTERFACE);
    });
}

TEST_F(ActiveX, FolderViewListsLevelsAndFiresTheSelection) {
    WriteFile(c + "/.windows-label", "Work Disk\n");
    std::filesystem::create_directories(c + "/Docs/Letters");
    std::filesystem::create_directories(c + "/Docs/bills");
    WriteFile(c + "/Docs/note.txt", "not a folder");
    char documents[260] = {};
    ASSERT_TRUE(tessaly::platform::SHGetSpecialFolderPathA(nullptr, documents, 5, TRUE));
    std::filesystem::create_directories(tessaly::platform::ToPosixPath(documents) + "/Drafts");
    auto joined = [](const std::vector<Dialog::FolderItem>& items) {
        std::vector<std::string> out;
        for (const auto& item : items)
            out.push_back(item.path + "=" + item.text);
        return out;
    };
    // A folder as given to select, the selection's path and the shown name.
    const std::string drafts = std::string(documents) + "\\Drafts";
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"c:\\docs\\letters\\", "C:\\Docs\\Letters", "Letters"},
        {"C:\\", "C:", "Work Disk (C:)"},
        {"My Documents", "My Documents", "My Documents"},
        {"My Documents\\Drafts", drafts, "Drafts"}};
    ChooserDialog dialog(300);
    run(dialog, [&](Dialog& d) {
        const auto top = joined(d.GetFolderItems(kFolders));
        ASSERT_GE(top.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(top.begin(), top.begin() + 2),
                  (std::vector<std::string>{"Desktop=Desktop", "My Documents=My Documents"}));
        EXPECT_NE(std::find(top.begin(), top.end(), "C:=Work Disk (C:)"), top.end());
        EXPECT_EQ(joined(d.GetFolderItems(kFolders, "c:\\docs\\")),
                  (std::vector<std::string>{"C:\\Docs\\bills=bills", "C:\\Docs\\Letters=Letters"}));
        // A folder made after the view opened appears when its level is first read.
        std::filesystem::create_directories(c + "/Docs/Letters/2026");
        EXPECT_EQ(joined(d.GetFolderItems(kFolders, "C:\\Docs\\Letters")),
                  (std::vector<std::string>{"C:\\Docs\\Letters\\2026=2026"}));
        EXPECT_TRUE(d.GetFolderItems(kFolders, "C:\\Nowhere").empty());

        auto* view = static_cast<CFolderView*>(dialog.GetDlgItem(kFolders));
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto& [select, path, altText] = rows[i];
            // Alternately as the user would (automation) and through the wrapper.
            dialog.events.clear();
            if (i % 2)
                ASSERT_TRUE(view->SetSelectedPath(select.c_str()));
            else
                ASSERT_TRUE(d.SelectFolder(kFolders, select));
            ASSERT_EQ(dialog.events.size(), 1u);
            const Event& e = dialog.events[0];
            EXPECT_EQ(std::make_tuple(e.id, e.dispid, e.texts),
                      std::make_tuple(UINT(kFolders), DISPID(CFolderView::dispidSelChange),
                                      std::vector<std::string>{path}))
                << select;
            EXPECT_EQ(
                std::make_pair(d.GetSelectedFolder(kFolders), view->GetAlternativeText().str()),
                std::make_pair(path, altText));
        }
        // Selecting the current item again or a folder that is not there changes nothing.
        dialog.events.clear();
        EXPECT_FALSE(view->SetSelectedPath("C:\\Nowhere"));
        EXPECT_FALSE(d.SelectFolder(kFolders, "Q:\\"));
        EXPECT_TRUE(d.SelectFolder(kFolders, std::get<0>(rows.back())));
        EXPECT_TRUE(dialog.events.empty());
        EXPECT_EQ(view->GetSelectedPath().str(), std::get<1>(rows.back()));
        // The alternative text cannot be set; Refresh keeps the selection quietly.
        EXPECT_EQ(view->SetProperty(CFolderView::dispidAlternativeText, VT_BSTR, "x"),
                  DISP_E_MEMBERNOTFOUND);
        view->Refresh();
        EXPECT_TRUE(dialog.events.empty());
        // The view is the control's own window, not a tree view of the dialog's.
        EXPECT_TRUE(dialog.otherCodes.empty());
        EXPECT_EQ(view->GetSelectedPath().str(), std::get<1>(rows.back()));
    });
}

// A counter: property 1 its value, method 2 adds and returns it, firing event 7 with it.
class CounterControl : public CActiveXControl {
  public:
    explicit CounterControl(QWidget* parent) : CActiveXControl(new QLabel(parent)) {}
    HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                   VARIANT* result) override {
        if (id == 1 && (flags & DISPATCH_PROPERTYGET)) {
            *result = CComVariant(value_);
            return S_OK;
        }
        if (id == 2 && (flags & DISPATCH_METHOD)) {
            if (count != 1) return DISP_E_BADPARAMCOUNT;
            CComVariant add;
            const HRESULT hr = VariantChangeType(&add, &params[0], 0, VT_I4);
            if (FAILED(hr)) return hr;
            value_ += add.lVal;
            const CComVariant now(value_);
            FireEvent(7, &now, 1);
            if (result) *result = CComVariant(value_);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

  private:
    int value_ = 0;
};

// Known classes (case ignored), refused ids and factories, unknown classes fail before showing.
TEST_F(ActiveX, RegisteredClassIsMadeAndCalledThroughTheDispatchHelpers) {
    EXPECT_TRUE(CActiveXControl::IsControlClass("{20dd1b9e-87c4-11d1-8be3-0000f8754da1}"));
    EXPECT_FALSE(CActiveXControl::IsControlClass("20DD1B9E-87C4-11D1-8BE3-0000F8754DA1"));
    EXPECT_FALSE(CActiveXControl::IsControlClass(nullptr));
    auto none = [](QWidget*) -> CActiveXControl* { return nullptr; };
    EXPECT_FALSE(CActiveXControl::RegisterControlClass("not a class id", none));
    EXPECT_FALSE(CActiveXControl::RegisterControlClass(kCounterClass, nullptr));
    EXPECT_FALSE(CActiveXControl::IsControlClass(kCounterClass));
    ChooserDialog before(302);
    bool initialised = false;
    before.onInit = [&](ChooserDialog&) { initialised = true; };
    EXPECT_EQ(run(before, [](Dialog&) {}), -1);
    EXPECT_EQ(handlerCalls, 0);
    EXPECT_FALSE(initialised);

    ASSERT_TRUE(CActiveXControl::RegisterControlClass(
        kCounterClass,
        [](QWidget* parent) -> CActiveXControl* { return new CounterControl(parent); }));
    EXPECT_TRUE(CActiveXControl::IsControlClass("{0a1b2c3d-0000-4000-8000-00000000c0de}"));

    ChooserDialog dialog(302);
    run(dialog, [&](Dialog&) {
        CWnd& counter = *dialog.GetDlgItem(kPicker);
        const BYTE oneLong[] = VTS_I4, oneText[] = VTS_BSTR;
        LONG value = 0;
        CString asText;
        EXPECT_EQ(counter.InvokeHelper(2, DISPATCH_METHOD, VT_I4, &value, oneLong, 5), S_OK);
        EXPECT_EQ(counter.InvokeHelper(2, DISPATCH_METHOD, VT_BSTR, &asText, oneText, "37"), S_OK);
        EXPECT_EQ(std::make_pair(value, asText.str()), std::make_pair(LONG(5), std::string("42")));
        EXPECT_EQ(counter.InvokeHelper(2, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr),
                  DISP_E_BADPARAMCOUNT);
        short small = 0;
        EXPECT_EQ(std::make_pair(counter.GetProperty(1, VT_I2, &small), small),
                  std::make_pair(S_OK, short(42)));
    });
    ASSERT_EQ(dialog.events.size(), 2u);
    using Texts = std::vector<std::string>;
    EXPECT_EQ(
        std::make_tuple(dialog.events[0].dispid, dialog.events[0].texts, dialog.events[1].texts),
        std::make_tuple(DISPID(7), Texts{"5"}, Texts{"42"}));
}

TEST(ActiveXVariants, ChangeTypeConvertsAsTheDispatchCallsDo) {
    const std::tuple<const char*, CComVariant, VARTYPE, HRESULT, CComVariant> rows[] = {
        {"half rounds to even", CComVariant(-2.5), VT_I2, S_OK,
         CComVariant(static_cast<short>(-2))},
        {"out of a short", CComVariant(70000), VT_I2, DISP_E_OVERFLOW, CComVariant()},
        {"negative to unsigned", CComVariant(-1), VT_UI4, DISP_E_OVERFLOW, CComVariant()},
        {"text no number", CComVariant("abc"), VT_I4, DISP_E_TYPEMISMATCH, CComVariant()},
        {"true to long", CComVariant(true), VT_I4, S_OK, CComVariant(-1)},
        {"text to boolean", CComVariant("false"), VT_BOOL, S_OK, CComVariant(false)},
        {"past the last date", CComVariant(3e6), VT_DATE, DISP_E_OVERFLOW, CComVariant()},
        {"empty to text", CComVariant(), VT_BSTR, S_OK, CComVariant("")}};
    for (const auto& [what, from, to, expected, result] : rows) {
        CComVariant out;
        EXPECT_EQ(VariantChangeType(&out, &from, 0, to), expected) << what;
        EXPECT_TRUE(expected != S_OK || out == result) << what;
    }
    // In place, and a null never converts.
    CComVariant inPlace("7");
    EXPECT_EQ(VariantChangeType(&inPlace, &inPlace, 0, VT_I4), S_OK);
    EXPECT_TRUE(inPlace == CComVariant(7));
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    CComVariant out;
    EXPECT_EQ(VariantChangeType(&out, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

} // namespace
