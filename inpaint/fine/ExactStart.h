#pragma once
#include <cstdint>
#include <vector>

#include "inpaint/Inpainting.h"

namespace inpaint::fine {

// Fills the holes of a small picture (w x h pixels, bytes B, G, R) with the exact fill: its
// priority order carries edges into the holes, which gives the coarse level a start with the
// picture's lines in place. Returns false when the exact fill found nothing to copy from or was
// stopped; the pixels are then unchanged.
bool FillWithExactEngine(int w, int h, std::vector<std::uint32_t>& pixels,
                         const std::vector<std::uint8_t>& hole, int blockRadius,
                         const EngineTuning& tuning);

}  // namespace inpaint::fine
