// The kernel with AVX2, compiled for it here alone: called only where the processor has it.
#include "inpaint/fast/SearchKernels.h"

#ifdef BRISVANE_X86_KERNELS
#include <immintrin.h>

namespace inpaint::fast {

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

}  // namespace inpaint::fast

#endif
