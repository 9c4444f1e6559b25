// CCriticalSection: the framework's recursive lock.
#include <tessaly/sync.h>

CCriticalSection::CCriticalSection() = default;

CCriticalSection::~CCriticalSection() = default;

BOOL CCriticalSection::Lock() {
    mutex_.lock();
    return TRUE;
}

BOOL CCriticalSection::Unlock() {
    mutex_.unlock();
    return TRUE;
}
