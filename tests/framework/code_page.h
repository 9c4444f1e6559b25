#pragma once
// Switches the prefix's ANSI code page, as HKLM ...\Nls\CodePage "ACP" does on Windows.
#include <cstring>

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace tessaly::testing {

inline void SetAnsiCodePage(const char* acp) {
    namespace p = tessaly::platform;
    HKEY key = nullptr;
    ASSERT_EQ(p::RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                 "System\\CurrentControlSet\\Control\\Nls\\CodePage", 0, nullptr, 0,
                                 p::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    ASSERT_EQ(p::RegSetValueExA(key, "ACP", 0, REG_SZ, reinterpret_cast<const BYTE*>(acp),
                                static_cast<DWORD>(std::strlen(acp) + 1)),
              0);
    p::RegCloseKey(key);
}

} // namespace tessaly::testing
