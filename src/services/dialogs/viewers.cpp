// Text viewers: prepared texts of the installation shown in the viewer dialog, and the
// version text with its product and version lines brought up to date.
#include <tessaly/dialogs.h>

#include <tessaly/foundation.h>
#include <tessaly/text.h>

#include "dialogs/viewers_internal.h"
#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "platform/files.h"
#include "resource.h"

namespace tessaly::dialogs {

namespace {

namespace p = tessaly::platform;

// The viewer shows at most this much of a file.
constexpr DWORD kViewerBytes = 4096;
constexpr int kEnglish = 9; // primary language of the installed language

CString labelText(UINT id) {
    CString label;
    label.LoadString(id);
    label.MakeLower();
    return label + ":";
}

} // namespace

} // namespace tessaly::dialogs

CString GetParsedVersionText(CString text) {
    using namespace tessaly::dialogs;
    tessaly::framework::ManageModuleState state;
    const CString date = GetFileDate(GetInstallDir() + "\\Quorrel.exe", nullptr, nullptr, nullptr);
    return ParseVersionText(text, labelText(IDS_PRODUCT_NAME), labelText(IDS_VERSION), date);
}

CString GetShowText(CString path) {
    path.MakeLower();
    CString text = tessaly::companion::GetFileText(path);
    if (path.Find("version.txt") >= 0) return GetParsedVersionText(text);
    return text;
}

void ScrollMessage(CString fileName) {
    namespace p = tessaly::platform;
    const CString path = GetInstallDir() + "\\" + fileName;
    HANDLE file = p::CreateFileA(path, p::GENERIC_READ, p::FILE_SHARE_READ, nullptr,
                                 p::OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE || !file) return;
    char buffer[tessaly::dialogs::kViewerBytes];
    DWORD read = 0;
    const BOOL ok = p::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    p::CloseHandle(file);
    if (!ok || read == 0) return;
    CString text(buffer, static_cast<int>(read));
    tessaly::framework::ManageModuleState state;
    if ((GetInstallLangID() & 0x3FF) == tessaly::dialogs::kEnglish &&
        fileName.CompareNoCase("version.txt") == 0)
        text = GetParsedVersionText(text);
    ShowMsgBoxDlg(text);
}

void ScrollMessageEx(const char* fileName) {
    ScrollMessage(CString(fileName ? fileName : ""));
}
