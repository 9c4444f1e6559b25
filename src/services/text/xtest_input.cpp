// Typing a character into the X display's focused window through the XTest extension. Kept
// apart from the Qt code: Xlib's macros (KeyPress, None) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "text/keyboard_internal.h"

namespace tessaly::text {

namespace {

using Clock = std::chrono::steady_clock;

// Spare key codes this process mapped to a character, emptied again once the clients have
// surely read the mapping: a client reads the whole mapping when told it changed, so one
// emptied at once would be read empty before the key press is handled.
struct Borrowed {
    std::string display;
    KeyCode key;
    Clock::time_point when;
};
std::mutex borrowedLock;
std::vector<Borrowed> borrowed;
constexpr auto kKeepMapped = std::chrono::seconds(2);

void giveBackOldKeys(Display* display, const std::string& name) {
    std::lock_guard<std::mutex> hold(borrowedLock);
    const auto now = Clock::now();
    for (auto it = borrowed.begin(); it != borrowed.end();) {
        if (it->display == name && now - it->when >= kKeepMapped) {
            KeySym none[2] = {NoSymbol, NoSymbol};
            XChangeKeyboardMapping(display, it->key, 2, none, 1);
            it = borrowed.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

// The character through the X server's input stream: a key code that carries its key
// symbol (a spare one mapped for the moment when none does) pressed and released.
bool TypeThroughXTest(char16_t character) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return false;
    Display* display = XOpenDisplay(name);
    if (!display) return false;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        return false;
    }
    giveBackOldKeys(display, name);
    const KeySym symbol = character < 0x100 ? character : (0x01000000 | character);
    KeyCode key = XKeysymToKeycode(display, symbol);
    KeyCode spare = 0;
    bool shifted = false;
    if (key) {
        shifted = XkbKeycodeToKeysym(display, key, 0, 0) != symbol;
    } else {
        int first = 0, last = 0, perCode = 0;
        XDisplayKeycodes(display, &first, &last);
        KeySym* map = XGetKeyboardMapping(display, first, last - first + 1, &perCode);
        for (int code = last; code >= first && !spare; --code) {
            bool empty = true;
            for (int i = 0; i < perCode; ++i)
                if (map[(code - first) * perCode + i] != NoSymbol) empty = false;
            if (empty) spare = static_cast<KeyCode>(code);
        }
        XFree(map);
        if (!spare) {
            XCloseDisplay(display);
            return false;
        }
        KeySym symbols[2] = {symbol, symbol};
        XChangeKeyboardMapping(display, spare, 2, symbols, 1);
        XSync(display, False);
        key = spare;
    }
    const KeyCode shift = XKeysymToKeycode(display, XStringToKeysym("Shift_L"));
    if (shifted && shift) XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    if (shifted && shift) XTestFakeKeyEvent(display, shift, False, CurrentTime);
    XSync(display, False);
    if (spare) {
        std::lock_guard<std::mutex> hold(borrowedLock);
        borrowed.push_back({name, spare, Clock::now()});
    }
    XCloseDisplay(display);
    return true;
}

} // namespace tessaly::text
