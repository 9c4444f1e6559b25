// Registry reading of the companion library.
#include <tessaly/companion.h>

#include <vector>

#include "platform/registry.h"

// Reads a string value under HKEY_CURRENT_USER (hive 0) or HKEY_LOCAL_MACHINE (any other
// hive). Values of any length are read in full; the text is left alone on failure.
int GetRegString(const char* key, const char* valueName, CString& text, int hive) {
    namespace p = tessaly::platform;
    HKEY root = hive == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY opened = nullptr;
    if (p::RegOpenKeyExA(root, key ? key : "", 0, p::KEY_READ, &opened) != ERROR_SUCCESS) return 0;
    const char* name = valueName ? valueName : "";
    DWORD type = 0, size = 0;
    LONG status = p::RegQueryValueExA(opened, name, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    // The value may change between the two calls; ask again while it grows.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.resize(size + 1);
        DWORD got = size;
        status = p::RegQueryValueExA(opened, name, nullptr, &type, data.data(), &got);
        if (status == ERROR_SUCCESS) {
            size = got;
            break;
        }
        size = got;
    }
    p::RegCloseKey(opened);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return 0;
    // Stored strings may or may not carry their terminator.
    size_t length = size;
    while (length > 0 && data[length - 1] == 0)
        --length;
    text = CString(reinterpret_cast<const char*>(data.data()), static_cast<int>(length));
    return 1;
}
