#pragma once
#include <cstdint>
#include <vector>

namespace bench {

// A picture as the engine sees it: 32-bit pixels row after row, byte 0 blue, 1 green, 2 red.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;
    std::uint32_t At(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
};

// A rectangle with exclusive right and bottom edges.
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// How close a filled picture comes to the clean one inside the box. The same code scores every
// method.
struct Quality {
    double psnr = 0.0;           // dB, over the box's pixels and colour channels
    double ssim = 0.0;           // per channel, averaged over channels and the box's pixels
    double gradientRatio = 0.0;  // mean luma gradient magnitude in the box, filled / clean
};

Quality Measure(const Pixels& clean, const Pixels& filled, const Box& box);

}  // namespace bench
