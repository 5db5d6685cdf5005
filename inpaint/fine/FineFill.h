#pragma once
#include <cstdint>

#include "inpaint/Inpainting.h"
#include "inpaint/PictureAccess.h"

namespace inpaint::fine {

// What a finer fill is asked to do. The marker colour, live display and Scan Border mean what
// they mean for the exact fill. There is no Block Size: the finer fill chooses its own patches.
struct FineOptions {
    Rgb marker = kMarkerColor;  // every pixel of exactly this colour is filled
    bool liveDisplay = false;   // show the fill as it grows, coarse to fine
    int scanBorder = 10;        // at least 0: the search reaches at least this far from the marks
    EngineTuning tuning;        // for the exact fill's runs that start the coarsest level
};

// Fills every pixel of exactly the marker colour, changing no other pixel: patches are found
// coarse to fine, so that long edges run through the mark and skies stay smooth, and each
// filled pixel is voted by the best matches covering it. Same contract as the exact fill's entry:
// yields through hooks.yield after every sub-step, stops (returning 0, nothing committed) when
// asked to, writes the whole picture back and commits it when done. Returns the number of pixels
// filled, 0 when stopped or when nothing was marked. Throws InpaintError when the run cannot
// complete (arguments, sizes, memory, or a mark with nothing left to copy from); nothing is written
// back on those paths.
int InpaintPicture(PictureAccess& source, PictureAccess& target, const FineOptions& options,
                   const RunHooks& hooks = {});

}  // namespace inpaint::fine
