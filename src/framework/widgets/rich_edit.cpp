// CRichEditCtrl over a QTextEdit. A QTextDocument counts one position per paragraph end,
// as the rich edit does, so document positions are the control's character positions.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <tessaly/controls.h>

#include "framework/widgets/controls_internal.h"
#include "framework/widgets/wnd_internal.h"

using namespace tessaly::framework;

namespace {

QTextEdit* textEdit(const CWnd& wnd) {
    return qobject_cast<QTextEdit*>(wnd.GetWidget());
}

// The last position a selection can reach (the document's end).
int lastPosition(const QTextDocument* doc) {
    return std::max(0, doc->characterCount() - 1);
}

// The stored format of the character at a position; a paragraph end takes the format of
// the text before it in its paragraph, an empty paragraph its block's character format.
QTextCharFormat storedFormatAt(const QTextDocument* doc, int position) {
    const QTextBlock block = doc->findBlock(position);
    if (!block.isValid()) return QTextCharFormat();
    QTextCharFormat last = block.charFormat();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid()) continue;
        if (fragment.contains(position)) return fragment.charFormat();
        last = fragment.charFormat();
    }
    return last;
}

// The effects a character shows: its own format over the document's default font.
struct Effects {
    bool bold = false, italic = false, underline = false, strikeOut = false;
    bool autoColor = true;
    QColor color;
    double points = 0;
    QString face;

    DWORD bits() const {
        return (bold ? CFE_BOLD : 0) | (italic ? CFE_ITALIC : 0) | (underline ? CFE_UNDERLINE : 0) |
               (strikeOut ? CFE_STRIKEOUT : 0) | (autoColor ? CFE_AUTOCOLOR : 0);
    }
};

Effects effectsOf(const QTextEdit* edit, const QTextCharFormat& format) {
    const QFont base = edit->document()->defaultFont();
    Effects e;
    e.bold = format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() > QFont::Medium
                                                         : base.bold();
    e.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic() : base.italic();
    e.underline = (format.hasProperty(QTextFormat::TextUnderlineStyle) ||
                   format.hasProperty(QTextFormat::FontUnderline))
                      ? format.fontUnderline()
                      : base.underline();
    e.strikeOut =
        format.hasProperty(QTextFormat::FontStrikeOut) ? format.fontStrikeOut() : base.strikeOut();
    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        e.autoColor = false;
        e.color = format.foreground().color();
    } else {
        e.color = edit->palette().color(QPalette::Text);
    }
    if (format.hasProperty(QTextFormat::FontPointSize))
        e.points = format.fontPointSize();
    else if (base.pointSizeF() > 0)
        e.points = base.pointSizeF();
    else
        e.points = base.pixelSize() * 72.0 / 96.0;
    const QStringList families = format.fontFamilies().toStringList();
    e.face = !families.isEmpty() ? families.first() : base.family();
    return e;
}

COLORREF toColorRef(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

QColor fromColorRef(COLORREF color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// The Qt format that applies the masked members of a character-format record.
QTextCharFormat modifierOf(const CHARFORMAT& cf) {
    QTextCharFormat m;
    if (cf.dwMask & CFM_BOLD)
        m.setFontWeight((cf.dwEffects & CFE_BOLD) ? QFont::Bold : QFont::Normal);
    if (cf.dwMask & CFM_ITALIC) m.setFontItalic(cf.dwEffects & CFE_ITALIC);
    if (cf.dwMask & CFM_UNDERLINE) m.setFontUnderline(cf.dwEffects & CFE_UNDERLINE);
    if (cf.dwMask & CFM_STRIKEOUT) m.setFontStrikeOut(cf.dwEffects & CFE_STRIKEOUT);
    if ((cf.dwMask & CFM_SIZE) && cf.yHeight > 0) m.setFontPointSize(cf.yHeight / 20.0);
    if (cf.dwMask & CFM_COLOR) {
        if (cf.dwEffects & CFE_AUTOCOLOR)
            m.clearForeground();
        else
            m.setForeground(fromColorRef(cf.crTextColor));
    }
    if ((cf.dwMask & CFM_FACE) && cf.szFaceName[0]) {
        const std::string face(cf.szFaceName, strnlen(cf.szFaceName, sizeof cf.szFaceName));
        m.setFontFamilies(QStringList{FromAnsi(face.c_str())});
    }
    return m;
}

// The first position of every display line, wrapped lines included.
std::vector<int> lineStarts(const QTextEdit* edit) {
    QTextDocument* doc = edit->document();
    doc->documentLayout()->documentSize(); // lays the document out
    std::vector<int> starts;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const int lines = layout ? layout->lineCount() : 0;
        if (lines == 0) {
            starts.push_back(block.position());
            continue;
        }
        for (int i = 0; i < lines; ++i)
            starts.push_back(block.position() + layout->lineAt(i).textStart());
    }
    if (starts.empty()) starts.push_back(0);
    return starts;
}

int lineOf(const std::vector<int>& starts, int position) {
    auto it = std::upper_bound(starts.begin(), starts.end(), position);
    return std::max(0, static_cast<int>(it - starts.begin()) - 1);
}

} // namespace

CRichEditCtrl::CRichEditCtrl() = default;

CRichEditCtrl::CRichEditCtrl(QWidget* widget) : CWnd(widget) {}

void CRichEditCtrl::SetSel(long start, long end) {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return;
    QTextCursor cursor = edit->textCursor();
    const long last = lastPosition(edit->document());
    if (start == -1) {
        // Removes the selection and leaves the caret where the selection ended.
        cursor.clearSelection();
        edit->setTextCursor(cursor);
        return;
    }
    if (start == 0 && end == -1) {
        start = 0;
        end = last;
    }
    if (end < 0 || end > last) end = last;
    start = std::clamp(start, 0L, last);
    cursor.setPosition(static_cast<int>(start));
    cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

void CRichEditCtrl::GetSel(long& start, long& end) const {
    start = end = 0;
    QTextEdit* edit = textEdit(*this);
    if (!edit) return;
    const QTextCursor cursor = edit->textCursor();
    start = cursor.selectionStart();
    end = cursor.selectionEnd();
}

CString CRichEditCtrl::GetSelText() const {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return CString();
    QString text = edit->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    return CString(ToAnsi(ToCrLf(text)).c_str());
}

void CRichEditCtrl::ReplaceSel(const char* text, BOOL /*canUndo*/) {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return;
    QTextCursor cursor = edit->textCursor();
    cursor.insertText(FromCrLf(FromAnsi(text)));
    edit->setTextCursor(cursor);
}

DWORD CRichEditCtrl::GetSelectionCharFormat(CHARFORMAT& format) const {
    format = CHARFORMAT{};
    QTextEdit* edit = textEdit(*this);
    if (!edit) return 0;
    const QTextDocument* doc = edit->document();
    const QTextCursor cursor = edit->textCursor();
    const int start = cursor.selectionStart(), end = cursor.selectionEnd();
    // An empty selection reports the character before it (the first one at position 0).
    const int first = start == end ? std::max(0, start - 1) : start;
    const Effects e = effectsOf(edit, storedFormatAt(doc, first));

    DWORD mask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR |
                 CFM_FACE | CFM_CHARSET;
    // A selection shares only the effects every one of its text pieces has.
    for (QTextBlock block = doc->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const int from = fragment.position(), to = from + fragment.length();
            if (to <= start || from >= end) continue;
            const Effects other = effectsOf(edit, fragment.charFormat());
            if (other.bold != e.bold) mask &= ~CFM_BOLD;
            if (other.italic != e.italic) mask &= ~CFM_ITALIC;
            if (other.underline != e.underline) mask &= ~CFM_UNDERLINE;
            if (other.strikeOut != e.strikeOut) mask &= ~CFM_STRIKEOUT;
            if (other.points != e.points) mask &= ~CFM_SIZE;
            if (other.autoColor != e.autoColor || other.color != e.color) mask &= ~CFM_COLOR;
            if (other.face != e.face) mask &= ~CFM_FACE;
        }
    }
    format.dwMask = mask;
    format.dwEffects = e.bits();
    format.yHeight = static_cast<LONG>(std::lround(e.points * 20));
    format.crTextColor = toColorRef(e.color);
    format.bCharSet = 1; // DEFAULT_CHARSET
    const std::string face = ToAnsi(e.face);
    std::strncpy(format.szFaceName, face.c_str(), sizeof format.szFaceName - 1);
    return mask;
}

BOOL CRichEditCtrl::SetSelectionCharFormat(CHARFORMAT& format) {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return FALSE;
    // Without a selection this sets the format of what is typed next.
    QTextCursor cursor = edit->textCursor();
    cursor.mergeCharFormat(modifierOf(format));
    edit->setTextCursor(cursor);
    return TRUE;
}

BOOL CRichEditCtrl::SetDefaultCharFormat(CHARFORMAT& format) {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return FALSE;
    QTextDocument* doc = edit->document();
    QFont font = doc->defaultFont();
    if (format.dwMask & CFM_BOLD) font.setBold(format.dwEffects & CFE_BOLD);
    if (format.dwMask & CFM_ITALIC) font.setItalic(format.dwEffects & CFE_ITALIC);
    if (format.dwMask & CFM_UNDERLINE) font.setUnderline(format.dwEffects & CFE_UNDERLINE);
    if (format.dwMask & CFM_STRIKEOUT) font.setStrikeOut(format.dwEffects & CFE_STRIKEOUT);
    if ((format.dwMask & CFM_SIZE) && format.yHeight > 0) font.setPointSizeF(format.yHeight / 20.0);
    if ((format.dwMask & CFM_FACE) && format.szFaceName[0]) {
        const std::string face(format.szFaceName,
                               strnlen(format.szFaceName, sizeof format.szFaceName));
        font.setFamily(FromAnsi(face.c_str()));
    }
    doc->setDefaultFont(font);
    if (format.dwMask & CFM_COLOR) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, (format.dwEffects & CFE_AUTOCOLOR)
                                             ? QApplication::palette().color(QPalette::Text)
                                             : fromColorRef(format.crTextColor));
        edit->setPalette(palette);
    }
    return TRUE;
}

COLORREF CRichEditCtrl::SetBackgroundColor(BOOL useSystemColor, COLORREF color) {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return 0;
    QPalette palette = edit->palette();
    const COLORREF previous = toColorRef(palette.color(QPalette::Base));
    palette.setColor(QPalette::Base, useSystemColor ? QApplication::palette().color(QPalette::Base)
                                                    : fromColorRef(color));
    edit->setPalette(palette);
    return previous;
}

BOOL CRichEditCtrl::SetReadOnly(BOOL readOnly) {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return FALSE;
    edit->setReadOnly(readOnly != FALSE);
    return TRUE;
}

int CRichEditCtrl::GetLineCount() const {
    QTextEdit* edit = textEdit(*this);
    return edit ? static_cast<int>(lineStarts(edit).size()) : 0;
}

int CRichEditCtrl::LineFromChar(long index) const {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return 0;
    if (index < 0) index = edit->textCursor().selectionStart();
    index = std::min<long>(index, lastPosition(edit->document()));
    return lineOf(lineStarts(edit), static_cast<int>(index));
}

int CRichEditCtrl::LineIndex(int line) const {
    QTextEdit* edit = textEdit(*this);
    if (!edit) return -1;
    const std::vector<int> starts = lineStarts(edit);
    if (line < 0) line = lineOf(starts, edit->textCursor().position());
    return line < static_cast<int>(starts.size()) ? starts[line] : -1;
}

long CRichEditCtrl::GetTextLength() const {
    return GetWindowTextLength();
}
