#include "inpaint/fast/PatchSearch.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#if (defined(__x86_64__) || defined(__i386__)) && !defined(BRISVANE_PORTABLE_SEARCH)
#include <immintrin.h>
#define BRISVANE_X86_KERNELS 1
#endif

namespace inpaint::fast {

constexpr std::uint32_t kColourBytes = 0x00FFFFFFu;

// ---- Target patch ----

void PatchPixels::Clear() {
    offsets_.clear();
    dx_.clear();
    dy_.clear();
    colours_.clear();
    lanes_.clear();
}

void PatchPixels::Add(int dx, int dy, int stride, std::uint32_t pixel) {
    const std::uint32_t colour = pixel & kColourBytes;
    offsets_.push_back(dy * stride + dx);
    dx_.push_back(dx);
    dy_.push_back(dy);
    colours_.push_back(colour);
    const auto blue = static_cast<std::int16_t>(colour & 255);
    const auto green = static_cast<std::int16_t>((colour >> 8) & 255);
    const auto red = static_cast<std::int16_t>((colour >> 16) & 255);
    for (int twice = 0; twice < 2; ++twice) {
        lanes_.push_back(blue);
        lanes_.push_back(green);
        lanes_.push_back(red);
        lanes_.push_back(0);
    }
}

void PatchPixels::PutOutliersFirst() {
    const int count = Count();
    if (count < 2) return;
    long long sum[3] = {0, 0, 0};
    for (const std::uint32_t c : colours_)
        for (int ch = 0; ch < 3; ++ch) sum[ch] += (c >> (8 * ch)) & 255;
    std::vector<std::pair<long long, int>> order;
    order.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        long long d = 0;
        for (int ch = 0; ch < 3; ++ch) {
            const long long v =
                static_cast<long long>((colours_[static_cast<std::size_t>(i)] >> (8 * ch)) & 255) *
                    count -
                sum[ch];
            d += v * v;
        }
        order.push_back({-d, i});
    }
    std::sort(order.begin(), order.end());
    PatchPixels sorted;
    for (const auto& entry : order) {
        const auto i = static_cast<std::size_t>(entry.second);
        sorted.offsets_.push_back(offsets_[i]);
        sorted.dx_.push_back(dx_[i]);
        sorted.dy_.push_back(dy_[i]);
        sorted.colours_.push_back(colours_[i]);
        sorted.lanes_.insert(sorted.lanes_.end(),
                             lanes_.begin() + static_cast<std::ptrdiff_t>(i * 8),
                             lanes_.begin() + static_cast<std::ptrdiff_t>(i * 8 + 8));
    }
    *this = std::move(sorted);
}

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

// ---- Candidate grid ----

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

namespace {

std::uint32_t ByteWise(std::uint32_t a, std::uint32_t b, bool smaller) {
    std::uint32_t out = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const std::uint32_t va = (a >> (8 * ch)) & 255, vb = (b >> (8 * ch)) & 255;
        out |= (smaller ? std::min(va, vb) : std::max(va, vb)) << (8 * ch);
    }
    return out;
}

}  // namespace

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
        int m = 0;
#ifdef BRISVANE_X86_KERNELS
        static_assert(kRangeSpan == 12 && kRangeCell == 4);
        for (; m < rangeWidth_; ++m) {
            const auto* cell =
                reinterpret_cast<const __m128i*>(&row[static_cast<std::size_t>(m) * kRangeCell]);
            const __m128i a = _mm_loadu_si128(cell), b = _mm_loadu_si128(cell + 1),
                          c = _mm_loadu_si128(cell + 2);
            __m128i low = _mm_min_epu8(_mm_min_epu8(a, b), c),
                    high = _mm_max_epu8(_mm_max_epu8(a, b), c);
            low = _mm_min_epu8(low, _mm_shuffle_epi32(low, _MM_SHUFFLE(1, 0, 3, 2)));
            low = _mm_min_epu8(low, _mm_shuffle_epi32(low, _MM_SHUFFLE(2, 3, 0, 1)));
            high = _mm_max_epu8(high, _mm_shuffle_epi32(high, _MM_SHUFFLE(1, 0, 3, 2)));
            high = _mm_max_epu8(high, _mm_shuffle_epi32(high, _MM_SHUFFLE(2, 3, 0, 1)));
            out[m] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(low)) |
                     (std::uint64_t{static_cast<std::uint32_t>(_mm_cvtsi128_si32(high))} << 32);
        }
#endif
        for (; m < rangeWidth_; ++m) {
            const std::uint32_t* cell = &row[static_cast<std::size_t>(m) * kRangeCell];
            std::uint32_t low = cell[0], high = cell[0];
            for (int k = 1; k < kRangeSpan; ++k) {
                low = ByteWise(low, cell[k], true);
                high = ByteWise(high, cell[k], false);
            }
            out[m] = low | (std::uint64_t{high} << 32);
        }
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

// ---- Search ----

namespace {

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
std::uint32_t StopAt(const LocalBest& local, const SharedLimit& shared) {
    const std::uint32_t own = local.found ? local.sum + 1 : local.limit;
    return std::min(own, shared.load(std::memory_order_relaxed));
}

// A complete sum below StopAt: kept when smaller, or equal at a lower position.
void Offer(LocalBest& local, SharedLimit& shared, std::uint32_t sum, int position) {
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

void GroupScalar(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
                 LocalBest& local, SharedLimit& shared) {
    for (int lane = 0; lane < 8; ++lane) {
        if (!(mask >> lane & 1)) continue;
        const std::uint32_t stop = StopAt(local, shared);
        const std::uint32_t sum = PatchDistance(surface, patch, first + lane, stop);
        if (sum < stop) Offer(local, shared, sum, first + lane);
    }
}

#ifdef BRISVANE_X86_KERNELS
// Four consecutive candidates at once: one vector load fetches the same patch pixel of all four.
void GroupSse2Four(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
                   LocalBest& local, SharedLimit& shared) {
    const int count = patch.Count();
    const int* offsets = patch.Offsets();
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourMask = _mm_set1_epi32(static_cast<int>(kColourBytes));
    const __m128i last = _mm_set1_epi32(static_cast<int>(StopAt(local, shared)) - 1);
    const std::uint32_t* base = surface + first;
    __m128i acc = zero;
    int alive = static_cast<int>(mask);
    for (int k = 0; k < count && alive; ++k) {
        const __m128i px = _mm_and_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + offsets[k])), colourMask);
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(patch.Lanes(k)));
        __m128i lo = _mm_sub_epi16(_mm_unpacklo_epi8(px, zero), t);
        __m128i hi = _mm_sub_epi16(_mm_unpackhi_epi8(px, zero), t);
        lo = _mm_madd_epi16(lo, lo);  // blue²+green², red² for pixels 0, 1
        hi = _mm_madd_epi16(hi, hi);  // the same for pixels 2, 3
        const __m128 a = _mm_castsi128_ps(lo);
        const __m128 b = _mm_castsi128_ps(hi);
        const __m128i even = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        acc = _mm_add_epi32(acc, _mm_add_epi32(even, odd));
        alive &= ~_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(acc, last)));
    }
    if (!alive) return;
    alignas(16) std::uint32_t sums[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), acc);
    for (int lane = 0; lane < 4; ++lane) {
        if (alive >> lane & 1) Offer(local, shared, sums[lane], first + lane);
    }
}

void GroupSse2(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
               LocalBest& local, SharedLimit& shared) {
    if (mask & 15u) GroupSse2Four(surface, patch, first, mask & 15u, local, shared);
    if (mask >> 4) GroupSse2Four(surface, patch, first + 4, mask >> 4, local, shared);
}

// The same with eight candidates per load, for processors that have AVX2.
__attribute__((target("avx2"))) void GroupAvx2(const std::uint32_t* surface,
                                               const PatchPixels& patch, int first, unsigned mask,
                                               LocalBest& local, SharedLimit& shared) {
    const int count = patch.Count();
    const int* offsets = patch.Offsets();
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colourMask = _mm256_set1_epi32(static_cast<int>(kColourBytes));
    const __m256i last = _mm256_set1_epi32(static_cast<int>(StopAt(local, shared)) - 1);
    const std::uint32_t* base = surface + first;
    __m256i acc = zero;
    int alive = static_cast<int>(mask);
    for (int k = 0; k < count && alive; ++k) {
        const __m256i px = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + offsets[k])), colourMask);
        const __m256i t = _mm256_broadcastsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(patch.Lanes(k))));
        __m256i lo = _mm256_sub_epi16(_mm256_unpacklo_epi8(px, zero), t);
        __m256i hi = _mm256_sub_epi16(_mm256_unpackhi_epi8(px, zero), t);
        lo = _mm256_madd_epi16(lo, lo);
        hi = _mm256_madd_epi16(hi, hi);
        const __m256 a = _mm256_castsi256_ps(lo);
        const __m256 b = _mm256_castsi256_ps(hi);
        const __m256i even = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m256i odd = _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        acc = _mm256_add_epi32(acc, _mm256_add_epi32(even, odd));
        alive &= ~_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(acc, last)));
    }
    if (!alive) return;
    alignas(32) std::uint32_t sums[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums), acc);
    for (int lane = 0; lane < 8; ++lane) {
        if (alive >> lane & 1) Offer(local, shared, sums[lane], first + lane);
    }
}
#endif

constexpr int kChunk = 256;

GroupFunction ChooseGroup(SearchKernel choice) {
    if (choice == SearchKernel::Scalar) return GroupScalar;
#ifdef BRISVANE_X86_KERNELS
    if (choice == SearchKernel::Sse2 || !__builtin_cpu_supports("avx2")) return GroupSse2;
    return GroupAvx2;
#else
    return GroupScalar;
#endif
}

void ScanRun(GroupFunction group, const std::uint32_t* surface, const PatchPixels& patch,
             CandidateRun run, LocalBest& local, SharedLimit& shared) {
    for (int i = 0; i < run.count; i += 8) {
        const int lanes = std::min(8, run.count - i);
        group(surface, patch, run.first + i, (1u << lanes) - 1u, local, shared);
    }
}

// Sum over the patch of the least squared distance of each known colour from the colour ranges
// that the block's candidates can meet at that pixel: no candidate of the block has a smaller sum.
// targets[k] holds the colour of known pixel k twice (low and high 32 bits).
std::uint32_t BlockLowerBound(const std::uint64_t* ranges, const int* offsets,
                              const std::uint64_t* targets, int count, std::uint32_t stop) {
#ifdef BRISVANE_X86_KERNELS
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowHalf = _mm_set_epi32(0, 0, 0, -1);
    const __m128i highHalf = _mm_set_epi32(0, 0, -1, 0);
    __m128i acc = zero;
    for (int k = 0; k < count; ++k) {
        const __m128i range =
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(ranges + offsets[k]));
        const __m128i t = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(targets + k));
        // Below the smallest value (low half) or above the largest (high half); the other is 0.
        const __m128i d = _mm_or_si128(_mm_and_si128(_mm_subs_epu8(range, t), lowHalf),
                                       _mm_and_si128(_mm_subs_epu8(t, range), highHalf));
        const __m128i d16 = _mm_unpacklo_epi8(d, zero);
        acc = _mm_add_epi32(acc, _mm_madd_epi16(d16, d16));
        __m128i sum = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
        sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
        const auto total = static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
        if (total >= stop) return total;
    }
    __m128i sum = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
#else
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
#endif
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
            if (BlockLowerBound(&g.ranges_[origin], rangeOffsets_.data(), targets_.data(),
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
                                const EngineTuning& tuning, WorkerPool* pool) {
    SearchOutcome outcome;
    const std::vector<CandidateRun>& runs = grid.Runs();
    if (grid.Count() == 0 || limit == 0) return outcome;
    if (patch.Count() == 0) return SearchOutcome{true, 0, runs.front().first};  // every sum is 0

    const GroupFunction group = ChooseGroup(tuning.kernel);
    SharedLimit shared{limit};
    const bool parallel =
        pool != nullptr && pool->Size() > 1 && grid.Count() * patch.Count() >= tuning.parallelWork;
    const std::size_t threads = parallel ? static_cast<std::size_t>(pool->Size()) : 1;
    std::vector<LocalBest> locals(threads, LocalBest{limit});

    if (grid.HasBlockRanges()) {
        const GridSearch search(surface, patch, grid, group);
        auto scanBands = [&](int thread) {
            LocalBest& local = locals[static_cast<std::size_t>(thread)];
            for (int band = thread; band < search.Bands(); band += static_cast<int>(threads))
                search.ScanBand(band, local, shared);
        };
        if (parallel)
            pool->Run(scanBands);
        else
            scanBands(0);
    } else if (!parallel) {
        for (const CandidateRun& run : runs) ScanRun(group, surface, patch, run, locals[0], shared);
    } else {
        std::vector<CandidateRun> chunks;
        for (const CandidateRun& run : runs) {
            for (int i = 0; i < run.count; i += kChunk)
                chunks.push_back({run.first + i, std::min(kChunk, run.count - i)});
        }
        // Small chunks dealt out in turn keep the threads' shares of work about equal.
        pool->Run([&](int thread) {
            LocalBest& local = locals[static_cast<std::size_t>(thread)];
            for (std::size_t i = static_cast<std::size_t>(thread); i < chunks.size(); i += threads)
                ScanRun(group, surface, patch, chunks[i], local, shared);
        });
    }
    // The smallest sum, the lowest position among equal sums: the same whoever found it.
    for (const LocalBest& local : locals) {
        if (!local.found) continue;
        if (!outcome.found || local.sum < outcome.sum ||
            (local.sum == outcome.sum && local.position < outcome.position))
            outcome = SearchOutcome{true, local.sum, local.position};
    }
    return outcome;
}

}  // namespace inpaint::fast
