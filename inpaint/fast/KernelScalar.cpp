// The kernels in plain C++, for any processor. PatchDistance is also the measure the other
// kernels must reproduce exactly.
#include <cstddef>

#include "inpaint/fast/CandidateGrid.h"
#include "inpaint/fast/SearchKernels.h"

namespace inpaint::fast {

std::uint32_t PatchDistance(const std::uint32_t* surface, const PatchPixels& patch, int centre,
                            std::uint32_t limit) {
    const int count = patch.Count();
    const int* offsets = patch.Offsets();
    const std::uint32_t* colours = patch.Colours();
    std::uint32_t sum = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t s = surface[centre + offsets[i]];
        const std::uint32_t t = colours[i];
        const int dr = static_cast<int>((t >> 16) & 255) - static_cast<int>((s >> 16) & 255);
        const int dg = static_cast<int>((t >> 8) & 255) - static_cast<int>((s >> 8) & 255);
        const int db = static_cast<int>(t & 255) - static_cast<int>(s & 255);
        sum += static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
        if (sum >= limit) return sum;
    }
    return sum;
}

void GroupScalar(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
                 LocalBest& local, SharedLimit& shared) {
    for (int lane = 0; lane < 8; ++lane) {
        if (!(mask >> lane & 1)) continue;
        const std::uint32_t stop = StopAt(local, shared);
        const std::uint32_t sum = PatchDistance(surface, patch, first + lane, stop);
        if (sum < stop) Offer(local, shared, sum, first + lane);
    }
}

std::uint32_t BlockLowerBoundScalar(const std::uint64_t* ranges, const int* offsets,
                                    const std::uint64_t* targets, int count, std::uint32_t stop) {
    std::uint32_t sum = 0;
    for (int k = 0; k < count; ++k) {
        const std::uint64_t range = ranges[offsets[k]];
        const auto low = static_cast<std::uint32_t>(range),
                   high = static_cast<std::uint32_t>(range >> 32);
        const auto t = static_cast<std::uint32_t>(targets[k]);
        for (int ch = 0; ch < 24; ch += 8) {
            const int v = static_cast<int>((t >> ch) & 255);
            const int lo = static_cast<int>((low >> ch) & 255),
                      hi = static_cast<int>((high >> ch) & 255);
            const int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
            sum += static_cast<std::uint32_t>(d * d);
        }
        if (sum >= stop) return sum;
    }
    return sum;
}

void RowRangesScalar(const std::uint32_t* row, int cells, std::uint64_t* out) {
    constexpr int kCell = CandidateGrid::kRangeCell, kSpan = CandidateGrid::kRangeSpan;
    for (int m = 0; m < cells; ++m) {
        const std::uint32_t* cell = &row[static_cast<std::size_t>(m) * kCell];
        std::uint32_t low = cell[0], high = cell[0];
        for (int k = 1; k < kSpan; ++k) {
            low = ByteWise(low, cell[k], true);
            high = ByteWise(high, cell[k], false);
        }
        out[m] = low | (std::uint64_t{high} << 32);
    }
}

}  // namespace inpaint::fast
