// The "Check Spelling" dialog: walks the caller's text error by error through the spelling
// engine and tells the caller's editor window what to highlight and what to put in its place.
#include <QApplication>
#include <QKeySequence>
#include <QRect>
#include <QShortcut>
#include <QWidget>

#include <tessaly/controls.h>
#include <tessaly/foundation.h>
#include <tessaly/messages.h>
#include <tessaly/notify.h>
#include <tessaly/text.h>
#include <tessaly/wnd.h>

#include <algorithm>
#include <vector>

#include "dialogs/spelling_ids.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "resource.h"
#include "text/spell_engine.h"

namespace tessaly::text {

namespace {

constexpr UINT kHighlightMessage = WM_USER + 200;
constexpr UINT kReplaceMessage = WM_USER + 201;
constexpr WPARAM kEditorWParam = 0x01010000;
constexpr int kReportBits = SSCE_MISSPELLED_WORD_RSLT | SSCE_DOUBLED_WORD_RSLT |
                            SSCE_CAPITALISATION_RSLT | SSCE_AUTO_CORRECTION_RSLT |
                            SSCE_TOO_LONG_RSLT;

class CCheckSpellingDlg : public CDialog {
  public:
    CCheckSpellingDlg(CWnd* editor, const char* text)
        : CDialog(static_cast<UINT>(IDD_CHECK_SPELLING), editor), editor_(editor),
          text_(text ? text : "") {}
    ~CCheckSpellingDlg() override { closeBlock(); }

  protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  private:
    void log(const char* line) {
        if (saveLog_) WriteLogFile(logPath_, line, 1);
    }
    void sendToEditor(UINT message, const CString& text) {
        if (editor_)
            editor_->SendMessage(message, kEditorWParam,
                                 reinterpret_cast<LPARAM>(text.GetString()));
    }
    void findNextError();
    void finish();
    void change();
    void moveOn() {
        Engine().NextBlockWord(sid_, block_);
        findNextError();
    }
    void readBoxes() {
        if (CWnd* w = GetDlgItem(IDC_SPELL_ERROR_WORD)) errorWord_ = w->GetWindowText();
        if (CWnd* w = GetDlgItem(IDC_SPELL_CHANGE_TO)) changeTo_ = w->GetWindowText();
    }
    void showBoxes() {
        if (CWnd* w = GetDlgItem(IDC_SPELL_ERROR_WORD)) w->SetWindowText(errorWord_);
        if (CWnd* w = GetDlgItem(IDC_SPELL_CHANGE_TO)) w->SetWindowText(changeTo_);
    }
    void closeBlock() {
        if (block_ >= 0 && Engine().CloseBlock) Engine().CloseBlock(sid_, block_);
        block_ = -1;
    }

    CWnd* editor_;
    CString text_;
    std::vector<char> buffer_;
    SSCE_S16 sid_ = 0;
    SSCE_S16 block_ = -1;
    CString errorWord_, changeTo_;
    int errorsDetected_ = 0, wordsChanged_ = 0;
    SSCE_S32 cursor_ = 0;
    DWORD saveLog_ = 0;
    CString logPath_;
    CStringArray changeAllWords_, changeAllReplacements_;
    bool finished_ = false;
};

BOOL CCheckSpellingDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    saveLog_ = 0;
    GetRegDWORD("Software\\varnholt\\Lintor\\Options", "To Save Log", saveLog_, 0);
    logPath_ = GetInstallDir() + "\\Log\\" + "CorvaneWordDll.log";
    log("initializing");
    const int length = text_.GetLength();
    buffer_.assign(static_cast<size_t>(length) + std::max(length / 5, 256), '\0');
    std::copy(text_.GetString(), text_.GetString() + length, buffer_.begin());
    log("init step1");
    const auto& e = Engine();
    if (e.Complete()) {
        sid_ = e.GetSid();
        block_ =
            e.OpenBlock(sid_, buffer_.data(), length, static_cast<SSCE_S32>(buffer_.size()), 0);
    }
    log("init step2");
    if (block_ < 0) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    if (editor_ && editor_->GetWidget() && GetWidget()) {
        // Placed as GetWindowRect measures windows: by the client area, since move() would
        // place the frame the window system adds later.
        RECT editor{}, own{};
        editor_->GetWindowRect(&editor);
        GetWindowRect(&own);
        const int width = own.right - own.left, height = own.bottom - own.top;
        GetWidget()->setGeometry(QRect(editor.right - width, editor.top - 10, width, height));
    }
    // F7 adds the word, as the dialog's line says.
    if (QWidget* widget = GetWidget()) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F7), widget);
        QObject::connect(shortcut, &QShortcut::activated, widget,
                         [this] { OnCommand(static_cast<UINT>(IDC_SPELL_ADD)); });
    }
    findNextError();
    log("initailization finished");
    return TRUE;
}

void CCheckSpellingDlg::findNextError() {
    if (finished_ || block_ < 0) return;
    const auto& e = Engine();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (;;) {
        char word[64] = {}, other[64] = {};
        const SSCE_S16 result = e.CheckBlock(sid_, block_, word, 64, other, 64);
        if (result == SSCE_END_OF_BLOCK_RSLT) {
            QApplication::restoreOverrideCursor();
            finish();
            return;
        }
        e.GetBlockInfo(sid_, block_, nullptr, nullptr, &cursor_, nullptr);
        if (result < 0 || !(result & kReportBits)) {
            // Passed over; an engine that cannot move on has nothing more to give.
            if (e.NextBlockWord(sid_, block_) < 0) {
                QApplication::restoreOverrideCursor();
                finish();
                return;
            }
            continue;
        }
        ++errorsDetected_;
        errorWord_ = word;
        log("to find error word");
        sendToEditor(kHighlightMessage, errorWord_);
        log("found the error word");
        int known = -1;
        for (int i = 0; i < changeAllWords_.GetSize() && known < 0; ++i)
            if (changeAllWords_[i] == errorWord_) known = static_cast<int>(i);
        if (known >= 0) {
            changeTo_ = changeAllReplacements_[known];
            sendToEditor(kReplaceMessage, changeTo_);
            e.ReplaceBlockWord(sid_, block_, changeTo_);
            e.NextBlockWord(sid_, block_);
            continue;
        }
        CStringArray suggestions;
        char list[4096] = {};
        SSCE_S16 scores[256] = {};
        if (e.Suggest(sid_, errorWord_, 30, list, sizeof list, scores, 256) > 0)
            for (size_t at = 0; at < sizeof list && list[at];) {
                size_t end = at;
                while (end < sizeof list && list[end])
                    ++end;
                suggestions.Add(CString(list + at, static_cast<int>(end - at)));
                at = end + 1;
            }
        if (auto* box = dynamic_cast<CListBox*>(GetDlgItem(IDC_SPELL_SUGGESTIONS))) {
            box->ResetContent();
            for (int i = 0; i < suggestions.GetSize(); ++i)
                box->AddString(suggestions[i]);
            box->SetCurSel(suggestions.IsEmpty() ? -1 : 0);
        }
        changeTo_ = suggestions.IsEmpty() ? CString() : suggestions[0];
        showBoxes();
        QApplication::restoreOverrideCursor();
        return;
    }
}

void CCheckSpellingDlg::finish() {
    finished_ = true;
    CString message;
    message.FormatMessage(IDS_SPELL_COMPLETE, errorsDetected_, wordsChanged_);
    tessaly::framework::AfxMessageBox(message, MB_OK | MB_ICONINFORMATION);
    closeBlock();
    cursor_ = -1;
    PostMessage(WM_COMMAND, IDCANCEL, 0);
}

void CCheckSpellingDlg::change() {
    sendToEditor(kReplaceMessage, changeTo_);
    Engine().ReplaceBlockWord(sid_, block_, changeTo_);
    ++wordsChanged_;
    moveOn();
}

BOOL CCheckSpellingDlg::OnCommand(UINT id) {
    if (finished_ && id != IDCANCEL && id != IDOK) return TRUE;
    switch (id) {
    case IDC_SPELL_CHANGE:
        readBoxes();
        change();
        return TRUE;
    case IDC_SPELL_CHANGE_ALL:
        readBoxes();
        changeAllWords_.Add(errorWord_);
        changeAllReplacements_.Add(changeTo_);
        change();
        return TRUE;
    case IDC_SPELL_IGNORE:
        moveOn();
        return TRUE;
    case IDC_SPELL_ADD: {
        const auto& e = Engine();
        char names[256] = {};
        e.GetUserLexFiles(names, sizeof names);
        names[sizeof names - 1] = '\0';
        CString first(names);
        if (const int comma = first.Find(','); comma >= 0) first = first.Left(comma);
        const SSCE_S16 lex = e.GetLexId(first);
        e.AddToLex(sid_, lex, errorWord_, SSCE_IGNORE_ACTION, nullptr);
        moveOn();
        return TRUE;
    }
    case IDC_SPELL_OPTIONS:
        Engine().OptionsDlgTmplt(GetSafeHwnd(), AfxGetResourceHandle(), "OPTIONSDLG");
        return TRUE;
    default:
        return CDialog::OnCommand(id);
    }
}

BOOL CCheckSpellingDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_SPELL_SUGGESTIONS && HIWORD(wParam) == LBN_SELCHANGE) {
        if (auto* box = dynamic_cast<CListBox*>(GetDlgItem(IDC_SPELL_SUGGESTIONS))) {
            const int chosen = box->GetCurSel();
            if (chosen >= 0) box->GetText(chosen, changeTo_);
            if (CWnd* w = GetDlgItem(IDC_SPELL_ERROR_WORD)) errorWord_ = w->GetWindowText();
            showBoxes();
        }
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

} // namespace

} // namespace tessaly::text

int ShowCheckSpellingDlg(CWnd* editor, const char* text) {
    tessaly::framework::ManageModuleState state;
    tessaly::text::CCheckSpellingDlg dialog(editor, text);
    return dialog.DoModal();
}
