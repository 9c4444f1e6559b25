// The document-choice dialogs: what they show, which checks keep them open, what comes back.
#include <tessaly/dialogs.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

class DocumentDialogs : public ScriptedDialogs {};

// Line: starts at one inch, thinnest; the length refused above the page's maximum or no number.
TEST_F(DocumentDialogs, LineLengthAndWidth) {
    const struct {
        double maxLength;
        const char* typed;
        int widthIndex; // -1: leave the list as it starts
        int code;
        double length;
        int width;
        const char* message; // null: OK closed the dialog; otherwise Cancel did after it
    } cases[] = {
        {6.5, "2.25", 3, 1, 2.25, 4, nullptr},
        {6.5, "0", 1, 1, 0.0, 2, nullptr}, // only the maximum limits the length
        {3.14159, "3.2", -1, 2, 1.0, 1,
         "The line length is too big. The maximum length for this page is 3.14 inches."},
        {6.5, "two", 4, 2, 1.0, 1, "Please enter a number."},
    };
    for (const auto& c : cases) {
        double length = -5;
        int width = -5;
        std::vector<std::string> widths;
        std::string startText;
        const int code = Run(
            [&](Dialog& d) {
                widths = d.GetItems(1095);
                startText = d.GetText(1094);
                d.SetText(1094, c.typed);
                if (c.widthIndex >= 0) d.SetCurSel(1095, c.widthIndex);
                if (OkRefused(d, 1094)) d.Click(IDCANCEL);
            },
            [&] { return ShowInsertLineDlg(c.maxLength, length, width); });
        EXPECT_EQ(code, c.code) << c.typed;
        EXPECT_EQ(std::tuple(length, width, startText), std::tuple(c.length, c.width, "1.0"));
        EXPECT_EQ(widths, (std::vector<std::string>{"3/4 pt", "1 1/2 pt", "2 1/4 pt", "3 pt",
                                                    "3 3/4 pt", "4 1/2 pt", "5 1/4 pt", "6 pt"}));
        EXPECT_EQ(messages,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
}

std::string dateText(const char* picture) {
    SYSTEMTIME now{};
    p::GetLocalTime(&now);
    char buffer[128] = {};
    p::GetDateFormatA(p::LOCALE_USER_DEFAULT, 0, &now, picture, buffer, sizeof buffer);
    return buffer;
}

// Short dates (the locale's own first), long dates, then times (the locale's own first,
// 24-hour last), each picture once. The first is selected at first; the third chosen comes
// back on OK, Escape gives "".
TEST_F(DocumentDialogs, DateListAndChoice) {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    std::vector<std::string> items;
    for (const auto& [end, code] : {std::pair{Click(IDOK), 1}, {Escape(), 2}}) {
        const Script script = Then(
            [&](Dialog& d) {
                items = d.GetItems(1018);
                EXPECT_EQ(d.GetCurSel(1018), 0);
                d.SetCurSel(1018, 2);
            },
            end);
        CString text = "caller's";
        EXPECT_EQ(Run(script, [&] { return ShowDateDlg(text); }), code);
        ASSERT_GE(items.size(), 4u);
        const std::string expected = code == 1 ? items[2] : "";
        EXPECT_EQ(std::string(text), expected);
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(Run(script, [&] { return ShowDateDlgEx(buffer); }), code);
        EXPECT_EQ(std::string(buffer), expected);
    }
    EXPECT_EQ(std::set<std::string>(items.begin(), items.end()).size(), items.size());
    EXPECT_EQ(items[0], dateText("M/d/yyyy"));
    size_t at = 0;
    for (const char* picture : {"M/d/yyyy", "yyyy-MM-dd", "dddd, MMMM dd, yyyy", "dd MMMM, yyyy"}) {
        const size_t next =
            std::find(items.begin(), items.end(), dateText(picture)) - items.begin();
        EXPECT_TRUE(next < items.size() && next >= at) << picture;
        at = next;
    }
    const std::regex time(R"(\d{1,2}:\d{2}:\d{2})");
    size_t firstTime = at + 1;
    while (firstTime < items.size() && !std::regex_search(items[firstTime], time))
        ++firstTime;
    EXPECT_LT(firstTime + 1, items.size()) << "fewer than two times";
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(std::regex_search(items[i], time), i >= firstTime) << items[i];
    EXPECT_TRUE(std::regex_match(items.back(), time)) << items.back();
}

// The fitting percents given to the dialog: page 61, width 87, text 112.
TEST_F(DocumentDialogs, ZoomRadioButtonsAndField) {
    const struct {
        int start, press;  // press: a radio button clicked first, or 0
        const char* typed; // null: the field left alone
        bool leave;        // the focus leaves the field after typing
        std::string field; // the field afterwards
        int checked;       // the one radio button checked afterwards, 0 for none
        int end, zoom;     // the closing button, the caller's value afterwards
    } cases[] = {
        {100, 0, nullptr, false, "100", 1202, IDOK, 100},
        {120, 0, nullptr, false, "120", 0, IDOK, 120},
        {100, 1200, nullptr, false, "400", 1200, IDOK, 400},
        {100, 0, "50", false, "50", 1204, IDOK, 50},
        {100, 0, "87", false, "87", 0, IDOK, 87}, // a fitting value typed is no fit
        {100, 0, "500", true, "400", 1200, IDCANCEL, 100},
        {100, 0, "999", false, "999", 0, IDOK, 400},
        {100, 0, "", false, "", 0, IDOK, 10},
    };
    for (const auto& c : cases) {
        int zoom = c.start;
        std::string field;
        std::vector<int> checked;
        const int code = Run(
            [&](Dialog& d) {
                if (c.press) d.Click(c.press);
                if (c.typed) {
                    d.SetFocus(1013);
                    d.SetText(1013, c.typed);
                }
                if (c.leave) d.SetFocus(IDOK);
                field = d.GetText(1013);
                for (int id = 1200; id <= 1208; ++id)
                    if (d.GetCheck(id) == 1) checked.push_back(id);
                d.Click(c.end);
            },
            [&] { return ShowZoomDlg(zoom, 61, 87, 112); });
        EXPECT_EQ(code, c.end);
        EXPECT_EQ(field, c.field) << c.start << " " << (c.typed ? c.typed : "-");
        EXPECT_EQ(checked, c.checked ? std::vector<int>{c.checked} : std::vector<int>{});
        EXPECT_EQ(zoom, c.zoom);
    }
}

// The number dialogs by template, run with the caller's values (columns 77; page 3, line 4,
// column 9; table 99 by 98) that come back as "a,b,c".
int showNumbers(int templateId, std::string& out) {
    if (templateId == 240) {
        UINT n = 77;
        const int code = ShowColumnDlg(n);
        out = std::to_string(n);
        return code;
    }
    if (templateId == 23001) {
        int page = 3, line = 4, column = 9;
        const int code = ShowGoToDlg(page, line, column);
        out = std::to_string(page) + "," + std::to_string(line) + "," + std::to_string(column);
        return code;
    }
    UINT n = 99, rows = 98;
    const int code = ShowInsertTableDlg(n, rows);
    out = std::to_string(n) + "," + std::to_string(rows);
    return code;
}

// What is no number (or a negative count) keeps the dialog open with a prompt.
TEST_F(DocumentDialogs, NumberFieldsRefuseWhatIsNoNumber) {
    const struct {
        int templateId;
        std::vector<int> fields;
        std::string start; // the fields at first
        std::vector<std::pair<int, const char*>> typed;
        bool refused;    // OK first prompts for an integer and keeps the dialog open
        int end, code;   // the button that then ends the dialog, and the result
        const char* out; // the caller's values afterwards
    } cases[] = {
        {240, {1120}, "2", {{1120, "5"}}, false, IDCANCEL, 2, "2"},
        {240, {1120}, "2", {{1120, "-2"}}, true, IDCANCEL, 2, "2"},
        {23001, {1089, 1090, 1091}, "3,4,9", {{1089, "0"}}, false, 1094, 1094, "0,4,9"},
        {23000, {1331, 1333}, "2,2", {{1331, "4"}, {1333, "7"}}, false, IDOK, 1, "4,7"},
    };
    for (const auto& c : cases) {
        std::string start, out;
        const int code = Run(
            [&](Dialog& d) {
                for (int field : c.fields)
                    start += (start.empty() ? "" : ",") + d.GetText(field);
                for (const auto& [field, text] : c.typed)
                    d.SetText(field, text);
                if (c.refused) d.Click(IDOK);
                d.Click(c.end);
            },
            [&] { return showNumbers(c.templateId, out); });
        EXPECT_EQ(std::tuple(start, code, out), std::tuple(c.start, c.code, c.out))
            << c.templateId << " " << c.typed[0].second;
        EXPECT_EQ(messages, c.refused ? std::vector<std::string>{"Please enter an integer."}
                                      : std::vector<std::string>{});
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

TEST_F(DocumentDialogs, ImportanceMapsArrayToRadioAndBack) {
    // The caller's array, the button checked at first, the one picked (0: none), the end, the
    // array afterwards.
    const std::tuple<std::vector<std::string>, int, int, int, std::vector<std::string>> cases[] = {
        {{}, 1312, 0, IDOK, {"3"}},
        {{"1"}, 1313, 0, IDOK, {"1"}},
        {{"abc"}, 1312, 1313, IDOK, {"1"}},
        {{"1", "extra"}, 1313, 1311, IDCANCEL, {"1", "extra"}},
    };
    for (const auto& [in, preselected, pick, end, out] : cases) {
        CStringArray values;
        Fill(values, in);
        std::vector<int> checked;
        const int code = Run(
            [&](Dialog& d) {
                for (int id : {1311, 1312, 1313})
                    if (d.GetCheck(id) == 1) checked.push_back(id);
                if (pick) d.Click(pick);
                d.Click(end);
            },
            [&] { return SelectImportanceDlg(values); });
        EXPECT_EQ(code, end);
        EXPECT_EQ(checked, std::vector<int>{preselected});
        EXPECT_EQ(Texts(values), out);
    }
}

TEST_F(DocumentDialogs, SearchTextListIsEditedAndReplacesTheArrayOnOk) {
    for (int end : {IDOK, IDCANCEL}) {
        CStringArray words;
        Fill(words, {"alpha", "beta"});
        std::vector<std::string> shown; // the list at the end
        std::vector<int> selected;      // after adding, re-adding a word, removing
        std::string offered;
        const int code = Run(
            [&](Dialog& d) {
                offered = d.GetText(1322);
                d.Click(1323); // adds the caller's text and selects it
                selected.push_back(d.GetCurSel(1321));
                d.SetText(1322, "   ");
                d.Click(1323); // blank: nothing
                d.SetText(1322, "beta");
                d.Click(1323); // already there: selected, not added
                selected.push_back(d.GetCurSel(1321));
                d.SetCurSel(1321, 0);
                d.Click(1324); // the next item takes the selection
                selected.push_back(d.GetCurSel(1321));
                d.SetCurSel(1321, -1);
                d.Click(1324); // nothing selected: nothing
                shown = d.GetItems(1321);
                d.Click(end);
            },
            [&] { return ShowSearchTextDlg(words, "gamma ray"); });
        EXPECT_EQ(code, end);
        EXPECT_EQ(offered, "gamma ray");
        // The caller's words shown, the new one added after them, the first removed.
        EXPECT_EQ(shown, (std::vector<std::string>{"beta", "gamma ray"}));
        EXPECT_EQ(selected, (std::vector<int>{2, 1, 0}));
        EXPECT_EQ(Texts(words), end == IDOK ? shown : (std::vector<std::string>{"alpha", "beta"}));
    }
}

} // namespace
