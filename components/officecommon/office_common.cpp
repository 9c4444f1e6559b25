// The suite's common-services object: a class factory and the object answering IUnknown and
// IOfficeCommon. The viewer notice asks whether to show it again; the missing-setup report
// tells the user where the viewer comes from. Both use the library's message dialog.
#include <tessaly/foundation.h>
#include <tessaly/launch.h>
#include <tessaly/wnd.h>

#include <atomic>

#include "com_object.h"

namespace {

class OfficeCommon final : public tessaly::components::ServerObject<OfficeCommon, IOfficeCommon> {
  public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return Answer(iid, object, {IID_IUnknown, IID_IOfficeCommon});
    }
    HRESULT Reserved3() override { return E_NOTIMPL; }
    HRESULT Reserved4() override { return E_NOTIMPL; }
    HRESULT Reserved5() override { return E_NOTIMPL; }

    // Yes keeps the notice (0), No stops it (1).
    HRESULT QueryViewerShow(int* viewerShow) override {
        if (!viewerShow) return E_POINTER;
        const int answer = DisplayMessageBox(
            "Word documents open in the document viewer, where they can be read and printed. "
            "Show this notice again next time?",
            MB_YESNO | MB_ICONQUESTION);
        *viewerShow = answer == IDNO ? 1 : 0;
        return S_OK;
    }
    HRESULT ReportViewerMissing() override {
        DisplayMessageBox("The document viewer's setup is not in the installation folder. "
                          "Please install the viewer from the Orvo disc.",
                          MB_OK | MB_ICONEXCLAMATION);
        return S_OK;
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT
DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return tessaly::components::ServeClass(clsid, CLSID_OfficeCommon, iid, object,
                                           []() -> IUnknown* { return new OfficeCommon; });
}
