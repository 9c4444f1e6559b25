// Windows version codes: three classifications of the system's version record, each with
// the numbering the suite's programs were written against.
#include <cstdlib>
#include <cstring>

#include <tessaly/foundation.h>

#include "foundation/version_record.h"

namespace platform = tessaly::platform;

namespace tessaly::base {

// The basic record, asked for twice before the version counts as unreadable.
bool ReadVersion(platform::OSVERSIONINFOA& info) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::memset(&info, 0, sizeof info);
        info.dwOSVersionInfoSize = sizeof info;
        if (platform::GetVersionExA(&info)) return true;
    }
    return false;
}

} // namespace tessaly::base

using tessaly::base::ReadVersion;

int GetOSVersionEx() {
    platform::OSVERSIONINFOA info;
    if (!ReadVersion(info)) return -1;
    if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_NT) {
        if (info.dwMajorVersion < 5) return 0;                              // NT 4 or older
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) return 2; // 2000
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) return 6; // XP
    } else if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_WINDOWS &&
               info.dwMajorVersion == 4) {
        if (info.dwMinorVersion == 0) return 1;  // 95
        if (info.dwMinorVersion == 10) return 4; // 98
        if (info.dwMinorVersion == 90) return 5; // Me
    }
    return 3;
}

int GetOSVersion(long& code) {
    platform::OSVERSIONINFOA info;
    if (!ReadVersion(info)) {
        code = -1;
        return 0;
    }
    code = -1;
    if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_NT) {
        if (info.dwMajorVersion < 5)
            code = 30;
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
            code = 40;
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
            code = 50;
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 2)
            code = 60;
    } else if (info.dwPlatformId == platform::VER_PLATFORM_WIN32_WINDOWS &&
               info.dwMajorVersion == 4) {
        if (info.dwMinorVersion == 0)
            code = 0;
        else if (info.dwMinorVersion == 10)
            code = 10;
        else if (info.dwMinorVersion == 90)
            code = 20;
    }
    return 1;
}

int GET_WIN_VERSION(int* platformCode, int* major, int* minor, int* servicePack) {
    platform::OSVERSIONINFOA info;
    if (!ReadVersion(info)) return 606;
    int p = platformCode ? *platformCode : 0;
    switch (info.dwPlatformId) {
    case platform::VER_PLATFORM_WIN32s:
        p = 1;
        break;
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        p = 2;
        break;
    case platform::VER_PLATFORM_WIN32_NT:
        p = 5;
        break;
    default:
        break; // other platforms leave the caller's value
    }
    if (info.dwMajorVersion >= 5) p = 6;
    if (p == 2 && info.dwMinorVersion >= 90)
        p = 4;
    else if (p == 2 && info.dwMinorVersion >= 1)
        p = 3;
    if (platformCode) *platformCode = p;
    if (major) *major = int(info.dwMajorVersion);
    if (minor) *minor = int(info.dwMinorVersion);
    int pack = -1;
    if (p == 5 || p == 6) {
        // The number after "Service Pack": the three characters past the first twelve.
        if (std::strcmp(info.szCSDVersion, "Service Pack") != 0) {
            char digits[4] = {};
            std::memcpy(digits, info.szCSDVersion + 12, 3);
            pack = std::atoi(digits);
        }
    }
    if (servicePack) *servicePack = pack;
    return 0;
}
