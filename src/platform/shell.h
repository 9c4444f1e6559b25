#pragma once
// Special folders, the Windows and system folders, temp, the user name, INI profiles.
#include "api.h"

namespace tessaly::platform {

enum : int { CSIDL_PERSONAL = 5, CSIDL_APPDATA = 26, CSIDL_WINDOWS = 36, CSIDL_SYSTEM = 37 };

// Folders under drive_c/users/<user>/: "Application Data", "My Documents", "Temp".
PLATFORM_API BOOL SHGetSpecialFolderPathA(HWND owner, char* path, int csidl, BOOL create);
PLATFORM_API UINT GetWindowsDirectoryA(char* buffer, UINT size); // C:\windows
PLATFORM_API UINT GetSystemDirectoryA(char* buffer, UINT size);  // C:\windows\system32
PLATFORM_API DWORD GetTempPathA(DWORD size, char* buffer);       // with trailing backslash
PLATFORM_API BOOL GetUserNameA(char* buffer, DWORD* size);

// INI files (GetPrivateProfileString semantics: null section lists sections, null key
// lists keys, each name zero-terminated with a final extra zero; values trimmed, quotes
// around a value removed). A bare file name lies in the Windows folder.
PLATFORM_API DWORD GetPrivateProfileStringA(const char* section, const char* key,
                                            const char* defaultValue, char* buffer, DWORD size,
                                            const char* file);
PLATFORM_API UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                                        const char* file);
// Null key deletes the section, null value deletes the key.
PLATFORM_API BOOL WritePrivateProfileStringA(const char* section, const char* key,
                                             const char* value, const char* file);
// The system profile, win.ini.
PLATFORM_API DWORD GetProfileStringA(const char* section, const char* key, const char* defaultValue,
                                     char* buffer, DWORD size);
PLATFORM_API BOOL WriteProfileStringA(const char* section, const char* key, const char* value);

} // namespace tessaly::platform
