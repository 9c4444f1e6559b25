// Shared pieces of the in-process servers: BSTRs and the class registration.
#include "com_object.h"

#include "platform/com.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/registry.h"

namespace tessaly::components {

std::u16string FromBstr(BSTR text) {
    if (!text) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR ToBstr(const std::u16string& text) {
    return SysAllocStringLen(reinterpret_cast<const WCHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
}

HRESULT RegisterClass(REFCLSID clsid, const void* address) {
    namespace p = tessaly::platform;
    const std::string module = p::ToWindowsPath(p::ModulePathOf(address));
    if (module.empty()) return E_FAIL;
    const std::string key = "CLSID\\" + p::ClsidToString(clsid) + "\\InprocServer32";
    HKEY handle = nullptr;
    if (p::RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, p::KEY_ALL_ACCESS,
                           nullptr, &handle, nullptr) != 0)
        return E_FAIL;
    const LONG status =
        p::RegSetValueExA(handle, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(module.c_str()),
                          static_cast<DWORD>(module.size() + 1));
    p::RegCloseKey(handle);
    return status == 0 ? S_OK : E_FAIL;
}

} // namespace tessaly::components
