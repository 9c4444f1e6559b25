#pragma once
// Small helpers shared by the registry tests: set and read values in one call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace tessaly::testing::reg {

using namespace tessaly::platform;

inline LONG Put(HKEY root, const char* key, const char* name, DWORD type, const std::string& data) {
    HKEY k = nullptr;
    LONG rc = RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (rc) return rc;
    rc = RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                        DWORD(data.size()));
    RegCloseKey(k);
    return rc;
}

// The stored bytes of a value (asked for by size first), or the error code in rc.
inline std::string Get(HKEY root, const char* key, const char* name, LONG* rc = nullptr,
                       DWORD* type = nullptr) {
    HKEY k = nullptr;
    LONG r = RegOpenKeyExA(root, key, 0, KEY_READ, &k);
    std::string data;
    if (!r) {
        DWORD size = 0;
        r = RegQueryValueExA(k, name, nullptr, type, nullptr, &size);
        data.assign(size, '\0');
        if (!r && size)
            r = RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()),
                                 &size);
        data.resize(size);
        RegCloseKey(k);
    }
    if (rc) *rc = r;
    return r ? std::string() : data;
}

inline std::string Dword(DWORD n) {
    return std::string(reinterpret_cast<const char*>(&n), 4);
}

// Subkey names (as stored) and value names in enumeration order.
inline std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)) break;
        names.emplace_back(name, size);
    }
    return names;
}

inline std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)) break;
        names.emplace_back(name, size);
    }
    return names;
}

} // namespace tessaly::testing::reg
