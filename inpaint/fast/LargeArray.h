#pragma once
#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>

#include "inpaint/LargeMemory.h"

namespace inpaint::fast {

// A run's big working array (the picture's copy, the band's planes) of trivially copyable
// values, in large-page memory (LargeMemory.h), allocated once and never grown.
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
