#pragma once

/**
    Counts heap allocations made by the calling thread while a ScopedAllocationCount is alive.
    Linking AllocationCounter.cpp into a test program replaces the process's allocator entry
    points: malloc and its relatives where the program is built with VELK_COUNT_MALLOC=1 (which
    catches the framework's HeapBlock as well as operator new), operator new alone otherwise, as
    under a sanitizer, whose runtime owns malloc.
*/
class ScopedAllocationCount
{
public:
    ScopedAllocationCount() noexcept;
    ~ScopedAllocationCount();

    ScopedAllocationCount (const ScopedAllocationCount&) = delete;
    ScopedAllocationCount& operator= (const ScopedAllocationCount&) = delete;

    /** Allocations on this thread since construction. */
    long count() const noexcept;

    /** True where malloc itself is counted, false where only operator new is. */
    static bool countsMalloc() noexcept;

    /** Blocks allocated and not yet freed in the whole process, on every thread; counted only
        where malloc itself is (0 elsewhere). */
    static long liveBlocks() noexcept;

private:
    long start;
};
