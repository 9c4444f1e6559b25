// PLACEHOLDER until the resource module lands.
#include "framework/strings.h"

namespace tessaly::framework {
bool LoadResourceString(UINT, std::string&) { return false; }
} // namespace tessaly::framework
