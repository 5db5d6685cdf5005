#include "inpaint/fast/PatchSearch.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BRISVANE_X86_KERNELS 1
#endif

namespace inpaint::fast {

void PatchPixels::Clear() {
    offsets_.clear();
    colours_.clear();
    lanes_.clear();
}

void PatchPixels::Add(int offset, std::uint32_t pixel) {
    const std::uint32_t colour = pixel & 0x00FFFFFFu;
    offsets_.push_back(offset);
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

namespace {

// What one thread has found so far among the candidates it scanned, in run order.
struct alignas(64) LocalBest {
    std::uint32_t limit;  // a candidate must have a smaller sum to replace the best
    bool found = false;
    std::uint32_t sum = 0;
    int position = 0;
};

// Shared among threads: one more than the smallest complete sum anyone has found.
// A candidate whose partial sum reaches it cannot win, whatever its place in run order.
using SharedLimit = std::atomic<std::uint32_t>;

void Accept(LocalBest& local, SharedLimit& shared, std::uint32_t sum, int position) {
    local.found = true;
    local.sum = sum;
    local.position = position;
    local.limit = sum;
    const std::uint32_t bound = sum + 1;
    std::uint32_t current = shared.load(std::memory_order_relaxed);
    while (bound < current &&
           !shared.compare_exchange_weak(current, bound, std::memory_order_relaxed)) {
    }
}

std::uint32_t StopAt(const LocalBest& local, const SharedLimit& shared) {
    return std::min(local.limit, shared.load(std::memory_order_relaxed));
}

void ScanScalar(const std::uint32_t* surface, const PatchPixels& patch, CandidateRun run,
                LocalBest& local, SharedLimit& shared) {
    for (int c = run.first; c < run.first + run.count; ++c) {
        const std::uint32_t stop = StopAt(local, shared);
        const std::uint32_t sum = PatchDistance(surface, patch, c, stop);
        if (sum < stop) Accept(local, shared, sum, c);
    }
}

#ifdef BRISVANE_X86_KERNELS
// Four consecutive candidates at once: one vector load fetches the same patch pixel of all four.
void ScanSse2(const std::uint32_t* surface, const PatchPixels& patch, CandidateRun run,
              LocalBest& local, SharedLimit& shared) {
    const int count = patch.Count();
    const int* offsets = patch.Offsets();
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    for (int i = 0; i < run.count; i += 4) {
        const int first = run.first + i;
        const int lanes = std::min(4, run.count - i);
        const __m128i last = _mm_set1_epi32(static_cast<int>(StopAt(local, shared)) - 1);
        const std::uint32_t* base = surface + first;
        __m128i acc = zero;
        int alive = (1 << lanes) - 1;
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
        if (!alive) continue;
        alignas(16) std::uint32_t sums[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(sums), acc);
        for (int lane = 0; lane < lanes; ++lane) {
            if ((alive >> lane & 1) && sums[lane] < local.limit) Accept(local, shared, sums[lane], first + lane);
        }
    }
}

// The same with eight candidates per load, for processors that have AVX2.
__attribute__((target("avx2"))) void ScanAvx2(const std::uint32_t* surface, const PatchPixels& patch,
                                              CandidateRun run, LocalBest& local, SharedLimit& shared) {
    const int count = patch.Count();
    const int* offsets = patch.Offsets();
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colourMask = _mm256_set1_epi32(0x00FFFFFF);
    for (int i = 0; i < run.count; i += 8) {
        const int first = run.first + i;
        const int lanes = std::min(8, run.count - i);
        const __m256i last = _mm256_set1_epi32(static_cast<int>(StopAt(local, shared)) - 1);
        const std::uint32_t* base = surface + first;
        __m256i acc = zero;
        int alive = (1 << lanes) - 1;
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
        if (!alive) continue;
        alignas(32) std::uint32_t sums[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(sums), acc);
        for (int lane = 0; lane < lanes; ++lane) {
            if ((alive >> lane & 1) && sums[lane] < local.limit) Accept(local, shared, sums[lane], first + lane);
        }
    }
}
#endif

using ScanFunction = void (*)(const std::uint32_t*, const PatchPixels&, CandidateRun, LocalBest&,
                              SharedLimit&);

std::atomic<int> kernelChoice{0};  // SearchKernel as int

ScanFunction ChooseScan() {
    const auto choice = static_cast<SearchKernel>(kernelChoice.load());
    if (choice == SearchKernel::Scalar) return ScanScalar;
#ifdef BRISVANE_X86_KERNELS
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    if (choice == SearchKernel::Sse2 || !hasAvx2) return ScanSse2;
    return ScanAvx2;
#else
    return ScanScalar;
#endif
}

// Below this much work (candidates times known pixels) waking the other threads costs more than it saves.
std::atomic<long long> parallelWork{200000};
constexpr int kChunk = 256;

}  // namespace

void SetSearchKernel(SearchKernel kernel) { kernelChoice = static_cast<int>(kernel); }
void SetParallelWork(long long work) { parallelWork = work; }

SearchOutcome FindBestCandidate(const std::uint32_t* surface, const PatchPixels& patch,
                                const std::vector<CandidateRun>& runs, std::uint32_t limit,
                                WorkerPool* pool) {
    SearchOutcome outcome;
    long long candidates = 0;
    for (const CandidateRun& run : runs) candidates += run.count;
    if (candidates == 0 || limit == 0) return outcome;
    if (patch.Count() == 0) {  // every sum is 0: the first candidate wins
        for (const CandidateRun& run : runs) {
            if (run.count > 0) return SearchOutcome{true, 0, run.first};
        }
    }

    const ScanFunction scan = ChooseScan();
    SharedLimit shared{limit};
    const bool parallel = pool != nullptr && pool->Size() > 1 && candidates * patch.Count() >= parallelWork.load();
    if (!parallel) {
        LocalBest local{limit};
        for (const CandidateRun& run : runs) scan(surface, patch, run, local, shared);
        return local.found ? SearchOutcome{true, local.sum, local.position} : outcome;
    }

    std::vector<CandidateRun> chunks;
    for (const CandidateRun& run : runs) {
        for (int i = 0; i < run.count; i += kChunk) chunks.push_back({run.first + i, std::min(kChunk, run.count - i)});
    }
    // Thread t takes chunks t, t+n, t+2n, ... in increasing order, so its own best is the first of
    // its smallest sums; the reduction below then picks the smallest sum, the first position among
    // equals. Small chunks dealt out in turn keep the threads' shares of work about equal.
    const std::size_t threads = static_cast<std::size_t>(pool->Size());
    std::vector<LocalBest> locals(threads, LocalBest{limit});
    pool->Run([&](int thread) {
        LocalBest& local = locals[static_cast<std::size_t>(thread)];
        for (std::size_t i = static_cast<std::size_t>(thread); i < chunks.size(); i += threads)
            scan(surface, patch, chunks[i], local, shared);
    });
    for (const LocalBest& local : locals) {
        if (!local.found) continue;
        if (!outcome.found || local.sum < outcome.sum ||
            (local.sum == outcome.sum && local.position < outcome.position)) {
            outcome = SearchOutcome{true, local.sum, local.position};
        }
    }
    return outcome;
}

}  // namespace inpaint::fast
