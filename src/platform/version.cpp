// The Windows version record, kept in the registry so that any Windows family can be
// presented. Each value missing from the key takes the value of the default record
// (NT 10.0 build 19045, no service pack); without the key the whole default is reported.
#include "platform/version.h"

#include <cstdlib>
#include <cstring>

#include "platform/errors.h"
#include "platform/registry.h"

namespace tessaly::platform {

namespace {

constexpr const char* kVersionKey = "Software\\Tessaly\\Platform\\Version";
constexpr DWORD kBasicSize = sizeof(OSVERSIONINFOA); // 148
constexpr DWORD kExtendedSize = kBasicSize + 8;      // the record with service-pack numbers
constexpr DWORD kFailingPlatform = 0xFFFFFFFF;

void readDword(HKEY key, const char* name, DWORD& out) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == 0 &&
        size == sizeof value)
        out = value;
}

} // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (!info ||
        (info->dwOSVersionInfoSize != kBasicSize && info->dwOSVersionInfoSize != kExtendedSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DWORD platform = VER_PLATFORM_WIN32_NT, major = 10, minor = 0, build = 19045;
    char csd[sizeof info->szCSDVersion] = {};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVersionKey, 0, KEY_READ, &key) == 0) {
        readDword(key, "PlatformId", platform);
        readDword(key, "MajorVersion", major);
        readDword(key, "MinorVersion", minor);
        readDword(key, "BuildNumber", build);
        DWORD size = sizeof csd - 1, type = 0;
        if (RegQueryValueExA(key, "CSDVersion", nullptr, &type, reinterpret_cast<BYTE*>(csd),
                             &size) != 0)
            std::memset(csd, 0, sizeof csd);
        RegCloseKey(key);
    }
    if (platform == kFailingPlatform) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwBuildNumber = build;
    info->dwPlatformId = platform;
    // The whole text field is zero past the text, as the system leaves it.
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    std::memcpy(info->szCSDVersion, csd, std::strlen(csd));
    if (info->dwOSVersionInfoSize == kExtendedSize) {
        // wServicePackMajor, wServicePackMinor, wSuiteMask, wProductType, wReserved.
        unsigned char* extra = reinterpret_cast<unsigned char*>(info) + kBasicSize;
        std::memset(extra, 0, 8);
        const char* digits = std::strpbrk(csd, "0123456789");
        WORD servicePack = digits ? WORD(std::atoi(digits)) : 0;
        std::memcpy(extra, &servicePack, sizeof servicePack);
        extra[6] = 1; // VER_NT_WORKSTATION
    }
    return TRUE;
}

} // namespace tessaly::platform
