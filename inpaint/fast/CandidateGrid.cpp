#include "inpaint/fast/CandidateGrid.h"

#include <algorithm>

#include "inpaint/fast/SearchKernels.h"

namespace inpaint::fast {

void CandidateGrid::Reset(int pictureWidth, int x0, int x1, int y0, int y1) {
    width_ = pictureWidth;
    x0_ = x0;
    x1_ = x1;
    y0_ = y0;
    y1_ = y1;
    const std::size_t size = x1 >= x0 && y1 >= y0 ? static_cast<std::size_t>(x1 - x0 + 1) *
                                                        static_cast<std::size_t>(y1 - y0 + 1)
                                                  : 0;
    valid_.assign(size + 8, 0);  // 8 spare: flags are read 8 at a time
    runs_.clear();
    count_ = 0;
    DropBlockRanges();
}

void CandidateGrid::FinishRuns() {
    runs_.clear();
    count_ = 0;
    for (int y = y0_; y <= y1_; ++y) {
        int start = -1;
        for (int x = x0_; x <= x1_ + 1; ++x) {
            const bool valid = x <= x1_ && valid_[Index(x, y)] != 0;
            if (valid && start < 0) start = x;
            if (!valid && start >= 0) {
                runs_.push_back({y * width_ + start, x - start});
                count_ += x - start;
                start = -1;
            }
        }
    }
}

void CandidateGrid::DropBlockRanges() {
    ranges_.clear();
    ranges_.shrink_to_fit();
    blockMasks_.clear();
    blockMasks_.shrink_to_fit();
}

void CandidateGrid::BuildBlockRanges(const std::uint32_t* surface, int radius) {
    DropBlockRanges();
    if (count_ == 0) return;
    rangeX0_ = x0_ - radius;
    rangeY0_ = y0_ - radius;
    const int width = x1_ - x0_ + 1 + 2 * radius;
    const int height = y1_ - y0_ + 1 + 2 * radius;
    rangeWidth_ = (width + kRangeCell - 1) / kRangeCell;
    rangeHeight_ = (height + kRangeCell - 1) / kRangeCell;

    // Across: cell m of each row spans pixels 4m .. 4m+11 of the row (cut at its end).
    std::vector<std::uint64_t> across(static_cast<std::size_t>(rangeWidth_) *
                                      static_cast<std::size_t>(height));
    std::vector<std::uint32_t> row(static_cast<std::size_t>(rangeWidth_) * kRangeCell + kRangeSpan);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* from =
            surface + static_cast<std::size_t>(rangeY0_ + y) * width_ + rangeX0_;
        for (std::size_t x = 0; x < row.size(); ++x)
            row[x] =
                from[std::min<std::size_t>(x, static_cast<std::size_t>(width - 1))] & kColourBytes;
        std::uint64_t* out = &across[static_cast<std::size_t>(y) * rangeWidth_];
        kRowRanges(row.data(), rangeWidth_, out);
    }
    // Down: cell n spans rows 4n .. 4n+11 (cut at the last row).
    ranges_.assign(static_cast<std::size_t>(rangeWidth_) * static_cast<std::size_t>(rangeHeight_),
                   0);
    for (int n = 0; n < rangeHeight_; ++n) {
        std::uint64_t* out = &ranges_[static_cast<std::size_t>(n) * rangeWidth_];
        const int first = n * kRangeCell, last = std::min(first + kRangeSpan, height) - 1;
        for (int m = 0; m < rangeWidth_; ++m) {
            std::uint32_t low = 0xFFFFFFFFu, high = 0;
            for (int y = first; y <= last; ++y) {
                const std::uint64_t v = across[static_cast<std::size_t>(y) * rangeWidth_ + m];
                low = ByteWise(low, static_cast<std::uint32_t>(v), true);
                high = ByteWise(high, static_cast<std::uint32_t>(v >> 32), false);
            }
            out[m] = (low & kColourBytes) | (std::uint64_t{high} << 32);
        }
    }

    blockColumns_ = (x1_ - x0_) / 8 + 1;
    const int bands = (y1_ - y0_) / 8 + 1;
    blockMasks_.assign(static_cast<std::size_t>(blockColumns_) * bands, 0);
    for (int y = y0_; y <= y1_; ++y)
        for (int x = x0_; x <= x1_; ++x)
            if (valid_[Index(x, y)] != 0)
                blockMasks_[static_cast<std::size_t>((y - y0_) / 8) * blockColumns_ +
                            (x - x0_) / 8] |= std::uint64_t{1}
                                              << (((y - y0_) % 8) * 8 + (x - x0_) % 8);
}

}  // namespace inpaint::fast
