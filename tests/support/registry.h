#pragma once
// Registry values written for a test's set-up; a failed write fails the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"

namespace tessaly::testing {

// Values set and read in one call, for the registry tests themselves.
namespace reg {

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
inline std::vector<std::string> Names(HKEY key, bool values) {
    std::vector<std::string> names;
    char name[16384];
    for (DWORD i = 0, size = sizeof name;; ++i, size = sizeof name) {
        if (values ? RegEnumValueA(key, i, name, &size, 0, 0, 0, 0)
                   : RegEnumKeyExA(key, i, name, &size, 0, 0, 0, 0))
            break;
        names.emplace_back(name, size);
    }
    return names;
}
inline std::vector<std::string> SubKeys(HKEY key) {
    return Names(key, false);
}
inline std::vector<std::string> ValueNames(HKEY key) {
    return Names(key, true);
}

} // namespace reg

// A failed write fails the test.
inline void PutRegValue(HKEY root, const char* key, const char* name, DWORD type, const void* data,
                        DWORD size) {
    ASSERT_EQ(reg::Put(root, key, name, type, std::string(static_cast<const char*>(data), size)), 0)
        << key << " " << name;
}

// Text is written with its terminator unless told otherwise.
inline void PutRegText(HKEY root, const char* key, const char* name, const std::string& text,
                       DWORD type = REG_SZ, bool terminated = true) {
    PutRegValue(root, key, name, type, text.c_str(),
                static_cast<DWORD>(text.size() + (terminated ? 1 : 0)));
}

inline void PutRegDword(HKEY root, const char* key, const char* name, DWORD value) {
    PutRegValue(root, key, name, REG_DWORD, &value, sizeof value);
}

// The machine's ANSI code page, as the code-page layer reads it.
inline void UseAnsiCodePage(const char* acp) {
    PutRegText(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", acp);
}

} // namespace tessaly::testing
