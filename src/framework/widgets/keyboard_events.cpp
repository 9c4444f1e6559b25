// Keeps the platform's keyboard state current from the application's key events.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

#include "platform/keyboard.h"

namespace tessaly::framework {

namespace {

namespace p = tessaly::platform;

// The Windows virtual key of a Qt key, by the key's unshifted face on a US keyboard; 0 for
// keys the table does not hold.
BYTE virtualKeyOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<BYTE>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<BYTE>('0' + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
    case Qt::Key_Dead_Grave:
    case Qt::Key_Dead_Tilde:
        return p::VK_OEM_3;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
    case Qt::Key_Dead_Acute:
        return p::VK_OEM_7;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return p::VK_OEM_1;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return p::VK_OEM_COMMA;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return p::VK_OEM_2;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return p::VK_OEM_4;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return p::VK_OEM_6;
    case Qt::Key_Shift:
        return p::VK_SHIFT;
    case Qt::Key_Control:
        return p::VK_CONTROL;
    case Qt::Key_Alt:
        return p::VK_MENU;
    case Qt::Key_CapsLock:
        return p::VK_CAPITAL;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Tab:
        return 0x09;
    case Qt::Key_Backspace:
        return 0x08;
    default:
        return 0;
    }
}

// Shift, Ctrl and Alt as the event's modifiers report them, so a key released while the
// application had no focus does not stay down.
void syncModifiers(Qt::KeyboardModifiers modifiers, int key, bool down) {
    struct Modifier {
        Qt::KeyboardModifier flag;
        int key;
        BYTE generic, left;
    };
    static const Modifier kModifiers[] = {
        {Qt::ShiftModifier, Qt::Key_Shift, p::VK_SHIFT, p::VK_LSHIFT},
        {Qt::ControlModifier, Qt::Key_Control, p::VK_CONTROL, p::VK_LCONTROL},
        {Qt::AltModifier, Qt::Key_Alt, p::VK_MENU, p::VK_LMENU},
    };
    for (const Modifier& m : kModifiers) {
        const bool held = key == m.key ? down : modifiers.testFlag(m.flag);
        p::SetKeyDown(m.generic, held);
        p::SetKeyDown(m.left, held);
    }
}

} // namespace

class KeyboardWatcher : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType()) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool down = type == QEvent::KeyPress;
            // An event reaches each widget up the chain; autorepeat is no new press.
            if (!key->isAutoRepeat() || !down) {
                syncModifiers(key->modifiers(), key->key(), down);
                if (BYTE vk = virtualKeyOf(key->key())) p::SetKeyDown(vk, down);
                // On X11 the lock bit of the event's state is the Caps Lock indicator.
                if (key->key() != Qt::Key_CapsLock && key->nativeScanCode() != 0 &&
                    QGuiApplication::platformName() == QLatin1String("xcb"))
                    p::SetKeyToggled(p::VK_CAPITAL, (key->nativeModifiers() & 0x2) != 0);
            }
        }
        return false;
    }
};

namespace {} // namespace

} // namespace tessaly::framework

namespace {

void installKeyboardWatcher() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(new tessaly::framework::KeyboardWatcher(app));
}

} // namespace

// Runs when the application object is made, or at once when the library comes later.
Q_COREAPP_STARTUP_FUNCTION(installKeyboardWatcher)
