// Resources and strings found through the module state.
#include "framework/core/module_state.h"
#include "framework/core/strings.h"
#include "platform/module.h"

namespace tessaly::framework {

const void* FindFrameworkResource(WORD type, WORD name, DWORD* size) {
    HMODULE chain[3];
    const int count = ResourceChain(chain);
    for (int i = 0; i < count; ++i)
        if (const void* data = platform::FindResourceData(chain[i], type, name, size)) return data;
    return nullptr;
}

// The current resource module first (the language module in the library's state), then
// the library's through the extension registration, then the built-in English table.
bool LoadResourceString(UINT id, std::string& text) {
    HMODULE chain[3];
    const int count = ResourceChain(chain);
    for (int i = 0; i < count; ++i)
        if (platform::LoadResourceString(chain[i], id, text)) return true;
    return false;
}

} // namespace tessaly::framework
