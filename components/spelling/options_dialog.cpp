// The spelling engine's options dialog, built from the caller's "OPTIONSDLG" template: the
// controls are read and written by their ids, and OK saves the choices.
#include <QLocale>
#include <QString>

#include <tessaly/controls.h>
#include <tessaly/wnd.h>

#include "engine.h"

namespace {

// The check boxes in the order of the template's listing, with the option bit each sets.
struct Choice {
    int id;
    int bit;
};
constexpr Choice kChoices[] = {
    {1021, SSCE_IGNORE_CAPPED_WORD_OPT},    {1028, SSCE_IGNORE_ALL_CAPS_WORD_OPT},
    {1025, SSCE_IGNORE_MIXED_DIGITS_OPT},   {1044, SSCE_IGNORE_MIXED_CASE_OPT},
    {1046, SSCE_IGNORE_DOMAIN_NAMES_OPT},   {1022, SSCE_REPORT_DOUBLED_WORD_OPT},
    {1041, SSCE_CASE_SENSITIVE_OPT},        {1042, SSCE_SUGGEST_PHONETIC_OPT},
    {1045, SSCE_SUGGEST_TYPOGRAPHICAL_OPT}, {1043, SSCE_SUGGEST_SPLIT_WORDS_OPT},
    {1050, SSCE_AUTO_CORRECT_OPT},
};
constexpr int kDepthIds[] = {1051, 1052, 1053}; // fast, moderate, slow
constexpr int kLanguageId = 1059;

// "English (United States)" for "en_US"; the name itself when Qt does not know it.
CString languageName(const std::string& dictionary) {
    const QLocale locale(QString::fromStdString(dictionary));
    if (locale.language() == QLocale::C) return CString(dictionary.c_str());
    QString text = QLocale::languageToString(locale.language());
    if (dictionary.find('_') != std::string::npos)
        text += " (" + QLocale::territoryToString(locale.territory()) + ")";
    return CString(tessaly::spelling::FromUtf8(text.toUtf8().toStdString()).c_str());
}

class COptionsDlg : public CDialog {
  public:
    COptionsDlg(const char* templateName, CWnd* parent) : CDialog(templateName, parent) {}

  protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        auto& engine = tessaly::spelling::TheEngine();
        std::lock_guard lock(engine.mutex);
        engine.Refresh();
        options_ = engine.GetOptions();
        for (const auto& c : kChoices)
            if (CWnd* box = GetDlgItem(c.id)) box->SetCheck((options_.bits & c.bit) ? 1 : 0);
        for (int i = 0; i < 3; ++i)
            if (CWnd* radio = GetDlgItem(kDepthIds[i])) radio->SetCheck(options_.depth == i);
        dictionaries_ = tessaly::spelling::Engine::InstalledDictionaries();
        if (auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kLanguageId))) {
            combo->ResetContent();
            for (size_t i = 0; i < dictionaries_.size(); ++i) {
                combo->AddString(languageName(dictionaries_[i]));
                if (dictionaries_[i] == options_.language) combo->SetCurSel(static_cast<int>(i));
            }
        }
        return TRUE;
    }

    void OnOK() override {
        for (const auto& c : kChoices)
            if (CWnd* box = GetDlgItem(c.id))
                options_.bits =
                    box->GetCheck() ? (options_.bits | c.bit) : (options_.bits & ~c.bit);
        for (int i = 0; i < 3; ++i)
            if (CWnd* radio = GetDlgItem(kDepthIds[i]); radio && radio->GetCheck())
                options_.depth = i;
        if (auto* combo = dynamic_cast<CComboBox*>(GetDlgItem(kLanguageId))) {
            const int chosen = combo->GetCurSel();
            if (chosen >= 0 && chosen < static_cast<int>(dictionaries_.size()))
                options_.language = dictionaries_[chosen];
        }
        auto& engine = tessaly::spelling::TheEngine();
        std::lock_guard lock(engine.mutex);
        engine.SetOptions(options_);
        EndDialog(IDOK);
    }

  private:
    tessaly::spelling::Options options_;
    std::vector<std::string> dictionaries_;
};

} // namespace

SSCE_API SSCE_S16 SSCE_OptionsDlgTmplt(HWND parent, HINSTANCE module, const char* templateName) {
    if (!templateName || !*templateName) return -1;
    const HINSTANCE previous = AfxGetResourceHandle();
    if (module) AfxSetResourceHandle(module);
    COptionsDlg dialog(templateName, parent ? CWnd::FromHandle(parent) : nullptr);
    const int result = dialog.DoModal();
    if (module) AfxSetResourceHandle(previous);
    return static_cast<SSCE_S16>(result);
}
