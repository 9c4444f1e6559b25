// The document-choice dialogs, driven through the automation API: what they show, which
// checks keep them open, and which values come back on OK and on Cancel.
#include <tessaly/dialogs.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "choices_support.h"
#include "platform/locale.h"
#include "platform/wintime.h"

using namespace choices_test;
namespace p = tessaly::platform;

namespace {

class DocumentDialogs : public ScriptedDialogs {
  protected:
    // The date dialog's list in that locale.
    std::vector<std::string> DateList(const char* locale) {
        setenv("LC_ALL", locale, 1);
        std::vector<std::string> items;
        CString chosen;
        Run(Then([&](Dialog& d) { items = d.GetItems(1018); }, Escape()),
            [&] { return ShowDateDlg(chosen); });
        return items;
    }
};

// ---- Line ----

struct LineCase {
    const char* name;
    double maxLength;
    const char* typed; // null: leave the field as it starts
    int widthIndex;    // -1: leave the list as it starts
    int end;           // button that ends the dialog after the first attempt
    bool firstOkRefused;
    int code;
    double length;
    int width;
    const char* message; // "" for none
};

const LineCase kLineCases[] = {
    {"StartsAtOneInchThinnest", 6.5, nullptr, -1, IDOK, false, 1, 1.0, 1, ""},
    {"TypedLengthAndWidth", 6.5, "2.25", 3, IDOK, false, 1, 2.25, 4, ""},
    {"MaximumItselfFits", 6.5, "6.5", 7, IDOK, false, 1, 6.5, 8, ""},
    {"CancelKeepsStartValues", 6.5, "2.25", 3, IDCANCEL, false, 2, 1.0, 1, ""},
    {"TooLongStaysOpen", 6.5, "7", 2, IDCANCEL, true, 2, 1.0, 1,
     "The line length is too big. The maximum length for this page is 6.50 inches."},
    {"MaximumShownWithTwoDecimals", 3.14159, "3.2", -1, IDCANCEL, true, 2, 1.0, 1,
     "The line length is too big. The maximum length for this page is 3.14 inches."},
    {"EmptyAsksForANumber", 6.5, "", -1, IDCANCEL, true, 2, 1.0, 1, "Please enter a number."},
    {"WordsAskForANumber", 6.5, "two", 4, IDCANCEL, true, 2, 1.0, 1, "Please enter a number."},
    // Only the maximum limits the length.
    {"ZeroIsALength", 6.5, "0", 1, IDOK, false, 1, 0.0, 2, ""},
};

class LineDialog : public DocumentDialogs, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineDialog, LengthAndWidth) {
    const LineCase& c = GetParam();
    double length = -5;
    int width = -5;
    bool stayedOpen = false;
    std::vector<std::string> widths;
    std::string startText;
    const int code = Run(
        [&](Dialog& d) {
            widths = d.GetItems(1095);
            startText = d.GetText(1094);
            if (c.typed) d.SetText(1094, c.typed);
            if (c.widthIndex >= 0) d.SetCurSel(1095, c.widthIndex);
            if (c.end == IDOK || c.firstOkRefused) stayedOpen = OkRefused(d, 1094);
            if (c.end != IDOK || stayedOpen) d.Click(c.end);
        },
        [&] { return ShowInsertLineDlg(c.maxLength, length, width); });
    EXPECT_EQ(code, c.code);
    EXPECT_DOUBLE_EQ(length, c.length);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(stayedOpen, c.firstOkRefused);
    EXPECT_EQ(startText, "1.0");
    EXPECT_EQ(widths, (std::vector<std::string>{"3/4 pt", "1 1/2 pt", "2 1/4 pt", "3 pt",
                                                "3 3/4 pt", "4 1/2 pt", "5 1/4 pt", "6 pt"}));
    if (*c.message)
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
    else
        EXPECT_TRUE(messages.empty());
    EXPECT_EQ(opened, std::vector<int>{288});
    EXPECT_EQ(captions.front(), "Line");
}

INSTANTIATE_TEST_SUITE_P(Cases, LineDialog, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Chart: the closing buttons are the answer ----

TEST_F(DocumentDialogs, ChartEndsWithTheButtonPressed) {
    const std::pair<Script, int> cases[] = {
        {Click(IDOK), 1}, {Click(1401), 1401}, {Click(IDCANCEL), 2}, {Escape(), 2}};
    for (const auto& [script, code] : cases) {
        EXPECT_EQ(Run(script, [] { return ShowInsertChartDlg(); }), code);
        EXPECT_EQ(opened, std::vector<int>{389});
    }
    EXPECT_EQ(captions.front(), "Insert Chart...");
}

// ---- Date and time ----

std::string dateText(const char* picture) {
    SYSTEMTIME now{};
    p::GetLocalTime(&now);
    char buffer[128] = {};
    p::GetDateFormatA(p::LOCALE_USER_DEFAULT, 0, &now, picture, buffer, sizeof buffer);
    return buffer;
}

size_t indexOf(const std::vector<std::string>& items, const std::string& text) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text) return i;
    return items.size();
}

TEST_F(DocumentDialogs, DateListHoldsEveryPictureOfTheLocaleOnce) {
    const std::vector<std::string> items = DateList("en_US.UTF-8");
    ASSERT_GE(items.size(), 8u);
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), items.size());
    // Short dates (the locale's own first), long dates, then times.
    EXPECT_EQ(items[0], dateText("M/d/yyyy"));
    const size_t iso = indexOf(items, dateText("yyyy-MM-dd"));
    const size_t longDate = indexOf(items, dateText("dddd, MMMM dd, yyyy"));
    const size_t lastLong = indexOf(items, dateText("dd MMMM, yyyy"));
    // Each found (indexOf gives the size for a missing text) and in this order.
    EXPECT_LT(iso, longDate);
    EXPECT_LT(longDate, lastLong);
    // The times follow the long dates: the locale's own (12-hour) first, 24-hour last.
    const std::regex twelve(R"(\d{1,2}:\d{2}:\d{2} (AM|PM))"), full(R"(\d{1,2}:\d{2}:\d{2})");
    ASSERT_LT(lastLong + 2, items.size());
    EXPECT_TRUE(std::regex_match(items[lastLong + 1], twelve)) << items[lastLong + 1];
    EXPECT_TRUE(std::regex_match(items.back(), full)) << items.back();
    for (size_t i = 0; i <= lastLong; ++i)
        EXPECT_FALSE(std::regex_search(items[i], std::regex(R"(\d:\d{2}:\d{2})"))) << items[i];
}

TEST_F(DocumentDialogs, DateListFollowsTheUsersLocale) {
    const std::vector<std::string> items = DateList("de_DE.UTF-8");
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0], dateText("dd.MM.yyyy"));
    EXPECT_LT(indexOf(items, dateText("dddd, d. MMMM yyyy")), items.size());
    for (const std::string& item : items)
        EXPECT_EQ(item.find("AM"), std::string::npos) << item;
    EXPECT_TRUE(std::regex_match(items.back(), std::regex(R"(\d{1,2}:\d{2}:\d{2})")));
}

TEST_F(DocumentDialogs, DateChoiceIsStoredInEveryCase) {
    // The first entry is selected at first; the third chosen comes back on OK, while Cancel
    // and Escape give an empty text.
    for (const auto& [end, code] :
         {std::pair{Click(IDOK), 1}, {Click(IDCANCEL), 2}, {Escape(), 2}}) {
        std::vector<std::string> items;
        const Script script = Then(
            [&](Dialog& d) {
                items = d.GetItems(1018);
                EXPECT_EQ(d.GetCurSel(1018), 0);
                d.SetCurSel(1018, 2);
            },
            end);
        CString text = "caller's";
        EXPECT_EQ(Run(script, [&] { return ShowDateDlg(text); }), code);
        ASSERT_GT(items.size(), 2u);
        const std::string expected = code == 1 ? items[2] : "";
        EXPECT_EQ(std::string(text), expected);

        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(Run(script, [&] { return ShowDateDlgEx(buffer); }), code);
        EXPECT_EQ(std::string(buffer), expected);
    }
}

// ---- Zoom ----

// A step on the dialog: "type:TEXT" into the field, "leave" the field, "press:ID" a radio.
struct ZoomCase {
    const char* name;
    int start;
    std::vector<std::string> steps;
    std::string field; // the field after the steps
    int checked;       // the one radio button checked after the steps, 0 for none
    int end;           // IDOK or IDCANCEL
    int zoom;          // the caller's value afterwards
};

const int kZoomRadios[] = {1200, 1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208};

// Fitting percents given to the dialog: page 61, width 87, text 112.
const ZoomCase kZoomCases[] = {
    {"StartShowsFixedPercent", 100, {}, "100", 1202, IDOK, 100},
    {"StartOtherPercentNoRadio", 120, {}, "120", 0, IDOK, 120},
    {"RadioPutsPercent", 100, {"press:1200"}, "400", 1200, IDOK, 400},
    {"FitWidthPutsCallersPercent", 100, {"press:1206"}, "87", 1206, IDOK, 87},
    {"FitTextPutsCallersPercent", 100, {"press:1207"}, "112", 1207, IDOK, 112},
    {"FitPagePutsCallersPercent", 100, {"press:1208"}, "61", 1208, IDOK, 61},
    {"TypingSelectsFixedRadio", 100, {"type:50"}, "50", 1204, IDOK, 50},
    {"TypingOtherClearsRadios", 100, {"type:60"}, "60", 0, IDOK, 60},
    {"TypingFitValueSelectsNoFit", 100, {"type:87"}, "87", 0, IDOK, 87},
    {"LeavingClampsAbove", 100, {"type:500", "leave"}, "400", 1200, IDCANCEL, 100},
    {"LeavingClampsBelow", 100, {"type:5", "leave"}, "10", 0, IDCANCEL, 100},
    {"LeavingKeepsInRange", 100, {"type:250", "leave"}, "250", 0, IDOK, 250},
    {"OkClampsTooLarge", 100, {"type:999"}, "999", 0, IDOK, 400},
    {"OkClampsEmpty", 100, {"type:"}, "", 0, IDOK, 10},
    {"CancelKeepsCallersPercent", 75, {"press:1201"}, "200", 1201, IDCANCEL, 75},
};

class ZoomDialog : public DocumentDialogs, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomDialog, RadioButtonsAndField) {
    const ZoomCase& c = GetParam();
    int zoom = c.start;
    std::string field;
    std::vector<int> checked;
    const int code = Run(
        [&](Dialog& d) {
            for (const std::string& step : c.steps) {
                if (step.rfind("type:", 0) == 0) {
                    d.SetFocus(1013);
                    d.SetText(1013, step.substr(5));
                } else if (step == "leave") {
                    d.SetFocus(IDOK);
                } else {
                    d.Click(std::stoi(step.substr(6)));
                }
            }
            field = d.GetText(1013);
            for (int id : kZoomRadios)
                if (d.GetCheck(id) == 1) checked.push_back(id);
            d.Click(c.end);
        },
        [&] { return ShowZoomDlg(zoom, 61, 87, 112); });
    EXPECT_EQ(code, c.end);
    EXPECT_EQ(field, c.field);
    EXPECT_EQ(checked, c.checked ? std::vector<int>{c.checked} : std::vector<int>{});
    EXPECT_EQ(zoom, c.zoom);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZoomDialog, ::testing::ValuesIn(kZoomCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Number fields: columns, go to, table ----

// A dialog of number fields: its template, title, fields and what they show at first.
struct NumberDialog {
    int templateId;
    const char* caption;
    std::vector<int> fields;
    std::string start;
};

const std::map<std::string, NumberDialog> kNumberDialogs = {
    {"columns", {240, "Columns", {1120}, "2"}},
    {"goto", {23001, "Go To/Go Near", {1089, 1090, 1091}, "3,4,9"}},
    {"table", {23000, "Insert Table", {1331, 1333}, "2,2"}},
};

std::string joined(std::initializer_list<long long> values) {
    std::string text;
    for (long long value : values)
        text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

// Runs the dialog with the caller's values (columns 77; page 3, line 4, column 9; table 99
// by 98) and hands them back as "a,b,c" afterwards.
int showNumbers(const std::string& dialog, std::string& out) {
    int code = 0;
    if (dialog == "columns") {
        UINT columns = 77;
        code = ShowColumnDlg(columns);
        out = joined({columns});
    } else if (dialog == "goto") {
        int page = 3, line = 4, column = 9;
        code = ShowGoToDlg(page, line, column);
        out = joined({page, line, column});
    } else {
        UINT columns = 99, rows = 98;
        code = ShowInsertTableDlg(columns, rows);
        out = joined({columns, rows});
    }
    return code;
}

struct NumberCase {
    const char* dialog;
    std::vector<std::pair<int, const char*>> typed;
    const char* refusal; // OK first shows this and keeps the dialog open ("" none)
    int end;             // the button that then ends the dialog
    int code;
    const char* out; // the caller's values afterwards
};

const char* const kInteger = "Please enter an integer.";

const NumberCase kNumberCases[] = {
    // Columns come back however the dialog ends.
    {"columns", {}, "", IDOK, 1, "2"},
    {"columns", {{1120, "3"}}, "", IDOK, 1, "3"},
    {"columns", {{1120, "5"}}, "", IDCANCEL, 2, "2"},
    {"columns", {{1120, ""}}, kInteger, IDCANCEL, 2, "2"},
    {"columns", {{1120, "-2"}}, kInteger, IDCANCEL, 2, "2"},
    // Go to: OK and the three place buttons end with their ids and store.
    {"goto", {{1089, "12"}}, "", IDOK, 1, "12,4,9"},
    {"goto", {{1089, "12"}}, "", 1092, 1092, "12,4,9"},
    {"goto", {{1089, "12"}}, "", 1093, 1093, "12,4,9"},
    {"goto", {{1089, "0"}}, "", 1094, 1094, "0,4,9"},
    {"goto", {{1089, "12"}}, "", IDCANCEL, 2, "3,4,9"},
    {"goto", {}, "", IDOK, 1, "3,4,9"},
    {"goto", {{1090, ""}}, kInteger, IDCANCEL, 2, "3,4,9"},
    {"goto", {{1089, "12"}, {1091, "x"}}, kInteger, IDCANCEL, 2, "3,4,9"},
    // Table: only OK stores.
    {"table", {}, "", IDOK, 1, "2,2"},
    {"table", {{1331, "4"}, {1333, "7"}}, "", IDOK, 1, "4,7"},
    {"table", {{1331, "4"}, {1333, "7"}}, "", IDCANCEL, 2, "99,98"},
    {"table", {{1331, ""}, {1333, "7"}}, kInteger, IDCANCEL, 2, "99,98"},
};

TEST_F(DocumentDialogs, NumberFieldsRefuseWhatIsNoNumber) {
    for (const NumberCase& c : kNumberCases) {
        const NumberDialog& dialog = kNumberDialogs.at(c.dialog);
        SCOPED_TRACE(std::string(c.dialog) + " " + (c.typed.empty() ? "-" : c.typed[0].second));
        std::string start, out;
        bool refused = false;
        messages.clear();
        const int code = Run(
            [&](Dialog& d) {
                for (int field : dialog.fields)
                    start += (start.empty() ? "" : ",") + d.GetText(field);
                for (const auto& [field, text] : c.typed)
                    d.SetText(field, text);
                if (*c.refusal) refused = OkRefused(d, dialog.fields[0]);
                d.Click(c.end);
            },
            [&] { return showNumbers(c.dialog, out); });
        EXPECT_EQ(start, dialog.start);
        EXPECT_EQ(refused, *c.refusal != 0);
        if (*c.refusal)
            EXPECT_EQ(messages, std::vector<std::string>{c.refusal});
        else
            EXPECT_TRUE(messages.empty());
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(opened, std::vector<int>{dialog.templateId});
        EXPECT_EQ(captions.back(), dialog.caption);
    }
}

// The table's spin buttons count up from one cell and stop there going down.
TEST_F(DocumentDialogs, TableSpinButtonsStepWithinTheirRange) {
    constexpr int kUp = 0x26, kDown = 0x28; // the arrow keys' virtual key codes
    UINT columns = 0, rows = 0;
    const int code = Run(
        [&](Dialog& d) {
            d.PressKey(1331, kUp);
            d.PressKey(1331, kUp);
            for (int i = 0; i < 3; ++i)
                d.PressKey(1333, kDown);
            d.Click(IDOK);
        },
        [&] { return ShowInsertTableDlg(columns, rows); });
    EXPECT_EQ(code, IDOK);
    EXPECT_EQ(columns, 4u);
    EXPECT_EQ(rows, 1u);
}

// ---- Toolbar rows ----

TEST_F(DocumentDialogs, ToolbarRowsFollowTheMaskBits) {
    // Rows 1 and 3 shown, and a bit the dialog has no row for.
    const UINT start = 0x5u | 0x100u;
    for (const auto& [end, expected] : {std::pair{IDOK, 0x6u | 0x100u}, {IDCANCEL, start}}) {
        UINT mask = start;
        std::vector<int> checks;
        const int code = Run(
            [&](Dialog& d) {
                for (int id = 1301; id <= 1306; ++id)
                    checks.push_back(d.GetCheck(id));
                d.SetCheck(1301, 0);
                d.SetCheck(1302, 1);
                d.Click(end);
            },
            [&] { return ShowCusToolbarDlg(mask); });
        EXPECT_EQ(code, end);
        EXPECT_EQ(checks, (std::vector<int>{1, 0, 1, 0, 0, 0}));
        EXPECT_EQ(mask, expected);
    }
}

// ---- Endnote ----

TEST_F(DocumentDialogs, EndnoteValuesComeBackAlways) {
    // The dialog starts empty with the separator ticked, whatever the caller's values.
    for (const auto& [end, ticked, typedNumber, typedText] :
         {std::tuple{IDOK, 0, "iv", "See the appendix."}, {IDCANCEL, 1, "", ""}}) {
        int separator = 7;
        CString number = "x", text = "y";
        const int code = Run(
            [&](Dialog& d) {
                d.SetText(1095, "iv");
                d.SetText(1096, "See the appendix.");
                d.SetCheck(1097, 0);
                d.Click(end);
            },
            [&] { return ShowEndNoteDlg(separator, number, text); });
        EXPECT_EQ(code, end);
        EXPECT_EQ(separator, ticked);
        EXPECT_EQ(std::string(number), typedNumber);
        EXPECT_EQ(std::string(text), typedText);
    }
}

// ---- Importance ----

TEST_F(DocumentDialogs, ImportanceMapsArrayToRadioAndBack) {
    struct Case {
        std::vector<std::string> in;
        int preselected;
        int pick; // 0: leave
        int end;
        std::vector<std::string> out;
    };
    const Case cases[] = {
        {{}, 1312, 0, IDOK, {"3"}},
        {{"1"}, 1313, 0, IDOK, {"1"}},
        {{"4", "extra"}, 1311, 0, IDOK, {"4"}},
        {{"3"}, 1312, 0, IDOK, {"3"}},
        {{"2"}, 1312, 0, IDOK, {"3"}},
        {{"abc"}, 1312, 1313, IDOK, {"1"}},
        {{"1"}, 1313, 1311, IDOK, {"4"}},
        {{"1", "extra"}, 1313, 1311, IDCANCEL, {"1", "extra"}},
        {{}, 1312, 1313, IDCANCEL, {}},
    };
    for (const Case& c : cases) {
        CStringArray values;
        Fill(values, c.in);
        std::vector<int> checked;
        const int code = Run(
            [&](Dialog& d) {
                for (int id : {1311, 1312, 1313})
                    if (d.GetCheck(id) == 1) checked.push_back(id);
                if (c.pick) d.Click(c.pick);
                d.Click(c.end);
            },
            [&] { return SelectImportanceDlg(values); });
        EXPECT_EQ(code, c.end);
        EXPECT_EQ(checked, std::vector<int>{c.preselected});
        EXPECT_EQ(Texts(values), c.out);
    }
    EXPECT_EQ(captions.back(), "Importance");
}

// ---- Search text ----

TEST_F(DocumentDialogs, SearchTextListIsEditedAndReplacesTheArrayOnOk) {
    for (int end : {IDOK, IDCANCEL}) {
        CStringArray words;
        Fill(words, {"alpha", "beta"});
        std::vector<std::string> start, afterAdds, afterRemove;
        std::vector<int> selected; // after adding, re-adding a word, removing
        std::string offered;
        const int code = Run(
            [&](Dialog& d) {
                start = d.GetItems(1321);
                offered = d.GetText(1322);
                d.Click(1323); // adds the caller's text and selects it
                selected.push_back(d.GetCurSel(1321));
                d.SetText(1322, "   ");
                d.Click(1323); // blank: nothing
                d.SetText(1322, "beta");
                d.Click(1323); // already there: selected, not added
                selected.push_back(d.GetCurSel(1321));
                afterAdds = d.GetItems(1321);
                d.SetCurSel(1321, 0);
                d.Click(1324); // the next item takes the selection
                selected.push_back(d.GetCurSel(1321));
                d.SetCurSel(1321, -1);
                d.Click(1324); // nothing selected: nothing
                afterRemove = d.GetItems(1321);
                d.Click(end);
            },
            [&] { return ShowSearchTextDlg(words, "gamma ray"); });
        EXPECT_EQ(code, end);
        EXPECT_EQ(start, (std::vector<std::string>{"alpha", "beta"}));
        EXPECT_EQ(offered, "gamma ray");
        EXPECT_EQ(afterAdds, (std::vector<std::string>{"alpha", "beta", "gamma ray"}));
        EXPECT_EQ(afterRemove, (std::vector<std::string>{"beta", "gamma ray"}));
        EXPECT_EQ(selected, (std::vector<int>{2, 1, 0}));
        EXPECT_EQ(Texts(words), end == IDOK ? afterRemove : start);
    }
}

} // namespace
