// Typing a character into the X display's focused window through the XTest extension. Kept
// apart from the Qt code: Xlib's macros (KeyPress, None) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "text/keyboard_internal.h"

namespace tessaly::text {

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
        // The receiving client reads the key with the mapping it was sent under; give it
        // time before the spare key is emptied again.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        KeySym none[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(display, spare, 2, none, 1);
        XSync(display, False);
    }
    XCloseDisplay(display);
    return true;
}

} // namespace tessaly::text
