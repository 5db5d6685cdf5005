#pragma once
#include <cstdint>
#include <vector>

#include "inpaint/Inpainting.h"
#include "inpaint/fast/WorkerPool.h"

namespace inpaint::fast {

// The known pixels of one target patch, gathered once per step: for each, its place relative to
// the patch centre and its colour (bytes 0..2 of the pixel).
class PatchPixels {
public:
    void Clear();
    // dx, dy: place relative to the centre; stride: the picture's width.
    void Add(int dx, int dy, int stride, std::uint32_t pixel);
    // Reorders the pixels, those farthest from the patch's mean colour first, so that a poor
    // candidate's partial sum grows fast. Sums are exact integers: the order changes no result.
    void PutOutliersFirst();
    int Count() const { return static_cast<int>(offsets_.size()); }
    const int* Offsets() const { return offsets_.data(); }  // dy * stride + dx
    int Dx(int i) const { return dx_[static_cast<std::size_t>(i)]; }
    int Dy(int i) const { return dy_[static_cast<std::size_t>(i)]; }
    const std::uint32_t* Colours() const { return colours_.data(); }
    // The colour of pixel i as 16-bit blue, green, red, 0, twice over (8 values).
    const std::int16_t* Lanes(int i) const { return &lanes_[static_cast<std::size_t>(i) * 8]; }

private:
    std::vector<int> offsets_;
    std::vector<int> dx_;
    std::vector<int> dy_;
    std::vector<std::uint32_t> colours_;
    std::vector<std::int16_t> lanes_;
};

// Consecutive candidate centres first, first+1, ..., first+count-1 (flat positions).
struct CandidateRun {
    int first;
    int count;
};

// The valid source centres of a run, fixed for the whole run: a flag for every position of the
// rectangle x0..x1, y0..y1 that holds them all, the same centres as runs in walking order, and
// optionally the colour ranges that let the search pass over 8 x 8 blocks of centres at once.
class CandidateGrid {
public:
    // An empty grid for a picture `pictureWidth` wide covering x0..x1, y0..y1 (may be empty).
    void Reset(int pictureWidth, int x0, int x1, int y0, int y1);
    void SetValid(int x, int y) { valid_[Index(x, y)] = 1; }
    bool Valid(int x, int y) const {
        return x >= x0_ && x <= x1_ && y >= y0_ && y <= y1_ && valid_[Index(x, y)] != 0;
    }
    // Lists the runs; call after the last SetValid.
    void FinishRuns();
    // Builds the per-block colour ranges from the picture (patch radius r). Costs half a byte
    // per position of the rectangle grown by r while searching; worth it only for large searches.
    void BuildBlockRanges(const std::uint32_t* surface, int radius);
    void DropBlockRanges();

    long long Count() const { return count_; }
    const std::vector<CandidateRun>& Runs() const { return runs_; }
    bool HasBlockRanges() const { return !ranges_.empty(); }

private:
    friend class GridSearch;
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y - y0_) * static_cast<std::size_t>(x1_ - x0_ + 1) +
               static_cast<std::size_t>(x - x0_);
    }

    int width_ = 0;
    int x0_ = 0, x1_ = -1, y0_ = 0, y1_ = -1;
    std::vector<std::uint8_t> valid_;
    std::vector<CandidateRun> runs_;
    long long count_ = 0;
    // The rectangle grown by the radius, cut into cells of 4 x 4 pixels: for each cell (m, n),
    // the smallest (low 32 bits) and largest (high 32 bits) value of each colour byte over the
    // 12 x 12 pixels from its top left corner (cut at the grown rectangle's edge). Any 8 x 8
    // pixels whose top left corner lies in a cell are covered by that cell's 12 x 12.
    static constexpr int kRangeCell = 4;
    static constexpr int kRangeSpan = 12;
    int rangeX0_ = 0, rangeY0_ = 0, rangeWidth_ = 0, rangeHeight_ = 0;  // width, height in cells
    std::vector<std::uint64_t> ranges_;
    // For each block of 8 x 8 centres (bands of 8 rows, then columns of 8): bit 8j+i set when
    // the centre at column i, row j of the block is valid.
    int blockColumns_ = 0;
    std::vector<std::uint64_t> blockMasks_;
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

// The candidate with the smallest sum below `limit`, the lowest position (the first in walking
// order) among equal sums. The surface must have kSurfacePadding readable pixels after the
// picture. The search uses the tuning's kernel and, with a pool of several threads, shares out
// large enough searches (tuning.parallelWork); the result depends on none of these, nor on
// whether block ranges are used.
SearchOutcome FindBestCandidate(const std::uint32_t* surface, const PatchPixels& patch,
                                const CandidateGrid& grid, std::uint32_t limit,
                                const EngineTuning& tuning, WorkerPool* pool);

// Pixels to allocate after the picture so that vector loads near its end stay in bounds.
constexpr int kSurfacePadding = 8;

}  // namespace inpaint::fast
