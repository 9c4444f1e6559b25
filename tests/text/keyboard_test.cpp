// The shortcut table with Caps Lock and Shift in Windows-1252 and GB2312, the keyboard state
// kept from key events, typing a character code into the focused window (with and without an
// X display), and the Keystroke Shortcuts dialog.
#include <tessaly/platform.h>
#include <tessaly/text.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../dialogs/choices_support.h"
#include "platform/codepage.h"
#include "support/qt_app.h"
#include "support/run.h"
#include "support/xvfb.h"
#include "text/keyboard_internal.h"

using namespace choices_test;
namespace p = tessaly::platform;
namespace fs = std::filesystem;
using tessaly::automation::PrintSetupAnswer;

namespace {

constexpr BYTE kCtrl = 0x11, kShift = 0x10, kAlt = 0x12, kCaps = 0x14, kGrave = 0xC0, kQuote = 0xDE,
               kSemicolon = 0xBA, kComma = 0xBC, kSlash = 0xBF, kOpen = 0xDB, kClose = 0xDD;

struct ShortcutCase {
    const char* rule;
    std::vector<BYTE> held; // keys down (0x80)
    bool caps;
    int stateBefore;
    int result;
    const char* code; // Windows-1252 code, or the code left alone ("kept")
    const char* gb;   // GB2312 bytes for the Chinese interface
    int stateAfter;
};

// One row per line and rule of the shortcut table.
const ShortcutCase kShortcuts[] = {
    {"Ctrl+4 euro", {kCtrl, '4'}, false, 0, 1, "0128", "0128", 0},
    {"Ctrl+[ opening quote", {kCtrl, kOpen}, false, 3, 1, "0147", "\xA1\xB0", 3},
    {"Ctrl+] closing quote", {kCtrl, kClose}, false, 0, 1, "0148", "\xA1\xB1", 0},
    {"Ctrl+Grave sets grave", {kCtrl, kGrave}, false, 0, 0, "kept", "kept", 1},
    {"Ctrl+Shift+Grave is tilde, not grave",
     {kCtrl, kShift, kGrave},
     false,
     0,
     0,
     "kept",
     "kept",
     5},
    {"grave a", {'A'}, false, 1, 1, "0224", "\xA8\xA4", 1},
    {"grave A with Caps Lock", {'A'}, true, 1, 1, "0192", "\xA8\xA4", 1},
    {"Caps Lock and Shift cancel", {'A', kShift}, true, 1, 1, "0224", "\xA8\xA4", 1},
    {"grave U with Shift", {'U', kShift}, false, 1, 1, "0217", "\xA8\xB4", 1},
    {"grave has no n", {'N'}, false, 1, 0, "kept", "kept", 1},
    {"acute e", {'E'}, false, 2, 1, "0233", "\xA8\xA6", 2},
    {"acute y has no GB2312 look-alike", {'Y'}, false, 2, 1, "0253", "", 2},
    {"acute D", {'D', kShift}, false, 2, 1, "0208", "\xA6\xC4", 2},
    {"Ctrl+' with a letter at once", {kCtrl, kQuote, 'A'}, false, 0, 1, "0225", "\xA8\xA2", 2},
    {"a later shortcut takes over", {kCtrl, kQuote}, false, 1, 0, "kept", "kept", 2},
    {"Ctrl+Shift+6 circumflex e", {kCtrl, kShift, '6'}, false, 0, 0, "kept", "kept", 3},
    {"circumflex e", {'E'}, false, 3, 1, "0234", "\xA8\xBA", 3},
    {"circumflex i has none", {'I'}, false, 3, 1, "0238", "", 3},
    {"Ctrl+Shift+; diaeresis", {kCtrl, kShift, kSemicolon}, false, 0, 0, "kept", "kept", 4},
    {"diaeresis y", {'Y'}, false, 4, 1, "0255", "", 4},
    {"diaeresis Y", {'Y'}, true, 4, 1, "0159", "", 4},
    {"diaeresis u", {'U'}, false, 4, 1, "0252", "\xA8\xB9", 4},
    {"tilde n", {'N'}, false, 5, 1, "0241", "\xA8\xBE", 5},
    {"Ctrl+Shift+2 ring A", {kCtrl, kShift, '2', 'A'}, false, 0, 1, "0197", "\xA8\xA1", 6},
    {"ligature s either case", {'S', kShift}, false, 7, 1, "0223", "\xA6\xC2", 7},
    {"ligature o", {'O'}, false, 7, 1, "0156", "\xA6\xC5", 7},
    {"ligature O", {'O'}, true, 7, 1, "0140", "\xA6\xC5", 7},
    {"Ctrl+Shift+7 sets ligature", {kCtrl, kShift, '7'}, false, 0, 0, "kept", "kept", 7},
    {"Ctrl+, cedilla ignores Shift", {kCtrl, kShift, kComma}, false, 0, 0, "kept", "kept", 8},
    {"cedilla C", {'C'}, true, 8, 1, "0199", "\xA6\xC6", 8},
    {"stroke o", {'O'}, false, 9, 1, "0248", "\xA6\xD5", 9},
    {"stroke O", {'O', kShift}, false, 9, 1, "0216", "\xA6\xB5", 9},
    {"Ctrl+/ stroke", {kCtrl, kSlash}, false, 0, 0, "kept", "kept", 9},
    {"Ctrl+Shift+Alt with ?", {kCtrl, kShift, kAlt, kSlash}, false, 0, 1, "0191", "\xA6\xD3", 10},
    {"inverted exclamation", {'1'}, false, 10, 1, "0161", "\xA6\xC9", 10},
    {"nothing held", {}, false, 0, 0, "kept", "kept", 0},
    {"a letter without a state", {'A'}, false, 0, 0, "kept", "kept", 0},
};

TEST(Shortcuts, TableInWindows1252ThroughTheKeyboardState) {
    for (const ShortcutCase& c : kShortcuts) {
        BYTE keys[256] = {};
        for (BYTE key : c.held)
            keys[key] = 0x80;
        if (c.caps) keys[kCaps] = 1;
        ASSERT_TRUE(SetKeyboardState(keys));
        CString code("kept");
        int state = c.stateBefore;
        EXPECT_EQ(OnKeyStroke(code, &state), c.result) << c.rule;
        EXPECT_EQ(std::string(code), c.code) << c.rule;
        EXPECT_EQ(state, c.stateAfter) << c.rule;
    }
}

TEST(Shortcuts, TableInGb2312ForTheChineseInterface) {
    for (const ShortcutCase& c : kShortcuts) {
        BYTE keys[256] = {};
        for (BYTE key : c.held)
            keys[key] = 0x80;
        if (c.caps) keys[kCaps] = 1;
        std::string code = "kept";
        int state = c.stateBefore;
        EXPECT_EQ(tessaly::text::DecideShortcut(keys, true, &state, code), c.result) << c.rule;
        EXPECT_EQ(code, c.gb) << c.rule;
        EXPECT_EQ(state, c.stateAfter) << c.rule;
    }
}

// A key counts as held from the value 80 on; Caps Lock as on when its entry is nonzero.
TEST(Shortcuts, KeyValuesAndCapsEntry) {
    struct Case {
        BYTE letter, caps;
        const char* code;
    } cases[] = {{80, 0, "0224"}, {79, 0, "kept"}, {0x81, 0x80, "0192"}, {0xFF, 0, "0224"}};
    for (const Case& c : cases) {
        BYTE keys[256] = {};
        keys['A'] = c.letter;
        keys[kCaps] = c.caps;
        SetKeyboardState(keys);
        CString code("kept");
        int state = 1;
        OnKeyStroke(code, &state);
        EXPECT_EQ(std::string(code), c.code) << int(c.letter);
    }
    BYTE keys[256];
    EXPECT_FALSE(GetKeyboardState(nullptr));
    EXPECT_FALSE(SetKeyboardState(nullptr));
    EXPECT_TRUE(GetKeyboardState(keys));
}

// ---- The keyboard state from the application's key events ----

class KeyEvents : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        tessaly::testing::EnsureQtApplication();
        BYTE none[256] = {};
        SetKeyboardState(none);
    }
    void Key(QWidget& widget, bool down, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(&widget, &event);
    }
    static BYTE Entry(BYTE key) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        return keys[key];
    }
};

TEST_F(KeyEvents, PressesAndReleasesReachTheTable) {
    QLineEdit edit;
    const auto ctrl = Qt::ControlModifier;
    Key(edit, true, Qt::Key_Control, ctrl);
    EXPECT_EQ(Entry(kCtrl) & 0x80, 0x80);
    Key(edit, true, Qt::Key_QuoteLeft, ctrl);
    EXPECT_EQ(Entry(kGrave) & 0x80, 0x80);
    // The program asks while the keys are down: the grave state.
    CString code("kept");
    int state = 0;
    EXPECT_EQ(OnKeyStroke(code, &state), 0);
    EXPECT_EQ(state, 1);
    Key(edit, false, Qt::Key_QuoteLeft, ctrl);
    Key(edit, false, Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(Entry(kCtrl) & 0x80, 0);
    EXPECT_EQ(Entry(kGrave) & 0x80, 0);
    // Shifted faces are their keys: Shift+1 is the key 1.
    Key(edit, true, Qt::Key_Exclam, Qt::ShiftModifier);
    EXPECT_EQ(Entry('1') & 0x80, 0x80);
    EXPECT_EQ(Entry(kShift) & 0x80, 0x80);
    Key(edit, false, Qt::Key_Exclam, Qt::NoModifier);
    EXPECT_EQ(Entry(kShift) & 0x80, 0);
    // Caps Lock toggles on each press; the letter then comes out in capitals.
    Key(edit, true, Qt::Key_CapsLock, Qt::NoModifier);
    Key(edit, false, Qt::Key_CapsLock, Qt::NoModifier);
    EXPECT_EQ(Entry(kCaps), 1);
    Key(edit, true, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(OnKeyStroke(code, &state), 1);
    EXPECT_EQ(std::string(code), "0192");
    Key(edit, false, Qt::Key_A, Qt::NoModifier);
    Key(edit, true, Qt::Key_CapsLock, Qt::NoModifier);
    EXPECT_EQ(Entry(kCaps), 0x80);
    Key(edit, false, Qt::Key_CapsLock, Qt::NoModifier);
    EXPECT_EQ(Entry(kCaps), 0);
}

// ---- Typing a code ----

TEST(AltCodes, CharacterOfACode) {
    struct Case {
        const char* code;
        char16_t character;
    } cases[] = {{"0233", u'\u00e9'}, {"0128", u'\u20ac'}, {"0159", u'\u0178'},
                 {"0065", u'A'},      {"12a", 0},          {"", 0},
                 {"0000", 0},         {"\xD6\xD0", 0},     {"000233", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(tessaly::text::CharacterOfCode(c.code), c.character) << c.code;
}

class TypeSymbol : public tessaly::testing::PrefixTest {};

TEST_F(TypeSymbol, WithoutADisplayIntoTheFocusedWidget) {
    unsetenv("DISPLAY");
    tessaly::testing::EnsureQtApplication();
    QLineEdit edit;
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), &edit);
    for (const char* code : {"0233", "0128", "12a", "", "0065"})
        InputSymbol(code);
    EXPECT_EQ(edit.text().toStdU16String(), u"\u00e9\u20acA");
}

// The child: a window of its own on the X display, focused, gets the character through the
// X server.
TEST_F(TypeSymbol, XTestChild) {
    if (!std::getenv("TESSALY_XTEST_CHILD"))
        GTEST_SKIP() << "runs only as the child of ThroughXTest";
    setenv("QT_QPA_PLATFORM", "xcb", 1); // the test programs start offscreen
    tessaly::testing::EnsureQtApplication();
    QLineEdit edit;
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (QApplication::focusWidget() != &edit && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    for (const char* code : {"0233", "0065"})
        InputSymbol(code);
    while (edit.text().size() < 2 && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("TYPED %s\n", edit.text().toStdString().c_str());
}

TEST_F(TypeSymbol, ThroughXTest) {
    tessaly::testing::PrivateDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "Xvfb could not be started";
    const auto run = tessaly::testing::RunProgram(
        {fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=TypeSymbol.XTestChild"},
        {"TESSALY_XTEST_CHILD=1", "DISPLAY=" + display.Name(), "QT_QPA_PLATFORM=xcb"});
    EXPECT_NE(run.out.find("TYPED \xc3\xa9"
                           "A"),
              std::string::npos)
        << run.out << run.err;
}

// ---- Keystroke Shortcuts ----

class KeystrokeDialog : public ScriptedDialogs {};

std::string utf8(const std::string& ansi) {
    return p::AnsiToUtf8(ansi);
}

TEST_F(KeystrokeDialog, ListsTheTableAndPrintsIt) {
    std::vector<std::string> lines;
    Run(
        [&](Dialog& d) {
            for (int line = 0; line < 14; ++line)
                lines.push_back(utf8(d.GetText(24740 + line)) + " | " + d.GetText(24760 + line));
            d.Click(IDOK);
        },
        [] {
            ShowKeyStrokeDlg();
            return 0;
        });
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "à è ì ò ù À È Ì Ò Ù | CTRL+` (grave accent), then the letter");
    EXPECT_EQ(lines[2], "â ê î ô û Â Ê Î Ô Û | CTRL+SHIFT+^  followed by any of these letters");
    EXPECT_EQ(lines[6], "æ œ ß Æ Œ | CTRL+SHIFT+&&  followed by a, o or s");
    EXPECT_EQ(lines[9], "¿ | ALT+CTRL+SHIFT+ ?");
    EXPECT_EQ(lines[11], "€ | CTRL+$");
    EXPECT_EQ(captions.back(), "Keystroke Shortcuts");

    // Print: one page with the explanation and every line; the dialog stays open.
    const std::string pdf = prefix_.scratch() + "/keys.pdf";
    fs::create_directories(prefix_.scratch());
    tessaly::automation::SetPrintSetupHandler([&] {
        return PrintSetupAnswer{PrintSetupAnswer::PdfFile, pdf};
    });
    bool open = false;
    Run(
        [&](Dialog& d) {
            d.Click(24731);
            open = d.IsOpen();
            d.Click(IDCANCEL);
        },
        [] {
            ShowKeyStrokeDlg();
            return 0;
        });
    EXPECT_TRUE(open);
    const auto text = tessaly::testing::RunProgram({"pdftotext", "-enc", "UTF-8", pdf, "-"});
    EXPECT_NE(text.out.find("A two-step shortcut"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("CTRL+SHIFT+& followed by a, o or s"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("€"), std::string::npos) << text.out;
}

} // namespace
