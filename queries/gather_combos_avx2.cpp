#include <immintrin.h>

#include "queries/split_lookup.h"

namespace gather_combos_avx2_impl {
#include "queries/gather_combos_impl.h"

// Four combos per step: the 16-bit positions widen to 32 bits, and the
// masked gather leaves the quiet NaN in every lane whose position is negative.
static inline void gather_combos_vector(f64* out, const f64* src, const i16* map) {
    const __m256d nan = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FF8000000000000LL));
    const __m128i minus_one = _mm_set1_epi32(-1);
    int c = 0;
    for (; c + 4 <= kGatherCombos; c += 4) {
        __m128i narrow = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(map + c));
        __m128i index = _mm_cvtepi16_epi32(narrow);
        __m256d mask =
            _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm_cmpgt_epi32(index, minus_one)));
        _mm256_storeu_pd(out + c, _mm256_mask_i32gather_pd(nan, src, index, mask, 8));
    }
    gather_combos_scalar(out, src, map, c);
}
}  // namespace gather_combos_avx2_impl

void gather_combos_avx2(f64* out, const f64* src, const i16* map) {
    gather_combos_avx2_impl::gather_combos_vector(out, src, map);
}
