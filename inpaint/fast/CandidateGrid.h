#pragma once
#include <cstdint>
#include <vector>

namespace inpaint::fast {

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

    // The colour ranges are kept per cell of kRangeCell x kRangeCell pixels, each over the
    // kRangeSpan x kRangeSpan pixels from the cell's top left corner.
    static constexpr int kRangeCell = 4;
    static constexpr int kRangeSpan = 12;

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
    int rangeX0_ = 0, rangeY0_ = 0, rangeWidth_ = 0, rangeHeight_ = 0;  // width, height in cells
    std::vector<std::uint64_t> ranges_;
    // For each block of 8 x 8 centres (bands of 8 rows, then columns of 8): bit 8j+i set when
    // the centre at column i, row j of the block is valid.
    int blockColumns_ = 0;
    std::vector<std::uint64_t> blockMasks_;
};

}  // namespace inpaint::fast
