#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "detect/ImprintFinder.h"
#include "detect/Scratch.h"

namespace detect {

// A plane of one value per pixel of the reduced picture.
template <typename T>
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<T, ScratchAllocator<T>> values;

    Plane() = default;
    Plane(int w, int h, T fill = T{})
        : width(w),
          height(h),
          values(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    T& At(int x, int y) { return values[static_cast<std::size_t>(y) * width + x]; }
    T At(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

// The picture reduced by a whole factor, each pixel the mean of a factor × factor square
// (0x00RRGGBB); the right and bottom rest that fills no whole square is left out.
struct Reduced {
    int factor = 1;
    Plane<std::uint32_t> rgb;
};

// Imprints are read at a reduced size, the short side at most this: the smallest digits we look
// for (1.5 % of the short side) stay 7 pixels tall or more, and a 12-megapixel photo costs under
// a megapixel.
constexpr int kLargestShortSide = 900;

Reduced Reduce(const PictureView& picture);

// How strongly each pixel stands out as part of a thin bright or coloured stroke, in two maps
// read each on its own: the largest of the white top-hats of brightness, warmth (red over blue)
// and colourfulness, over a window wider than any digit stroke at the working size; and the
// top-hat of warmth alone, in which a warm imprint comes apart from the bright grey or white
// things it touches (the rim of a coin, a lit wall) that join it in the first.
std::array<Plane<std::int16_t>, 2> InkStrengths(const Plane<std::uint32_t>& rgb);

constexpr int kStrokeWindowRadius = 7;

// The largest value within `r` in each direction (a square of 2r+1).
Plane<std::int16_t> LocalMaximum(const Plane<std::int16_t>& values, int r);

}  // namespace detect
