// Sizes and texts of the caller's controls: rich-edit heights, Unicode text in and out,
// the start of the caret's line, list items in a grid, list and toolbar sizes.
#include <QFontMetrics>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cstring>

#include <tessaly/dialogs.h>

#include "framework/widgets/controls_internal.h"
#include "platform/memory.h"

namespace p = tessaly::platform;
using namespace tessaly::framework;

namespace {

QTextEdit* textEdit(const CRichEditCtrl* edit) {
    return edit ? qobject_cast<QTextEdit*>(edit->GetWidget()) : nullptr;
}

constexpr int SB_HORZ = 0;

} // namespace

int GetEditHeight(CRichEditCtrl* edit, int maxLines) {
    QTextEdit* widget = textEdit(edit);
    if (!widget) return 0;
    // The height of the font the control writes with, one per line shown.
    const int fontHeight = QFontMetrics(widget->document()->defaultFont()).height();
    return fontHeight * std::min(maxLines, edit->GetLineCount()) + 8;
}

HGLOBAL GetRichEditTextW(CRichEditCtrl* edit) {
    QTextEdit* widget = textEdit(edit);
    if (!widget) return nullptr;
    // The whole text with CR LF line ends; the block holds all of it and a closing zero.
    const QString text = ToCrLf(widget->toPlainText());
    const size_t units = static_cast<size_t>(text.size());
    HGLOBAL memory = p::GlobalAlloc(GMEM_ZEROINIT, (units + 1) * sizeof(WCHAR));
    if (!memory) return nullptr;
    if (void* target = p::GlobalLock(memory)) {
        std::memcpy(target, text.utf16(), units * sizeof(WCHAR));
        p::GlobalUnlock(memory);
    }
    return memory;
}

int SetRichEditTextW(CRichEditCtrl* edit, const WCHAR* text) {
    QTextEdit* widget = textEdit(edit);
    if (!widget) return 0;
    const QString value =
        text ? QString::fromUtf16(reinterpret_cast<const char16_t*>(text)) : QString();
    // Replaces all the text, drops its formatting (the edit's own setPlainText would keep
    // the format of the old text) and forgets what could be undone.
    QTextDocument* doc = widget->document();
    doc->setPlainText(FromCrLf(value));
    QTextCursor all(doc);
    all.select(QTextCursor::Document);
    all.setCharFormat(QTextCharFormat());
    doc->clearUndoRedoStacks();
    widget->setTextCursor(QTextCursor(doc));
    widget->setCurrentCharFormat(QTextCharFormat());
    return 1;
}

long GetLineStartIndex(CRichEditCtrl* edit) {
    QTextEdit* widget = textEdit(edit);
    if (!widget) return 0;
    long start = 0, end = 0;
    edit->GetSel(start, end);
    const int line = edit->LineFromChar(start);
    // The text counts one character per line end, as the control's positions do, so the
    // index can be handed back to SetSel.
    const QString text = widget->toPlainText();
    if (line == 0 || text.isEmpty()) return 0;
    int feeds = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == u'\n' && ++feeds == line) return static_cast<long>(i + 1);
    return static_cast<long>(text.size());
}

int SetArrangedListCtrl(CListCtrl* list) {
    if (!list || !list->GetWidget()) return 1;
    const int count = list->GetItemCount();
    int widest = 0;
    for (int i = 0; i < count; ++i)
        widest = std::max(widest, list->GetStringWidth(list->GetItemText(i, 0).GetString()));
    const int cell = widest + 20;
    RECT client;
    list->GetClientRect(&client);
    const int perRow = std::max(1, (client.right - client.left) / cell);
    for (int i = 0; i < count; ++i) {
        RECT item;
        list->GetItemRect(i, &item, LVIR_BOUNDS);
        POINT position;
        position.x = (i % perRow) * cell;
        position.y = (i / perRow) * (item.bottom - item.top);
        list->SetItemPosition(i, position);
    }
    return 1;
}

int GetListAdjustCtrlHeight(CListCtrl& list, int maxRows) {
    RECT window;
    list.GetWindowRect(&window);
    const int count = list.GetItemCount();
    if (count == 0) return window.bottom - window.top;

    int lowest = 0;    // the largest bottom of all items
    int firstRow = -1; // the item whose bottom is smallest, the first of equals
    RECT firstRect;
    for (int i = 0; i < count; ++i) {
        RECT r;
        if (!list.GetItemRect(i, &r, LVIR_BOUNDS)) continue;
        lowest = firstRow < 0 ? r.bottom : std::max<int>(lowest, r.bottom);
        if (firstRow < 0 || r.bottom < firstRect.bottom) {
            firstRow = i;
            firstRect = r;
        }
    }
    int rowHeight = firstRow < 0 ? 0 : firstRect.bottom - firstRect.top;
    if (rowHeight == 0) rowHeight = 18;
    const int top = firstRow < 0 ? 0 : firstRect.top;

    // More rows than allowed: room for three rows, whatever the maximum.
    int height = lowest - top > rowHeight * maxRows ? top + (rowHeight + 2) * 3 : lowest + 6;
    const bool clientEdge = list.GetExStyle() & WS_EX_CLIENTEDGE;
    if (clientEdge) height += 4;
    int minimum = 0, maximum = 0;
    list.GetScrollRange(SB_HORZ, &minimum, &maximum);
    RECT client;
    list.GetClientRect(&client);
    if (maximum - minimum > client.right - client.left) height += clientEdge ? 18 : 16;
    return height;
}

void GetToolBarSize(CToolBarCtrl& toolbar, CSize& size) {
    toolbar.AutoSize();
    size = CSize(0, 0);
    const int count = toolbar.GetButtonCount();
    for (int i = 0; i < count; ++i) {
        RECT r;
        if (!toolbar.GetItemRect(i, &r)) continue;
        size.cx += r.right - r.left;
        size.cy = std::max<LONG>(size.cy, r.bottom - r.top);
    }
}
