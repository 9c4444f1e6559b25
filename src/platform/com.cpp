// In-process components created from the registry's class entries.
#include "platform/com.h"

#include <cstdio>

#include "platform/module.h"
#include "platform/registry.h"

namespace tessaly::platform {

std::string ClsidToString(const CLSID& c) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", c.Data1,
                  c.Data2, c.Data3, c.Data4[0], c.Data4[1], c.Data4[2], c.Data4[3], c.Data4[4],
                  c.Data4[5], c.Data4[6], c.Data4[7]);
    return text;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    const std::string key = "CLSID\\" + ClsidToString(clsid) + "\\InprocServer32";
    HKEY server = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &server) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    char module[1024] = {};
    DWORD size = sizeof module - 1, type = 0;
    const LONG status =
        RegQueryValueExA(server, "", nullptr, &type, reinterpret_cast<BYTE*>(module), &size);
    RegCloseKey(server);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || !module[0])
        return REGDB_E_CLASSNOTREG;
    HMODULE handle = LoadLibraryA(module);
    if (!handle) return CO_E_DLLNOTFOUND;
    auto entry =
        reinterpret_cast<DllGetClassObjectFunction>(GetProcAddress(handle, "DllGetClassObject"));
    if (!entry) return CO_E_ERRORINDLL;
    IClassFactory* factory = nullptr;
    HRESULT hr = entry(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (hr < 0 || !factory) return hr < 0 ? hr : CLASS_E_CLASSNOTAVAILABLE;
    hr = factory->CreateInstance(outer, iid, object);
    factory->Release();
    return hr;
}

} // namespace tessaly::platform
