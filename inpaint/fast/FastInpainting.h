#pragma once
#include <cstdint>

#include "inpaint/Inpainting.h"

namespace inpaint::fast {

// The engine the programs use: the same pixels, step count and step trace as
// inpaint::reference::InpaintPicture, found with much less work and memory.
int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks = {});

// How a run went about its work, none of which shows in its result: what tests check the
// tuning against, and what the benchmark can tell.
struct RunFacts {
    SearchKernel kernel = SearchKernel::Auto;  // the inner loop the searches ran (Auto: none ran)
    int threads = 1;                           // threads taking part in the searches
    bool blockRanges = false;                  // blocks of poor centres could be passed over whole
    int searches = 0;                          // searches that ran an inner loop
    int sharedSearches = 0;                    // of them, those shared among the threads
};

// The threads a run takes part with when its tuning leaves it open: one per core it may use.
int DefaultThreads();

// The same run, filling in `facts` as it goes (also when it stops or fails).
int InpaintPicture(PictureAccess& source, PictureAccess& target, const InpaintOptions& options,
                   const RunHooks& hooks, RunFacts& facts);

}  // namespace inpaint::fast
