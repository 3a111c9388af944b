#include "LockCounter.h"

#include <pthread.h>

namespace
{
thread_local int armedScopes = 0;
thread_local long locks = 0;
thread_local const void* kept[ScopedLockCount::maxKept] {};
thread_local std::size_t numKept = 0;

inline void noteLock (const void* mutex) noexcept
{
    if (armedScopes == 0)
        return;
    ++locks;
    for (std::size_t i = 0; i < numKept; ++i)
        if (kept[i] == mutex)
            return;
    if (numKept < ScopedLockCount::maxKept)
        kept[numKept++] = mutex;
}
} // namespace

ScopedLockCount::ScopedLockCount() noexcept : start (locks)
{
    if (armedScopes++ == 0)
        numKept = 0;
}

ScopedLockCount::~ScopedLockCount() { --armedScopes; }
long ScopedLockCount::count() const noexcept { return locks - start; }
std::size_t ScopedLockCount::numMutexes() const noexcept { return numKept; }
const void* ScopedLockCount::mutex (std::size_t index) const noexcept { return index < numKept ? kept[index] : nullptr; }

#if VELK_COUNT_MALLOC

    #include <dlfcn.h>

namespace
{
// The C library's own lock functions, looked up before any thread runs (and on the spot by a lock
// taken while the program's statics are still being built).
using LockFunction = int (*) (pthread_mutex_t*);

LockFunction lookUp (const char* name) noexcept { return reinterpret_cast<LockFunction> (dlsym (RTLD_NEXT, name)); }

LockFunction realLock = lookUp ("pthread_mutex_lock");
LockFunction realTryLock = lookUp ("pthread_mutex_trylock");
} // namespace

bool ScopedLockCount::observesLocks() noexcept { return true; }

extern "C" int pthread_mutex_lock (pthread_mutex_t* mutex)
{
    noteLock (mutex);
    if (realLock == nullptr)
        realLock = lookUp ("pthread_mutex_lock");
    return realLock (mutex);
}

extern "C" int pthread_mutex_trylock (pthread_mutex_t* mutex)
{
    noteLock (mutex);
    if (realTryLock == nullptr)
        realTryLock = lookUp ("pthread_mutex_trylock");
    return realTryLock (mutex);
}

#else

bool ScopedLockCount::observesLocks() noexcept
{
    return false;
}

#endif
