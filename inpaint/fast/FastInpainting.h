#pragma once
#include <cstdint>

#include "inpaint/Inpainting.h"

namespace inpaint::fast {

// The engine the programs use: the same pixels, step count and step trace as
// inpaint::reference::InpaintPicture, found with much less work and memory.
int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks = {});

// Runs whose search window holds at least this many valid source centres prepare colour ranges
// per block of centres (8 bytes a position) to pass over poor blocks at once. Tests set 0 to
// use them everywhere; the results are the same either way.
void SetBlockSearchFrom(long long candidates);

}  // namespace inpaint::fast
