// The language override dialog: run the suite in another of its languages, or go back to
// the language of the installation. It writes the settings only; the resource module in
// use stays until the library is loaded again.
#include <tessaly/controls.h>
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <cstdio>
#include <cstdlib>

#include "foundation/companion.h"
#include "framework/core/module_state.h"

namespace tessaly::frame {

namespace {

const char* const kLanguageKey = "Software\\varnholt\\Tessaly2001\\Language";
constexpr int kCurrentUser = 0; // the hive selector of both values

enum : UINT {
    IDD_LANGUAGE_OVERRIDE = 613,
    IDC_LANGUAGE_CURRENT = 1018,
    IDC_LANGUAGE_ORIGINAL = 1019,
    IDC_LANGUAGE_LIST = 1060,
    IDC_LANGUAGE_RESTORE = 611,
};

struct Choice {
    UINT nameId;
    unsigned long language;
};

// The languages offered, in the list's order.
constexpr Choice kChoices[] = {
    {61576, 9},    {61577, 2052}, {61665, 1028}, {61666, 33}, {61667, 17},   {61668, 18},
    {61669, 25},   {61670, 30},   {61671, 31},   {61672, 45}, {61673, 3},    {61674, 26},
    {61675, 5},    {61676, 6},    {61677, 19},   {61679, 11}, {61680, 1036}, {61681, 3084},
    {61682, 7},    {61683, 8},    {61684, 14},   {61685, 16}, {61686, 20},   {61687, 21},
    {61688, 1046}, {61689, 2070}, {61690, 27},   {61691, 36}, {61692, 10},   {61693, 29},
};

class CLanguageOverrideDlg : public CDialog {
  public:
    CLanguageOverrideDlg() : CDialog(static_cast<UINT>(IDD_LANGUAGE_OVERRIDE)) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        CString original;
        if (companion::GetRegString(kLanguageKey, "Original", original, kCurrentUser))
            setLabel(IDC_LANGUAGE_ORIGINAL, GetLanguageName(std::atoi(original)));
        const CString current = GetCurrentLanguageName();
        setLabel(IDC_LANGUAGE_CURRENT, current);
        CComboBox* list = languages();
        if (!list) return TRUE;
        list->ResetContent();
        for (const Choice& choice : kChoices) {
            CString name;
            name.LoadString(choice.nameId);
            const int index = list->AddString(name);
            if (index >= 0) list->SetItemData(index, choice.language);
        }
        // The first item that begins with the current language's name, case ignored;
        // nothing is chosen when the current language is not listed.
        list->SetCurSel(current.IsEmpty() ? CB_ERR : list->FindString(-1, current));
        return TRUE;
    }

    // OK changes the setting to the chosen language and keeps the dialog open.
    void OnOK() override {
        CComboBox* list = languages();
        const int index = list ? list->GetCurSel() : CB_ERR;
        if (index == CB_ERR) return;
        const unsigned long language = static_cast<unsigned long>(list->GetItemData(index));
        char number[24];
        std::snprintf(number, sizeof number, "%lu", language);
        SetRegString(kLanguageKey, "Current", number, kCurrentUser);
        setLabel(IDC_LANGUAGE_CURRENT, GetLanguageName(static_cast<int>(language)));
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_LANGUAGE_RESTORE) {
            restore();
            return TRUE;
        }
        return CDialog::OnCommand(id);
    }

  private:
    // Back to the installation's language, when it is known.
    void restore() {
        CString original;
        if (!companion::GetRegString(kLanguageKey, "Original", original, kCurrentUser)) return;
        SetRegString(kLanguageKey, "Current", original, kCurrentUser);
        setLabel(IDC_LANGUAGE_CURRENT, GetLanguageName(std::atoi(original)));
    }

    void setLabel(UINT id, const CString& text) {
        if (CWnd* label = GetDlgItem(static_cast<int>(id))) label->SetWindowText(text);
    }

    CComboBox* languages() const { return dynamic_cast<CComboBox*>(GetDlgItem(IDC_LANGUAGE_LIST)); }
};

} // namespace

} // namespace tessaly::frame

int ShowLangaugeSettingDlg() {
    tessaly::framework::ManageModuleState state;
    tessaly::frame::CLanguageOverrideDlg dialog;
    return dialog.DoModal();
}
