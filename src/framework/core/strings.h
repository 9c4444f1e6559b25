#pragma once
// String loading through the module state: the current resource module first (a language
// module when one is loaded), then the library's built-in English table.
#include <string>

#include <tessaly/types.h>

namespace tessaly::framework {

bool LoadResourceString(UINT id, std::string& text);

} // namespace tessaly::framework
