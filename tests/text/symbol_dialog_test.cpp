// The Insert Symbol dialog through the automation API: the machine's font families, the grid
// laid out and drawn by its geometry, hover preview, choosing a cell, the two forms and the
// buffer twin.
#include <tessaly/text.h>

#include <QFontDatabase>
#include <QImage>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../dialogs/choices_support.h"
#include "support/qt_app.h"

using namespace choices_test;

namespace {

constexpr int kFonts = 24781, kWingdings = 24782, kShortcuts = 24783, kPreview = 24784,
              kNote = 24785;
constexpr int kSymbolTemplate = 24704, kKeystrokeTemplate = 24703;

// The grid as the dialog's geometry defines it: 10 rows of 23 cells below the list, centred,
// ending 10 pixels above the bottom.
struct Grid {
    int left, top, width, height;

    explicit Grid(Dialog& d) {
        const tessaly::automation::Rect client = d.GetRect(0), list = d.GetRect(kFonts);
        const int listBottom = list.top + list.height;
        width = (client.width - 20) / 23;
        height = (client.height - listBottom - 30) / 10;
        left = (client.width - 23 * width) / 2;
        top = client.height - 10 - 10 * height;
    }
    int X(int column) const { return left + column * width + width / 2; }
    int Y(int row) const { return top + row * height + height / 2; }
};

class SymbolDialog : public ScriptedDialogs {
  protected:
    // Pixels of a cell's inside that differ from its corner, in a picture of the dialog's
    // client area.
    static int InkIn(const QImage& picture, const Grid& g, int row, int column) {
        const int x0 = g.left + column * g.width + 2, y0 = g.top + row * g.height + 2;
        const QRgb background = picture.pixel(x0, y0);
        int ink = 0;
        for (int y = y0; y < y0 + g.height - 3; ++y)
            for (int x = x0; x < x0 + g.width - 3; ++x)
                ink += picture.pixel(x, y) != background;
        return ink;
    }
};

TEST_F(SymbolDialog, ListsTheFontFamiliesAndSelectsTheGivenFace) {
    tessaly::testing::EnsureQtApplication();
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!families.contains(family)) families.append(family);
    ASSERT_TRUE(families.contains("DejaVu Sans"));
    struct Case {
        const char* given;
        std::string selected;
    } cases[] = {{"DejaVu Sans", "DejaVu Sans"}, {"No Such Face", families.first().toStdString()}};
    for (const Case& c : cases) {
        std::vector<std::string> items;
        std::string selected;
        CString font(c.given);
        int character = 7;
        const int result = Run(
            [&](Dialog& d) {
                items = d.GetItems(kFonts);
                selected = d.GetText(kFonts);
                d.PressEscape();
            },
            [&] { return ShowSymbolDlg(font, &character, 0); });
        EXPECT_EQ(result, 2);
        ASSERT_EQ(items.size(), static_cast<size_t>(families.size()));
        for (int i = 0; i < families.size(); ++i)
            EXPECT_EQ(items[i], families[i].toStdString());
        EXPECT_EQ(selected, c.selected);
        EXPECT_EQ(std::string(font), c.selected) << "the face in use comes back";
        EXPECT_EQ(character, 0) << "no cell chosen";
        EXPECT_EQ(captions.back(), "Insert Symbol");
    }
}

// Each cell shows 32 + 23 r + c: a click chooses it, the mouse over it previews it; codes
// from 256 on are neither drawn nor chosen.
TEST_F(SymbolDialog, GridCellsByTheirGeometry) {
    struct Case {
        int row, column;
        int character; // chosen by a click, 0 when the click chooses nothing
    } cases[] = {{1, 10, 65}, {0, 0, 32}, {9, 4, 243}, {9, 22, 0}, {9, 17, 0}};
    for (const Case& c : cases) {
        CString font("DejaVu Sans");
        int character = -1;
        std::string preview, cleared;
        bool openAfterClick = false;
        const int result = Run(
            [&](Dialog& d) {
                const Grid g(d);
                d.MouseMove(0, g.X(c.column), g.Y(c.row));
                preview = d.GetText(kPreview);
                d.MouseMove(0, g.X(c.column), d.GetRect(0).height - 3); // below the grid
                cleared = d.GetText(kPreview);
                d.MouseDown(0, g.X(c.column), g.Y(c.row));
                d.MouseUp(0, g.X(c.column), g.Y(c.row));
                openAfterClick = d.IsOpen();
                if (openAfterClick) d.PressEscape();
            },
            [&] { return ShowSymbolDlg(font, &character, 0); });
        const int code = 32 + 23 * c.row + c.column;
        EXPECT_EQ(result, c.character ? 1 : 2) << code;
        EXPECT_EQ(character, c.character) << code;
        EXPECT_EQ(openAfterClick, c.character == 0) << code;
        EXPECT_EQ(preview, code < 256 ? std::string(1, static_cast<char>(code)) : "") << code;
        EXPECT_EQ(cleared, "");
        EXPECT_EQ(std::string(font), "DejaVu Sans");
    }
}

TEST_F(SymbolDialog, DrawsLinesAndCharactersOnly) {
    int blank = -1, letter = -1, beyond = -1;
    long line = -1, inside = -1;
    CString font("DejaVu Sans");
    int character = 0;
    Run(
        [&](Dialog& d) {
            d.Wait(50);
            const Grid g(d);
            const std::string png = prefix_.scratch() + "/symbols.png";
            std::filesystem::create_directories(prefix_.scratch());
            ASSERT_TRUE(d.SavePng(png));
            QImage picture(QString::fromStdString(png));
            // The picture may hold the frame: find the client area's offset by its size.
            picture = picture.copy(picture.width() - d.GetRect(0).width,
                                   picture.height() - d.GetRect(0).height, d.GetRect(0).width,
                                   d.GetRect(0).height);
            blank = InkIn(picture, g, 0, 0);   // 32, the blank
            letter = InkIn(picture, g, 2, 9);  // 87, W
            beyond = InkIn(picture, g, 9, 22); // 261
            line = d.GetPixel(g.left + 5 * g.width, g.Y(3));
            inside = d.GetPixel(g.left + 5 * g.width + 2, g.top + 3 * g.height + 2);
            d.PressEscape();
        },
        [&] { return ShowSymbolDlg(font, &character, 0); });
    EXPECT_EQ(blank, 0);
    EXPECT_GT(letter, 10);
    EXPECT_EQ(beyond, 0);
    EXPECT_NE(line, inside) << "a grid line between the cells";
}

TEST_F(SymbolDialog, FormsButtonsAndTheBufferTwin) {
    // The note only in the normal form.
    for (int compact : {0, 1}) {
        bool noteShown = !compact;
        std::string note;
        CString font("DejaVu Sans");
        int character = 0;
        Run(
            [&](Dialog& d) {
                noteShown = d.IsVisible(kNote);
                note = d.GetText(kNote);
                d.PressEscape();
            },
            [&] { return ShowSymbolDlg(font, &character, compact); });
        EXPECT_EQ(noteShown, compact == 0);
        EXPECT_EQ(note.rfind("Note: Different symbols are available with different fonts.", 0), 0u);
    }
    // Wingdings selects that face; Keystroke Shortcuts shows its dialog and comes back.
    CString font("DejaVu Sans");
    int character = 0;
    const int result = Run({[&](Dialog& d) {
                                d.Click(kShortcuts);
                                d.Click(kWingdings);
                                const Grid g(d);
                                d.MouseDown(0, g.X(1), g.Y(0));
                                d.MouseUp(0, g.X(1), g.Y(0));
                            },
                            Click(IDOK)},
                           [&] { return ShowSymbolDlg(font, &character, 0); });
    EXPECT_EQ(opened, (std::vector<int>{kSymbolTemplate, kKeystrokeTemplate}));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(character, 33);
    EXPECT_EQ(std::string(font), "Wingdings");

    // The buffer twin writes the face only on OK.
    struct Case {
        bool click;
        int result;
        const char* face;
    } cases[] = {{false, 2, "unchanged"}, {true, 1, "DejaVu Serif"}};
    for (const Case& c : cases) {
        char buffer[64] = "unchanged";
        int chosen = 0;
        const int code = Run(
            [&](Dialog& d) {
                const std::vector<std::string> items = d.GetItems(kFonts);
                for (size_t i = 0; i < items.size(); ++i)
                    if (items[i] == "DejaVu Serif") d.SetCurSel(kFonts, static_cast<int>(i));
                if (!c.click) return d.PressEscape();
                const Grid g(d);
                d.MouseDown(0, g.X(2), g.Y(1));
                d.MouseUp(0, g.X(2), g.Y(1));
            },
            [&] { return ShowSymbolDlgEx(buffer, chosen, 1); });
        EXPECT_EQ(code, c.result);
        EXPECT_EQ(std::string(buffer), c.face);
        EXPECT_EQ(chosen, c.click ? 57 : 0);
    }
}

} // namespace
