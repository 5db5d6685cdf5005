#pragma once
#include <cstdint>
#include <vector>

namespace inpaint::fast {

// The bytes of a pixel that make its colour; byte 3 travels with the pixel and never counts.
constexpr std::uint32_t kColourBytes = 0x00FFFFFFu;

// The known pixels of one target patch, gathered once per step: for each, its place relative to
// the patch centre and its colour (bytes 0..2 of the pixel).
class PatchPixels {
public:
    void Clear();
    // dx, dy: place relative to the centre; stride: the picture's width.
    void Add(int dx, int dy, int stride, std::uint32_t pixel);
    // Reorders the pixels, those farthest from the patch's mean colour first, so that a poor
    // candidate's partial sum grows fast. Sums are exact integers: the order changes no result.
    void PutOutliersFirst();
    int Count() const { return static_cast<int>(offsets_.size()); }
    const int* Offsets() const { return offsets_.data(); }  // dy * stride + dx
    int Dx(int i) const { return dx_[static_cast<std::size_t>(i)]; }
    int Dy(int i) const { return dy_[static_cast<std::size_t>(i)]; }
    const std::uint32_t* Colours() const { return colours_.data(); }
    // The colour of pixel i as 16-bit blue, green, red, 0, twice over (8 values).
    const std::int16_t* Lanes(int i) const { return &lanes_[static_cast<std::size_t>(i) * 8]; }

private:
    std::vector<int> offsets_;
    std::vector<int> dx_;
    std::vector<int> dy_;
    std::vector<std::uint32_t> colours_;
    std::vector<std::int16_t> lanes_;
};

}  // namespace inpaint::fast
