#pragma once
#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace inpaint::fast {

// Memory for a run's big working arrays: the picture's copy and the band's planes. Fresh memory
// costs a page fault at the first touch of each page. With 4 KiB pages a 10-megapixel picture
// takes more than ten thousand, and on a virtual machine they cost more than copying the
// picture itself. Where the system offers larger pages (Linux), blocks of 2 MiB and more ask
// for 2 MiB pages. Throws std::bad_alloc when the memory is not there.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* block) noexcept;

// An array of trivially copyable values in such memory, allocated once and never grown.
template <class T>
class LargeArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    // n values, left unfilled.
    void Allocate(std::size_t n) {
        values_.reset();
        size_ = 0;
        values_.reset(static_cast<T*>(AllocateLarge(n * sizeof(T))));
        size_ = n;
    }
    void Assign(std::size_t n, T value) {
        Allocate(n);
        std::fill_n(values_.get(), n, value);
    }
    T* data() { return values_.get(); }
    const T* data() const { return values_.get(); }
    T& operator[](std::size_t i) { return values_[i]; }
    const T& operator[](std::size_t i) const { return values_[i]; }
    std::size_t size() const { return size_; }

private:
    struct Free {
        void operator()(T* block) const noexcept { FreeLarge(block); }
    };
    std::unique_ptr<T[], Free> values_;
    std::size_t size_ = 0;
};

}  // namespace inpaint::fast
