// Automation components of the word-list services, found through the prefix's registry.
#include "text/component_objects.h"

#include <string>

#include "platform/errors.h"
#include "platform/module.h"
#include "platform/registry.h"

namespace tessaly::text {

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0L);

thread_local int initialised = 0;

std::string serverModule(const char* clsid) {
    namespace p = tessaly::platform;
    const std::string key = std::string("CLSID\\") + clsid + "\\InprocServer32";
    HKEY handle = nullptr;
    if (p::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, p::KEY_READ, &handle) != 0) return {};
    char path[1024] = {};
    DWORD size = sizeof path - 1, type = 0;
    const LONG status =
        p::RegQueryValueExA(handle, "", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    p::RegCloseKey(handle);
    return status == 0 && (type == REG_SZ || type == REG_EXPAND_SZ) ? std::string(path)
                                                                    : std::string();
}

} // namespace

HRESULT CoInitializeThread() {
    return initialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitializeThread() {
    if (initialised > 0) --initialised;
}

HRESULT CreateComponent(const char* clsid, const char* iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (initialised == 0) return kNotInitialized;
    const std::string module = serverModule(clsid);
    if (module.empty()) return REGDB_E_CLASSNOTREG;
    // A missing module or entry is the class being unavailable; the caller's last error
    // stays as it was.
    const DWORD lastError = platform::GetLastError();
    HMODULE handle = platform::LoadLibraryA(module.c_str());
    auto entry = handle ? reinterpret_cast<DllGetClassObjectEntry>(
                              platform::GetProcAddress(handle, "DllGetClassObject"))
                        : nullptr;
    platform::SetLastError(lastError);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    IClassFactory* factory = nullptr;
    HRESULT hr = entry(clsid, IID_ICLASSFACTORY, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) return FAILED(hr) ? hr : E_FAIL;
    hr = factory->CreateInstance(nullptr, iid, object);
    factory->Release();
    return hr;
}

} // namespace tessaly::text
