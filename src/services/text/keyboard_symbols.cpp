// Two-step keyboard shortcuts for international characters, and typing a character code into
// the focused window.
#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <string>

#include "platform/keyboard.h"
#include "text/keyboard_internal.h"

namespace p = tessaly::platform;

namespace tessaly::text {

namespace {

// Without a display: the key events to this process's focused widget.
void typeToFocusWidget(char16_t character) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    const QString text = QString(QChar(character));
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(focus, &press);
    QCoreApplication::sendEvent(focus, &release);
}

} // namespace

} // namespace tessaly::text

int OnKeyStroke(CString& code, int* state) {
    // The interface language is asked once per process.
    static const bool chinese = GetCurrentLanguage() == 2052;
    BYTE keys[256] = {};
    p::GetKeyboardState(keys);
    std::string produced;
    if (!tessaly::text::DecideShortcut(keys, chinese, state, produced)) return 0;
    code = CString(produced);
    return 1;
}

void InputSymbol(CString code) {
    const char16_t character = tessaly::text::CharacterOfCode(code.str());
    if (!character) return;
    if (!tessaly::text::TypeThroughXTest(character)) tessaly::text::typeToFocusWidget(character);
}
