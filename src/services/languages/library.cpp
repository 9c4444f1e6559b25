// The library frame: start-up when the library is loaded and shut-down when it is
// unloaded, around the library's application object.
#include <tessaly/foundation.h>

#include <unistd.h>

#include "framework/core/app.h"
#include "framework/core/module_state.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"

namespace tessaly::framework {

// Start-up of the library's application object.
//
// Three steps of the Windows start-up have no meaning here and are skipped: initialising
// OLE (components are plain modules and COM is not used), enabling ActiveX control
// hosting in dialogs (the framework's ActiveX controls are Qt widgets found by class id) and
// loading the rich-edit control library (rich-edit controls are the caller's Qt text widgets).
BOOL CServicesApp::InitInstance() {
    SetRegistryKey("Varnholt");
    // Without a prefix there is no registry to read the language from, and reading must
    // not create one merely because a program loaded the library: the language is then
    // unknown (0), which selects no resource module, exactly as a missing value would.
    if (access(platform::PrefixRoot().c_str(), F_OK) != 0) return TRUE;
    m_nCurrentLanguage = GetCurrentLanguage();
    m_hResourceModule = getResourceInstance("Tessaly");
    if (m_hResourceModule) LibraryModuleState().resourceHandle = m_hResourceModule;
    return TRUE;
}

int CServicesApp::ExitInstance() {
    if (m_hResourceModule) {
        LibraryModuleState().resourceHandle = LibraryModuleState().instance;
        platform::FreeLibrary(m_hResourceModule);
        m_hResourceModule = nullptr;
    }
    // (No OLE to uninitialise, see InitInstance.)
    // The hive files alone then hold every write: a copy of them is a whole backup.
    platform::RegCloseStores();
    return 0;
}

namespace {

// Process attach and detach. The framework's per-thread data of this module is a
// thread-local pointer that needs no release at thread detach. A failed start-up cannot
// refuse the load of a shared object here, and nothing may escape it: a prefix that cannot
// be used shows as error codes at first use instead.
struct LibraryFrame {
    LibraryFrame() {
        LibraryModuleState();
        try {
            TheApp().InitInstance();
        } catch (...) {
        }
        RegisterExtensionModule();
    }
    ~LibraryFrame() {
        TheApp().ExitInstance();
        UnregisterExtensionModule();
    }
};

LibraryFrame frame;

} // namespace

} // namespace tessaly::framework
