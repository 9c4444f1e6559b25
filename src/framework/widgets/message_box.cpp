// The standard message box on Qt, with the automation hook that lets a script answer it.
#include "framework/widgets/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <tessaly/automation.h>
#include <tessaly/cstring.h>

#include "framework/widgets/application.h"
#include "platform/codepage.h"

namespace tessaly::framework {

namespace {

automation::MessageBoxHandler& handler() {
    static automation::MessageBoxHandler h;
    return h;
}

struct ButtonSpec {
    int id;
    QMessageBox::StandardButton button;
};

std::vector<ButtonSpec> buttonsFor(UINT type) {
    switch (type & 0x0F) {
    case MB_OKCANCEL:
        return {{IDOK, QMessageBox::Ok}, {IDCANCEL, QMessageBox::Cancel}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, QMessageBox::Abort},
                {IDRETRY, QMessageBox::Retry},
                {IDIGNORE, QMessageBox::Ignore}};
    case MB_YESNOCANCEL:
        return {
            {IDYES, QMessageBox::Yes}, {IDNO, QMessageBox::No}, {IDCANCEL, QMessageBox::Cancel}};
    case MB_YESNO:
        return {{IDYES, QMessageBox::Yes}, {IDNO, QMessageBox::No}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, QMessageBox::Retry}, {IDCANCEL, QMessageBox::Cancel}};
    default:
        return {{IDOK, QMessageBox::Ok}};
    }
}

QMessageBox::Icon iconFor(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString fromAnsi(const char* text) {
    return QString::fromStdString(platform::AnsiToUtf8(text ? text : ""));
}

int showBox(const char* text, const char* caption, UINT type) {
    EnsureApplication();
    QMessageBox box(iconFor(type), fromAnsi(caption), fromAnsi(text));
    const auto buttons = buttonsFor(type);
    for (const ButtonSpec& b : buttons)
        box.addButton(b.button);
    // Escape and the close box answer Cancel when there is one, else the only button.
    bool hasCancel = false;
    for (const ButtonSpec& b : buttons)
        hasCancel |= b.id == IDCANCEL;
    if (hasCancel) box.setEscapeButton(QMessageBox::Cancel);

    if (handler()) {
        automation::MessageBoxInfo info{caption ? caption : "", text ? text : "", type};
        QTimer::singleShot(0, &box, [&box, &buttons, info] {
            int answer = handler() ? handler()(info) : 0;
            for (const ButtonSpec& b : buttons)
                if (b.id == answer) box.button(b.button)->click();
        });
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const ButtonSpec& b : buttons)
        if (clicked && clicked == box.button(b.button)) return b.id;
    return hasCancel ? IDCANCEL : buttons.front().id;
}

} // namespace

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/) {
    // The framework's box carries the application's name as its caption.
    return showBox(text, "Tessaly", type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
    CString text;
    text.LoadString(stringId);
    return AfxMessageBox(text, type, helpId);
}

int SystemMessageBox(HWND /*owner*/, const char* text, const char* caption, UINT type) {
    return showBox(text, caption ? caption : "Error", type);
}

} // namespace tessaly::framework

namespace tessaly::automation {
void SetMessageBoxHandler(MessageBoxHandler h) {
    framework::handler() = std::move(h);
}
} // namespace tessaly::automation
