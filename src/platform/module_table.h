#pragma once
// The table of loaded modules, shared by the module loader and the resource reader.
// Internal to the platform library.
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "api.h"

namespace tessaly::platform::detail {

// One resource of a compiled resource file: type and name are ordinals, or strings
// (upper-cased, as the resource compiler stores them) when the ordinal is 0.
struct ResourceEntry {
    WORD type = 0;
    std::u16string typeName;
    WORD name = 0;
    std::u16string nameText;
    WORD language = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

struct Module {
    void* dl = nullptr; // dlopen handle; null for a module registered from memory
    std::string path;   // POSIX path of the file, or the registered name
    int references = 1;
    bool permanent = false; // registered modules are never unloaded
    // The module's compiled resources, looked up once.
    bool resourcesLooked = false;
    const BYTE* resData = nullptr;
    size_t resSize = 0;
    bool resourcesParsed = false;
    std::vector<ResourceEntry> resources;
};

// Guards the table and every Module in it.
std::mutex& ModuleMutex();
// The module behind a handle, or null when the handle is not a loaded module. Call with
// the mutex held.
Module* LookupModule(HMODULE handle);
// Adds a module registered from memory; returns its handle.
HMODULE AddMemoryModule(const std::string& name, const void* resData, size_t resSize);

// Parses a compiled resource file (.res). Entries that do not fit stop the reading; what
// was read before stays.
std::vector<ResourceEntry> ParseResourceFile(const BYTE* data, size_t size);

} // namespace tessaly::platform::detail
