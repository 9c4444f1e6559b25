// Zip archives: the "Zip/Unzip" window that sets the zip engine's controls, starts the work
// once the window shows, follows its progress and reads its error code.
#include <tessaly/activex.h>
#include <tessaly/backup.h>
#include <tessaly/wnd.h>

#include "dialogs/backup_ids.h"
#include "dialogs/skin_dialog.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "platform/codepage.h"
#include "platform/module.h"
#include "resource.h"

namespace p = tessaly::platform;
using tessaly::framework::AfxMessageBox;

namespace tessaly::backup {

namespace {

constexpr UINT_PTR kStartTimer = 1;
constexpr short kZipAction = 4, kUnzipAction = 8;
constexpr short kPasswordError = 49, kCancelledError = 9;
constexpr DISPID kProgressEvent = 1;

// The engine's controls come with its module, which adds their classes to the framework's
// table; loaded once, on first use.
bool engineReady() {
    if (CActiveXControl::IsControlClass(CLSID_TESSALY_ZIP)) return true;
    HMODULE module = p::LoadLibraryA("ZipEngine.dll");
    if (!module) return false;
    using Register = int (*)();
    auto entry = reinterpret_cast<Register>(p::GetProcAddress(module, "RegisterZipControls"));
    return entry && entry() && CActiveXControl::IsControlClass(CLSID_TESSALY_ZIP);
}

CString quoted(const CString& text) {
    return "\"" + text + "\"";
}

class CZipDlg : public dialogs::CSkinDialog {
  public:
    CZipDlg(int zip, const CString& archive, const CString& items, const CString& password)
        : CSkinDialog(static_cast<UINT>(IDD_ZIP_PROGRESS)), zip_(zip != 0), archive_(archive),
          items_(items), password_(password) {}

  protected:
    BOOL OnInitDialog() override {
        CSkinDialog::OnInitDialog();
        SetForegroundWindow();
        // The window is seen before the work starts.
        SetTimer(kStartTimer, 100);
        return TRUE;
    }

    void OnTimer(UINT_PTR id) override {
        if (id != kStartTimer) {
            CSkinDialog::OnTimer(id);
            return;
        }
        KillTimer(kStartTimer);
        if (working_) return;
        working_ = true;
        const int end = zip_ ? runZip() : runUnzip();
        working_ = false;
        EndDialog(end);
    }

    // Cancel while the work runs asks the engine to stop at its next progress event.
    void OnCancel() override {
        if (working_) {
            cancelRequested_ = true;
            return;
        }
        CSkinDialog::OnCancel();
    }

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        const auto* event = reinterpret_cast<const NMAXEVENT*>(lParam);
        if ((wParam != IDC_ZIP_ENGINE && wParam != IDC_UNZIP_ENGINE) || !event ||
            event->hdr.code != AXN_EVENT || event->dispid != kProgressEvent || event->count < 3)
            return CSkinDialog::OnNotify(wParam, lParam, result);
        CWnd* status = GetDlgItem(IDC_ZIP_STATUS);
        const CString item = textOf(event->params[0]);
        if (status && item != shownItem_) {
            status->SetProperty(2, VT_BSTR, item.GetString());
            shownItem_ = item;
        }
        if (status) status->SetProperty(1, VT_I4, static_cast<int>(event->params[1].lVal));
        if ((event->params[2].vt & VT_BYREF) && event->params[2].byref)
            *static_cast<LONG*>(event->params[2].byref) = cancelRequested_ ? 1 : 0;
        return TRUE;
    }

  private:
    static CString textOf(const VARIANT& value) {
        if (value.vt != VT_BSTR || !value.bstrVal) return CString();
        const std::u16string wide(reinterpret_cast<const char16_t*>(value.bstrVal),
                                  SysStringLen(value.bstrVal));
        return CString(p::Utf16ToAnsi(wide).c_str());
    }

    int runZip() {
        CWnd* engine = GetDlgItem(IDC_ZIP_ENGINE);
        if (!engine) return failWith(IDS_ZIP_ERROR);
        const BOOL encrypt = password_.IsEmpty() ? FALSE : TRUE;
        engine->SetProperty(40, VT_I2, 0);
        engine->SetProperty(1, VT_BSTR, quoted(archive_).GetString());
        engine->SetProperty(2, VT_BSTR, quoted(items_).GetString());
        for (DISPID on : {3, 4, 5, 9, 15, 17})
            engine->SetProperty(on, VT_BOOL, TRUE);
        for (DISPID off : {6, 7})
            engine->SetProperty(off, VT_BOOL, FALSE);
        engine->SetProperty(34, VT_BOOL, encrypt);
        engine->SetProperty(35, VT_BSTR, password_.GetString());
        engine->SetProperty(8, VT_I2, 5);
        engine->SetProperty(38, VT_I4, 2);
        engine->SetProperty(39, VT_I2, 0);
        engine->SetProperty(40, VT_I2, kZipAction);
        short error = -1;
        engine->GetProperty(39, VT_I2, &error);
        if (error == 0) return IDOK;
        if (cancelRequested_ && error == kCancelledError) return IDCANCEL;
        return failWith(IDS_ZIP_ERROR);
    }

    int runUnzip() {
        CWnd* engine = GetDlgItem(IDC_UNZIP_ENGINE);
        if (!engine) return failWith(IDS_UNZIP_ERROR);
        engine->SetProperty(1, VT_BSTR, quoted(archive_).GetString());
        engine->SetProperty(4, VT_BSTR, quoted(items_).GetString());
        engine->SetProperty(20, VT_BOOL, password_.IsEmpty() ? FALSE : TRUE);
        engine->SetProperty(21, VT_BSTR, password_.GetString());
        engine->SetProperty(2, VT_BSTR, "*.*");
        engine->SetProperty(3, VT_I4, -1);
        for (DISPID on : {5, 6, 7, 10, 11, 15})
            engine->SetProperty(on, VT_BOOL, TRUE);
        engine->SetProperty(23, VT_I2, 3);
        engine->SetProperty(24, VT_I2, 0);
        engine->SetProperty(34, VT_I2, kUnzipAction);
        short error = -1;
        engine->GetProperty(24, VT_I2, &error);
        if (error == 0) return IDOK;
        if (error == kPasswordError) {
            if (!password_.IsEmpty()) AfxMessageBox(IDS_WRONG_PASSWORD, MB_OK);
            return 4;
        }
        if (cancelRequested_ && error == kCancelledError) return IDCANCEL;
        return failWith(IDS_UNZIP_ERROR);
    }

    static int failWith(UINT message) {
        AfxMessageBox(message, MB_OK);
        return IDCANCEL;
    }

    bool zip_;
    CString archive_, items_, password_;
    CString shownItem_;
    bool working_ = false;
    bool cancelRequested_ = false;
};

} // namespace

} // namespace tessaly::backup

int ZipFile(int zip, CString archive, CString items, CString password) {
    tessaly::framework::ManageModuleState state;
    if (!tessaly::backup::engineReady()) {
        AfxMessageBox(zip ? IDS_ZIP_ERROR : IDS_UNZIP_ERROR, MB_OK);
        return IDCANCEL;
    }
    tessaly::backup::CZipDlg dialog(zip, archive, items, password);
    const int result = dialog.DoModal();
    return result < 0 ? IDCANCEL : result;
}
