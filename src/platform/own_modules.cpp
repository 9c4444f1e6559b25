// Loading the library's internal modules from its own folder, once per module.
#include "platform/own_modules.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace tessaly::platform {

namespace {

std::string folderOf(const void* code) {
    Dl_info info{};
    if (!dladdr(code, &info) || !info.dli_fname) return ".";
    const std::string path = info.dli_fname;
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

} // namespace

const OwnModule& LoadOwnModule(const char* file, const char* entryName, const void* codeInside) {
    static std::mutex mutex;
    static std::map<std::string, OwnModule> loaded; // nodes stay put: references stay valid
    const std::string path = folderOf(codeInside) + "/" + file;
    std::lock_guard lock(mutex);
    auto [at, fresh] = loaded.try_emplace(path);
    OwnModule& module = at->second;
    if (!fresh) return module;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        module.error = reason ? reason : path + ": cannot be loaded";
        module.code = ERROR_MOD_NOT_FOUND;
        return module;
    }
    using EntryFunction = const void* (*)();
    auto entry = reinterpret_cast<EntryFunction>(dlsym(handle, entryName));
    module.entries = entry ? entry() : nullptr;
    if (!module.entries) {
        module.error = path + ": no entry " + entryName;
        module.code = ERROR_PROC_NOT_FOUND;
    }
    return module;
}

const OwnModule& LoadPlatformModule(const char* file, const char* entryName) {
    return LoadOwnModule(file, entryName, reinterpret_cast<const void*>(&folderOf));
}

} // namespace tessaly::platform
