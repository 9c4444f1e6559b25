// Dialog data exchange: UpdateData, CDataExchange, the DDX_ and DDV_ functions, and binding
// member objects to a template's controls.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <QWidget>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <tessaly/controls.h>
#include <tessaly/data_exchange.h>

#include "framework/widgets/message_box.h"
#include "framework/widgets/wnd_internal.h"
#include "resource.h"

using namespace tessaly::framework;

namespace {

// What Fail throws; UpdateData catches it. Thrown and caught inside the library only.
struct ExchangeFailed {};

// A control object that looks at a handle without becoming its owner (constructing one over
// the widget would take the handle from the member bound to it).
template <class Control> struct View : Control {
    explicit View(HWND window) { this->m_hWnd = window; }
};

// The owner of the handle: the member bound to it, else the framework's object.
CWnd* owner(HWND window) {
    return CWnd::FromHandle(window);
}

void prompt(UINT stringId) {
    AfxMessageBox(stringId, MB_ICONEXCLAMATION);
}

void prompt(UINT stringId, const char* first, const char* second = "") {
    CString text;
    text.FormatMessage(stringId, first, second);
    AfxMessageBox(text, MB_ICONEXCLAMATION);
}

// The text without the blanks (spaces and tabs) around it.
std::string trimmed(const CString& text) {
    const std::string s = text.str();
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A whole number in [minimum, maximum]: an optional sign and decimal digits, nothing else.
// strtoll rather than from_chars: the latter's integer templates would be exported.
bool parseSigned(const CString& text, long long minimum, long long maximum, long long& value) {
    const std::string s = trimmed(text);
    const size_t digits = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
    if (s.size() <= digits || s.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || number < minimum || number > maximum) return false;
    value = number;
    return true;
}

bool parseUnsigned(const CString& text, unsigned long long maximum, unsigned long long& value) {
    const std::string s = trimmed(text);
    const size_t digits = (!s.empty() && s[0] == '+') ? 1 : 0; // no minus for an unsigned
    if (s.size() <= digits || s.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long number = std::strtoull(s.c_str(), &end, 10);
    if (errno != 0 || number > maximum) return false;
    value = number;
    return true;
}

// A decimal number: sign, digits with an optional point, an optional exponent. Read without
// the locale (the process's C locale follows the user's, which may use a comma).
bool parseReal(const CString& text, double& value) {
    std::string s = trimmed(text);
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    size_t mantissa = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++mantissa;
    if (i < s.size() && s[i] == '.') ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++mantissa;
    if (mantissa == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
        size_t exponent = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i, ++exponent;
        if (exponent == 0) return false;
    }
    if (i != s.size()) return false;
    if (s[0] == '+') s.erase(0, 1);
    double number = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), number);
    if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(number)) return false;
    value = number;
    return true;
}

// A double as the controls show it: up to 15 significant digits, without the locale.
std::string realText(double value) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

CString windowText(HWND window) {
    CWnd* control = owner(window);
    return control ? control->GetWindowText() : CString();
}

void setWindowText(HWND window, const std::string& text) {
    if (CWnd* control = owner(window)) control->SetWindowText(text.c_str());
}

// Reads a number from the edit (prompting and failing when it is none) or writes it.
template <class Parse, class Format>
void exchangeNumber(CDataExchange* pDX, int id, UINT badNumberPrompt, Parse parse, Format format) {
    const HWND window = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        if (!parse(windowText(window))) {
            prompt(badNumberPrompt);
            pDX->Fail();
        }
    } else {
        setWindowText(window, format());
    }
}

QComboBox* comboOf(HWND window) {
    return qobject_cast<QComboBox*>(CWnd::WidgetOf(window));
}

QListWidget* listOf(HWND window) {
    return qobject_cast<QListWidget*>(CWnd::WidgetOf(window));
}

// The selection of a combo or list box from a member text: the first item that begins with
// it (matchExact: equals it), ignoring case. An empty text clears the selection. Returns
// whether an item was selected.
bool selectText(HWND window, const CString& value, bool exact) {
    if (comboOf(window)) {
        View<CComboBox> combo(window);
        if (value.IsEmpty()) {
            combo.SetCurSel(-1);
            return false;
        }
        const int index = exact ? combo.FindStringExact(-1, value.GetString())
                                : combo.FindString(-1, value.GetString());
        if (index == CB_ERR) return false;
        combo.SetCurSel(index);
        return true;
    }
    if (QListWidget* list = listOf(window)) {
        View<CListBox> box(window);
        if (value.IsEmpty()) {
            box.SetCurSel(-1);
            return false;
        }
        const QString text = FromAnsi(value);
        for (int i = 0; i < list->count(); ++i) {
            const QString item = list->item(i)->text();
            const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                     : item.startsWith(text, Qt::CaseInsensitive);
            if (match) {
                box.SetCurSel(i);
                return true;
            }
        }
    }
    return false;
}

// The radio buttons of the group that starts at the control: it and the controls after it
// up to the next one with WS_GROUP or the next one that is no radio button.
std::vector<QAbstractButton*> radioGroup(QWidget* first) {
    std::vector<QAbstractButton*> group;
    // parent() rather than Qt's inline parentWidget(), which the library would export.
    QWidget* parent = first ? qobject_cast<QWidget*>(first->parent()) : nullptr;
    if (!parent) return group;
    bool started = false;
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !widget->property(kPropId).isValid()) continue;
        if (widget == first) {
            started = true;
        } else if (!started) {
            continue;
        } else if (widget->property(kPropStyle).toUInt() & WS_GROUP) {
            break;
        }
        auto* radio = qobject_cast<QRadioButton*>(widget);
        if (!radio) break;
        group.push_back(radio);
    }
    return group;
}

} // namespace

// Members read by a failed exchange get their values back.
struct DataExchangeUndo {
    template <class T> static void remember(CDataExchange* pDX, T& member) {
        if (pDX->m_bSaveAndValidate)
            pDX->undo_.push_back([&member, old = member] { member = old; });
    }
    static void restore(CDataExchange& dx) {
        for (auto it = dx.undo_.rbegin(); it != dx.undo_.rend(); ++it)
            (*it)();
        dx.undo_.clear();
    }
};

namespace {
template <class T> void remember(CDataExchange* pDX, T& member) {
    DataExchangeUndo::remember(pDX, member);
}
} // namespace

// ---------------------------------------------------------------- CWnd

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    if (!GetWidget()) return FALSE;
    CDataExchange exchange(this, bSaveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (const ExchangeFailed&) {
        DataExchangeUndo::restore(exchange);
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange* /*pDX*/) {}

void CWnd::PreSubclassWindow() {}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    CWnd* control = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
    QWidget* widget = control ? control->GetWidget() : nullptr;
    if (!widget) return FALSE;
    if (control == this) return TRUE; // bound already
    attach(widget);
    PreSubclassWindow();
    return TRUE;
}

// ---------------------------------------------------------------- CDataExchange

CDataExchange::CDataExchange(CWnd* dlgWnd, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlgWnd) {}

HWND CDataExchange::PrepareCtrl(int id) {
    CWnd* control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
    m_bEditLastControl = FALSE;
    if (!control) {
        // Nothing to focus: the exchange names a control the template does not have.
        m_hWndLastControl = nullptr;
        Fail();
    }
    m_hWndLastControl = control->GetSafeHwnd();
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
    const HWND window = PrepareCtrl(id);
    m_bEditLastControl = TRUE;
    return window;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_hWndLastControl) {
        if (QWidget* widget = CWnd::WidgetOf(m_hWndLastControl)) {
            widget->setFocus(Qt::OtherFocusReason);
            if (m_bEditLastControl) {
                if (auto* line = qobject_cast<QLineEdit*>(widget)) {
                    line->selectAll();
                } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
                    plain->selectAll();
                } else if (auto* rich = qobject_cast<QTextEdit*>(widget)) {
                    rich->selectAll();
                } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                    if (combo->lineEdit()) combo->lineEdit()->selectAll();
                }
            }
        }
    }
    throw ExchangeFailed{};
}

// ---------------------------------------------------------------- DDX_Text

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    remember(pDX, value);
    const HWND window = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = windowText(window);
    else
        setWindowText(window, value.str());
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    remember(pDX, value);
    exchangeNumber(
        pDX, id, IDS_PARSE_INT,
        [&value](const CString& text) {
            long long number = 0;
            if (!parseSigned(text, INT_MIN, INT_MAX, number)) return false;
            value = static_cast<int>(number);
            return true;
        },
        [&value] { return std::to_string(value); });
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value) {
    remember(pDX, value);
    exchangeNumber(
        pDX, id, IDS_PARSE_INT,
        [&value](const CString& text) {
            unsigned long long number = 0;
            if (!parseUnsigned(text, UINT_MAX, number)) return false;
            value = static_cast<UINT>(number);
            return true;
        },
        [&value] { return std::to_string(value); });
}

void DDX_Text(CDataExchange* pDX, int id, long& value) {
    remember(pDX, value);
    exchangeNumber(
        pDX, id, IDS_PARSE_INT,
        [&value](const CString& text) {
            long long number = 0;
            if (!parseSigned(text, LONG_MIN, LONG_MAX, number)) return false;
            value = static_cast<long>(number);
            return true;
        },
        [&value] { return std::to_string(value); });
}

void DDX_Text(CDataExchange* pDX, int id, double& value) {
    remember(pDX, value);
    exchangeNumber(
        pDX, id, IDS_PARSE_REAL, [&value](const CString& text) { return parseReal(text, value); },
        [&value] { return realText(value); });
}

// ---------------------------------------------------------------- buttons

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    remember(pDX, value);
    CWnd* button = owner(pDX->PrepareCtrl(id));
    if (!button) return;
    if (pDX->m_bSaveAndValidate)
        value = button->GetCheck();
    else
        // A value that is no check state shows as unchecked.
        button->SetCheck(value >= BST_UNCHECKED && value <= BST_INDETERMINATE ? value
                                                                              : BST_UNCHECKED);
}

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
    remember(pDX, value);
    const HWND first = pDX->PrepareCtrl(id);
    const std::vector<QAbstractButton*> group = radioGroup(CWnd::WidgetOf(first));
    if (pDX->m_bSaveAndValidate) value = -1;
    for (size_t i = 0; i < group.size(); ++i) {
        CWnd* radio = owner(CWnd::HandleOf(group[i]));
        if (!radio) continue;
        const int index = static_cast<int>(i);
        if (pDX->m_bSaveAndValidate) {
            if (radio->GetCheck() == BST_CHECKED) value = index;
        } else {
            radio->SetCheck(index == value ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

// ---------------------------------------------------------------- combo and list boxes

void DDX_CBIndex(CDataExchange* pDX, int id, int& index) {
    remember(pDX, index);
    const HWND window = pDX->PrepareCtrl(id);
    if (!comboOf(window)) return;
    View<CComboBox> combo(window);
    if (pDX->m_bSaveAndValidate)
        index = combo.GetCurSel();
    else
        combo.SetCurSel(index);
}

namespace {

void exchangeComboText(CDataExchange* pDX, int id, CString& value, bool exact) {
    remember(pDX, value);
    const HWND window = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate) {
        // The edit text, or the selected item's of a drop-down list.
        value = windowText(window);
    } else if (!selectText(window, value, exact)) {
        // No item matches: the edit shows the text (a drop-down list has no edit).
        if (QComboBox* combo = comboOf(window); combo && combo->isEditable())
            setWindowText(window, value.str());
    }
}

} // namespace

void DDX_CBString(CDataExchange* pDX, int id, CString& value) {
    exchangeComboText(pDX, id, value, false);
}

void DDX_CBStringExact(CDataExchange* pDX, int id, CString& value) {
    exchangeComboText(pDX, id, value, true);
}

void DDX_LBIndex(CDataExchange* pDX, int id, int& index) {
    remember(pDX, index);
    const HWND window = pDX->PrepareCtrl(id);
    if (!listOf(window)) return;
    View<CListBox> list(window);
    if (pDX->m_bSaveAndValidate)
        index = list.GetCurSel();
    else
        list.SetCurSel(index);
}

void DDX_LBString(CDataExchange* pDX, int id, CString& value) {
    remember(pDX, value);
    const HWND window = pDX->PrepareCtrl(id);
    if (!listOf(window)) return;
    if (pDX->m_bSaveAndValidate) {
        View<CListBox> list(window);
        const int index = list.GetCurSel();
        value.Empty();
        if (index != LB_ERR) list.GetText(index, value);
    } else {
        selectText(window, value, false); // no match: the selection stays as it was
    }
}

// ---------------------------------------------------------------- binding

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    const HWND window = pDX->PrepareCtrl(id);
    if (owner(window) == &control) return;
    if (!control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd)) pDX->Fail();
}

// ---------------------------------------------------------------- validation

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars) {
    if (pDX->m_bSaveAndValidate) {
        if (value.GetLength() > maxChars) {
            prompt(IDS_PARSE_STRING_SIZE, std::to_string(maxChars).c_str());
            pDX->Fail();
        }
        return;
    }
    // Writing: the control takes no more than that.
    const HWND window = pDX->m_hWndLastControl;
    if (!window || maxChars < 0) return;
    if (QComboBox* combo = comboOf(window)) {
        if (combo->lineEdit()) combo->lineEdit()->setMaxLength(maxChars > 0 ? maxChars : 32767);
    } else if (pDX->m_bEditLastControl) {
        View<CEdit>(window).LimitText(maxChars);
    }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
    prompt(IDS_PARSE_INT_RANGE, std::to_string(minVal).c_str(), std::to_string(maxVal).c_str());
    pDX->Fail();
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
    prompt(IDS_PARSE_INT_RANGE, std::to_string(minVal).c_str(), std::to_string(maxVal).c_str());
    pDX->Fail();
}

void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal) {
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
    prompt(IDS_PARSE_REAL_RANGE, realText(minVal).c_str(), realText(maxVal).c_str());
    pDX->Fail();
}
