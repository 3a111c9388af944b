#include "AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace
{
thread_local int armedScopes = 0;
thread_local long allocations = 0;

inline void noteAllocation() noexcept
{
    if (armedScopes > 0)
        ++allocations;
}
} // namespace

ScopedAllocationCount::ScopedAllocationCount() noexcept : start (allocations) { ++armedScopes; }
ScopedAllocationCount::~ScopedAllocationCount() { --armedScopes; }
long ScopedAllocationCount::count() const noexcept { return allocations - start; }

#if ! VELK_COUNT_MALLOC

// clang-format off
bool ScopedAllocationCount::countsMalloc() noexcept { return false; }
long ScopedAllocationCount::liveBlocks() noexcept { return 0; }
// clang-format on

void* operator new (std::size_t size)
{
    noteAllocation();
    if (void* p = std::malloc (size > 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[] (std::size_t size) { return operator new (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return std::malloc (size > 0 ? size : 1);
}
void* operator new[] (std::size_t size, const std::nothrow_t& tag) noexcept { return operator new (size, tag); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }

#else

// glibc's own entry points, which its malloc, calloc and the others call.
extern "C" void* __libc_malloc (std::size_t);
extern "C" void* __libc_calloc (std::size_t, std::size_t);
extern "C" void* __libc_realloc (void*, std::size_t);
extern "C" void* __libc_memalign (std::size_t, std::size_t);
extern "C" void __libc_free (void*);

namespace
{
std::atomic<long> live { 0 };

inline void* counted (void* p) noexcept
{
    if (p != nullptr)
        live.fetch_add (1, std::memory_order_relaxed);
    return p;
}
} // namespace

bool ScopedAllocationCount::countsMalloc() noexcept { return true; }
long ScopedAllocationCount::liveBlocks() noexcept { return live.load(); }

extern "C" void* malloc (std::size_t size)
{
    noteAllocation();
    return counted (__libc_malloc (size));
}

extern "C" void* calloc (std::size_t count, std::size_t size)
{
    noteAllocation();
    return counted (__libc_calloc (count, size));
}

extern "C" void* realloc (void* p, std::size_t size)
{
    noteAllocation();
    void* result = __libc_realloc (p, size);
    // A new block from nothing, or a block given back for a size of 0.
    if (p == nullptr && result != nullptr)
        live.fetch_add (1, std::memory_order_relaxed);
    else if (p != nullptr && size == 0 && result == nullptr)
        live.fetch_sub (1, std::memory_order_relaxed);
    return result;
}

extern "C" void* memalign (std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return counted (__libc_memalign (alignment, size));
}

extern "C" void* aligned_alloc (std::size_t alignment, std::size_t size)
{
    noteAllocation();
    return counted (__libc_memalign (alignment, size));
}

extern "C" int posix_memalign (void** result, std::size_t alignment, std::size_t size)
{
    if (alignment < sizeof (void*) || (alignment & (alignment - 1)) != 0)
        return 22; // EINVAL
    noteAllocation();
    void* p = counted (__libc_memalign (alignment, size));
    if (p == nullptr)
        return 12; // ENOMEM
    *result = p;
    return 0;
}

extern "C" void free (void* p)
{
    if (p != nullptr)
        live.fetch_sub (1, std::memory_order_relaxed);
    __libc_free (p);
}

#endif
