// The shortcut table, the keyboard state kept from key events, typing codes, the shortcut list,
// and the Insert Symbol dialog: font families, the grid's geometry and drawing, both forms.
#include <tessaly/platform.h>
#include <tessaly/text.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "../dialogs/choices_support.h"
#include "platform/codepage.h"
#include "support/qt_app.h"
#include "support/registry.h"
#include "support/run.h"
#include "support/xvfb.h"

using namespace choices_test;
namespace fs = std::filesystem;

namespace {

// Keys held: c Ctrl, s Shift, a Alt, k Caps Lock on, h A at 79 (too little to count as held),
// punctuation by its face, else themselves.
void setKeys(BYTE (&keys)[256], const std::string& held) {
    std::fill(std::begin(keys), std::end(keys), 0);
    static const std::string faces = "csakh`';,/[]";
    static const BYTE codes[] = {0x11, 0x10, 0x12, 0x14, 'A',  0xC0,
                                 0xDE, 0xBA, 0xBC, 0xBF, 0xDB, 0xDD};
    for (char key : held) {
        const size_t at = faces.find(key);
        const BYTE code = at == std::string::npos ? static_cast<BYTE>(key) : codes[at];
        keys[code] = key == 'k' ? 1 : key == 'h' ? 79 : 0x80;
    }
}

// One row per line and rule of the shortcut table: keys held, state before, result, the
// Windows-1252 code ("-": left alone), the GB2312 code for the Chinese interface, state after.
const std::tuple<const char*, int, int, const char*, const char*, int> kShortcuts[] = {
    {"c4", 0, 1, "0128", "0128", 0},
    {"c[", 3, 1, "0147", "\xA1\xB0", 3},
    {"c`", 0, 0, "-", "-", 1},
    {"cs`", 0, 0, "-", "-", 5}, // with Shift the grave key is tilde
    {"A", 1, 1, "0224", "\xA8\xA4", 1},
    {"kA", 1, 1, "0192", "\xA8\xA4", 1},
    {"ksA", 1, 1, "0224", "\xA8\xA4", 1},
    {"sU", 1, 1, "0217", "\xA8\xB4", 1},
    {"N", 1, 0, "-", "-", 1},
    {"Y", 2, 1, "0253", "", 2},
    {"c'A", 0, 1, "0225", "\xA8\xA2", 2},
    {"c'", 1, 0, "-", "-", 2}, // a later one takes over
    {"cs6E", 0, 1, "0202", "\xA8\xBA", 3},
    {"cs;Y", 0, 1, "0159", "", 4},
    {"U", 4, 1, "0252", "\xA8\xB9", 4},
    {"N", 5, 1, "0241", "\xA8\xBE", 5},
    {"cs2A", 0, 1, "0197", "\xA8\xA1", 6},
    {"cs7S", 0, 1, "0223", "\xA6\xC2", 7},
    {"O", 7, 1, "0156", "\xA6\xC5", 7},
    {"cs,", 0, 0, "-", "-", 8}, // Shift not looked at
    {"kC", 8, 1, "0199", "\xA6\xC6", 8},
    {"O", 9, 1, "0248", "\xA6\xD5", 9},
    {"csa/", 0, 1, "0191", "\xA6\xD3", 10},
    {"1", 10, 1, "0161", "\xA6\xC9", 10},
    {"A", 0, 0, "-", "-", 0},
    {"h", 1, 0, "-", "-", 1},
};

// The code column follows the interface language, asked once per process: the Chinese
// interface's child (below) runs the same table for the GB2312 column.
TEST(Keyboard, ShortcutTable) {
    const bool chinese = std::getenv("TESSALY_CHINESE_CHILD");
    for (const auto& [held, stateBefore, result, windows, gb2312, stateAfter] : kShortcuts) {
        BYTE keys[256];
        setKeys(keys, held);
        ASSERT_TRUE(SetKeyboardState(keys));
        CString code("-");
        int state = stateBefore;
        EXPECT_EQ(OnKeyStroke(code, &state), result) << held;
        EXPECT_EQ(std::string(code), chinese ? gb2312 : windows) << held;
        EXPECT_EQ(state, stateAfter) << held;
    }
    EXPECT_FALSE(GetKeyboardState(nullptr));
}

// This program run again for one case alone, with more environment, passes it.
void expectPassesAlone(const std::string& name, const std::vector<std::string>& environment) {
    const auto run = tessaly::testing::RunProgram(
        {fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=" + name}, environment);
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test."), std::string::npos) << run.out << run.err;
}

class TypeSymbol : public tessaly::testing::PrefixTest {};

// A process started in a prefix whose interface language is Chinese (2052) types GB2312.
TEST_F(TypeSymbol, ChineseInterfaceShortcutsGiveGb2312) {
    tessaly::testing::PutRegText(HKEY_LOCAL_MACHINE, "Software\\Varnholt\\Tessaly2001\\Language",
                                 "Current", "2052");
    expectPassesAlone("Keyboard.ShortcutTable", {"TESSALY_CHINESE_CHILD=1"});
}

// The application's key events keep the table: Ctrl+Grave then a, with Caps Lock toggled.
TEST(Keyboard, KeyEventsKeepTheKeyboardState) {
    tessaly::testing::EnsureQtApplication();
    BYTE none[256] = {};
    SetKeyboardState(none);
    QLineEdit edit;
    auto key = [&](bool down, int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, modifiers);
        QApplication::sendEvent(&edit, &event);
        BYTE keys[256];
        GetKeyboardState(keys);
        // Down bits of Ctrl, Grave and 1; Caps Lock whole (down and toggle bits).
        return std::to_string(keys[0x11] & 0x80) + " " + std::to_string(keys[0xC0] & 0x80) + " " +
               std::to_string(keys[0x14]) + " " + std::to_string(keys['1'] & 0x80);
    };
    CString code("-");
    int state = 0;
    EXPECT_EQ(key(true, Qt::Key_Control, Qt::ControlModifier), "128 0 0 0");
    EXPECT_EQ(key(true, Qt::Key_QuoteLeft, Qt::ControlModifier), "128 128 0 0");
    EXPECT_EQ(OnKeyStroke(code, &state), 0);
    EXPECT_EQ(state, 1);
    key(false, Qt::Key_QuoteLeft, Qt::ControlModifier);
    EXPECT_EQ(key(false, Qt::Key_Control), "0 0 0 0");
    EXPECT_EQ(key(true, Qt::Key_Exclam, Qt::ShiftModifier), "0 0 0 128"); // Shift+1 is key 1
    key(false, Qt::Key_Exclam);
    EXPECT_EQ(key(true, Qt::Key_CapsLock), "0 0 129 0");
    key(false, Qt::Key_CapsLock);
    key(true, Qt::Key_A);
    EXPECT_EQ(OnKeyStroke(code, &state) ? std::string(code) : "", "0192"); // Caps Lock: capital
}

// The codes' characters (none for codes naming none) reach the focused edit: as key events
// sent at once or, in ThroughXTest's child, later through the X server.
TEST_F(TypeSymbol, IntoTheFocusedEdit) {
    const bool x = std::getenv("TESSALY_XTEST_CHILD");
    x ? setenv("QT_QPA_PLATFORM", "xcb", 1) : unsetenv("DISPLAY"); // tests start offscreen
    tessaly::testing::EnsureQtApplication();
    QLineEdit edit;
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (QApplication::focusWidget() != &edit && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    for (const char* code : {"0233", "0128", "12a", "", "0000", "000233", "0159", "0065"})
        InputSymbol(code);
    const std::string atOnce = edit.text().toStdString();
    while (edit.text().size() < 4 && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(atOnce + " " + edit.text().toStdString(), x ? " é€ŸA" : "é€ŸA é€ŸA");
}

TEST_F(TypeSymbol, ThroughXTest) {
    tessaly::testing::PrivateDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "Xvfb could not be started";
    expectPassesAlone("TypeSymbol.IntoTheFocusedEdit",
                      {"TESSALY_XTEST_CHILD=1", "DISPLAY=" + display.Name()});
}

class SymbolDialog : public ScriptedDialogs {};

TEST_F(SymbolDialog, KeystrokeShortcutsListTheTableAndPrintIt) {
    const std::string pdf = prefix_.scratch() + "/keys.pdf";
    using tessaly::automation::PrintSetupAnswer;
    tessaly::automation::SetPrintSetupHandler([&] {
        return PrintSetupAnswer{PrintSetupAnswer::PdfFile, pdf, {}};
    });
    std::vector<std::string> lines; // some lines of the list, and whether printing closed it
    Run(
        [&](Dialog& d) {
            for (int line : {0, 6, 9, 11})
                lines.push_back(tessaly::platform::AnsiToUtf8(d.GetText(24740 + line)) + " | " +
                                d.GetText(24760 + line));
            d.Click(24731);
            lines.push_back(d.IsOpen() ? "open" : "closed");
            d.Click(IDOK);
        },
        [] { return ShowKeyStrokeDlg(), 0; });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "à è ì ò ù À È Ì Ò Ù | CTRL+` (grave accent), then the letter",
                         "æ œ ß Æ Œ | CTRL+SHIFT+&&  followed by a, o or s",
                         "¿ | ALT+CTRL+SHIFT+ ?", "€ | CTRL+$", "open"}));
    const auto text = tessaly::testing::RunProgram({"pdftotext", "-enc", "UTF-8", pdf, "-"});
    for (const char* printed : {"A two-step shortcut", "æ œ ß Æ Œ", "& followed by a, o or s"})
        EXPECT_NE(text.out.find(printed), std::string::npos) << text.out;
}

constexpr int kFonts = 24781, kWingdings = 24782, kShortcutsButton = 24783, kPreview = 24784,
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

// Cell (r, c) shows 32 + 23 r + c; hovering previews it, a click chooses it, if below 256.
// The first run also looks at the drawing: the blank (32), W (87), 261, and a grid line.
// Then both forms, their buttons and the buffer twin.
TEST_F(SymbolDialog, GridCellsFormsAndTheBufferTwin) {
    tessaly::testing::EnsureQtApplication();
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
                d.MouseMove(0, g.X(column), g.Y(row));
                seen = {d.GetText(kFonts), d.GetText(kPreview)};
                d.MouseMove(0, g.X(column), d.GetRect(0).height - 3); // below the grid
                seen.push_back(d.GetText(kPreview));
                g.Click(d, row, column);
                if (d.IsOpen()) d.PressEscape();
            },
            [&] { return ShowSymbolDlg(font, &character, 0); });
        const int code = 32 + 23 * row + column;
        const std::string preview = code < 256 ? std::string(1, char(code)) : "";
        EXPECT_EQ(seen, (std::vector<std::string>{"DejaVu Sans", preview, ""}));
        EXPECT_EQ(std::pair(result, character), std::pair(chosen ? 1 : 2, chosen)) << code;
    }
    EXPECT_EQ(ink, (std::vector<int>{0, 1, 0, 1}));

    // Shortcuts... shows its dialog; Wingdings selects that face; the note in this form only.
    CString font("DejaVu Sans");
    int character = 0;
    const int result = Run({[&](Dialog& d) {
                                EXPECT_TRUE(d.IsVisible(kNote));
                                d.Click(kShortcutsButton);
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
