#pragma once
#include <cstdint>

#include "inpaint/Inpainting.h"

namespace inpaint::fast {

// The engine the programs use: the same pixels, step count and step trace as
// inpaint::reference::InpaintPicture, found with much less work and memory.
int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks = {});

}  // namespace inpaint::fast
