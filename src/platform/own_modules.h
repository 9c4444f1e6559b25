#pragma once
// Internal modules beside the library, loaded on first use: a program pays for the printing
// system's and the sound server's client libraries (dozens of dependencies, most of the cost
// of loading the library) only when it prints or plays. Each module exports one function
// returning its table of entries; both sides are built together and pass standard types.
#include <string>

#include "api.h"

namespace tessaly::platform {

struct OwnModule {
    const void* entries = nullptr; // the module's table; nullptr when it cannot be had
    std::string error;             // the loader's text, or which entry is missing
    DWORD code = 0;                // ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND
};

// The module file in the folder of the shared object holding `codeInside` (a function of the
// caller's own library), loaded once for the process and never unloaded.
PLATFORM_API const OwnModule& LoadOwnModule(const char* file, const char* entryName,
                                            const void* codeInside);

// A module beside the platform library.
PLATFORM_API const OwnModule& LoadPlatformModule(const char* file, const char* entryName);

template <typename Entries>
const Entries* PlatformModuleEntries(const char* file, const char* entryName) {
    return static_cast<const Entries*>(LoadPlatformModule(file, entryName).entries);
}

} // namespace tessaly::platform
