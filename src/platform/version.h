#pragma once
// The Windows version record, read from HKLM Software\Tessaly\Platform\Version: DWORDs
// PlatformId (0 Win32s, 1 9x, 2 NT; 0xFFFFFFFF makes the query fail), MajorVersion,
// MinorVersion, BuildNumber and string CSDVersion. Without the key: NT 10.0.
#include "api.h"

namespace tessaly::platform {

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize; // 148
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};

enum : DWORD { VER_PLATFORM_WIN32s = 0, VER_PLATFORM_WIN32_WINDOWS = 1, VER_PLATFORM_WIN32_NT = 2 };

PLATFORM_API BOOL GetVersionExA(OSVERSIONINFOA* info);

} // namespace tessaly::platform
