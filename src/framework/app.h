#pragma once
// The library's application object: its name (the library's file title, "Tessaly"), the
// maker's registry key under which its profile lives, and the language it runs in.
#include <tessaly/cstring.h>

namespace tessaly::framework {

class CServicesApp {
  public:
    CServicesApp();
    CServicesApp(const CServicesApp&) = delete;
    CServicesApp& operator=(const CServicesApp&) = delete;

    // Start-up and shut-down of the library (defined with the library frame).
    BOOL InitInstance();
    int ExitInstance();

    const CString& AppName() const { return m_appName; }
    const CString& RegistryKey() const { return m_registryKey; }
    // The profile then lives under HKEY_CURRENT_USER "Software\<key>\<app name>".
    void SetRegistryKey(const char* key);

    // The profile: with a registry key, values of "Software\<key>\<app name>\<section>"
    // under HKEY_CURRENT_USER (numbers as double words, texts as strings); without one,
    // the file "<app name>.ini" of the Windows folder.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    CString GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr);
    // A null entry removes the section, a null value removes the entry.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);

    // The language identifier the suite runs in, read at start-up.
    int m_nCurrentLanguage = 0;
    // The language resource module loaded at start-up, or null.
    HMODULE m_hResourceModule = nullptr;

  private:
    CString sectionKey(const char* section) const;

    CString m_appName;
    CString m_registryKey;
};

// The library's one application object (also the library module state's).
CServicesApp& TheApp();

} // namespace tessaly::framework
