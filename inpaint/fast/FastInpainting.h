#pragma once
#include <cstdint>

#include "inpaint/Inpainting.h"

namespace inpaint::fast {

// The engine the programs use: the same pixels, step count and step trace as
// inpaint::reference::InpaintPicture, found with much less work and memory.
int InpaintPicture(PictureAccess& source, PictureAccess& target, std::uint8_t red,
                   std::uint8_t green, std::uint8_t blue, bool liveDisplay, int blockRadius,
                   int scanBorder, const RunHooks& hooks = {});

}  // namespace inpaint::fast
