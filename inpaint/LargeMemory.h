#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace inpaint {

// Memory for whole pictures and other big blocks, handed out unfilled. Fresh memory costs a
// page fault at the first touch of each page. With 4 KiB pages a 12-megapixel picture takes
// twelve thousand of them, and on a virtual machine they cost more than decoding or copying the
// picture. Where the system offers larger pages (Linux), blocks of 2 MiB and more ask for 2 MiB
// pages. Plain C++: the picture reader uses it too. Throws std::bad_alloc when the memory is
// not there; FreeLarge gives it back.
inline void* AllocateLarge(std::size_t bytes) {
    bytes = std::max<std::size_t>(bytes, 1);
#if defined(__linux__)
    constexpr std::size_t kLargePage = std::size_t{2} << 20;
    if (bytes >= kLargePage && bytes <= SIZE_MAX - kLargePage) {
        const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
        void* block = nullptr;
        if (posix_memalign(&block, kLargePage, rounded) != 0) throw std::bad_alloc();
        madvise(block, rounded, MADV_HUGEPAGE);  // a hint: where declined, small pages
        return block;
    }
#endif
    void* block = std::malloc(bytes);
    if (!block) throw std::bad_alloc();
    return block;
}

inline void FreeLarge(void* block) noexcept {
    std::free(block);
}

}  // namespace inpaint
