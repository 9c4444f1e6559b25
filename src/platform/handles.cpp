#include "platform/handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/errors.h"

namespace tessaly::platform {

namespace {
std::mutex mutex;
std::unordered_map<std::uintptr_t, std::shared_ptr<HandleObject>> table;
std::uintptr_t nextHandle = 0x100;
} // namespace

HANDLE NewHandle(std::shared_ptr<HandleObject> object) {
    std::lock_guard lock(mutex);
    nextHandle += 4;
    table.emplace(nextHandle, std::move(object));
    return reinterpret_cast<HANDLE>(nextHandle);
}

std::shared_ptr<HandleObject> LookupHandle(HANDLE handle) {
    std::lock_guard lock(mutex);
    auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

bool ReleaseHandle(HANDLE handle) {
    std::shared_ptr<HandleObject> released; // destroyed outside the lock
    std::lock_guard lock(mutex);
    auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    released = std::move(it->second);
    table.erase(it);
    return true;
}

} // namespace tessaly::platform
