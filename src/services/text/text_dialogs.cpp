// The Word Count dialog and the Date Received dialog of the mail search.
#include <tessaly/activex.h>
#include <tessaly/text.h>

#include <cstdlib>

#include "dialogs/text_ids.h"
#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "resource.h"

namespace {

namespace fw = tessaly::framework;

class CWordCountDlg : public CDialog {
  public:
    CWordCountDlg(const int (&numbers)[6]) : CDialog(IDD_WORD_COUNT) {
        for (int i = 0; i < 6; ++i)
            numbers_[i] = numbers[i];
    }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        static const int kIds[] = {IDC_WC_WORDS, IDC_WC_CHARACTERS,     IDC_WC_PAGES,
                                   IDC_WC_LINES, IDC_WC_SELECTED_WORDS, IDC_WC_SELECTED_CHARACTERS};
        for (int i = 0; i < 6; ++i)
            if (CWnd* field = GetDlgItem(kIds[i])) {
                CString text;
                text.Format("%d", numbers_[i]);
                field->SetWindowText(text);
            }
        if (numbers_[2] < 1)
            for (int id : {IDC_WC_PAGES_LABEL, IDC_WC_PAGES})
                if (CWnd* control = GetDlgItem(id)) control->ShowWindow(SW_HIDE);
        return TRUE;
    }

  private:
    int numbers_[6];
};

// Whether the leading whole number of a text (as the C run time reads it) is above 0.
bool wholeNumberPositive(const CString& text) {
    return std::strtol(text, nullptr, 10) > 0;
}

class CDateRangeDlg : public CDialog {
  public:
    CDateRangeDlg(bool afterSet, double after, bool beforeSet, double before)
        : CDialog(IDD_DATE_RANGE), set_{afterSet, beforeSet}, dates_{after, before} {}

    bool IsSet(int end) const { return set_[end]; }
    double DateOf(int end) const { return dates_[end]; }

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        const double now = COleDateTime::GetCurrentTime();
        // Open ends show now (After) and a day later (Before).
        const double shown[2] = {set_[0] ? dates_[0] : now, set_[1] ? dates_[1] : now + 1.0};
        for (int end = 0; end < 2; ++end) {
            if (CWnd* box = GetDlgItem(kChecks[end])) box->SetCheck(set_[end] ? 1 : 0);
            if (CDTPicker* picker = pickerOf(end)) {
                CComVariant value;
                value.vt = VT_DATE;
                value.date = shown[end];
                picker->SetValue(value);
                picker->EnableWindow(set_[end]);
            }
        }
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        for (int end = 0; end < 2; ++end)
            if (id == static_cast<UINT>(kChecks[end])) {
                readBox(end);
                if (CDTPicker* picker = pickerOf(end)) picker->EnableWindow(set_[end]);
                return TRUE;
            }
        return CDialog::OnCommand(id);
    }

    void OnOK() override {
        for (int end = 0; end < 2; ++end) {
            readBox(end);
            dates_[end] = 0.0;
            if (CDTPicker* picker = pickerOf(end); picker && set_[end]) {
                const VARIANT value = picker->GetValue();
                if (value.vt == VT_DATE) dates_[end] = value.date;
            }
        }
        if (set_[0] && set_[1] && !(dates_[1] > dates_[0])) {
            CString text;
            text.FormatMessage(
                IDS_DATE_BEFORE_NOT_AFTER,
                tessaly::companion::GetDefaultLongDate(COleDateTime(dates_[0])).GetString());
            fw::AfxMessageBox(text, MB_OK);
            return;
        }
        EndDialog(IDOK);
    }

  private:
    static constexpr int kChecks[2] = {IDC_DATE_AFTER_CHECK, IDC_DATE_BEFORE_CHECK};
    static constexpr int kPickers[2] = {IDC_DATE_AFTER, IDC_DATE_BEFORE};

    CDTPicker* pickerOf(int end) const {
        return dynamic_cast<CDTPicker*>(GetDlgItem(kPickers[end]));
    }
    void readBox(int end) {
        if (CWnd* box = GetDlgItem(kChecks[end])) set_[end] = box->GetCheck() == 1;
    }

    bool set_[2];
    double dates_[2];
};

} // namespace

int ShowWordCountDlg(int words, int characters, int pages, int lines, int selectedWords,
                     int selectedCharacters) {
    fw::ManageModuleState state;
    CWordCountDlg dialog({words, characters, pages, lines, selectedWords, selectedCharacters});
    return dialog.DoModal();
}

int SelectDateSpanDlg(CStringArray& range) {
    fw::ManageModuleState state;
    bool set[2] = {false, false};
    double dates[2] = {0.0, 0.0};
    if (range.GetSize() > 1)
        for (int end = 0; end < 2; ++end) {
            set[end] = wholeNumberPositive(range[end]);
            dates[end] = std::strtod(range[end], nullptr);
        }
    CDateRangeDlg dialog(set[0], dates[0], set[1], dates[1]);
    const int result = dialog.DoModal();
    if (result == IDOK) {
        range.RemoveAll();
        if (dialog.IsSet(0) || dialog.IsSet(1))
            for (int end = 0; end < 2; ++end) {
                CString text;
                text.Format("%f", dialog.DateOf(end));
                range.Add(text);
            }
    }
    return result;
}
