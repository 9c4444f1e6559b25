#pragma once
// The library's application object: its name (the library's file title, "Tessaly"), the
// maker's registry key under which its profile lives, and the language it runs in.
#include <tessaly/cstring.h>
#include <tessaly/winapp.h>

namespace tessaly::framework {

class CServicesApp : public CWinApp {
  public:
    CServicesApp();

    // Start-up and shut-down of the library (defined with the library frame).
    BOOL InitInstance();
    int ExitInstance();

    const CString& AppName() const { return m_appName; }
    const CString& RegistryKey() const { return m_registryKey; }
    // The profile (GetProfileInt, WriteProfileInt, GetProfileString, WriteProfileString,
    // SetRegistryKey) is CWinApp's: with the key "Varnholt" set at start-up, section S is
    // HKEY_CURRENT_USER "Software\Varnholt\Tessaly\S".

    // The language identifier the suite runs in, read at start-up.
    int m_nCurrentLanguage = 0;
    // The language resource module loaded at start-up, or null.
    HMODULE m_hResourceModule = nullptr;
};

// The library's one application object (also the library module state's).
CServicesApp& TheApp();

// The calling program's application object (the first CWinApp it made), or null.
CWinApp* CallerApp();

} // namespace tessaly::framework
