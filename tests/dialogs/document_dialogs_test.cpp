// The document-choice dialogs, driven through the automation API: what they show, which
// checks keep them open, and which values come back on OK and on Cancel.
#include <tessaly/dialogs.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "choices_support.h"
#include "platform/locale.h"
#include "platform/wintime.h"

using namespace choices_test;
namespace p = tessaly::platform;

namespace {

class DocumentDialogs : public ScriptedDialogs {};

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
    {"EmptyStaysOpenSilently", 6.5, "", -1, IDCANCEL, true, 2, 1.0, 1, ""},
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
            if (c.end == IDOK || c.firstOkRefused) {
                d.Click(IDOK);
                stayedOpen = d.IsVisible(1094);
                if (stayedOpen) d.Click(c.end);
            } else {
                d.Click(c.end);
            }
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
    setenv("LC_ALL", "en_US.UTF-8", 1);
    std::vector<std::string> items;
    int selected = -2;
    CString chosen = "old";
    ASSERT_EQ(Run(
                  [&](Dialog& d) {
                      items = d.GetItems(1018);
                      selected = d.GetCurSel(1018);
                      d.SetCurSel(1018, 2);
                      d.Click(IDOK);
                  },
                  [&] { return ShowDateDlg(chosen); }),
              1);
    ASSERT_GE(items.size(), 8u);
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(std::string(chosen), items[2]);
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), items.size());
    // Short dates (the locale's own first), long dates, then times.
    EXPECT_EQ(items[0], dateText("M/d/yyyy"));
    const size_t iso = indexOf(items, dateText("yyyy-MM-dd"));
    const size_t longDate = indexOf(items, dateText("dddd, MMMM dd, yyyy"));
    const size_t lastLong = indexOf(items, dateText("dd MMMM, yyyy"));
    ASSERT_LT(iso, items.size());
    ASSERT_LT(longDate, items.size());
    ASSERT_LT(lastLong, items.size());
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
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    std::vector<std::string> items;
    CString chosen;
    Run(
        [&](Dialog& d) {
            items = d.GetItems(1018);
            d.Click(IDCANCEL);
        },
        [&] { return ShowDateDlg(chosen); });
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0], dateText("dd.MM.yyyy"));
    EXPECT_LT(indexOf(items, dateText("dddd, d. MMMM yyyy")), items.size());
    for (const std::string& item : items)
        EXPECT_EQ(item.find("AM"), std::string::npos) << item;
    EXPECT_TRUE(std::regex_match(items.back(), std::regex(R"(\d{1,2}:\d{2}:\d{2})")));
}

TEST_F(DocumentDialogs, DateChoiceIsStoredInEveryCase) {
    struct Case {
        Script script;
        int code;
        bool chosen; // the third entry, else empty
    };
    const Case cases[] = {
        {[](Dialog& d) {
             d.SetCurSel(1018, 2);
             d.Click(IDOK);
         },
         1, true},
        {[](Dialog& d) {
             d.SetCurSel(1018, 2);
             d.Click(IDCANCEL);
         },
         2, false},
        {Escape(), 2, false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> items;
        auto script = [&](Dialog& d) {
            items = d.GetItems(1018);
            c.script(d);
        };
        CString text = "caller's";
        EXPECT_EQ(Run(script, [&] { return ShowDateDlg(text); }), c.code);
        ASSERT_GT(items.size(), 2u);
        EXPECT_EQ(std::string(text), c.chosen ? items[2] : "");

        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(Run(script, [&] { return ShowDateDlgEx(buffer); }), c.code);
        EXPECT_EQ(std::string(buffer), c.chosen ? items[2] : "");
    }
}

// ---- Zoom ----

struct ZoomStep {
    enum Kind { Type, Leave, Press } kind;
    std::string text; // Type: the field's new text
    int id;           // Press: the radio button
};

struct ZoomCase {
    const char* name;
    int start;
    std::vector<ZoomStep> steps;
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
    {"RadioPutsPercent", 100, {{ZoomStep::Press, "", 1200}}, "400", 1200, IDOK, 400},
    {"QuarterRadio", 100, {{ZoomStep::Press, "", 1205}}, "25", 1205, IDOK, 25},
    {"FitWidthPutsCallersPercent", 100, {{ZoomStep::Press, "", 1206}}, "87", 1206, IDOK, 87},
    {"FitTextPutsCallersPercent", 100, {{ZoomStep::Press, "", 1207}}, "112", 1207, IDOK, 112},
    {"FitPagePutsCallersPercent", 100, {{ZoomStep::Press, "", 1208}}, "61", 1208, IDOK, 61},
    {"TypingSelectsFixedRadio", 100, {{ZoomStep::Type, "50", 0}}, "50", 1204, IDOK, 50},
    {"TypingOtherClearsRadios", 100, {{ZoomStep::Type, "60", 0}}, "60", 0, IDOK, 60},
    {"TypingFitValueSelectsNoFit", 100, {{ZoomStep::Type, "87", 0}}, "87", 0, IDOK, 87},
    {"LeavingClampsAbove",
     100,
     {{ZoomStep::Type, "500", 0}, {ZoomStep::Leave, "", 0}},
     "400",
     1200,
     IDCANCEL,
     100},
    {"LeavingClampsBelow",
     100,
     {{ZoomStep::Type, "5", 0}, {ZoomStep::Leave, "", 0}},
     "10",
     0,
     IDCANCEL,
     100},
    {"LeavingKeepsInRange",
     100,
     {{ZoomStep::Type, "250", 0}, {ZoomStep::Leave, "", 0}},
     "250",
     0,
     IDOK,
     250},
    {"OkClampsTooLarge", 100, {{ZoomStep::Type, "999", 0}}, "999", 0, IDOK, 400},
    {"OkClampsEmpty", 100, {{ZoomStep::Type, "", 0}}, "", 0, IDOK, 10},
    {"CancelKeepsCallersPercent", 75, {{ZoomStep::Press, "", 1201}}, "200", 1201, IDCANCEL, 75},
};

class ZoomDialog : public DocumentDialogs, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(ZoomDialog, RadioButtonsAndField) {
    const ZoomCase& c = GetParam();
    int zoom = c.start;
    std::string field;
    std::vector<int> checked;
    const int code = Run(
        [&](Dialog& d) {
            for (const ZoomStep& step : c.steps) {
                if (step.kind == ZoomStep::Type) {
                    d.SetFocus(1013);
                    d.SetText(1013, step.text);
                } else if (step.kind == ZoomStep::Leave) {
                    d.SetFocus(IDOK);
                } else {
                    d.Click(step.id);
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

TEST_F(DocumentDialogs, ColumnsStartAtTwoAndComeBackAlways) {
    struct Case {
        const char* typed;
        int end;
        bool refused; // OK kept the dialog open first
        int code;
        UINT columns;
    };
    const Case cases[] = {
        {nullptr, IDOK, false, 1, 2}, {"3", IDOK, false, 1, 3},    {"5", IDCANCEL, false, 2, 2},
        {"", IDCANCEL, true, 2, 2},   {"0", IDCANCEL, true, 2, 2},
    };
    for (const Case& c : cases) {
        UINT columns = 77;
        std::string start;
        bool open = false;
        const int code = Run(
            [&](Dialog& d) {
                start = d.GetText(1120);
                if (c.typed) d.SetText(1120, c.typed);
                if (c.refused) {
                    d.Click(IDOK);
                    open = d.IsVisible(1120);
                }
                d.Click(c.end);
            },
            [&] { return ShowColumnDlg(columns); });
        EXPECT_EQ(start, "2");
        EXPECT_EQ(open, c.refused) << (c.typed ? c.typed : "-");
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(columns, c.columns);
    }
    EXPECT_EQ(captions.back(), "Columns");
}

TEST_F(DocumentDialogs, GoToReturnsItsButtonsAndTheFields) {
    struct Case {
        int button;
        const char* page;
        int code;
        int out[3];
    };
    const Case cases[] = {
        {IDOK, "12", 1, {12, 4, 9}},    {1092, "12", 1092, {12, 4, 9}},
        {1093, "12", 1093, {12, 4, 9}}, {1094, "12", 1094, {12, 4, 9}},
        {IDCANCEL, "12", 2, {3, 4, 9}}, {IDOK, nullptr, 1, {3, 4, 9}},
    };
    for (const Case& c : cases) {
        int page = 3, line = 4, column = 9;
        std::string shown[3];
        const int code = Run(
            [&](Dialog& d) {
                shown[0] = d.GetText(1089);
                shown[1] = d.GetText(1090);
                shown[2] = d.GetText(1091);
                if (c.page) d.SetText(1089, c.page);
                d.Click(c.button);
            },
            [&] { return ShowGoToDlg(page, line, column); });
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(shown[0] + "," + shown[1] + "," + shown[2], "3,4,9");
        EXPECT_EQ((std::vector<int>{page, line, column}),
                  (std::vector<int>{c.out[0], c.out[1], c.out[2]}));
    }
    // An empty field keeps the dialog open.
    int page = 3, line = 4, column = 9;
    bool open = false;
    Run(
        [&](Dialog& d) {
            d.SetText(1090, "");
            d.Click(IDOK);
            open = d.IsVisible(1090);
            d.Click(IDCANCEL);
        },
        [&] { return ShowGoToDlg(page, line, column); });
    EXPECT_TRUE(open);
    EXPECT_EQ(captions.back(), "Go To/Go Near");
}

TEST_F(DocumentDialogs, TableSizeOnlyOnOk) {
    struct Case {
        const char* columns;
        const char* rows;
        int end;
        bool refused;
        int code;
        UINT out[2];
    };
    const Case cases[] = {
        {nullptr, nullptr, IDOK, false, 1, {2, 2}}, {"4", "7", IDOK, false, 1, {4, 7}},
        {"4", "7", IDCANCEL, false, 2, {99, 98}},   {"", "7", IDCANCEL, true, 2, {99, 98}},
        {"4", "0", IDCANCEL, true, 2, {99, 98}},
    };
    for (const Case& c : cases) {
        UINT columns = 99, rows = 98;
        bool open = false;
        const int code = Run(
            [&](Dialog& d) {
                if (c.columns) d.SetText(1331, c.columns);
                if (c.rows) d.SetText(1333, c.rows);
                if (c.refused) {
                    d.Click(IDOK);
                    open = d.IsVisible(1331);
                }
                d.Click(c.end);
            },
            [&] { return ShowInsertTableDlg(columns, rows); });
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(open, c.refused);
        EXPECT_EQ(columns, c.out[0]);
        EXPECT_EQ(rows, c.out[1]);
    }
    EXPECT_EQ(opened, std::vector<int>{23000});
    EXPECT_EQ(captions.back(), "Insert Table");
}

// ---- Toolbar rows ----

TEST_F(DocumentDialogs, ToolbarRowsFollowTheMaskBits) {
    // Rows 1 and 3 shown, and a bit the dialog has no row for.
    const UINT start = 0x5u | 0x100u;
    struct Case {
        int end;
        UINT mask;
    };
    for (const Case& c : {Case{IDOK, 0x6u | 0x100u}, Case{IDCANCEL, start}}) {
        UINT mask = start;
        std::vector<int> checks;
        const int code = Run(
            [&](Dialog& d) {
                for (int id = 1301; id <= 1306; ++id)
                    checks.push_back(d.GetCheck(id));
                d.SetCheck(1301, 0);
                d.SetCheck(1302, 1);
                d.Click(c.end);
            },
            [&] { return ShowCusToolbarDlg(mask); });
        EXPECT_EQ(code, c.end);
        EXPECT_EQ(checks, (std::vector<int>{1, 0, 1, 0, 0, 0}));
        EXPECT_EQ(mask, c.mask);
    }
}

// ---- Endnote ----

TEST_F(DocumentDialogs, EndnoteValuesComeBackAlways) {
    struct Case {
        int end;
        int separator;
        const char* number;
        const char* text;
    };
    for (const Case& c : {Case{IDOK, 0, "iv", "See the appendix."}, Case{IDCANCEL, 1, "", ""}}) {
        int separator = 7;
        CString number = "x", text = "y";
        const int code = Run(
            [&](Dialog& d) {
                d.SetText(1095, "iv");
                d.SetText(1096, "See the appendix.");
                d.SetCheck(1097, 0);
                d.Click(c.end);
            },
            [&] { return ShowEndNoteDlg(separator, number, text); });
        EXPECT_EQ(code, c.end);
        EXPECT_EQ(separator, c.separator);
        EXPECT_EQ(std::string(number), c.number);
        EXPECT_EQ(std::string(text), c.text);
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
        for (const std::string& v : c.in)
            values.Add(v.c_str());
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
        std::vector<std::string> out;
        for (int i = 0; i < values.GetSize(); ++i)
            out.push_back(std::string(values[i]));
        EXPECT_EQ(out, c.out);
    }
    EXPECT_EQ(captions.back(), "Importance");
}

// ---- Search text ----

TEST_F(DocumentDialogs, SearchTextListIsEditedAndReplacesTheArrayOnOk) {
    for (int end : {IDOK, IDCANCEL}) {
        CStringArray words;
        words.Add("alpha");
        words.Add("beta");
        std::vector<std::string> start, afterAdds, afterRemove;
        std::string offered;
        const int code = Run(
            [&](Dialog& d) {
                start = d.GetItems(1321);
                offered = d.GetText(1322);
                d.Click(1323); // adds the caller's text
                d.SetText(1322, "   ");
                d.Click(1323); // blank: nothing
                d.SetText(1322, "beta");
                d.Click(1323); // already there: nothing
                afterAdds = d.GetItems(1321);
                d.SetCurSel(1321, 0);
                d.Click(1324);
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
        std::vector<std::string> out;
        for (int i = 0; i < words.GetSize(); ++i)
            out.push_back(std::string(words[i]));
        EXPECT_EQ(out, end == IDOK ? afterRemove : start);
    }
}

} // namespace
