#include "inpaint/fine/ExactStart.h"

#include <algorithm>

#include "inpaint/Inpainting.h"
#include "inpaint/MemoryPicture.h"

namespace inpaint::fine {

namespace {

// A colour no known pixel has, to mark the holes with: pure green unless the picture uses it.
std::uint32_t FreeMarker(const std::vector<std::uint32_t>& pixels,
                         const std::vector<std::uint8_t>& hole) {
    std::uint32_t marker = kMarkerPixel & 0x00FFFFFFu;
    for (;;) {
        bool used = false;
        for (std::size_t i = 0; i < pixels.size() && !used; ++i)
            used = !hole[i] && (pixels[i] & 0x00FFFFFFu) == marker;
        if (!used) return marker;
        marker = (marker + 1) & 0x00FFFFFFu;
    }
}

}  // namespace

// The one call into the exact fill.
bool FillWithExactEngine(int w, int h, std::vector<std::uint32_t>& pixels,
                         const std::vector<std::uint8_t>& hole, int blockRadius,
                         const EngineTuning& tuning) {
    const std::uint32_t marker = FreeMarker(pixels, hole);
    std::vector<std::uint32_t> marked = pixels;
    for (std::size_t i = 0; i < marked.size(); ++i)
        if (hole[i]) marked[i] = marker;
    MemoryPicture picture(w, h, std::move(marked));
    try {
        InpaintOptions options;
        options.marker =
            Rgb{static_cast<std::uint8_t>(marker >> 16), static_cast<std::uint8_t>(marker >> 8),
                static_cast<std::uint8_t>(marker)};
        options.blockRadius = blockRadius;
        options.scanBorder = std::max(w, h);
        options.tuning = tuning;
        const int steps = inpaint::InpaintPicture(picture, picture, options);
        if (steps == 0) return false;
    } catch (const InpaintError&) {
        return false;
    }
    for (std::size_t i = 0; i < pixels.size(); ++i)
        if (hole[i]) pixels[i] = picture.Pixels()[i] & 0x00FFFFFFu;
    return true;
}

}  // namespace inpaint::fine
