// The document-choice dialogs: line, chart, date and time, zoom, columns, toolbar rows,
// go to, endnote, importance, search text and table.
#include <tessaly/controls.h>
#include <tessaly/data_exchange.h>
#include <tessaly/dialogs.h>
#include <tessaly/notify.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/choices_ids.h"
#include "framework/widgets/message_box.h"
#include "framework/core/module_state.h"
#include "platform/locale.h"
#include "platform/wintime.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

namespace p = tessaly::platform;
using framework::ManageModuleState;

CString textOf(const CDialog& dialog, int id) {
    CWnd* control = dialog.GetDlgItem(id);
    return control ? control->GetWindowText() : CString();
}

void setText(const CDialog& dialog, int id, const char* text) {
    if (CWnd* control = dialog.GetDlgItem(id)) control->SetWindowText(text);
}

// A control of the template by its class: the dialog made each as an object of that class.
template <typename Control> Control* itemOf(const CDialog& dialog, int id) {
    return static_cast<Control*>(dialog.GetDlgItem(id));
}

// Puts the focus into the field with all of its text selected, for typing it anew.
void focusAndSelectAll(const CDialog& dialog, int id) {
    if (CEdit* edit = itemOf<CEdit>(dialog, id)) {
        edit->SetFocus();
        edit->SetSel(0, -1);
    }
}

void setNumber(const CDialog& dialog, int id, long long value) {
    setText(dialog, id, std::to_string(value).c_str());
}

// A whole number typed into a field (blanks around it allowed); false for anything else.
bool parseNumber(const CString& text, long long& value) {
    std::string s = text.str();
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    s = s.substr(first, s.find_last_not_of(" \t") - first + 1);
    // strtoll rather than from_chars: the latter's integer templates would be exported.
    if (s[0] != '-' && s[0] != '+' && !std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size()) return false;
    value = number;
    return true;
}

// ---- Line ----

const char* const kLineWidths[] = {"3/4 pt",   "1 1/2 pt", "2 1/4 pt", "3 pt",
                                   "3 3/4 pt", "4 1/2 pt", "5 1/4 pt", "6 pt"};

class CInsertLineDlg : public CDialog {
  public:
    CInsertLineDlg() : CDialog(IDD_INSERT_LINE) {}

    double m_maxLength = 0;
    double m_length = 1.0;
    int m_widthIndex = 0; // 0 to 7: the width choice less one

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_CBIndex(pDX, IDC_LINE_WIDTH, m_widthIndex);
        DDX_Text(pDX, IDC_LINE_LENGTH, m_length);
    }

    BOOL OnInitDialog() override {
        if (CComboBox* widths = itemOf<CComboBox>(*this, IDC_LINE_WIDTH))
            for (const char* width : kLineWidths)
                widths->AddString(width);
        CDialog::OnInitDialog();
        setText(*this, IDC_LINE_LENGTH, "1.0"); // the exchange would write "1"
        return TRUE;
    }

    // A length that is no number is refused by the exchange; one above the page's maximum
    // here, the values as they were before.
    void OnOK() override {
        const double length = m_length;
        const int widthIndex = m_widthIndex;
        if (!UpdateData(TRUE)) return;
        if (m_length > m_maxLength) {
            m_length = length;
            m_widthIndex = widthIndex;
            char maximum[64];
            std::snprintf(maximum, sizeof maximum, "%.2f", m_maxLength);
            CString message;
            message.FormatMessage(static_cast<UINT>(IDS_LINE_TOO_LONG), maximum);
            framework::AfxMessageBox(message, MB_OK);
            focusAndSelectAll(*this, IDC_LINE_LENGTH);
            return;
        }
        if (m_widthIndex < 0) m_widthIndex = widthIndex;
        EndDialog(IDOK);
    }
};

// ---- Chart ----

class CInsertChartDlg : public CDialog {
  public:
    CInsertChartDlg() : CDialog(IDD_INSERT_CHART) {}

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_CHART_GO_SPREADSHEET) {
            EndDialog(static_cast<int>(id));
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }
};

// ---- Date and time ----

// The platform's enumerations call back without a context: the pictures go here.
thread_local std::vector<std::string>* pictureSink = nullptr;

BOOL collectPicture(char* picture) {
    if (pictureSink && picture) pictureSink->emplace_back(picture);
    return TRUE;
}

// The current local date and time in every short date, long date and time picture of the
// user's locale, each text once.
std::vector<std::string> dateTimeTexts() {
    SYSTEMTIME now{};
    p::GetLocalTime(&now);
    const LCID locale = p::LOCALE_USER_DEFAULT;
    std::vector<std::string> dates, times;
    pictureSink = &dates;
    p::EnumDateFormatsA(collectPicture, locale, p::DATE_SHORTDATE);
    p::EnumDateFormatsA(collectPicture, locale, p::DATE_LONGDATE);
    pictureSink = &times;
    p::EnumTimeFormatsA(collectPicture, locale, 0);
    pictureSink = nullptr;

    std::vector<std::string> texts;
    auto addOnce = [&texts](const char* text) {
        if (!*text) return;
        for (const std::string& known : texts)
            if (known == text) return;
        texts.emplace_back(text);
    };
    char buffer[256];
    for (const std::string& picture : dates)
        if (p::GetDateFormatA(locale, 0, &now, picture.c_str(), buffer, sizeof buffer) > 0)
            addOnce(buffer);
    for (const std::string& picture : times)
        if (p::GetTimeFormatA(locale, 0, &now, picture.c_str(), buffer, sizeof buffer) > 0)
            addOnce(buffer);
    return texts;
}

class CDateTimeDlg : public CDialog {
  public:
    CDateTimeDlg() : CDialog(IDD_DATE_TIME) {}

    CString m_text;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (CListBox* list = itemOf<CListBox>(*this, IDC_DATE_FORMATS)) {
            for (const std::string& text : dateTimeTexts())
                list->AddString(text.c_str());
            list->SetCurSel(0);
        }
        return TRUE;
    }

    void OnOK() override {
        if (const CListBox* list = itemOf<CListBox>(*this, IDC_DATE_FORMATS))
            list->GetText(list->GetCurSel(), m_text);
        CDialog::OnOK();
    }
};

// ---- Zoom ----

struct ZoomChoice {
    int id;
    int percent; // 0: one of the caller's fitting percents
};
const ZoomChoice kZoomChoices[] = {{IDC_ZOOM_400, 400}, {IDC_ZOOM_200, 200}, {IDC_ZOOM_100, 100},
                                   {IDC_ZOOM_75, 75},   {IDC_ZOOM_50, 50},   {IDC_ZOOM_25, 25}};
constexpr int kZoomMin = 10, kZoomMax = 400;

class CZoomDlg : public CDialog {
  public:
    CZoomDlg() : CDialog(IDD_ZOOM) {}

    int m_zoom = 100;
    int m_fitPage = 0, m_fitWidth = 0, m_fitText = 0;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        putPercent(m_zoom);
        selectFixed(m_zoom);
        return TRUE;
    }

    // Typing a percent selects its fixed radio button, or clears them all; leaving the
    // field brings its value into range.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDC_ZOOM_PERCENT && HIWORD(wParam) == EN_CHANGE) {
            if (!settingField_) {
                long long typed = 0;
                selectFixed(parseNumber(textOf(*this, IDC_ZOOM_PERCENT), typed) ? typed : -1);
            }
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_ZOOM_PERCENT && HIWORD(wParam) == EN_KILLFOCUS) {
            clampField();
            return TRUE;
        }
        return CDialog::OnCommand(wParam, lParam);
    }

    using CDialog::OnCommand;
    BOOL OnCommand(UINT id) override {
        for (const ZoomChoice& choice : kZoomChoices)
            if (static_cast<int>(id) == choice.id) {
                putPercent(choice.percent);
                return TRUE;
            }
        if (id == IDC_ZOOM_FIT_WIDTH || id == IDC_ZOOM_FIT_TEXT || id == IDC_ZOOM_FIT_PAGE) {
            putPercent(id == IDC_ZOOM_FIT_WIDTH  ? m_fitWidth
                       : id == IDC_ZOOM_FIT_TEXT ? m_fitText
                                                 : m_fitPage);
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

    void OnOK() override {
        // Pressing OK takes the focus from the field, which clamps its value first.
        m_zoom = clampField();
        CDialog::OnOK();
    }

  private:
    // The field shows a percent chosen with a radio button, which stays selected.
    void putPercent(long long percent) {
        settingField_ = true;
        setNumber(*this, IDC_ZOOM_PERCENT, percent);
        settingField_ = false;
    }

    // Selects the fixed radio button of that percent; clears every radio button when the
    // percent is none of them.
    void selectFixed(long long percent) {
        const int all[] = {IDC_ZOOM_400,       IDC_ZOOM_200,      IDC_ZOOM_100,
                           IDC_ZOOM_75,        IDC_ZOOM_50,       IDC_ZOOM_25,
                           IDC_ZOOM_FIT_WIDTH, IDC_ZOOM_FIT_TEXT, IDC_ZOOM_FIT_PAGE};
        int match = 0;
        for (const ZoomChoice& choice : kZoomChoices)
            if (choice.percent == percent) match = choice.id;
        for (int id : all)
            if (CButton* radio = itemOf<CButton>(*this, id); radio && id != match)
                radio->SetCheck(BST_UNCHECKED);
        if (CButton* radio = itemOf<CButton>(*this, match)) radio->SetCheck(BST_CHECKED);
    }

    // Keeps the field's value within 10 to 400; returns it.
    int clampField() {
        long long value = 0;
        parseNumber(textOf(*this, IDC_ZOOM_PERCENT), value);
        const long long clamped = std::clamp<long long>(value, kZoomMin, kZoomMax);
        if (clamped != value || textOf(*this, IDC_ZOOM_PERCENT) != std::to_string(value).c_str())
            setNumber(*this, IDC_ZOOM_PERCENT, clamped); // selects 400% when it was above
        return static_cast<int>(clamped);
    }

    bool settingField_ = false;
};

// ---- Columns ----

class CColumnDlg : public CDialog {
  public:
    CColumnDlg() : CDialog(IDD_COLUMNS) {}

    UINT m_columns = 2;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_COLUMNS_COUNT, m_columns);
    }
};

// ---- Toolbar rows ----

class CToolbarRowsDlg : public CDialog {
  public:
    CToolbarRowsDlg() : CDialog(IDD_TOOLBAR_ROWS) {}

    UINT m_rowMask = 0;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (int row = 0; row < TOOLBAR_ROW_COUNT; ++row)
            if (CButton* box = itemOf<CButton>(*this, IDC_TOOLBAR_ROW1 + row))
                box->SetCheck((m_rowMask >> row) & 1u ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }

    void OnOK() override {
        // Bits of rows this dialog does not show are kept as they came.
        UINT mask = m_rowMask & ~((1u << TOOLBAR_ROW_COUNT) - 1);
        for (int row = 0; row < TOOLBAR_ROW_COUNT; ++row)
            if (CButton* box = itemOf<CButton>(*this, IDC_TOOLBAR_ROW1 + row);
                box && box->GetCheck())
                mask |= 1u << row;
        m_rowMask = mask;
        CDialog::OnOK();
    }
};

// ---- Go to ----

class CGoToDlg : public CDialog {
  public:
    CGoToDlg() : CDialog(IDD_GO_TO) {}

    int m_page = 0, m_line = 0, m_column = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_GOTO_PAGE, m_page);
        DDX_Text(pDX, IDC_GOTO_LINE, m_line);
        DDX_Text(pDX, IDC_GOTO_COLUMN, m_column);
    }

    // OK and the three place buttons take the fields and end with their own ids.
    BOOL OnCommand(UINT id) override {
        if (id == IDOK || id == IDC_GOTO_FIRST || id == IDC_GOTO_LAST || id == IDC_GOTO_MIDDLE) {
            if (UpdateData(TRUE)) EndDialog(static_cast<int>(id));
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }
};

// ---- Endnote ----

class CEndNoteDlg : public CDialog {
  public:
    CEndNoteDlg() : CDialog(IDD_ENDNOTE) {}

    int m_separator = 1;
    CString m_number, m_text;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        setText(*this, IDC_ENDNOTE_NUMBER, m_number);
        setText(*this, IDC_ENDNOTE_TEXT, m_text);
        if (CButton* box = itemOf<CButton>(*this, IDC_ENDNOTE_SEPARATOR))
            box->SetCheck(m_separator);
        return TRUE;
    }

    void OnOK() override {
        m_number = textOf(*this, IDC_ENDNOTE_NUMBER);
        m_text = textOf(*this, IDC_ENDNOTE_TEXT);
        const CButton* box = itemOf<CButton>(*this, IDC_ENDNOTE_SEPARATOR);
        m_separator = box ? box->GetCheck() : 0;
        CDialog::OnOK();
    }
};

// ---- Importance ----

class CImportanceDlg : public CDialog {
  public:
    CImportanceDlg() : CDialog(IDD_IMPORTANCE) {}

    int m_choice = IDC_IMPORTANCE_NORMAL;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (CButton* radio = itemOf<CButton>(*this, m_choice)) radio->SetCheck(BST_CHECKED);
        return TRUE;
    }

    void OnOK() override {
        for (int id : {IDC_IMPORTANCE_LOW, IDC_IMPORTANCE_NORMAL, IDC_IMPORTANCE_HIGH})
            if (const CButton* radio = itemOf<CButton>(*this, id); radio && radio->GetCheck())
                m_choice = id;
        CDialog::OnOK();
    }
};

// ---- Search text ----

class CSearchTextDlg : public CDialog {
  public:
    CSearchTextDlg() : CDialog(IDD_SEARCH_TEXT) {}

    std::vector<CString> m_words;
    CString m_text;

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (CListBox* list = itemOf<CListBox>(*this, IDC_SEARCH_LIST))
            for (const CString& word : m_words)
                list->AddString(word);
        // The caller's text is offered as the next word or phrase to add.
        setText(*this, IDC_SEARCH_WORD, m_text);
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        CListBox* list = itemOf<CListBox>(*this, IDC_SEARCH_LIST);
        if (list && id == IDC_SEARCH_ADD) {
            CString word = textOf(*this, IDC_SEARCH_WORD);
            word.Trim();
            if (word.IsEmpty()) {
                focusAndSelectAll(*this, IDC_SEARCH_WORD);
                return TRUE;
            }
            // A word already listed (letter case counts) is selected rather than added again.
            CString item;
            for (int i = 0; i < list->GetCount(); ++i)
                if (list->GetText(i, item) != LB_ERR && item == word) {
                    list->SetCurSel(i);
                    return TRUE;
                }
            list->SetCurSel(list->AddString(word));
            setText(*this, IDC_SEARCH_WORD, "");
            return TRUE;
        }
        if (list && id == IDC_SEARCH_REMOVE) {
            const int selected = list->GetCurSel();
            if (selected != LB_ERR) {
                list->DeleteString(static_cast<UINT>(selected));
                list->SetCurSel(std::min(selected, list->GetCount() - 1));
            }
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

    void OnOK() override {
        m_words.clear();
        if (const CListBox* list = itemOf<CListBox>(*this, IDC_SEARCH_LIST)) {
            CString word;
            for (int i = 0; i < list->GetCount(); ++i) {
                list->GetText(i, word);
                m_words.push_back(word);
            }
        }
        CDialog::OnOK();
    }
};

// ---- Table ----

constexpr short kMaxTableSide = 100;

class CInsertTableDlg : public CDialog {
  public:
    CInsertTableDlg() : CDialog(IDD_INSERT_TABLE) {}

    UINT m_columns = 2, m_rows = 2;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_TABLE_COLUMNS, m_columns);
        DDX_Text(pDX, IDC_TABLE_ROWS, m_rows);
    }

    // The spin buttons count up from one table cell (an up-down without a range counts down).
    BOOL OnInitDialog() override {
        for (int spin : {IDC_TABLE_COLUMNS_SPIN, IDC_TABLE_ROWS_SPIN})
            if (auto* arrows = itemOf<CSpinButtonCtrl>(*this, spin))
                arrows->SetRange(1, kMaxTableSide);
        CDialog::OnInitDialog();
        return TRUE;
    }
};

} // namespace

} // namespace tessaly::dialogs

using namespace tessaly::dialogs;
using tessaly::framework::ManageModuleState;

int ShowInsertLineDlg(double maxLength, double& length, int& width) {
    ManageModuleState state;
    CInsertLineDlg dialog;
    dialog.m_maxLength = maxLength;
    const int code = dialog.DoModal();
    length = dialog.m_length;
    width = dialog.m_widthIndex + 1;
    return code;
}

int ShowInsertChartDlg() {
    ManageModuleState state;
    CInsertChartDlg dialog;
    return dialog.DoModal();
}

int ShowDateDlg(CString& text) {
    ManageModuleState state;
    CDateTimeDlg dialog;
    const int code = dialog.DoModal();
    text = dialog.m_text;
    return code;
}

int ShowDateDlgEx(char* buffer) {
    CString text;
    const int code = ShowDateDlg(text);
    if (buffer) std::memcpy(buffer, text.GetString(), static_cast<size_t>(text.GetLength()) + 1);
    return code;
}

int ShowZoomDlg(int& zoom, int fitPage, int fitWidth, int fitText) {
    ManageModuleState state;
    CZoomDlg dialog;
    dialog.m_zoom = zoom;
    dialog.m_fitPage = fitPage;
    dialog.m_fitWidth = fitWidth;
    dialog.m_fitText = fitText;
    const int code = dialog.DoModal();
    zoom = dialog.m_zoom;
    return code;
}

int ShowColumnDlg(UINT& columns) {
    ManageModuleState state;
    CColumnDlg dialog;
    const int code = dialog.DoModal();
    columns = dialog.m_columns;
    return code;
}

int ShowCusToolbarDlg(UINT& rowMask) {
    ManageModuleState state;
    CToolbarRowsDlg dialog;
    dialog.m_rowMask = rowMask;
    const int code = dialog.DoModal();
    rowMask = dialog.m_rowMask;
    return code;
}

int ShowGoToDlg(int& page, int& line, int& column) {
    ManageModuleState state;
    CGoToDlg dialog;
    dialog.m_page = page;
    dialog.m_line = line;
    dialog.m_column = column;
    const int code = dialog.DoModal();
    page = dialog.m_page;
    line = dialog.m_line;
    column = dialog.m_column;
    return code;
}

int ShowEndNoteDlg(int& separator, CString& number, CString& text) {
    ManageModuleState state;
    CEndNoteDlg dialog;
    const int code = dialog.DoModal();
    separator = dialog.m_separator;
    number = dialog.m_number;
    text = dialog.m_text;
    return code;
}

int SelectImportanceDlg(CStringArray& values) {
    ManageModuleState state;
    CImportanceDlg dialog;
    const CString first = values.GetSize() > 0 ? values[0] : CString();
    dialog.m_choice = first == "1"   ? IDC_IMPORTANCE_HIGH
                      : first == "4" ? IDC_IMPORTANCE_LOW
                                     : IDC_IMPORTANCE_NORMAL;
    const int code = dialog.DoModal();
    if (code == IDOK) {
        values.RemoveAll();
        values.Add(dialog.m_choice == IDC_IMPORTANCE_HIGH  ? "1"
                   : dialog.m_choice == IDC_IMPORTANCE_LOW ? "4"
                                                           : "3");
    }
    return code;
}

int ShowSearchTextDlg(CStringArray& words, CString text) {
    ManageModuleState state;
    CSearchTextDlg dialog;
    for (int i = 0; i < words.GetSize(); ++i)
        dialog.m_words.push_back(words[i]);
    dialog.m_text = text;
    const int code = dialog.DoModal();
    if (code == IDOK) {
        words.RemoveAll();
        for (const CString& word : dialog.m_words)
            words.Add(word);
    }
    return code;
}

int ShowInsertTableDlg(UINT& columns, UINT& rows) {
    ManageModuleState state;
    CInsertTableDlg dialog;
    const int code = dialog.DoModal();
    if (code == IDOK) {
        columns = dialog.m_columns;
        rows = dialog.m_rows;
    }
    return code;
}
