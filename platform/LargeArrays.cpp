#include "platform/LargeArrays.h"

#include <sys/mman.h>

#include <cstdint>

namespace corvane {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLarge = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMapLarge = false;
#else
constexpr bool kMapLarge = true;
#endif
#else
constexpr bool kMapLarge = true;
#endif

bool Mapped(std::size_t bytes) {
    return kMapLarge && bytes >= kHugePage;
}

std::size_t MappedLength(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

void* AllocateLarge(std::size_t bytes) {
    if (!Mapped(bytes)) {
        return ::operator new(bytes);
    }
    const std::size_t length = MappedLength(bytes);
    if (length < bytes || length + kHugePage < length) {
        throw std::bad_alloc();
    }
    // Map a huge page more than needed, then give back the ends that keep
    // the rest from starting on a huge page boundary.
    void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) {
        ::munmap(mapped, aligned - start);
    }
    if (const std::uintptr_t end = start + length + kHugePage; end > aligned + length) {
        ::munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    }
    // Only advice: where the kernel gives no huge pages the array works as
    // any other.
    (void)::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* storage, std::size_t bytes) noexcept {
    if (storage == nullptr) {
        return;
    }
    if (!Mapped(bytes)) {
        ::operator delete(storage);
        return;
    }
    ::munmap(storage, MappedLength(bytes));
}

}  // namespace corvane
