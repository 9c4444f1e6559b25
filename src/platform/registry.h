#pragma once
// The registry: SQLite stores in the prefix, system.reg.db (HKEY_LOCAL_MACHINE) and
// user.reg.db (HKEY_CURRENT_USER); HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes.
// Names compare without regard to case and keep their case; data are kept as given.
// Results are Windows error codes (0 success, 2 not found, 5 access denied, 234 more
// data, 259 no more items).
#include <string>

#include "api.h"

namespace tessaly::platform {

enum : REGSAM {
    KEY_QUERY_VALUE = 0x0001,
    KEY_SET_VALUE = 0x0002,
    KEY_CREATE_SUB_KEY = 0x0004,
    KEY_ENUMERATE_SUB_KEYS = 0x0008,
    KEY_READ = 0x20019,
    KEY_WRITE = 0x20006,
    KEY_ALL_ACCESS = 0xF003F,
};

PLATFORM_API LONG RegOpenKeyExA(HKEY root, const char* subKey, DWORD options, REGSAM access,
                                HKEY* result);
PLATFORM_API LONG RegOpenKeyA(HKEY root, const char* subKey, HKEY* result);
// Creates every missing key of the path; disposition receives 1 created, 2 opened.
PLATFORM_API LONG RegCreateKeyExA(HKEY root, const char* subKey, DWORD reserved, char* cls,
                                  DWORD options, REGSAM access, void* security, HKEY* result,
                                  DWORD* disposition);
PLATFORM_API LONG RegCreateKeyA(HKEY root, const char* subKey, HKEY* result);
PLATFORM_API LONG RegCloseKey(HKEY key);
PLATFORM_API LONG RegFlushKey(HKEY key);
// Windows semantics: data null asks the size; too small a buffer gives 234 and the size.
PLATFORM_API LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type,
                                   BYTE* data, DWORD* dataSize);
PLATFORM_API LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                                 const BYTE* data, DWORD dataSize);
PLATFORM_API LONG RegDeleteValueA(HKEY key, const char* valueName);
// Deletes a key without subkeys (5 when it has some, as on NT).
PLATFORM_API LONG RegDeleteKeyA(HKEY root, const char* subKey);
// Deletes a key with everything below it.
PLATFORM_API LONG RegDeleteTreeA(HKEY root, const char* subKey);
PLATFORM_API LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                                char* cls, DWORD* classSize, void* lastWrite);
PLATFORM_API LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                                DWORD* type, BYTE* data, DWORD* dataSize);
PLATFORM_API LONG RegQueryInfoKeyA(HKEY key, char* cls, DWORD* classSize, DWORD* reserved,
                                   DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* maxClassLen,
                                   DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen,
                                   DWORD* securityDescriptor, void* lastWrite);

// Checkpoints and closes the open hives, so that the hive files alone hold every write (also
// done at unload); they open again on next use.
PLATFORM_API void RegCloseStores();

// REGEDIT4 text: import merges a file into the store; export writes a key and everything
// below it. Both return 0 or a Windows error code.
PLATFORM_API LONG RegImportFile(const std::string& posixPath);
PLATFORM_API LONG RegImportText(const std::string& text);
// The same, describing the first fault in message ("line 3: ...").
PLATFORM_API LONG RegImportFile(const std::string& posixPath, std::string& message);
PLATFORM_API LONG RegImportText(const std::string& text, std::string& message);
PLATFORM_API LONG RegExportText(const std::string& fullKeyName, std::string& text);

// "HKEY_LOCAL_MACHINE\Software\X" (also HKLM\..., HKCU\..., HKCR\...) into root and subkey.
PLATFORM_API bool SplitFullKeyName(const std::string& fullKeyName, HKEY& root, std::string& subKey);

} // namespace tessaly::platform
