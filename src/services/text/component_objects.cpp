// Automation components of the word-list services, found through the prefix's registry.
#include "text/component_objects.h"

#include "platform/com.h"
#include "platform/errors.h"

namespace tessaly::text {

namespace {

constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x800401F0L);

thread_local int initialised = 0;

} // namespace

HRESULT CoInitializeThread() {
    return initialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitializeThread() {
    if (initialised > 0) --initialised;
}

HRESULT CreateComponent(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (initialised == 0) return kNotInitialized;
    const DWORD lastError = platform::GetLastError();
    const HRESULT hr =
        platform::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object);
    platform::SetLastError(lastError);
    return hr;
}

} // namespace tessaly::text
