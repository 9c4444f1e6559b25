#pragma once
// Test helpers: the engine module's entries as the library loads them; texts cut into pieces.
#include <algorithm>
#include <string>
#include <vector>

#include <tessaly/spelling_engine.h>

#include "platform/module.h"

namespace tessaly::testing {

template <typename F> F EngineEntry(const char* name) {
    static HMODULE module = tessaly::platform::LoadLibraryA("SSCE5232.dll");
    return reinterpret_cast<F>(tessaly::platform::GetProcAddress(module, name));
}

// The text cut at each separator; an empty text has no pieces.
inline std::vector<std::string> Pieces(const std::string& text, char separator) {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(separator, at), text.size());
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

} // namespace tessaly::testing

#define ENGINE(name) tessaly::testing::EngineEntry<decltype(&::name)>(#name)
