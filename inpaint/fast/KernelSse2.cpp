// The kernels with SSE2, which every x86-64 processor has.
#include "inpaint/fast/SearchKernels.h"

#ifdef BRISVANE_X86_KERNELS
#include <immintrin.h>

#include <cstddef>

#include "inpaint/fast/CandidateGrid.h"

namespace inpaint::fast {

namespace {

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

}  // namespace

void GroupSse2(const std::uint32_t* surface, const PatchPixels& patch, int first, unsigned mask,
               LocalBest& local, SharedLimit& shared) {
    if (mask & 15u) GroupSse2Four(surface, patch, first, mask & 15u, local, shared);
    if (mask >> 4) GroupSse2Four(surface, patch, first + 4, mask >> 4, local, shared);
}

std::uint32_t BlockLowerBoundSse2(const std::uint64_t* ranges, const int* offsets,
                                  const std::uint64_t* targets, int count, std::uint32_t stop) {
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
}

void RowRangesSse2(const std::uint32_t* row, int cells, std::uint64_t* out) {
    constexpr int kCell = CandidateGrid::kRangeCell;
    static_assert(CandidateGrid::kRangeSpan == 12 && kCell == 4);
    for (int m = 0; m < cells; ++m) {
        const auto* cell =
            reinterpret_cast<const __m128i*>(&row[static_cast<std::size_t>(m) * kCell]);
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
}

}  // namespace inpaint::fast

#endif
