// CWnd: window handles mapped to Qt widgets, and the operations every window has.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>
#include <map>
#include <memory>

#include "framework/core/module_state.h"
#include "framework/widgets/controls_internal.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/codepage.h"

namespace tessaly::framework {

QString FromAnsi(const char* text) {
    return QString::fromStdString(platform::AnsiToUtf8(text ? text : ""));
}

bool IsShown(const QWidget* widget) {
    return widget->testAttribute(Qt::WA_WState_Visible);
}

bool IsUsable(const QWidget* widget) {
    return widget->isEnabledTo(nullptr);
}

std::string ToAnsi(const QString& text) {
    return platform::Utf8ToAnsi(text.toStdString());
}

namespace {

// Handles are small numbers, never addresses, so a stale handle cannot reach freed memory.
struct HandleTable {
    std::map<HWND, QPointer<QWidget>> widgets;
    std::map<HWND, CWnd*> objects;                  // dialogs and controls of the framework
    std::map<HWND, std::unique_ptr<CWnd>> wrappers; // made by FromHandle
    std::uintptr_t next = 0x10010;
};

HandleTable& table() {
    static HandleTable* t = new HandleTable; // outlives every widget, also at exit
    return *t;
}

constexpr const char* kPropHandle = "tessalyHwnd";

void forget(HWND handle) {
    HandleTable& t = table();
    t.widgets.erase(handle);
    t.objects.erase(handle);
    t.wrappers.erase(handle);
}

QString toCrLf(QString text) {
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

QString fromCrLf(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

QString WithoutMnemonics(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&') {
            if (i + 1 < text.size() && text.at(i + 1) == u'&') {
                shown += u'&';
                ++i;
            }
            continue;
        }
        shown += text.at(i);
    }
    return shown;
}

} // namespace tessaly::framework

using namespace tessaly::framework;

CWnd::CWnd() = default;

CWnd::CWnd(QWidget* widget) {
    attach(widget);
}

CWnd::~CWnd() {
    HandleTable& t = table();
    auto it = t.objects.find(m_hWnd);
    if (it != t.objects.end() && it->second == this) t.objects.erase(it);
}

void CWnd::attach(QWidget* widget) {
    widget_ = widget;
    m_hWnd = HandleOf(widget);
    if (m_hWnd) table().objects[m_hWnd] = this;
}

HWND CWnd::HandleOf(QWidget* widget) {
    if (!widget) return nullptr;
    const QVariant known = widget->property(kPropHandle);
    if (known.isValid()) return reinterpret_cast<HWND>(known.value<quintptr>());
    HandleTable& t = table();
    HWND handle = reinterpret_cast<HWND>(t.next);
    t.next += 4;
    widget->setProperty(kPropHandle,
                        QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(handle)));
    t.widgets[handle] = widget;
    QObject::connect(widget, &QObject::destroyed, [handle] { forget(handle); });
    return handle;
}

QWidget* CWnd::WidgetOf(HWND window) {
    HandleTable& t = table();
    auto it = t.widgets.find(window);
    return it == t.widgets.end() ? nullptr : it->second.data();
}

CWnd* CWnd::FromHandle(HWND window) {
    QWidget* widget = WidgetOf(window);
    if (!widget) return nullptr;
    HandleTable& t = table();
    if (auto it = t.objects.find(window); it != t.objects.end()) return it->second;
    auto& wrapper = t.wrappers[window];
    // An object of the control class the widget is (CEdit for a line edit, ...), so
    // callers may cast it as the framework's controls allow.
    if (!wrapper) wrapper = NewControlObject(widget);
    return wrapper.get();
}

HWND CWnd::GetSafeHwnd() const {
    return WidgetOf(m_hWnd) ? m_hWnd : nullptr;
}

QWidget* CWnd::GetWidget() const {
    return WidgetOf(m_hWnd);
}

CWnd* CWnd::GetDlgItem(int id) const {
    QWidget* self = GetWidget();
    if (!self) return nullptr;
    for (QWidget* child : self->findChildren<QWidget*>()) {
        const QVariant childId = child->property(kPropId);
        if (childId.isValid() && childId.toInt() == id) return FromHandle(HandleOf(child));
    }
    return nullptr;
}

int CWnd::GetDlgCtrlID() const {
    QWidget* self = GetWidget();
    return self ? self->property(kPropId).toInt() : 0;
}

CWnd* CWnd::GetParent() const {
    QWidget* self = GetWidget();
    QWidget* parent = self ? qobject_cast<QWidget*>(self->parent()) : nullptr;
    return parent ? FromHandle(HandleOf(parent)) : nullptr;
}

void CWnd::SetWindowText(const char* text) {
    QWidget* w = GetWidget();
    if (!w) return;
    const QString value = FromAnsi(text);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setProperty(kPropText, value);
        const DWORD style = label->property(kPropStyle).toUInt();
        label->setText((style & SS_NOPREFIX) ? value : WithoutMnemonics(value));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(value);
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(value);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->setPlainText(fromCrLf(value));
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        rich->setPlainText(fromCrLf(value));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable())
            combo->setEditText(value);
        else if (int index = combo->findText(value); index >= 0)
            combo->setCurrentIndex(index);
    } else {
        w->setWindowTitle(value);
    }
}

namespace {

CString readWindowText(QWidget* w) {
    if (!w) return CString();
    QString value;
    if (auto* label = qobject_cast<QLabel*>(w)) {
        value = label->property(kPropText).toString();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        value = button->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        value = group->title();
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        value = line->text();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        value = toCrLf(plain->toPlainText());
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        // The raw text keeps non-breaking spaces, which the plain text turns into blanks
        // (and the selection's text keeps too); block and line ends become line breaks.
        value = rich->document()->toRawText();
        for (QChar& ch : value)
            if (ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator ||
                ch == QChar(0xFDD0) || ch == QChar(0xFDD1))
                ch = u'\n';
        value = toCrLf(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        value = combo->currentText();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
        value = spin->text(); // a date-time picker's text is the date it shows
    } else {
        value = w->windowTitle();
    }
    return CString(ToAnsi(value).c_str());
}

} // namespace

CString CWnd::GetWindowText() const {
    // The object that owns the handle decides, whichever wrapper asks.
    const CWnd* owner = FromHandle(m_hWnd);
    if (owner && !owner->AllowTextRead()) return CString();
    return readWindowText(GetWidget());
}

void CWnd::GetWindowText(CString& text) const {
    text = GetWindowText();
}

int CWnd::GetWindowTextLength() const {
    return readWindowText(GetWidget()).GetLength();
}

BOOL CWnd::ShowWindow(int command) {
    QWidget* w = GetWidget();
    if (!w) return FALSE;
    const BOOL wasVisible = IsShown(w);
    w->setVisible(command != SW_HIDE);
    return wasVisible;
}

BOOL CWnd::SetForegroundWindow() {
    QWidget* w = GetWidget();
    if (!w) return FALSE;
    w->window()->raise();
    w->window()->activateWindow();
    return TRUE;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    QWidget* w = GetWidget();
    if (!w) return FALSE;
    const BOOL wasDisabled = w->testAttribute(Qt::WA_ForceDisabled);
    w->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowVisible() const {
    QWidget* w = GetWidget();
    return w && IsShown(w);
}

BOOL CWnd::IsWindowEnabled() const {
    // The window's own state, as Windows keeps it: a control of a disabled parent is
    // still enabled itself.
    QWidget* w = GetWidget();
    return w && !w->testAttribute(Qt::WA_ForceDisabled);
}

void CWnd::SetFocus() {
    if (QWidget* w = GetWidget()) w->setFocus(Qt::OtherFocusReason);
}

int CWnd::GetCheck() const {
    auto* button = qobject_cast<QAbstractButton*>(GetWidget());
    if (!button || !button->isCheckable()) return BST_UNCHECKED;
    if (auto* check = qobject_cast<QCheckBox*>(button))
        if (check->checkState() == Qt::PartiallyChecked) return BST_INDETERMINATE;
    return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CWnd::SetCheck(int state) {
    auto* button = qobject_cast<QAbstractButton*>(GetWidget());
    if (!button || !button->isCheckable()) return;
    if (auto* check = qobject_cast<QCheckBox*>(button)) {
        if (state == BST_INDETERMINATE && check->isTristate()) {
            check->setCheckState(Qt::PartiallyChecked);
            return;
        }
    }
    // An exclusive group refuses to clear its checked button; Windows clears it.
    QButtonGroup* group = button->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive && state == BST_UNCHECKED) group->setExclusive(false);
    button->setChecked(state != BST_UNCHECKED);
    if (exclusive && state == BST_UNCHECKED) group->setExclusive(true);
}

void CWnd::GetWindowRect(RECT* rect) const {
    QWidget* w = GetWidget();
    if (!rect || !w) return;
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    *rect = RECT{origin.x(), origin.y(), origin.x() + w->width(), origin.y() + w->height()};
}

void CWnd::GetClientRect(RECT* rect) const {
    QWidget* w = GetWidget();
    if (!rect || !w) return;
    QSize size(w->width(), w->height());
    // A scrolling control's client area lies inside its border and beside its scroll bars.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
        size = area->contentsRect().size();
        if (area->verticalScrollBar()->isVisibleTo(area))
            size.rwidth() -= area->verticalScrollBar()->width();
        if (area->horizontalScrollBar()->isVisibleTo(area))
            size.rheight() -= area->horizontalScrollBar()->height();
    }
    *rect = RECT{0, 0, std::max(0, size.width()), std::max(0, size.height())};
}

void CWnd::ScreenToClient(RECT* rect) const {
    QWidget* w = GetWidget();
    if (!rect || !w) return;
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    rect->left -= origin.x();
    rect->right -= origin.x();
    rect->top -= origin.y();
    rect->bottom -= origin.y();
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL /*repaint*/) {
    QWidget* w = GetWidget();
    if (!w) return;
    width = std::max(0, width);
    height = std::max(0, height);
    if (w->window() == w) {
        w->move(QPoint(x, y));
        // Dialogs keep a fixed size, as their templates give it.
        if (w->minimumSize() == w->maximumSize())
            w->setFixedSize(width, height);
        else
            w->resize(QSize(width, height));
    } else {
        w->setGeometry(x, y, width, height);
    }
}

DWORD CWnd::GetStyle() const {
    QWidget* w = GetWidget();
    return w ? w->property(kPropStyle).toUInt() : 0;
}

HINSTANCE AfxGetResourceHandle() {
    return tessaly::framework::AfxGetResourceHandle();
}

void AfxSetResourceHandle(HINSTANCE module) {
    tessaly::framework::AfxSetResourceHandle(module);
}
