#pragma once
// The Windows version record the platform presents, written into the machine hive.

#include "support/registry.h"

namespace tessaly::testing {

inline void PresentWindows(DWORD platformId, DWORD major, DWORD minor, DWORD build = 950,
                           const char* pack = nullptr, bool packTerminated = true) {
    const char* key = "Software\\Tessaly\\Platform\\Version";
    PutRegDword(HKEY_LOCAL_MACHINE, key, "PlatformId", platformId);
    PutRegDword(HKEY_LOCAL_MACHINE, key, "MajorVersion", major);
    PutRegDword(HKEY_LOCAL_MACHINE, key, "MinorVersion", minor);
    PutRegDword(HKEY_LOCAL_MACHINE, key, "BuildNumber", build);
    if (pack) PutRegText(HKEY_LOCAL_MACHINE, key, "CSDVersion", pack, REG_SZ, packTerminated);
}

} // namespace tessaly::testing
