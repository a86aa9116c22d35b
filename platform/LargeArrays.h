// Flat arrays of a size that grows with the number of files (the catalogue,
// the content stages' tables) in memory the kernel may back with 2 MiB
// pages. Fresh memory costs a page fault each 4 KiB it is first touched,
// and under virtualisation a fault can take 10 to 20 µs: filling a table of
// 100,000 files then cost more than sorting it. An array of 2 MiB or more is
// mapped on its own, aligned to 2 MiB and offered for huge pages; a smaller
// one, and every array of a build with AddressSanitizer (which must see each
// access), comes from operator new as usual.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace corvane {

// Storage for `bytes`; throws std::bad_alloc when there is none.
void* AllocateLarge(std::size_t bytes);
// Gives back what AllocateLarge(bytes) returned.
void FreeLarge(void* storage, std::size_t bytes) noexcept;

template <class T>
struct LargeArrayAllocator {
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    using value_type = T;

    LargeArrayAllocator() = default;
    template <class U>
    LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(AllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* storage, std::size_t n) noexcept { FreeLarge(storage, n * sizeof(T)); }

    template <class U>
    friend bool operator==(const LargeArrayAllocator&, const LargeArrayAllocator<U>&) {
        return true;
    }
};

template <class T>
using LargeVector = std::vector<T, LargeArrayAllocator<T>>;

}  // namespace corvane
