// The removal engine on tiny pictures and masks: it ends, fills every marked pixel or says why,
// and never writes outside the picture.
#include <algorithm>

#include "inpaint/Inpainting.h"
#include "inpaint/MemoryPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const int width = 1 + data[0] % 24, height = 1 + data[1] % 24;
    const int block = 2 + data[2] % 4, border = 10 + data[3] % 12;
    const bool live = data[4] & 1;
    data += 5;
    size -= 5;
    inpaint::MemoryPicture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * width + x;
            const std::uint8_t v = size ? data[i % size] : 0;
            // One byte a pixel: 0..31 marks it, anything else is a grey-blue level.
            picture.At(x, y) = v < 32 ? inpaint::kOpaqueMarkerPixel
                                      : 0xff000000u | (std::uint32_t(v) << 16) | (v / 2u);
        }
    inpaint::InpaintOptions options;
    options.liveDisplay = live;
    options.blockRadius = block;
    options.scanBorder = border;
    try {
        const int steps = inpaint::InpaintPicture(picture, picture, options);
        if (steps > 0)
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (picture.At(x, y) == inpaint::kOpaqueMarkerPixel)
                        __builtin_trap();  // "done" with a mark left
    } catch (const inpaint::InpaintError&) {
    }
    return 0;
}
