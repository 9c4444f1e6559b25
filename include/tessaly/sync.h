#pragma once
// The framework's critical section: a recursive lock a caller may hand to the library with
// its database connection. The library accepts it and leaves locking to the caller.
#include <mutex>

#include <tessaly/types.h>

class TESSALY_API CCriticalSection {
  public:
    CCriticalSection();
    ~CCriticalSection();
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    BOOL Lock();
    BOOL Unlock();

  private:
    std::recursive_mutex mutex_;
};
