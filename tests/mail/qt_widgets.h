#pragma once
// The caller's side of the mail tests: a Qt application on the offscreen platform (made
// before the library makes one) and recipient fields with bold and underlined runs.
#include <QApplication>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "support/qt_app.h"

namespace tessaly::testing {

// A run of the field's text with its effects. Texts are bytes of the ANSI code page.
struct FieldRun {
    std::string text;
    bool bold = false;
    bool underline = false;
};

inline FieldRun Plain(std::string text) {
    return {std::move(text), false, false};
}
inline FieldRun Bold(std::string text) {
    return {std::move(text), true, false};
}
inline FieldRun Under(std::string text) {
    return {std::move(text), false, true};
}
inline FieldRun BoldUnder(std::string text) {
    return {std::move(text), true, true};
}

inline void FillField(QTextEdit& edit, const std::vector<FieldRun>& runs) {
    edit.clear();
    QTextCursor cursor(edit.document());
    for (const FieldRun& run : runs) {
        QTextCharFormat format;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontUnderline(run.underline);
        cursor.insertText(QString::fromStdString(tessaly::platform::AnsiToUtf8(run.text)), format);
    }
}

} // namespace tessaly::testing
