// CEdit, CButton, CComboBox and CListBox over Qt's edits, buttons, combo boxes and lists,
// with Windows' rules: edit positions count CR LF as two characters, and the find
// functions of combo and list boxes compare without case and wrap around the end.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>

#include <tessaly/controls.h>

#include "framework/widgets/controls_internal.h"
#include "framework/widgets/owner_draw.h"
#include "framework/widgets/wnd_internal.h"

using namespace tessaly::framework;

namespace {

// ---- Multi-line edits: Windows positions (CR LF is two) and document positions ----

QTextDocument* documentOf(QWidget* w) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->document();
    if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->document();
    return nullptr;
}

QTextCursor cursorOf(QWidget* w) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->textCursor();
    return qobject_cast<QTextEdit*>(w)->textCursor();
}

void setCursorOf(QWidget* w, const QTextCursor& cursor) {
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        plain->setTextCursor(cursor);
    else
        qobject_cast<QTextEdit*>(w)->setTextCursor(cursor);
}

// Each paragraph before a position adds the LF of its CR LF.
int toWindows(const QTextDocument* doc, int position) {
    return position + doc->findBlock(position).blockNumber();
}

int fromWindows(const QTextDocument* doc, int position) {
    int before = 0; // Windows characters before the block
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const int length = block.length() - 1; // without the paragraph end
        if (position <= before + length) return block.position() + (position - before);
        // A position between the CR and the LF stays at the end of the line.
        if (position == before + length + 1) return block.position() + length;
        before += length + 2;
    }
    return std::max(0, doc->characterCount() - 1);
}

// Windows text length of a multi-line edit: every paragraph end counts two.
int windowsLength(const QTextDocument* doc) {
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

int lineCountOf(const QTextDocument* doc) {
    int lines = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        lines += layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
    }
    return std::max(1, lines);
}

int lineOfPosition(const QTextDocument* doc, int position) {
    int line = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        const int lines = layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
        if (position < block.position() + block.length() || !block.next().isValid()) {
            if (lines > 1) {
                const QTextLine inner = layout->lineForTextPosition(position - block.position());
                if (inner.isValid()) return line + inner.lineNumber();
            }
            return line;
        }
        line += lines;
    }
    return line;
}

// Keeps a multi-line edit within its text limit by dropping what was just typed beyond it.
void enforceLimit(QWidget* w) {
    const int limit = w->property(kPropTextLimit).toInt();
    QTextDocument* doc = documentOf(w);
    if (limit <= 0 || !doc) return;
    const int excess = windowsLength(doc) - limit;
    if (excess <= 0) return;
    QTextCursor cursor = cursorOf(w);
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor,
                        std::min(excess, cursor.position()));
    cursor.removeSelectedText();
    setCursorOf(w, cursor);
}

// ---- Combo and list boxes ----

QComboBox* comboBox(const CWnd& wnd) {
    return qobject_cast<QComboBox*>(wnd.GetWidget());
}

QListWidget* listBox(const CWnd& wnd) {
    return qobject_cast<QListWidget*>(wnd.GetWidget());
}

// The find rule of combo and list boxes: from the item after `start` (from the first when
// start is -1 or out of range) round to `start` itself, comparing without case.
template <typename TextAt>
int findItem(int count, int start, const QString& text, bool exact, TextAt textAt) {
    if (count <= 0) return -1;
    if (start < 0 || start >= count) start = count - 1;
    for (int step = 1; step <= count; ++step) {
        const int index = (start + step) % count;
        const QString item = textAt(index);
        const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                 : item.startsWith(text, Qt::CaseInsensitive);
        if (match) return index;
    }
    return -1;
}

// Where a sorted combo box puts a new text: after the items that do not sort after it.
int sortedIndex(const QComboBox* combo, const QString& text) {
    int index = 0;
    while (index < combo->count() && combo->itemText(index).compare(text, Qt::CaseInsensitive) <= 0)
        ++index;
    return index;
}

bool multipleSelection(const QListWidget* list) {
    const auto mode = list->selectionMode();
    return mode == QAbstractItemView::MultiSelection ||
           mode == QAbstractItemView::ExtendedSelection;
}

} // namespace

// ---------------------------------------------------------------- CEdit

CEdit::CEdit() = default;

CEdit::CEdit(QWidget* widget) : CWnd(widget) {}

void CEdit::SetSel(int start, int end, BOOL /*noScroll*/) {
    QWidget* w = GetWidget();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        const int length = static_cast<int>(line->text().size());
        if (start == -1) {
            line->deselect();
            return;
        }
        if (end < 0 || end > length) end = length;
        start = std::clamp(start, 0, length);
        line->setSelection(start, end - start); // the caret ends at `end`
        return;
    }
    QTextDocument* doc = documentOf(w);
    if (!doc) return;
    QTextCursor cursor = cursorOf(w);
    if (start == -1) {
        cursor.clearSelection();
    } else {
        const int length = windowsLength(doc);
        if (end < 0 || end > length) end = length;
        start = std::clamp(start, 0, length);
        cursor.setPosition(fromWindows(doc, start));
        cursor.setPosition(fromWindows(doc, end), QTextCursor::KeepAnchor);
    }
    setCursorOf(w, cursor);
}

void CEdit::GetSel(int& start, int& end) const {
    start = end = 0;
    QWidget* w = GetWidget();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        if (line->hasSelectedText()) {
            start = line->selectionStart();
            end = line->selectionEnd();
        } else {
            start = end = line->cursorPosition();
        }
        return;
    }
    QTextDocument* doc = documentOf(w);
    if (!doc) return;
    const QTextCursor cursor = cursorOf(w);
    start = toWindows(doc, cursor.selectionStart());
    end = toWindows(doc, cursor.selectionEnd());
}

void CEdit::ReplaceSel(const char* text, BOOL /*canUndo*/) {
    QWidget* w = GetWidget();
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        // A single line takes the text up to its first line end, as the edit control does.
        QString value = FromAnsi(text);
        const qsizetype end = value.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
        if (end >= 0) value.truncate(end);
        line->insert(value);
        return;
    }
    if (!documentOf(w)) return;
    QTextCursor cursor = cursorOf(w);
    cursor.insertText(FromCrLf(FromAnsi(text)));
    setCursorOf(w, cursor);
    enforceLimit(w);
}

BOOL CEdit::SetReadOnly(BOOL readOnly) {
    QWidget* w = GetWidget();
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->setReadOnly(readOnly);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        plain->setReadOnly(readOnly);
    else if (auto* rich = qobject_cast<QTextEdit*>(w))
        rich->setReadOnly(readOnly);
    else
        return FALSE;
    return TRUE;
}

int CEdit::GetLineCount() const {
    QWidget* w = GetWidget();
    if (qobject_cast<QLineEdit*>(w)) return 1;
    QTextDocument* doc = documentOf(w);
    return doc ? lineCountOf(doc) : 0;
}

int CEdit::LineFromChar(int index) const {
    QWidget* w = GetWidget();
    QTextDocument* doc = documentOf(w);
    if (!doc) return 0;
    const int position = index < 0 ? cursorOf(w).selectionStart() : fromWindows(doc, index);
    return lineOfPosition(doc, position);
}

void CEdit::LimitText(int maximum) {
    QWidget* w = GetWidget();
    if (!w) return;
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setMaxLength(maximum > 0 ? maximum : 32767);
        return;
    }
    QTextDocument* doc = documentOf(w);
    if (!doc) return;
    const bool watching = w->property(kPropTextLimit).isValid();
    w->setProperty(kPropTextLimit, std::max(0, maximum));
    if (!watching)
        QObject::connect(doc, &QTextDocument::contentsChanged, w, [w] { enforceLimit(w); });
}

// ---------------------------------------------------------------- CButton

CButton::CButton() = default;

CButton::CButton(QWidget* widget) : CWnd(widget) {}

UINT CButton::GetState() const {
    auto* button = qobject_cast<QAbstractButton*>(GetWidget());
    if (!button) return 0;
    UINT state = static_cast<UINT>(GetCheck());
    if (button->isDown()) state |= 0x4;   // BST_PUSHED
    if (button->hasFocus()) state |= 0x8; // BST_FOCUS
    return state;
}

UINT CButton::GetButtonStyle() const {
    QWidget* w = GetWidget();
    if (!w) return 0;
    const QVariant style = w->property(kPropStyle);
    if (style.isValid()) return style.toUInt() & 0xFFFF;
    // A caller's button: the style its kind stands for.
    if (qobject_cast<QCheckBox*>(w)) return BS_AUTOCHECKBOX;
    if (qobject_cast<QRadioButton*>(w)) return BS_AUTORADIOBUTTON;
    if (qobject_cast<QGroupBox*>(w)) return BS_GROUPBOX;
    if (auto* push = qobject_cast<QPushButton*>(w))
        return push->isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    return BS_PUSHBUTTON;
}

// ---------------------------------------------------------------- CComboBox

CComboBox::CComboBox() = default;

CComboBox::CComboBox(QWidget* widget) : CWnd(widget) {}

namespace {

// Adds an item and leaves the selection as it was: Qt makes the first item of an empty box
// current (and copies it into the field), a Windows combo box selects nothing.
template <class Insert> int insertLeavingSelection(QComboBox* combo, Insert&& insert) {
    const bool none = combo->currentIndex() < 0;
    QLineEdit* field = combo->lineEdit();
    const QString typed = field ? field->text() : QString();
    const int index = insert();
    if (none && combo->currentIndex() >= 0) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(-1);
        if (field) field->setText(typed);
    }
    return index;
}

} // namespace

int CComboBox::AddString(const char* text) {
    QComboBox* combo = comboBox(*this);
    if (!combo) return CB_ERR;
    return insertLeavingSelection(combo, [&] {
        if (KeepsItemData(combo)) return InsertDataItem(combo, -1, text);
        const QString value = FromAnsi(text);
        const int index = (GetStyle() & CBS_SORT) ? sortedIndex(combo, value) : combo->count();
        combo->insertItem(index, value);
        return index;
    });
}

int CComboBox::InsertString(int index, const char* text) {
    QComboBox* combo = comboBox(*this);
    if (!combo || index > combo->count()) return CB_ERR;
    return insertLeavingSelection(combo, [&] {
        if (KeepsItemData(combo)) return InsertDataItem(combo, index, text);
        const int at = index < 0 ? combo->count() : index;
        combo->insertItem(at, FromAnsi(text));
        return at;
    });
}

int CComboBox::DeleteString(UINT index) {
    QComboBox* combo = comboBox(*this);
    if (!combo || index >= static_cast<UINT>(combo->count())) return CB_ERR;
    combo->removeItem(static_cast<int>(index));
    return combo->count();
}

void CComboBox::ResetContent() {
    if (QComboBox* combo = comboBox(*this)) combo->clear();
}

int CComboBox::GetCount() const {
    QComboBox* combo = comboBox(*this);
    return combo ? combo->count() : CB_ERR;
}

int CComboBox::GetCurSel() const {
    QComboBox* combo = comboBox(*this);
    return combo && combo->currentIndex() >= 0 ? combo->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
    QComboBox* combo = comboBox(*this);
    if (!combo) return CB_ERR;
    // An index out of range (-1 included) clears the selection and reports an error.
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        return CB_ERR;
    }
    combo->setCurrentIndex(index);
    return index;
}

int CComboBox::GetLBText(int index, CString& text) const {
    QComboBox* combo = comboBox(*this);
    text.Empty();
    if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
    text = CString(ToAnsi(combo->itemText(index)).c_str());
    return text.GetLength();
}

int CComboBox::GetLBTextLen(int index) const {
    CString text;
    return GetLBText(index, text);
}

DWORD_PTR CComboBox::GetItemData(int index) const {
    QComboBox* combo = comboBox(*this);
    if (!combo || index < 0 || index >= combo->count()) return static_cast<DWORD_PTR>(CB_ERR);
    return static_cast<DWORD_PTR>(combo->itemData(index).value<quintptr>());
}

int CComboBox::SetItemData(int index, DWORD_PTR data) {
    QComboBox* combo = comboBox(*this);
    if (!combo || index < 0 || index >= combo->count()) return CB_ERR;
    combo->setItemData(index, QVariant::fromValue<quintptr>(data));
    return 1;
}

int CComboBox::FindString(int start, const char* text) const {
    QComboBox* combo = comboBox(*this);
    if (!combo) return CB_ERR;
    return findItem(combo->count(), start, FromAnsi(text), false,
                    [combo](int i) { return combo->itemText(i); });
}

int CComboBox::FindStringExact(int start, const char* text) const {
    QComboBox* combo = comboBox(*this);
    if (!combo) return CB_ERR;
    return findItem(combo->count(), start, FromAnsi(text), true,
                    [combo](int i) { return combo->itemText(i); });
}

int CComboBox::SelectString(int start, const char* text) {
    // Not found: the selection stays as it was.
    const int index = FindString(start, text);
    return index == CB_ERR ? CB_ERR : SetCurSel(index);
}

// ---------------------------------------------------------------- CListBox

CListBox::CListBox() = default;

CListBox::CListBox(QWidget* widget) : CWnd(widget) {}

int CListBox::AddString(const char* text) {
    QListWidget* list = listBox(*this);
    if (!list) return LB_ERR;
    auto* item = new QListWidgetItem(FromAnsi(text));
    list->addItem(item); // a sorted list puts it in its place
    return list->row(item);
}

int CListBox::InsertString(int index, const char* text) {
    QListWidget* list = listBox(*this);
    if (!list || index > list->count()) return LB_ERR;
    if (index < 0) index = list->count();
    auto* item = new QListWidgetItem(FromAnsi(text));
    list->insertItem(index, item);
    return list->row(item);
}

int CListBox::DeleteString(UINT index) {
    QListWidget* list = listBox(*this);
    if (!list || index >= static_cast<UINT>(list->count())) return LB_ERR;
    delete list->takeItem(static_cast<int>(index));
    return list->count();
}

void CListBox::ResetContent() {
    if (QListWidget* list = listBox(*this)) list->clear();
}

int CListBox::GetCount() const {
    QListWidget* list = listBox(*this);
    return list ? list->count() : LB_ERR;
}

int CListBox::GetCurSel() const {
    QListWidget* list = listBox(*this);
    if (!list) return LB_ERR;
    // A multiple-selection list answers with its caret item.
    if (multipleSelection(list)) return list->currentRow() >= 0 ? list->currentRow() : LB_ERR;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? LB_ERR : list->row(selected.first());
}

int CListBox::SetCurSel(int index) {
    QListWidget* list = listBox(*this);
    if (!list || multipleSelection(list)) return LB_ERR;
    if (index < 0 || index >= list->count()) {
        list->clearSelection();
        list->setCurrentRow(-1);
        return LB_ERR;
    }
    list->setCurrentRow(index);
    return index;
}

int CListBox::GetText(int index, CString& text) const {
    QListWidget* list = listBox(*this);
    text.Empty();
    if (!list || index < 0 || index >= list->count()) return LB_ERR;
    text = CString(ToAnsi(list->item(index)->text()).c_str());
    return text.GetLength();
}

int CListBox::GetTextLen(int index) const {
    CString text;
    return GetText(index, text);
}

int CListBox::GetSel(int index) const {
    QListWidget* list = listBox(*this);
    if (!list || index < 0 || index >= list->count()) return LB_ERR;
    return list->item(index)->isSelected() ? 1 : 0;
}

int CListBox::SetSel(int index, BOOL select) {
    QListWidget* list = listBox(*this);
    // Only lists of several selections take selections item by item; -1 is every item.
    if (!list || !multipleSelection(list) || index < -1 || index >= list->count()) return LB_ERR;
    if (index == -1) {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(select);
    } else {
        list->item(index)->setSelected(select);
    }
    return 0;
}

DWORD_PTR CListBox::GetItemData(int index) const {
    QListWidget* list = listBox(*this);
    if (!list || index < 0 || index >= list->count()) return static_cast<DWORD_PTR>(LB_ERR);
    return static_cast<DWORD_PTR>(list->item(index)->data(Qt::UserRole).value<quintptr>());
}

int CListBox::SetItemData(int index, DWORD_PTR data) {
    QListWidget* list = listBox(*this);
    if (!list || index < 0 || index >= list->count()) return LB_ERR;
    list->item(index)->setData(Qt::UserRole, QVariant::fromValue<quintptr>(data));
    return 1;
}

int CListBox::FindStringExact(int start, const char* text) const {
    QListWidget* list = listBox(*this);
    if (!list) return LB_ERR;
    return findItem(list->count(), start, FromAnsi(text), true,
                    [list](int i) { return list->item(i)->text(); });
}
