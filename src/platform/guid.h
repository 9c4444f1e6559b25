#pragma once
// Globally unique identifiers (random, version 4) and their registry text form.
#include <string>

#include "api.h"

namespace tessaly::platform {

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

// 0 (S_OK) and a new random identifier from the system's random source.
PLATFORM_API HRESULT CoCreateGuid(GUID* guid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
PLATFORM_API std::string GuidToString(const GUID& guid);

} // namespace tessaly::platform
