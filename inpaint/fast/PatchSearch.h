#pragma once
// The source search of one fill step: the candidate with the smallest patch distance.
#include <cstdint>

#include "inpaint/Inpainting.h"
#include "inpaint/fast/CandidateGrid.h"
#include "inpaint/fast/PatchPixels.h"
#include "inpaint/fast/SearchKernels.h"
#include "inpaint/fast/WorkerPool.h"

namespace inpaint::fast {

struct SearchOutcome {
    bool found = false;
    std::uint32_t sum = 0;
    int position = 0;
    // How it was found: the inner loop that ran (Auto when the outcome was plain without one),
    // and whether the candidates were shared out among threads.
    SearchKernel kernel = SearchKernel::Auto;
    bool shared = false;
    int helpers = 0;  // when shared, how many workers came to help the caller
};

// The candidate with the smallest sum below `limit`, the lowest position (the first in walking
// order) among equal sums. The surface must have kSurfacePadding readable pixels after the
// picture. The search uses the tuning's kernel and, with a pool of several threads, shares out
// searches that `mayShare` allows and whose most work (candidates times patch pixels) reaches
// tuning.parallelWork; the result depends on none of these, nor on whether block ranges are used.
SearchOutcome FindBestCandidate(const std::uint32_t* surface, const PatchPixels& patch,
                                const CandidateGrid& grid, std::uint32_t limit,
                                const EngineTuning& tuning, WorkerPool* pool, bool mayShare = true);

// Pixels to allocate after the picture so that vector loads near its end stay in bounds.
constexpr int kSurfacePadding = 8;

}  // namespace inpaint::fast
