#include "inpaint/fast/PatchSearch.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>

namespace inpaint::fast {

namespace {

constexpr int kChunk = 256;

struct Kernel {
    SearchKernel name;
    GroupFunction group;
};

// The kernel asked for, or the widest this build and processor have when that one is missing.
Kernel ChooseKernel(SearchKernel choice) {
    if (choice == SearchKernel::Scalar) return {SearchKernel::Scalar, GroupScalar};
#ifdef BRISVANE_X86_KERNELS
    if (choice == SearchKernel::Sse2 || !__builtin_cpu_supports("avx2"))
        return {SearchKernel::Sse2, GroupSse2};
    return {SearchKernel::Avx2, GroupAvx2};
#else
    return {SearchKernel::Scalar, GroupScalar};
#endif
}

void ScanRun(GroupFunction group, const std::uint32_t* surface, const PatchPixels& patch,
             CandidateRun run, LocalBest& local, SharedLimit& shared) {
    for (int i = 0; i < run.count; i += 8) {
        const int lanes = std::min(8, run.count - i);
        group(surface, patch, run.first + i, (1u << lanes) - 1u, local, shared);
    }
}

}  // namespace

// Scans the grid in bands of 8 rows, block by block of 8 x 8 centres, passing over every block
// whose lower bound already reaches the best sum.
class GridSearch {
public:
    GridSearch(const std::uint32_t* surface, const PatchPixels& patch, const CandidateGrid& grid,
               GroupFunction group)
        : surface_(surface), patch_(patch), grid_(grid), group_(group) {
        for (int k = 0; k < patch.Count(); ++k) {
            // Block origins lie 8 (two cells) apart, so each pixel's cell is a fixed offset away.
            const int radius = grid.x0_ - grid.rangeX0_;
            rangeOffsets_.push_back(((radius + patch.Dy(k)) / CandidateGrid::kRangeCell) *
                                        grid.rangeWidth_ +
                                    (radius + patch.Dx(k)) / CandidateGrid::kRangeCell);
            targets_.push_back(patch.Colours()[k] | (std::uint64_t{patch.Colours()[k]} << 32));
        }
    }
    int Bands() const { return (grid_.y1_ - grid_.y0_) / 8 + 1; }

    void ScanBand(int band, LocalBest& local, SharedLimit& shared) const {
        const CandidateGrid& g = grid_;
        const int y = g.y0_ + band * 8;
        const std::uint64_t* blockMasks =
            &g.blockMasks_[static_cast<std::size_t>(band) * g.blockColumns_];
        for (int column = 0; column < g.blockColumns_; ++column) {
            const std::uint64_t mask = blockMasks[column];
            if (mask == 0) continue;
            const int x = g.x0_ + column * 8;
            const std::uint32_t stop = StopAt(local, shared);
            const std::size_t origin =
                static_cast<std::size_t>(band * 2) * g.rangeWidth_ + column * 2;
            if (kBlockLowerBound(&g.ranges_[origin], rangeOffsets_.data(), targets_.data(),
                                 patch_.Count(), stop) >= stop)
                continue;
            for (int j = 0; j < 8; ++j) {
                const auto rowMask = static_cast<unsigned>((mask >> (8 * j)) & 255u);
                if (rowMask)
                    group_(surface_, patch_, (y + j) * g.width_ + x, rowMask, local, shared);
            }
        }
    }

private:
    const std::uint32_t* surface_;
    const PatchPixels& patch_;
    const CandidateGrid& grid_;
    GroupFunction group_;
    std::vector<int> rangeOffsets_;
    std::vector<std::uint64_t> targets_;
};

SearchOutcome FindBestCandidate(const std::uint32_t* surface, const PatchPixels& patch,
                                const CandidateGrid& grid, std::uint32_t limit,
                                const EngineTuning& tuning, WorkerPool* pool, bool mayShare) {
    SearchOutcome outcome;
    const std::vector<CandidateRun>& runs = grid.Runs();
    if (grid.Count() == 0 || limit == 0) return outcome;
    if (patch.Count() == 0) return SearchOutcome{true, 0, runs.front().first};  // every sum is 0

    const Kernel kernel = ChooseKernel(tuning.kernel);
    const GroupFunction group = kernel.group;
    SharedLimit shared{limit};
    const bool parallel = mayShare && pool != nullptr && pool->Size() > 1 &&
                          grid.Count() * patch.Count() >= tuning.parallelWork;
    const std::size_t threads = parallel ? static_cast<std::size_t>(pool->Size()) : 1;
    std::vector<LocalBest> locals(threads, LocalBest{limit});

    // Whoever takes part takes the next band or chunk nobody has taken: a thread that comes
    // late, or not at all, leaves its share to the others.
    std::function<void(int)> job;
    std::optional<GridSearch> search;
    std::vector<CandidateRun> chunks;
    std::optional<WorkQueue> queue;
    if (grid.HasBlockRanges()) {
        search.emplace(surface, patch, grid, group);
        queue.emplace(search->Bands());
        job = [&](int thread) {
            LocalBest& local = locals[static_cast<std::size_t>(thread)];
            for (int band = queue->Take(); band >= 0; band = queue->Take())
                search->ScanBand(band, local, shared);
        };
    } else if (!parallel) {
        job = [&](int) {
            for (const CandidateRun& run : runs)
                ScanRun(group, surface, patch, run, locals[0], shared);
        };
    } else {
        for (const CandidateRun& run : runs) {
            for (int i = 0; i < run.count; i += kChunk)
                chunks.push_back({run.first + i, std::min(kChunk, run.count - i)});
        }
        queue.emplace(static_cast<int>(chunks.size()));
        job = [&](int thread) {
            LocalBest& local = locals[static_cast<std::size_t>(thread)];
            for (int i = queue->Take(); i >= 0; i = queue->Take())
                ScanRun(group, surface, patch, chunks[static_cast<std::size_t>(i)], local, shared);
        };
    }
    const int helpers = parallel ? pool->Run(job) : (job(0), 0);
    // The smallest sum, the lowest position among equal sums: the same whoever found it.
    for (const LocalBest& local : locals) {
        if (!local.found) continue;
        if (!outcome.found || local.sum < outcome.sum ||
            (local.sum == outcome.sum && local.position < outcome.position))
            outcome = SearchOutcome{true, local.sum, local.position};
    }
    outcome.kernel = kernel.name;
    outcome.shared = parallel;
    outcome.helpers = helpers;
    return outcome;
}

}  // namespace inpaint::fast
