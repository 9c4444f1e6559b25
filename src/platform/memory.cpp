// Global (and local) memory handles. A handle is the block's address; the blocks handed out
// are remembered with their size and lock count so that a stale or foreign handle is
// refused with "invalid handle" instead of corrupting the heap.
#include "platform/memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/errors.h"

namespace tessaly::platform {

namespace {

struct Block {
    size_t size;
    unsigned locks;
};

std::mutex blocksMutex;

std::unordered_map<void*, Block>& blocks() {
    static auto* table = new std::unordered_map<void*, Block>; // outlives static destructors
    return *table;
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    // A zero-byte block still gets its own address.
    void* memory = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                           : std::malloc(bytes ? bytes : 1);
    if (!memory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard lock(blocksMutex);
    blocks()[memory] = Block{bytes, 0};
    return memory;
}

HGLOBAL GlobalReAlloc(HGLOBAL memory, size_t bytes, UINT flags) {
    std::lock_guard lock(blocksMutex);
    auto it = blocks().find(memory);
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const size_t old = it->second.size;
    const unsigned locks = it->second.locks;
    void* moved = std::realloc(memory, bytes ? bytes : 1);
    if (!moved) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > old)
        std::memset(static_cast<char*>(moved) + old, 0, bytes - old);
    blocks().erase(memory);
    blocks()[moved] = Block{bytes, locks};
    return moved;
}

void* GlobalLock(HGLOBAL memory) {
    std::lock_guard lock(blocksMutex);
    auto it = blocks().find(memory);
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ++it->second.locks;
    return memory;
}

BOOL GlobalUnlock(HGLOBAL memory) {
    std::lock_guard lock(blocksMutex);
    auto it = blocks().find(memory);
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (it->second.locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--it->second.locks > 0) return TRUE;
    SetLastError(0); // unlocked: FALSE with no error, as the system reports it
    return FALSE;
}

size_t GlobalSize(HGLOBAL memory) {
    std::lock_guard lock(blocksMutex);
    auto it = blocks().find(memory);
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return it->second.size;
}

HGLOBAL GlobalHandle(const void* pointer) {
    std::lock_guard lock(blocksMutex);
    auto it = blocks().find(const_cast<void*>(pointer));
    if (it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->first;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (!memory) return nullptr;
    {
        std::lock_guard lock(blocksMutex);
        auto it = blocks().find(memory);
        if (it == blocks().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;
        }
        blocks().erase(it);
    }
    std::free(memory);
    return nullptr;
}

// The local heap is the global heap, as on 32-bit Windows.
HGLOBAL LocalAlloc(UINT flags, size_t bytes) {
    return GlobalAlloc(flags, bytes);
}

HGLOBAL LocalFree(HGLOBAL memory) {
    return GlobalFree(memory);
}

} // namespace tessaly::platform
