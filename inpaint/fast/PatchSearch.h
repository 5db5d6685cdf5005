#pragma once
#include <cstdint>
#include <vector>

#include "inpaint/fast/WorkerPool.h"

namespace inpaint::fast {

// The known pixels of one target patch, gathered once per step: for each, its offset
// from the patch centre in flat positions and its colour (bytes 0..2 of the pixel).
class PatchPixels {
public:
    void Clear();
    void Add(int offset, std::uint32_t pixel);
    int Count() const { return static_cast<int>(offsets_.size()); }
    const int* Offsets() const { return offsets_.data(); }
    const std::uint32_t* Colours() const { return colours_.data(); }
    // The colour of pixel i as 16-bit blue, green, red, 0, twice over (8 values).
    const std::int16_t* Lanes(int i) const { return &lanes_[static_cast<std::size_t>(i) * 8]; }

private:
    std::vector<int> offsets_;
    std::vector<std::uint32_t> colours_;
    std::vector<std::int16_t> lanes_;
};

// Consecutive candidate centres first, first+1, ..., first+count-1 (flat positions).
struct CandidateRun {
    int first;
    int count;
};

struct SearchOutcome {
    bool found = false;
    std::uint32_t sum = 0;
    int position = 0;
};

// Sum over the patch of the squared colour differences between the known target pixels and
// the pixels around `centre`. Stops as soon as the partial sum reaches `limit`; the result is
// then some value >= limit. Integer sums equal the float sums exactly: they stay below 2^31.
std::uint32_t PatchDistance(const std::uint32_t* surface, const PatchPixels& patch, int centre,
                            std::uint32_t limit);

// The candidate with the smallest sum below `limit`, the first in run order among equal sums.
// The surface must have at least 8 readable pixels after the last one a candidate patch covers.
// With a pool of several threads the candidates are shared out; the result does not depend on
// the number of threads.
SearchOutcome FindBestCandidate(const std::uint32_t* surface, const PatchPixels& patch,
                                const std::vector<CandidateRun>& runs, std::uint32_t limit,
                                WorkerPool* pool);

// Pixels to allocate after the picture so that vector loads near its end stay in bounds.
constexpr int kSurfacePadding = 8;

}  // namespace inpaint::fast

namespace inpaint::fast {
// Which inner loop the search uses; Auto picks the widest the processor has. All give the same results.
enum class SearchKernel { Auto, Scalar, Sse2, Avx2 };
void SetSearchKernel(SearchKernel kernel);
// Smallest search (candidates times known pixels) shared among threads; tests set 0 to share every search.
void SetParallelWork(long long work);
}  // namespace inpaint::fast
