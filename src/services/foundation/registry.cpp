// Registry helpers of the foundation services. Each opens its key, does one thing and
// closes it again; nothing is cached. They differ in the root they use, what they return,
// whether they create missing keys and how large a value they read; callers rely on each.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <tessaly/foundation.h>

#include "platform/registry.h"

namespace reg = tessaly::platform;

namespace {

// The readers' value buffer. A longer value fails to read rather than being read in part or
// in full: callers test the result, and a truncated path or number would mislead them.
constexpr DWORD kTextLimit = 1024;
constexpr DWORD kProbeLimit = 260; // CanOpenReg's value buffer
constexpr REGSAM kRead = 0x20019;  // KEY_READ
constexpr REGSAM kWrite = 0x20006; // KEY_WRITE
constexpr REGSAM kAll = 0xF003F;   // KEY_ALL_ACCESS

HKEY hiveOf(int hive) {
    return hive ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Closes a key on every way out.
class Key {
  public:
    ~Key() {
        if (h) reg::RegCloseKey(h);
    }
    HKEY h = nullptr;
};

LONG openRead(HKEY root, const char* key, Key& k) {
    return reg::RegOpenKeyExA(root, key ? key : "", 0, kRead, &k.h);
}

// Reads a value into a buffer of limit bytes; text receives it up to its first zero.
LONG readText(HKEY key, const char* value, DWORD limit, CString& text, DWORD* type = nullptr) {
    std::vector<char> buffer(limit + 1, 0);
    DWORD size = limit;
    LONG rc = reg::RegQueryValueExA(key, value, nullptr, type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc == ERROR_SUCCESS) text = CString(buffer.data());
    return rc;
}

// Creates or opens a key for all access (no class, default options).
LONG createAll(HKEY root, const char* key, Key& k) {
    return reg::RegCreateKeyExA(root, key ? key : "", 0, nullptr, 0, kAll, nullptr, &k.h, nullptr);
}

} // namespace

int GetRegistryString(HKEY root, const char* key, const char* value) {
    Key k;
    CString text;
    if (openRead(root, key, k) != ERROR_SUCCESS) return 0;
    if (readText(k.h, value, kTextLimit, text) != ERROR_SUCCESS) return 0;
    return std::atoi(text);
}

CString GetStringRegistry(HKEY root, const char* key, const char* value) {
    Key k;
    CString text;
    if (openRead(root, key, k) != ERROR_SUCCESS) return CString();
    if (readText(k.h, value, kTextLimit, text) != ERROR_SUCCESS) return CString();
    return text;
}

int GetRegistryStringValue(HKEY root, const char* key, const char* value, CString& text) {
    Key k;
    if (openRead(root, key, k) != ERROR_SUCCESS) return 0;
    return readText(k.h, value, kTextLimit, text) == ERROR_SUCCESS;
}

int GetRegistryStringValueEx(HKEY root, const char* key, const char* value, char* buffer,
                             DWORD size) {
    Key k;
    if (!buffer || openRead(root, key, k) != ERROR_SUCCESS) return 0;
    return reg::RegQueryValueExA(k.h, value, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                 &size) == ERROR_SUCCESS;
}

int GetRegistryStringEx(HKEY root, const char* key, const char* value, char* buffer, DWORD& size) {
    Key k;
    if (!buffer || openRead(root, key, k) != ERROR_SUCCESS) return 0;
    return reg::RegQueryValueExA(k.h, value, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                 &size) == ERROR_SUCCESS;
}

int GetRegistryStringEx(HKEY root, const char* key, const char* value, char* buffer, DWORD* size) {
    return size ? GetRegistryStringEx(root, key, value, buffer, *size) : 0;
}

long GetStringRegistry1(HKEY root, const char* key, const char* value, CString& text) {
    Key k;
    if (LONG rc = openRead(root, key, k); rc != ERROR_SUCCESS) return rc;
    // Emptied once the key is open, so a value that cannot be read leaves it empty.
    text.Empty();
    return readText(k.h, value, kTextLimit, text);
}

long GetStringRegistry2(HKEY root, const char* key, const char* value, CString& text, DWORD& type) {
    Key k;
    if (LONG rc = openRead(root, key, k); rc != ERROR_SUCCESS) return rc;
    text.Empty();
    return readText(k.h, value, kTextLimit, text, &type);
}

long GetStringRegistry2(HKEY root, const char* key, const char* value, CString& text, DWORD* type) {
    DWORD ignored = 0;
    return GetStringRegistry2(root, key, value, text, type ? *type : ignored);
}

int CanOpenReg(HKEY root, CString key, CString value) {
    if (GetOSVersionEx() == 1) return 1; // Windows 95 cannot tell; it is taken as present
    Key k;
    if (openRead(root, key, k) != ERROR_SUCCESS) return 0;
    if (value.IsEmpty()) return 1;
    CString text;
    return readText(k.h, value, kProbeLimit, text) == ERROR_SUCCESS;
}

int SetRegString(const char* key, const char* value, const char* text, int hive) {
    Key k;
    if (createAll(hiveOf(hive), key, k) != ERROR_SUCCESS) return 0;
    const char* data = text ? text : "";
    // Stored without its terminating zero.
    LONG rc = reg::RegSetValueExA(k.h, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                  DWORD(std::strlen(data)));
    reg::RegFlushKey(k.h);
    return rc == ERROR_SUCCESS;
}

long SetStringRegistry(HKEY root, const char* key, const char* value, DWORD type, CString text) {
    Key k;
    if (LONG rc = createAll(root, key, k); rc != ERROR_SUCCESS) return rc;
    return reg::RegSetValueExA(k.h, value, 0, type, reinterpret_cast<const BYTE*>(text.GetString()),
                               DWORD(text.GetLength()));
}

int GetRegDWORD(const char* key, const char* value, DWORD& number, int hive) {
    Key k;
    if (openRead(hiveOf(hive), key, k) != ERROR_SUCCESS) return 0;
    // Whatever the type, the first bytes of the value; longer than 4 bytes fails.
    DWORD size = sizeof number;
    return reg::RegQueryValueExA(k.h, value, nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                                 &size) == ERROR_SUCCESS;
}

int GetRegDWORD(const char* key, const char* value, DWORD* number, int hive) {
    return number ? GetRegDWORD(key, value, *number, hive) : 0;
}

int SetRegDWORD(HKEY root, const char* key, const char* value, DWORD number) {
    Key k;
    if (reg::RegOpenKeyExA(root, key ? key : "", 0, kWrite, &k.h) != ERROR_SUCCESS) return 0;
    return reg::RegSetValueExA(k.h, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof number) == ERROR_SUCCESS;
}

int DeleteRegValue(const char* key, const char* value, int hive) {
    Key k;
    if (reg::RegOpenKeyExA(hiveOf(hive), key ? key : "", 0, kAll, &k.h) != ERROR_SUCCESS) return 0;
    return reg::RegDeleteValueA(k.h, value) == ERROR_SUCCESS;
}

int DeleteRegKey(HKEY root, const char* key) {
    return reg::RegDeleteKeyA(root, key ? key : "") == ERROR_SUCCESS;
}

long CopyKey(HKEY sourceRoot, HKEY targetRoot, const char* sourceKey, const char* targetKey) {
    Key target, source;
    if (LONG rc = reg::RegCreateKeyA(targetRoot, targetKey ? targetKey : "", &target.h);
        rc != ERROR_SUCCESS) {
        target.h = nullptr;
        return rc;
    }
    // RegCreateKeyA may hand back a predefined root, which is not closed.
    if (target.h == targetRoot) target.h = nullptr;
    HKEY targetHandle = target.h ? target.h : targetRoot;
    if (LONG rc = openRead(sourceRoot, sourceKey, source); rc != ERROR_SUCCESS) {
        source.h = nullptr;
        return rc;
    }

    DWORD maxSubKey = 0, maxValueName = 0, maxData = 0;
    if (LONG rc =
            reg::RegQueryInfoKeyA(source.h, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr,
                                  nullptr, &maxValueName, &maxData, nullptr, nullptr);
        rc != ERROR_SUCCESS)
        return rc;
    std::vector<char> subKeyName(maxSubKey + 1), valueName(maxValueName + 1);
    std::vector<BYTE> data(maxData ? maxData : 1);

    // Subkeys first, each copied onto a subkey of the same name.
    for (DWORD i = 0;; ++i) {
        DWORD size = DWORD(subKeyName.size());
        if (reg::RegEnumKeyExA(source.h, i, subKeyName.data(), &size, nullptr, nullptr, nullptr,
                               nullptr) != ERROR_SUCCESS)
            break;
        if (LONG rc = CopyKey(source.h, targetHandle, subKeyName.data(), subKeyName.data());
            rc != ERROR_SUCCESS)
            return rc;
    }
    // Then the values, type and bytes unchanged.
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = DWORD(valueName.size()), type = 0, dataSize = DWORD(data.size());
        if (reg::RegEnumValueA(source.h, i, valueName.data(), &nameSize, nullptr, nullptr, nullptr,
                               nullptr) != ERROR_SUCCESS)
            break;
        if (LONG rc = reg::RegQueryValueExA(source.h, valueName.data(), nullptr, &type, data.data(),
                                            &dataSize);
            rc != ERROR_SUCCESS)
            return rc;
        if (LONG rc =
                reg::RegSetValueExA(targetHandle, valueName.data(), 0, type, data.data(), dataSize);
            rc != ERROR_SUCCESS)
            return rc;
    }
    return ERROR_SUCCESS;
}
