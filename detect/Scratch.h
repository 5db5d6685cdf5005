#pragma once
#include <cstddef>
#include <vector>

// Memory for the finder's planes. One search makes and drops dozens of planes of a few sizes.
// Fresh memory costs a page fault at the first touch of each 4 KiB page, and the C library gives
// freed blocks of a plane's size back to the system at once, so every new plane paid the faults
// again: more than half of a search on a virtual machine. Planes of a megabyte or more take
// large pages where the system has them (inpaint/LargeMemory.h), and while a ScratchScope lives
// on a thread, the planes freed on it are kept for the next plane of their size, and given back
// when the scope ends.
namespace detect {

class ScratchScope {
public:
    ScratchScope();
    ~ScratchScope();
    ScratchScope(const ScratchScope&) = delete;
    ScratchScope& operator=(const ScratchScope&) = delete;

    struct Kept {
        std::size_t bytes;
        void* block;
    };

private:
    std::vector<Kept> kept_;
    std::vector<Kept>* outer_;
};

// Throws std::bad_alloc when the memory is not there.
void* ScratchAllocate(std::size_t bytes);
void ScratchFree(void* block, std::size_t bytes) noexcept;

template <typename T>
struct ScratchAllocator {
    using value_type = T;
    ScratchAllocator() = default;
    template <typename U>
    ScratchAllocator(const ScratchAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(ScratchAllocate(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { ScratchFree(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const ScratchAllocator<U>&) const {
        return true;
    }
};

}  // namespace detect
