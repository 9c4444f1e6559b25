#pragma once
// The platform's kernel handles: files, searches and processes share one table so that
// CloseHandle closes any of them.
#include <memory>

#include "api.h"

namespace tessaly::platform {

class HandleObject {
  public:
    virtual ~HandleObject() = default;
};

// Registers an object and returns its new handle (never null, never INVALID_HANDLE_VALUE).
PLATFORM_API HANDLE NewHandle(std::shared_ptr<HandleObject> object);
// The object behind a handle, or null when the handle is unknown (last error 6).
PLATFORM_API std::shared_ptr<HandleObject> LookupHandle(HANDLE handle);
// Removes the handle; false when it was unknown.
PLATFORM_API bool ReleaseHandle(HANDLE handle);

template <typename T> std::shared_ptr<T> HandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

} // namespace tessaly::platform
