#pragma once
// The inner loops of the source search, one file per instruction set: KernelScalar.cpp for any
// processor, KernelSse2.cpp and KernelAvx2.cpp for x86 (AVX2 only called where the processor
// has it). Every kernel gives exactly the scalar result.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "inpaint/fast/PatchPixels.h"

#if (defined(__x86_64__) || defined(__i386__)) && !defined(BRISVANE_PORTABLE_SEARCH)
#define BRISVANE_X86_KERNELS 1
#endif

namespace inpaint::fast {

// Each byte of a and b, the smaller or the larger of the two.
inline std::uint32_t ByteWise(std::uint32_t a, std::uint32_t b, bool smaller) {
    std::uint32_t out = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const std::uint32_t va = (a >> (8 * ch)) & 255, vb = (b >> (8 * ch)) & 255;
        out |= (smaller ? std::min(va, vb) : std::max(va, vb)) << (8 * ch);
    }
    return out;
}

// Sum over the patch of the squared colour differences between the known target pixels and
// the pixels around `centre`. Stops as soon as the partial sum reaches `limit`; the result is
// then some value >= limit. Integer sums equal the float sums exactly: they stay below 2^31.
std::uint32_t PatchDistance(const std::uint32_t* surface, const PatchPixels& patch, int centre,
                            std::uint32_t limit);

// What one thread has found so far among the candidates it scanned.
struct alignas(64) LocalBest {
    std::uint32_t limit;  // sums must be below this to count at all
    bool found = false;
    std::uint32_t sum = 0;
    int position = 0;
};

// Shared among threads: one more than the smallest complete sum anyone has found. A candidate
// whose partial sum reaches it cannot win, whatever its position.
using SharedLimit = std::atomic<std::uint32_t>;

// A candidate whose partial sum reaches this cannot win: equal sums still can (a lower position
// wins).
inline std::uint32_t StopAt(const LocalBest& local, const SharedLimit& shared) {
    const std::uint32_t own = local.found ? local.sum + 1 : local.limit;
    return std::min(own, shared.load(std::memory_order_relaxed));
}

// A complete sum below StopAt: kept when smaller, or equal at a lower position.
inline void Offer(LocalBest& local, SharedLimit& shared, std::uint32_t sum, int position) {
    if (local.found && (sum > local.sum || (sum == local.sum && position > local.position))) return;
    local.found = true;
    local.sum = sum;
    local.position = position;
    const std::uint32_t bound = sum + 1;
    std::uint32_t current = shared.load(std::memory_order_relaxed);
    while (bound < current &&
           !shared.compare_exchange_weak(current, bound, std::memory_order_relaxed)) {
    }
}

// Evaluates the candidates first + i for every bit i set in mask (i < 8).
using GroupFunction = void (*)(const std::uint32_t*, const PatchPixels&, int, unsigned, LocalBest&,
                               SharedLimit&);

// Sum over the patch of the least squared distance of each known colour from the colour ranges
// that a block's candidates can meet at that pixel: no candidate of the block has a smaller sum.
// Stops once the sum reaches `stop`. targets[k] holds the colour of known pixel k twice (low and
// high 32 bits); ranges + offsets[k] is the range cell of pixel k.
using LowerBoundFunction = std::uint32_t (*)(const std::uint64_t* ranges, const int* offsets,
                                             const std::uint64_t* targets, int count,
                                             std::uint32_t stop);

// For each of `cells` cells of a row, the smallest (low 32 bits) and largest (high 32 bits) value
// of each byte over the CandidateGrid::kRangeSpan pixels from row[cell * kRangeCell]. The row
// must be readable that far past its last cell.
using RowRangesFunction = void (*)(const std::uint32_t* row, int cells, std::uint64_t* out);

void GroupScalar(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
                 LocalBest& local, SharedLimit& shared);
std::uint32_t BlockLowerBoundScalar(const std::uint64_t* ranges, const int* offsets,
                                    const std::uint64_t* targets, int count, std::uint32_t stop);
void RowRangesScalar(const std::uint32_t* row, int cells, std::uint64_t* out);

#ifdef BRISVANE_X86_KERNELS
void GroupSse2(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
               LocalBest& local, SharedLimit& shared);
std::uint32_t BlockLowerBoundSse2(const std::uint64_t* ranges, const int* offsets,
                                  const std::uint64_t* targets, int count, std::uint32_t stop);
void RowRangesSse2(const std::uint32_t* row, int cells, std::uint64_t* out);
// Only where the processor has AVX2.
void GroupAvx2(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
               LocalBest& local, SharedLimit& shared);
#endif

// The widest the build has of the two kernels that every processor of its kind runs.
#ifdef BRISVANE_X86_KERNELS
constexpr LowerBoundFunction kBlockLowerBound = BlockLowerBoundSse2;
constexpr RowRangesFunction kRowRanges = RowRangesSse2;
#else
constexpr LowerBoundFunction kBlockLowerBound = BlockLowerBoundScalar;
constexpr RowRangesFunction kRowRanges = RowRangesScalar;
#endif

}  // namespace inpaint::fast
