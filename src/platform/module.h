#pragma once
// Loadable modules and resources. A module named like "Selwin.dll" is found, as
// "Selwin.dll" or "libSelwin.so", in the executable's folder, the installation folder,
// TESSALY_MODULE_PATH and the library's own folder; a full path is tried as given and
// with the same two names in its folder.
#include <string>
#include <vector>

#include "api.h"

namespace tessaly::platform {

enum : DWORD { LOAD_LIBRARY_AS_DATAFILE = 0x2 };

PLATFORM_API HMODULE LoadLibraryA(const char* name);
PLATFORM_API HMODULE LoadLibraryExA(const char* name, HANDLE reserved, DWORD flags);
PLATFORM_API void* GetProcAddress(HMODULE module, const char* name);
PLATFORM_API BOOL FreeLibrary(HMODULE module);
// The Windows path of a loaded module; null module: the executable.
PLATFORM_API DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);
// The POSIX path of the shared object holding the address.
PLATFORM_API std::string ModulePathOf(const void* address);
// The file LoadLibraryA would load for a name (POSIX path), without loading it; empty when
// there is none.
PLATFORM_API std::string FindModuleFile(const std::string& name);
// The modules loaded from files (LoadLibraryA) and not yet freed.
PLATFORM_API std::vector<HMODULE> LoadedModules();

// Resources. A module carries a compiled resource file (.res); the library registers its
// built-in one, a language module exports "TessalyResourceData". Types and names are
// numbers (as MAKEINTRESOURCE) here.
PLATFORM_API HMODULE RegisterResourceModule(const std::string& name, const void* resData,
                                            size_t resSize);
enum : WORD { RT_DIALOG = 5, RT_STRING = 6 };
// The data of one resource (first match of type and name, any language); null when absent.
PLATFORM_API const void* FindResourceData(HMODULE module, WORD type, WORD name, DWORD* size);
// The same for a resource with a string name (compared without regard to case).
PLATFORM_API const void* FindNamedResourceData(HMODULE module, WORD type, const char* name,
                                               DWORD* size);
// LoadStringA: the text of a string-table entry in the ANSI code page; 0 when absent.
PLATFORM_API int LoadStringA(HMODULE module, UINT id, char* buffer, int size);
// The same text as a std::string; false when the module has no such entry.
PLATFORM_API bool LoadResourceString(HMODULE module, UINT id, std::string& text);

} // namespace tessaly::platform
