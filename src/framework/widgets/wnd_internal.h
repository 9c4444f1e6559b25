#pragma once
// What the framework's window code shares between its files: the properties a control
// widget carries, text conversion, and the friend that reaches CDialog's protected members.
#include <QString>

#include <tessaly/automation.h>
#include <tessaly/wnd.h>

class QDialog;
class QWidget;

namespace tessaly::framework {

// Widget properties set when a dialog builds its controls.
inline constexpr const char* kPropId = "tessalyId";       // control id
inline constexpr const char* kPropStyle = "tessalyStyle"; // window and class style bits
inline constexpr const char* kPropText = "tessalyText";   // a static's text as given
inline constexpr const char* kPropIcon = "tessalyIcon";   // system icon number shown

QString FromAnsi(const char* text);
// A text as a static shows it: "&&" is one "&", a single "&" marks the mnemonic and
// is not shown.
QString WithoutMnemonics(const QString& text);

// Shown on screen (it and every window it sits in), and enabled within its window. Qt's
// own inline accessors are avoided here: the library would export their copies.
bool IsShown(const QWidget* widget);
bool IsUsable(const QWidget* widget);
std::string ToAnsi(const QString& text);

// The handler a script registered for dialogs opening.
automation::DialogHandler CurrentDialogHandler();

} // namespace tessaly::framework

// The framework's own access to CDialog.
struct DialogAccess {
    static BOOL command(CDialog& dialog, UINT id) { return dialog.OnCommand(id); }
    static BOOL command(CDialog& dialog, WPARAM wParam, LPARAM lParam) {
        return dialog.OnCommand(wParam, lParam);
    }
    static QDialog* widget(const CDialog& dialog);
};
