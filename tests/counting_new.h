#pragma once
// A counting replacement of the global allocator, for a program that checks that some work
// allocates nothing. It defines the global operator new and delete, so exactly one source file
// of a program includes it.

#include <atomic>
#include <cstdlib>
#include <new>

namespace kavrin::test {

// Every operator new of the process so far.
inline std::atomic<long> gAllocations{0};

inline long Allocations() { return gAllocations.load(std::memory_order_relaxed); }

inline void* CountedAllocate(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace kavrin::test

// GCC cannot see that the new and delete here pair up.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) { return kavrin::test::CountedAllocate(size); }
void* operator new[](std::size_t size) { return kavrin::test::CountedAllocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
