// Loadable modules on dlopen: Windows module names are searched in the folders the
// library's modules live in, as "Name.dll" or "libName.so".
#include "platform/module.h"

#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>

#include "platform/errors.h"
#include "platform/module_table.h"
#include "platform/prefix.h"
#include "platform/registry.h"

namespace tessaly::platform {

namespace detail {

namespace {
// Handles are the addresses of the records, which live until their last FreeLibrary.
std::map<HMODULE, std::unique_ptr<Module>>& table() {
    static auto* modules = new std::map<HMODULE, std::unique_ptr<Module>>;
    return *modules;
}
} // namespace

std::mutex& ModuleMutex() {
    // Never destroyed: modules may be freed from other libraries' destructors at exit.
    static auto* mutex = new std::mutex;
    return *mutex;
}

Module* LookupModule(HMODULE handle) {
    auto it = table().find(handle);
    return it == table().end() ? nullptr : it->second.get();
}

HMODULE AddMemoryModule(const std::string& name, const void* resData, size_t resSize) {
    auto module = std::make_unique<Module>();
    module->path = name;
    module->permanent = true;
    module->resourcesLooked = true;
    module->resData = static_cast<const BYTE*>(resData);
    module->resSize = resSize;
    auto handle = reinterpret_cast<HMODULE>(module.get());
    std::lock_guard lock(ModuleMutex());
    table().emplace(handle, std::move(module));
    return handle;
}

} // namespace detail

namespace {

const char* const kInstallDirKey = "Software\\Varnholt\\Tessaly2001\\INSTALLDIR";

std::string executablePath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<size_t>(n));
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The installation folder of the suite, from the registry; empty when it is not set.
// A prefix that does not exist has no registry, and looking must not create one.
std::string installFolder() {
    if (access(PrefixRoot().c_str(), F_OK) != 0) return {};
    const DWORD lastError = GetLastError();
    std::string folder;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallDirKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char buffer[1024] = {};
        DWORD size = sizeof buffer - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && buffer[0])
            folder = ToPosixPath(buffer);
        RegCloseKey(key);
    }
    SetLastError(lastError);
    return folder;
}

// The folders a bare module name is searched in, in order, without repeats.
std::vector<std::string> searchFolders() {
    std::vector<std::string> folders;
    auto add = [&folders](std::string folder) {
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (folder.empty()) return;
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    };
    if (std::string exe = executablePath(); !exe.empty()) add(folderOf(exe));
    add(installFolder());
    if (const char* env = std::getenv("TESSALY_MODULE_PATH")) {
        std::string list = env;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            add(list.substr(start, end - start));
            start = end + 1;
        }
    }
    add(folderOf(ModulePathOf(reinterpret_cast<const void*>(&LoadLibraryA))));
    return folders;
}

// The two file names of a module name: "Name.dll" (".dll" added when the name has no
// extension, as Windows does) and "libName.so".
std::vector<std::string> fileNames(const std::string& name) {
    std::string windowsName = name;
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) windowsName += ".dll";
    std::string stem = windowsName;
    if (stem.size() > 4 && strcasecmp(stem.c_str() + stem.size() - 4, ".dll") == 0)
        stem.resize(stem.size() - 4);
    std::vector<std::string> names{windowsName};
    if (stem != windowsName || dot == std::string::npos) names.push_back("lib" + stem + ".so");
    return names;
}

// The file of that name in the folder: exactly, else without regard to case.
std::string findInFolder(const std::string& folder, const std::string& name) {
    std::string exact = folder == "/" ? "/" + name : folder + "/" + name;
    if (isFile(exact)) return exact;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            std::string candidate = folder == "/" ? std::string() : folder;
            candidate += '/';
            candidate += entry->d_name;
            if (isFile(candidate)) {
                found = candidate;
                break;
            }
        }
    }
    closedir(dir);
    return found;
}

bool isElf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    return in.read(magic, 4) && std::memcmp(magic,
                                            "\x7f"
                                            "ELF",
                                            4) == 0;
}

// The candidate files for a module name, in the order they are tried.
std::vector<std::string> candidates(const std::string& name) {
    std::vector<std::string> files;
    const bool hasPath = name.find_first_of("\\/:") != std::string::npos;
    if (!hasPath) {
        const auto names = fileNames(name);
        for (const auto& folder : searchFolders())
            for (const auto& fileName : names)
                if (std::string file = findInFolder(folder, fileName); !file.empty())
                    files.push_back(file);
        return files;
    }
    // A path: as given, then the two names in its folder.
    const size_t split = name.find_last_of("\\/");
    const std::string baseName =
        split == std::string::npos ? name.substr(name.find(':') + 1) : name.substr(split + 1);
    std::string folder;
    std::string given;
    if (name[0] == '/') {
        given = name;
        folder = folderOf(name);
    } else {
        given = ToPosixPath(name);
        std::string windowsFolder =
            split == std::string::npos ? name.substr(0, name.find(':') + 1) : name.substr(0, split);
        if (windowsFolder.size() == 2 && windowsFolder[1] == ':') windowsFolder += '\\';
        folder = ToPosixPath(windowsFolder);
    }
    if (!given.empty() && isFile(given)) files.push_back(given);
    if (!folder.empty() && !baseName.empty())
        for (const auto& fileName : fileNames(baseName))
            if (std::string file = findInFolder(folder, fileName); !file.empty())
                files.push_back(file);
    return files;
}

HMODULE adopt(void* dl, const std::string& path) {
    std::lock_guard lock(detail::ModuleMutex());
    for (auto& [handle, module] : detail::table()) {
        if (module->dl == dl) {
            // dlopen counted this load too; FreeLibrary gives each back.
            ++module->references;
            return handle;
        }
    }
    auto module = std::make_unique<detail::Module>();
    module->dl = dl;
    char resolved[PATH_MAX];
    module->path = realpath(path.c_str(), resolved) ? resolved : path;
    auto handle = reinterpret_cast<HMODULE>(module.get());
    detail::table().emplace(handle, std::move(module));
    return handle;
}

DWORD copyOut(const std::string& text, char* buffer, DWORD size) {
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (text.size() >= size) {
        std::memcpy(buffer, text.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace

HMODULE LoadLibraryA(const char* name) {
    if (!name || !*name) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    DWORD error = ERROR_MOD_NOT_FOUND;
    for (const auto& file : candidates(name)) {
        if (void* dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) return adopt(dl, file);
        // A file that is not a Linux module is a bad image; one whose dependencies are
        // missing counts as not found, as on Windows.
        if (!isElf(file)) error = ERROR_BAD_EXE_FORMAT;
    }
    SetLastError(error);
    return nullptr;
}

HMODULE LoadLibraryExA(const char* name, HANDLE, DWORD flags) {
    // The network-management texts are the platform's own message table.
    if ((flags & LOAD_LIBRARY_AS_DATAFILE) && name && strcasecmp(name, "netmsg.dll") == 0)
        return NetworkMessageModule();
    return LoadLibraryA(name);
}

void* GetProcAddress(HMODULE module, const char* name) {
    void* dl = nullptr;
    {
        std::lock_guard lock(detail::ModuleMutex());
        detail::Module* found = detail::LookupModule(module);
        if (!found) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        dl = found->dl;
    }
    // Entries are looked up by name; ordinals (values below 0x10000) are not kept.
    if (!dl || !name || reinterpret_cast<std::uintptr_t>(name) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    dlerror();
    void* entry = dlsym(dl, name);
    if (!entry) SetLastError(ERROR_PROC_NOT_FOUND);
    return entry;
}

BOOL FreeLibrary(HMODULE module) {
    if (module && module == NetworkMessageModule()) return TRUE;
    void* dl = nullptr;
    {
        std::lock_guard lock(detail::ModuleMutex());
        detail::Module* found = detail::LookupModule(module);
        if (!found) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (found->permanent) return TRUE;
        dl = found->dl;
        if (--found->references == 0) detail::table().erase(module);
    }
    if (dl) dlclose(dl);
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size) {
    std::string path;
    if (!module) {
        path = executablePath();
    } else {
        std::lock_guard lock(detail::ModuleMutex());
        detail::Module* found = detail::LookupModule(module);
        if (!found) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            if (buffer && size) buffer[0] = '\0';
            return 0;
        }
        path = found->path;
    }
    return copyOut(path.empty() || path[0] != '/' ? path : ToWindowsPath(path), buffer, size);
}

std::string ModulePathOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname || !*info.dli_fname) return executablePath();
    std::string file = info.dli_fname;
    // The main program is reported by the name it was started with.
    if (file.find('/') == std::string::npos) return executablePath();
    char resolved[PATH_MAX];
    return realpath(file.c_str(), resolved) ? std::string(resolved) : file;
}

std::vector<HMODULE> LoadedModules() {
    std::lock_guard lock(detail::ModuleMutex());
    std::vector<HMODULE> modules;
    for (const auto& [handle, module] : detail::table())
        if (module->dl) modules.push_back(handle);
    return modules;
}

std::string FindModuleFile(const std::string& name) {
    const auto files = candidates(name);
    return files.empty() ? std::string() : files.front();
}

} // namespace tessaly::platform
