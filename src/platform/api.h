#pragma once
// The platform layer: Windows semantics on Linux for the library and its components.
// Everything lives in namespace tessaly::platform and is exported from libTessalyPlatform.so.
#include <tessaly/types.h>

#define PLATFORM_API __attribute__((visibility("default")))

namespace tessaly::platform {} // namespace tessaly::platform
