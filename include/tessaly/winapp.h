#pragma once
// The application object of a program: its name and the registry key under which its
// profile (per-user settings by section and entry) lives. A program makes one CWinApp
// (usually a static object), names its maker's key with SetRegistryKey, and reads and writes
// its settings through the profile functions; the library keeps its own application object
// ("Tessaly" under "Varnholt") for its own settings.
#include <tessaly/cstring.h>
#include <tessaly/types.h>

class TESSALY_API CWinApp {
  public:
    // The application's name; null takes the program's file title (the executable's name
    // without folder and extension). The first CWinApp a program makes is its application
    // object, returned by AfxGetApp outside the library's own calls.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The profile then lives under HKEY_CURRENT_USER "Software\<key>\<app name>\<section>";
    // without a key it is the file "<app name>.ini" of the Windows folder.
    void SetRegistryKey(const char* key);
    CString GetAppName() const;
    CString GetRegistryKey() const;

    // Numbers are double words, texts strings; a missing entry gives the default.
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    CString GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr);
    // A null entry removes the section, a null value removes the entry.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);

  protected:
    // The library's own application object, which is never the program's.
    struct LibraryApplication {};
    CWinApp(LibraryApplication, const CString& appName);

    CString m_appName;
    CString m_registryKey;

  private:
    CString sectionKey(const char* section) const;
};

// The application object whose resources are current: the library's inside the library's
// own calls, otherwise the program's (null when the program made none).
TESSALY_API CWinApp* AfxGetApp();
