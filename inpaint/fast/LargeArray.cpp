#include "inpaint/fast/LargeArray.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace inpaint::fast {

void* AllocateLarge(std::size_t bytes) {
    bytes = std::max<std::size_t>(bytes, 1);
#if defined(__linux__)
    constexpr std::size_t kLargePage = std::size_t{2} << 20;
    if (bytes >= kLargePage && bytes <= SIZE_MAX - kLargePage) {
        const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        void* block = nullptr;
        if (posix_memalign(&block, kLargePage, rounded) != 0) throw std::bad_alloc();
        // Only a hint: where the system declines, the block has small pages.
        madvise(block, rounded, MADV_HUGEPAGE);
        return block;
    }
#endif
    void* block = std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    return block;
}

void FreeLarge(void* block) noexcept {
    std::free(block);
}

}  // namespace inpaint::fast
