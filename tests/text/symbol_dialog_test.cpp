// The Insert Symbol dialog: font families, the grid's geometry and drawing, both forms, the twin.
#include <tessaly/text.h>

#include <QFontDatabase>
#include <QImage>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../dialogs/choices_support.h"
#include "support/qt_app.h"

using namespace choices_test;

namespace {

constexpr int kFonts = 24781, kWingdings = 24782, kShortcuts = 24783, kPreview = 24784,
              kNote = 24785;

// 10 rows of 23 cells below the list, centred, ending 10 pixels above the bottom.
struct Grid {
    int left, top, width, height;
    explicit Grid(Dialog& d) {
        const tessaly::automation::Rect client = d.GetRect(0), list = d.GetRect(kFonts);
        width = (client.width - 20) / 23;
        height = (client.height - (list.top + list.height) - 30) / 10;
        left = (client.width - 23 * width) / 2;
        top = client.height - 10 - 10 * height;
    }
    int X(int column) const { return left + column * width + width / 2; }
    int Y(int row) const { return top + row * height + height / 2; }
    void Click(Dialog& d, int row, int column) const {
        d.MouseDown(0, X(column), Y(row));
        d.MouseUp(0, X(column), Y(row));
    }
    // Pixels of a cell's inside unlike its corner.
    int Ink(const QImage& picture, int row, int column) const {
        const int x0 = left + column * width + 2, y0 = top + row * height + 2;
        int ink = 0;
        for (int y = y0; y < y0 + height - 3; ++y)
            for (int x = x0; x < x0 + width - 3; ++x)
                ink += picture.pixel(x, y) != picture.pixel(x0, y0);
        return ink;
    }
};

class SymbolDialog : public ScriptedDialogs {};

// Cell (r, c) shows 32 + 23 r + c; hovering previews it, a click chooses it, if below 256.
// The first run also looks at the drawing: the blank (32), W (87), 261, and a grid line.
TEST_F(SymbolDialog, GridCellsByTheirGeometry) {
    tessaly::testing::EnsureQtApplication();
    std::vector<std::string> families;
    for (const QString& family : QFontDatabase::families())
        if (std::find(families.begin(), families.end(), family.toStdString()) == families.end())
            families.push_back(family.toStdString());
    // Row, column, the character chosen (0: the click chooses nothing).
    const std::tuple<int, int, int> cases[] = {{1, 10, 65}, {0, 0, 32}, {9, 4, 243}, {9, 17, 0}};
    std::vector<int> ink;
    for (const auto& [row, column, chosen] : cases) {
        CString font("DejaVu Sans");
        int character = -1;
        std::vector<std::string> seen;
        const int result = Run(
            [&](Dialog& d) {
                const Grid g(d);
                if (ink.empty()) {
                    d.Wait(50);
                    const std::string png = prefix_.scratch() + "/symbols.png";
                    d.SavePng(png); // no picture: no ink and no grid line
                    const QImage picture(QString::fromStdString(png));
                    ink = {g.Ink(picture, 0, 0), g.Ink(picture, 2, 9) > 10, g.Ink(picture, 9, 22),
                           picture.pixel(g.left + 5 * g.width, g.Y(3)) !=
                               picture.pixel(g.left + 5 * g.width + 2, g.Y(3))};
                }
                seen = {d.GetText(kFonts)};
                d.MouseMove(0, g.X(column), g.Y(row));
                seen.push_back(d.GetText(kPreview));
                d.MouseMove(0, g.X(column), d.GetRect(0).height - 3); // below the grid
                seen.push_back(d.GetText(kPreview));
                EXPECT_EQ(d.GetItems(kFonts), families);
                g.Click(d, row, column);
                if (d.IsOpen()) d.PressEscape();
            },
            [&] { return ShowSymbolDlg(font, &character, 0); });
        const int code = 32 + 23 * row + column;
        const std::string preview = code < 256 ? std::string(1, char(code)) : "";
        EXPECT_EQ(seen, (std::vector<std::string>{"DejaVu Sans", preview, ""}));
        EXPECT_EQ(result, chosen ? 1 : 2) << code;
        EXPECT_EQ(character, chosen) << code;
    }
    EXPECT_EQ(ink, (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(SymbolDialog, FormsButtonsAndTheBufferTwin) {
    // Shortcuts... shows its dialog and comes back; Wingdings selects that face; the note
    // is shown in the normal form only.
    CString font("DejaVu Sans");
    int character = 0;
    const int result = Run({[&](Dialog& d) {
                                EXPECT_TRUE(d.IsVisible(kNote));
                                d.Click(kShortcuts);
                                d.Click(kWingdings);
                                Grid(d).Click(d, 0, 1);
                            },
                            Click(IDOK)},
                           [&] { return ShowSymbolDlg(font, &character, 0); });
    EXPECT_EQ(opened, (std::vector<int>{24704, 24703}));
    EXPECT_EQ(result * 1000 + character, 1033);
    EXPECT_EQ(std::string(font), "Wingdings");

    for (bool click : {false, true}) { // the compact twin writes the face only on OK
        char buffer[64] = "unchanged";
        int chosen = 0;
        const int code = Run(
            [&](Dialog& d) {
                EXPECT_FALSE(d.IsVisible(kNote));
                const std::vector<std::string> items = d.GetItems(kFonts);
                EXPECT_EQ(d.GetText(kFonts), items.front()); // for a face not on the list
                const auto serif = std::find(items.begin(), items.end(), "DejaVu Serif");
                d.SetCurSel(kFonts, static_cast<int>(serif - items.begin()));
                click ? Grid(d).Click(d, 1, 2) : d.PressEscape();
            },
            [&] { return ShowSymbolDlgEx(buffer, chosen, 1); });
        EXPECT_EQ(std::tuple(code, std::string(buffer), chosen),
                  click ? std::tuple(1, std::string("DejaVu Serif"), 57)
                        : std::tuple(2, std::string("unchanged"), 0));
    }
}

} // namespace
