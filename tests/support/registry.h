#pragma once
// Registry values written for a test's set-up; a failed write fails the test.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace tessaly::testing {

inline void PutRegValue(HKEY root, const char* key, const char* name, DWORD type, const void* data,
                        DWORD size) {
    namespace p = tessaly::platform;
    HKEY handle = nullptr;
    ASSERT_EQ(
        p::RegCreateKeyExA(root, key, 0, nullptr, 0, p::KEY_ALL_ACCESS, nullptr, &handle, nullptr),
        0)
        << key;
    ASSERT_EQ(p::RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size), 0)
        << name;
    p::RegCloseKey(handle);
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
