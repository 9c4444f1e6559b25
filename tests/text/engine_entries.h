#pragma once
// The spelling engine module's entries, loaded as the library loads them: ENGINE(SSCE_GetSid)().
#include <tessaly/spelling_engine.h>

#include "platform/module.h"

namespace tessaly::testing {

template <typename F> F EngineEntry(const char* name) {
    static HMODULE module = tessaly::platform::LoadLibraryA("SSCE5232.dll");
    return reinterpret_cast<F>(tessaly::platform::GetProcAddress(module, name));
}

} // namespace tessaly::testing

#define ENGINE(name) tessaly::testing::EngineEntry<decltype(&::name)>(#name)
