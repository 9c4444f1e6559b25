#pragma once
// SearchPathA: finding a file by name in a list of folders or on the system's search path.
#include "api.h"

namespace tessaly::platform {

// path null: the executable's folder, the current folder, the system and Windows folders,
// the folders of PATH, and (for modules) the folders LoadLibraryA searches, where
// "Name.dll" may also be "libName.so". Otherwise path lists Windows folders separated by
// ";". extension (".dll") is added to a name without one. Writes the Windows path and
// returns its length; too small a buffer gives the size needed; 0 with last error 2 when
// nothing is found. filePart, when given, points at the name in buffer.
PLATFORM_API DWORD SearchPathA(const char* path, const char* fileName, const char* extension,
                               DWORD size, char* buffer, char** filePart);

} // namespace tessaly::platform
