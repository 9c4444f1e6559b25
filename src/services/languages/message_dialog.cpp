// The library's message dialog (template 1789) and the system error texts shown in the
// framework's standard message box.
#include <tessaly/foundation.h>
#include <tessaly/wnd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dialogs/skin_dialog.h"
#include "framework/widgets/drawing.h"
#include "framework/widgets/message_box.h"
#include "framework/core/module_state.h"
#include "platform/errors.h"
#include "platform/module.h"
#include "resource.h"

namespace tessaly::frame {

namespace {

namespace fw = tessaly::framework;

struct ButtonSpec {
    UINT textId; // 0: no text
    int code;
};

// The buttons of a button set, first to third; the rest are hidden.
std::vector<ButtonSpec> buttonSet(UINT type) {
    switch (type & 0x0F) {
    case MB_OK:
        return {{IDS_BUTTON_OK, IDOK}};
    case MB_OKCANCEL:
        return {{IDS_BUTTON_OK, IDOK}, {IDS_BUTTON_CANCEL, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{IDS_BUTTON_ABORT, IDABORT},
                {IDS_BUTTON_RETRY, IDRETRY},
                {IDS_BUTTON_IGNORE, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{IDS_BUTTON_YES, IDYES}, {IDS_BUTTON_NO, IDNO}, {IDS_BUTTON_CANCEL, IDCANCEL}};
    case MB_YESNO:
        return {{IDS_BUTTON_YES, IDYES}, {IDS_BUTTON_NO, IDNO}};
    case MB_RETRYCANCEL:
        return {{IDS_BUTTON_RETRY, IDRETRY}, {IDS_BUTTON_CANCEL, IDCANCEL}};
    default:
        return {{0, IDOK}}; // an unknown set: one button without text
    }
}

int systemIconFor(UINT type) {
    switch (type & 0xF0) {
    case 0x10:
        return 32513; // stop
    case 0x20:
        return 32514; // question
    case 0x40:
        return 32516; // information
    default:
        return 32515; // exclamation, also for none
    }
}

const int kButtonIds[3] = {IDC_MESSAGE_BUTTON1, IDC_MESSAGE_BUTTON2, IDC_MESSAGE_BUTTON3};

// Long texts come out about two and a half times as wide as high.
constexpr double kAspect = 2.5;

// On the family's skin: no caption bar, the pale yellow background, the text drawn on it.
class CMessageBoxDlg : public dialogs::CSkinDialog {
  public:
    CMessageBoxDlg(const char* text, UINT type, CWnd* parent)
        : dialogs::CSkinDialog(static_cast<UINT>(IDD_MESSAGE_BOX), parent), text_(text ? text : ""),
          type_(type), buttons_(buttonSet(type)) {}

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        for (int i = 0; i < 3; ++i) {
            CWnd* button = GetDlgItem(kButtonIds[i]);
            if (!button) continue;
            if (i < static_cast<int>(buttons_.size())) {
                CString caption;
                if (buttons_[i].textId) caption.LoadString(buttons_[i].textId);
                button->SetWindowText(caption);
                button->ShowWindow(SW_SHOW);
            } else {
                button->ShowWindow(SW_HIDE);
            }
            skinButtons_[i].SubclassDlgItem(kButtonIds[i], this);
        }
        fw::SetStaticIcon(GetDlgItem(IDC_MESSAGE_ICON), systemIconFor(type_));
        if (CWnd* text = GetDlgItem(IDC_MESSAGE_TEXT)) {
            fw::SetWindowFont(text, "Arial", 10);
            text->SetWindowText(text_);
            fitText(text);
        }
        return TRUE;
    }

    BOOL OnCommand(UINT id) override {
        for (int i = 0; i < 3 && i < static_cast<int>(buttons_.size()); ++i) {
            if (static_cast<int>(id) == kButtonIds[i]) {
                EndDialog(buttons_[i].code);
                return TRUE;
            }
        }
        return CSkinDialog::OnCommand(id);
    }

  private:
    RECT clientRectOf(CWnd* control) const {
        RECT rect;
        control->GetWindowRect(&rect);
        ScreenToClient(&rect);
        return rect;
    }

    // Grows the dialog and the text control when the text needs more room, then sets the
    // visible buttons in one row under the text, spread evenly.
    void fitText(CWnd* text) {
        const RECT box = clientRectOf(text);
        const int width = box.right - box.left, height = box.bottom - box.top;
        fw::TextExtent extent = fw::MeasureWrappedText(text_, "Arial", 10, width);
        if (extent.height > 0 && double(extent.width) / extent.height < kAspect) {
            const double ratio = std::max(double(extent.width), 1.0) / extent.height;
            // The measuring rectangle is the measured text's: widen that.
            const int wider =
                static_cast<int>(std::max(extent.width, 1) * std::sqrt(kAspect / ratio));
            extent = fw::MeasureWrappedText(text_, "Arial", 10, wider);
        }
        const int growX = std::max(0, extent.width - width);
        const int growY = std::max(0, extent.height - height);
        RECT client;
        GetClientRect(&client);
        RECT window;
        GetWindowRect(&window);
        if (growX || growY) {
            MoveWindow(window.left - growX / 2, window.top - growY / 2, client.right + growX,
                       client.bottom + growY);
            text->MoveWindow(box.left, box.top, width + growX, height + growY);
        }
        std::vector<CWnd*> shown;
        for (int i = 0; i < static_cast<int>(buttons_.size()) && i < 3; ++i)
            if (CWnd* button = GetDlgItem(kButtonIds[i])) shown.push_back(button);
        if (shown.empty()) return;
        const RECT first = clientRectOf(shown.front());
        const int buttonWidth = first.right - first.left, buttonHeight = first.bottom - first.top;
        const int gap = first.top - box.bottom; // the template's distance under the text
        const int top = box.bottom + growY + gap;
        const int dialogWidth = client.right + growX;
        const int count = static_cast<int>(shown.size());
        const int space = std::max(0, (dialogWidth - count * buttonWidth) / (count + 1));
        for (int i = 0; i < count; ++i)
            shown[i]->MoveWindow(space + i * (buttonWidth + space), top, buttonWidth, buttonHeight);
    }

    dialogs::CSkinButton skinButtons_[3];
    CString text_;
    UINT type_;
    std::vector<ButtonSpec> buttons_;
};

} // namespace

} // namespace tessaly::frame

int DisplayMessageBox(UINT stringId, UINT type, CWnd* parent) {
    tessaly::framework::ManageModuleState state;
    CString text;
    text.LoadString(stringId);
    tessaly::frame::CMessageBoxDlg dialog(text, type, parent);
    return dialog.DoModal();
}

int DisplayMessageBox(const char* text, UINT type, CWnd* parent) {
    tessaly::framework::ManageModuleState state;
    tessaly::frame::CMessageBoxDlg dialog(text, type, parent);
    return dialog.DoModal();
}

void DisplayErrorText(DWORD code) {
    namespace p = tessaly::platform;
    tessaly::framework::ManageModuleState state;
    DWORD flags = p::FORMAT_MESSAGE_ALLOCATE_BUFFER | p::FORMAT_MESSAGE_IGNORE_INSERTS |
                  p::FORMAT_MESSAGE_FROM_SYSTEM;
    HMODULE network = nullptr;
    if (code >= 2100 && code <= 2999) {
        network = p::LoadLibraryExA("netmsg.dll", nullptr, p::LOAD_LIBRARY_AS_DATAFILE);
        if (network) flags |= p::FORMAT_MESSAGE_FROM_HMODULE;
    }
    char* buffer = nullptr;
    const DWORD length = p::FormatMessageA(flags, network, code, 0x400,
                                           reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length && buffer) {
        tessaly::framework::AfxMessageBox(buffer, MB_OK, 0);
    }
    if (buffer) p::LocalFree(buffer);
    if (network) p::FreeLibrary(network);
}
