#pragma once

#include <cstddef>

/**
    Counts the mutex locks the calling thread takes while a ScopedLockCount is alive, and keeps
    the first few mutexes it took. Linking LockCounter.cpp into a test program replaces
    pthread_mutex_lock and pthread_mutex_trylock where the program is built with
    VELK_COUNT_MALLOC=1; under a sanitizer, whose runtime owns them, nothing is observed.
*/
class ScopedLockCount
{
public:
    ScopedLockCount() noexcept;
    ~ScopedLockCount();

    ScopedLockCount (const ScopedLockCount&) = delete;
    ScopedLockCount& operator= (const ScopedLockCount&) = delete;

    /** Locks taken on this thread since construction. */
    long count() const noexcept;

    /** The distinct mutexes taken on this thread since construction, up to maxKept of them. */
    static constexpr std::size_t maxKept = 8;
    std::size_t numMutexes() const noexcept;
    const void* mutex (std::size_t index) const noexcept;

    /** True where locks are observed at all. */
    static bool observesLocks() noexcept;

private:
    long start;
};
