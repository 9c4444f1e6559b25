// Helpers of the suite's programs: file-dialog filters, copies of global memory, dialogs kept
// by name in the dialog library, and the texts of a customised edition.
#include <tessaly/dialogs.h>

#include <cstring>

#include "platform/files.h"
#include "platform/memory.h"
#include "platform/module.h"
#include "platform/shell.h"

namespace p = tessaly::platform;

namespace {

// A dialog of the dialog library: any button ends it with its own id.
class CNamedDialog : public CDialog {
  public:
    explicit CNamedDialog(const char* name) : CDialog(name) {}

  protected:
    BOOL OnCommand(UINT id) override {
        EndDialog(static_cast<int>(id));
        return TRUE;
    }
};

} // namespace

void SetFileFilter(CString& filter) {
    // The length stays: every "!" becomes the NUL a file dialog's filter list separates with.
    filter.Replace('!', '\0');
}

int CopyHandle(HGLOBAL source, HGLOBAL& destination) {
    destination = nullptr;
    if (!source) return 1;
    const size_t size = p::GlobalSize(source);
    if (size == 0) return 0;
    HGLOBAL copy = p::GlobalAlloc(0x40 /* zero-filled */, size);
    if (!copy) return 0;
    void* from = p::GlobalLock(source);
    void* to = p::GlobalLock(copy);
    if (!from || !to) {
        if (from) p::GlobalUnlock(source);
        if (to) p::GlobalUnlock(copy);
        p::GlobalFree(copy);
        return 0;
    }
    std::memcpy(to, from, size);
    p::GlobalUnlock(source);
    p::GlobalUnlock(copy);
    destination = copy;
    return 1;
}

int ShowDialogBox(CString templateName) {
    HMODULE library = p::LoadLibraryA("Selwin.dll");
    if (!library) return IDCANCEL;
    int result = IDCANCEL;
    DWORD size = 0;
    if (p::FindNamedResourceData(library, p::RT_DIALOG, templateName, &size)) {
        // The template is looked up in the dialog library first, in the caller's state.
        const HINSTANCE previous = AfxGetResourceHandle();
        AfxSetResourceHandle(library);
        CNamedDialog dialog(templateName.GetString());
        result = dialog.DoModal();
        AfxSetResourceHandle(previous);
    }
    p::FreeLibrary(library);
    return result;
}

int GetCustomTexts(CString path, CString& menu, CString& company, CString& technical) {
    p::WIN32_FIND_DATAA found;
    HANDLE find = p::FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    p::FindClose(find);
    char buffer[256];
    const struct {
        const char* key;
        CString& value;
    } entries[] = {{"Menu", menu}, {"Company", company}, {"Technical", technical}};
    for (const auto& entry : entries) {
        p::GetPrivateProfileStringA("Custom", entry.key, "", buffer, sizeof buffer, path);
        entry.value = buffer;
    }
    return 1;
}
