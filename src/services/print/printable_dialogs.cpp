// The printable dialog of the family (its print button runs the framework's print procedure,
// its pages hold the texts of a range of its controls) and the library's two: sending an
// e-mail (159) and installing the mail program (197).
#include <tessaly/print.h>

#include <string>
#include <vector>

#include "dialogs/print_ids.h"
#include "framework/core/module_state.h"
#include "framework/widgets/printing.h"

namespace fw = tessaly::framework;

CPrintableDlg::CPrintableDlg(UINT templateId, CWnd* parent) : CSkinDialog(templateId, parent) {}

CPrintableDlg::~CPrintableDlg() = default;

BOOL CPrintableDlg::OnInitDialog() {
    return CSkinDialog::OnInitDialog();
}

void CPrintableDlg::OnTimer(UINT_PTR id) {
    CSkinDialog::OnTimer(id);
}

void CPrintableDlg::OnPrepareDC(CDC* dc, CPrintInfo*) {
    if (dc) dc->SetMapMode(MM_TEXT);
}

void CPrintableDlg::OnEndPrinting(CDC*, CPrintInfo*) {}

void CPrintableDlg::OnBeginPrinting(CDC*, CPrintInfo*) {}

BOOL CPrintableDlg::OnPreparePrinting(CPrintInfo* info) {
    return fw::PreparePrinting(info);
}

void CPrintableDlg::OnFilePrint() {
    fw::PrintSteps steps;
    steps.prepare = [this](CPrintInfo* info) { return OnPreparePrinting(info); };
    steps.begin = [this](CDC* dc, CPrintInfo* info) { OnBeginPrinting(dc, info); };
    steps.prepareDC = [this](CDC* dc, CPrintInfo* info) { OnPrepareDC(dc, info); };
    steps.print = [this](CDC* dc, CPrintInfo* info) { OnPrint(dc, info); };
    steps.end = [this](CDC* dc, CPrintInfo* info) { OnEndPrinting(dc, info); };
    fw::RunPrintProcedure(steps, "Mydoc");
}

namespace {

// The height of the text word-wrapped to that width.
int wrappedHeight(CDC& dc, const CString& text, int width) {
    RECT box{0, 0, width, 0};
    return dc.DrawText(text, &box, DT_CALCRECT | DT_WORDBREAK | DT_EXTERNALLEADING | DT_NOPREFIX);
}

// The longest run of the text's first words that, word-wrapped to the width, stays within
// the height.
CString linesThatFit(CDC& dc, const CString& text, int width, int height) {
    const std::string all(text);
    std::vector<size_t> ends; // where each word ends
    for (size_t at = 0; at < all.size(); ++at)
        if (all[at] != ' ' && (at + 1 == all.size() || all[at + 1] == ' ')) ends.push_back(at + 1);
    size_t low = 0, high = ends.size(); // `low` words fit; more than `high` do not
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (wrappedHeight(dc, CString(all.substr(0, ends[middle - 1]).c_str()), width) <= height)
            low = middle;
        else
            high = middle - 1;
    }
    return low ? CString(all.substr(0, ends[low - 1]).c_str()) : CString();
}

} // namespace

void CPrintableDlg::OnPrint(CDC* dc, CPrintInfo* info) {
    if (!dc || !info) return;
    // Three quarters of an inch, each margin from the resolution in its own direction.
    const int sideMargin = static_cast<int>(0.75 * dc->GetDeviceCaps(LOGPIXELSX));
    const int topMargin = static_cast<int>(0.75 * dc->GetDeviceCaps(LOGPIXELSY));
    TEXTMETRICA metrics;
    dc->GetTextMetrics(&metrics);
    const int spacing = metrics.tmHeight + metrics.tmExternalLeading;
    const RECT& page = info->m_rectDraw;
    const int bottom = page.bottom - topMargin;
    int y = page.top + topMargin;
    const int first = m_nCurrentControl;
    int id = m_nCurrentControl;
    for (; id <= m_nLastControl; ++id) {
        CWnd* control = GetDlgItem(id);
        const CString text = control ? control->GetWindowText() : CString();
        RECT box{sideMargin, y, page.right - sideMargin, y};
        // An empty text takes no height, only its line spacing.
        const int height =
            text.IsEmpty()
                ? 0
                : dc->DrawText(text, &box,
                               DT_CALCRECT | DT_WORDBREAK | DT_EXTERNALLEADING | DT_NOPREFIX);
        int next = y + height + spacing;
        CString shown = text;
        if (next > bottom) {
            // It starts the next page, unless it never fits: then it has this page alone,
            // with the lines that fit above the bottom margin.
            if (id != first) break;
            shown = linesThatFit(*dc, text, page.right - 2 * sideMargin, bottom - y);
            next = bottom;
        }
        RECT area{sideMargin, y, page.right - sideMargin, next};
        if (!shown.IsEmpty())
            dc->DrawText(shown, &area, DT_WORDBREAK | DT_EXTERNALLEADING | DT_NOPREFIX);
        y = next;
    }
    if (id <= m_nLastControl) {
        m_nCurrentControl = id;
        info->m_bContinuePrinting = TRUE;
    } else {
        info->m_bContinuePrinting = FALSE;
    }
}

namespace tessaly::print {

namespace {

using framework::ManageModuleState;

// How to install the mail program: prints its heading alone.
class CInstallOutlookExpressDlg : public CPrintableDlg {
  public:
    CInstallOutlookExpressDlg() : CPrintableDlg(IDD_INSTALL_OUTLOOK_EXPRESS) {
        m_nCurrentControl = IDC_PRINTABLE_TEXT1;
        m_nLastControl = IDC_PRINTABLE_TEXT1;
    }

  protected:
    BOOL OnCommand(UINT id) override {
        if (id == IDC_INSTALL_OE_PRINT) {
            OnFilePrint();
            return TRUE;
        }
        return CPrintableDlg::OnCommand(id);
    }
};

// How to send an e-mail: prints its texts 1501 to 1508, the heading and the steps.
class COutlookHelpDlg : public CPrintableDlg {
  public:
    COutlookHelpDlg() : CPrintableDlg(IDD_OUTLOOK_HELP) {}

  protected:
    BOOL OnInitDialog() override {
        CPrintableDlg::OnInitDialog();
        m_nCurrentControl = IDC_PRINTABLE_TEXT1;
        m_nLastControl = IDC_PRINTABLE_TEXT8;
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        if (id == IDC_OUTLOOK_HELP_PRINT) {
            // A second print starts from the first text again.
            m_nCurrentControl = IDC_PRINTABLE_TEXT1;
            OnFilePrint();
            return TRUE;
        }
        if (id == IDC_OUTLOOK_HELP_INSTALL) {
            CInstallOutlookExpressDlg install;
            install.DoModal();
            return TRUE;
        }
        return CPrintableDlg::OnCommand(id);
    }
};

} // namespace

} // namespace tessaly::print

int ShowOutlookHelpDlg() {
    tessaly::framework::ManageModuleState state;
    tessaly::print::COutlookHelpDlg dialog;
    return dialog.DoModal();
}
