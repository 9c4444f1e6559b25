// The hidden-comment dialog: text, reviewer, colour, voice import and playback, printing.
#include <tessaly/comments.h>

#include <tessaly/controls.h>
#include <tessaly/foundation.h>
#include <tessaly/gdi.h>
#include <tessaly/notify.h>

#include <memory>

#include "comments/comments_internal.h"
#include "dialogs/comments_ids.h"
#include "framework/core/module_state.h"
#include "framework/widgets/file_chooser.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/print_setup.h"
#include "platform/sound.h"
#include "resource.h"
#include "text/words_internal.h"

namespace tessaly::comments {

namespace {

namespace fw = tessaly::framework;

// The choices the next dialog starts with, for as long as the library stays loaded.
int rememberedReviewer = 0;
int rememberedColour = -1;

// The list of named colours, each item a swatch beside its name.
class CColourList : public CComboBox {
  public:
    void DrawItem(LPDRAWITEMSTRUCT item) override {
        CDC* dc = CDC::FromHandle(item->hDC);
        if (!dc || item->itemID == static_cast<UINT>(-1)) return;
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        RECT rect = item->rcItem;
        dc->FillSolidRect(&rect, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        dc->SetTextColor(GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        if (item->itemState & ODS_FOCUS) dc->DrawFocusRect(&rect);
        rect.left += 2;
        rect.top += 2;
        rect.right -= 2;
        rect.bottom -= 2;
        RECT swatch = rect;
        swatch.right = rect.left + (rect.right - rect.left) / 4;
        const COLORREF fill = (item->itemState & ODS_DISABLED)
                                  ? GetSysColor(COLOR_GRAYTEXT)
                                  : static_cast<COLORREF>(item->itemData);
        dc->FillSolidRect(&swatch, fill);
        dc->Draw3dRect(&swatch, RGB(0, 0, 0), RGB(0, 0, 0));
        CString name;
        GetLBText(static_cast<int>(item->itemID), name);
        RECT label = rect;
        label.left = swatch.right + 2;
        dc->SetBkMode(TRANSPARENT);
        dc->DrawText(name, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
};

class CCommentDlg : public CDialog {
  public:
    CCommentDlg() : CDialog(static_cast<UINT>(IDD_COMMENT)) { m_folder = GetMyDocumentsFolderEx(); }

    int m_mode = 0;
    CString m_comment, m_other, m_reviewerTag;
    COLORREF m_colour = 0;
    int m_hasVoice = 0;
    CByteArray m_voice;
    CStringArray* m_tempFiles = nullptr;
    CString m_folder; // the voice chooser's initial folder

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_COMMENT_TEXT, m_comment);
    }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_colours.SubclassDlgItem(IDC_COMMENT_COLOUR, this);
        if (auto* reviewers = reviewerList()) {
            CString all;
            all.LoadString(IDS_ALL_REVIEWERS);
            reviewers->AddString(all);
            reviewers->AddString(GetUserNameA());
            reviewers->SetCurSel(rememberedReviewer);
        }
        fillColours();
        if (auto* edit = static_cast<CEdit*>(GetDlgItem(IDC_COMMENT_TEXT))) edit->SetSel(-1, -1);
        showPlay(false);
        if (m_mode == 0) {
            m_comment = GetReviewerComment(m_comment, m_other);
            if (m_comment.Find(kVoiceMarker) >= 0) {
                m_hasVoice = 1;
                m_comment = kVoicePlaceholder;
                showPlay(true);
            }
            enable(IDC_COMMENT_DELETE, true);
            UpdateData(FALSE);
        } else {
            enable(IDC_COMMENT_DELETE, false);
        }
        return TRUE;
    }

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == IDC_COMMENT_TEXT && HIWORD(wParam) == EN_CHANGE) {
            if (CWnd* edit = GetDlgItem(IDC_COMMENT_TEXT)) m_comment = edit->GetWindowText();
            m_hasVoice = m_comment.Find(kVoicePlaceholder) >= 0 ? 1 : 0;
            showPlay(m_hasVoice != 0);
            return TRUE;
        }
        return CDialog::OnCommand(wParam, lParam);
    }

    BOOL OnCommand(UINT id) override {
        switch (id) {
        case IDC_COMMENT_DELETE:
            EndDialog(-1);
            return TRUE;
        case IDC_COMMENT_IMPORT:
            importVoice();
            return TRUE;
        case IDC_COMMENT_PLAY:
            playVoice();
            return TRUE;
        case IDC_COMMENT_PRINT:
            printComment();
            return TRUE;
        default:
            return CDialog::OnCommand(id);
        }
    }

    void OnOK() override {
        if (!UpdateData(TRUE)) return;
        const int colour = m_colours.GetCurSel();
        m_colour = colour >= 0 ? static_cast<COLORREF>(m_colours.GetItemData(colour)) : 0;
        m_hasVoice = m_comment.Find(kVoicePlaceholder) >= 0 ? 1 : 0;
        const int reviewer = reviewerList() ? reviewerList()->GetCurSel() : 0;
        rememberedReviewer = reviewer;
        m_reviewerTag = reviewer != 0 ? "[" + GetUserNameA() + "]" : CString("[ALL]");
        rememberedColour = colour;
        EndDialog(IDOK);
    }

  private:
    CColourList m_colours;

    CComboBox* reviewerList() const {
        return static_cast<CComboBox*>(GetDlgItem(IDC_COMMENT_REVIEWER));
    }
    void enable(int id, bool on) {
        if (CWnd* control = GetDlgItem(id)) control->EnableWindow(on ? TRUE : FALSE);
    }
    void showPlay(bool on) {
        if (CWnd* play = GetDlgItem(IDC_COMMENT_PLAY)) play->ShowWindow(on ? SW_SHOW : SW_HIDE);
    }

    void fillColours() {
        m_colours.ResetContent();
        for (const text::NamedColour& entry : text::kNamedColours) {
            const int index = m_colours.AddString(entry.name);
            if (index < 0) break;
            m_colours.SetItemData(index, entry.colour);
        }
        if (rememberedColour == -1)
            m_colours.SetCurSel(m_colours.FindStringExact(-1, "Yellow"));
        else
            m_colours.SetCurSel(rememberedColour);
        rememberedColour = m_colours.GetCurSel();
    }

    void importVoice() {
        CString path;
        if (!fw::ChooseFileToOpen({{"Sounds(*.wav)", "*.wav"}, {"All Files (*.*)", "*.*"}},
                                  m_folder, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT, path))
            return;
        m_hasVoice = 1;
        m_comment = kVoicePlaceholder;
        UpdateData(FALSE);
        showPlay(true);
        ReadBinFile(path, m_voice);
    }

    void playVoice() {
        CString path;
        MakeTempFilename(path, "wav");
        WriteBinFile(path, m_voice);
        platform::PlaySoundA(path, nullptr, platform::SND_FILENAME | platform::SND_SYNC);
        if (m_tempFiles) m_tempFiles->Add(path);
    }

    // One page of the edit's text; what does not fit on it is cut.
    void printComment() {
        CWnd* edit = GetDlgItem(IDC_COMMENT_TEXT);
        fw::PrintOnePage("Comment Printing", edit ? edit->GetWindowText() : CString(),
                         IDS_NO_DEFAULT_PRINTER);
    }
};

} // namespace

} // namespace tessaly::comments

int ShowCommentDlg(int& mode, CString& comment, DWORD& colour, CString& reviewerTag,
                   CByteArray& voiceData, int& hasVoice, CString& otherText,
                   CStringArray* tempFiles) {
    tessaly::framework::ManageModuleState state;
    tessaly::comments::CCommentDlg dialog;
    dialog.m_mode = mode;
    dialog.m_comment = comment;
    dialog.m_voice.Copy(voiceData);
    dialog.m_tempFiles = tempFiles;
    const int result = dialog.DoModal();
    if (result == IDOK) {
        comment = dialog.m_comment;
        voiceData.Copy(dialog.m_voice);
        colour = dialog.m_colour;
        reviewerTag = dialog.m_reviewerTag;
        hasVoice = dialog.m_hasVoice;
        otherText = dialog.m_other;
    }
    return result;
}
