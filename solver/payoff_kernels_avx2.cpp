#include <immintrin.h>

#include "platform/int_types.h"
#include "solver/payoff_kernels.h"

namespace payoff_avx2 {

// Card indices of eight card pairs as two groups of four 32-bit lanes, the
// index form that the double gathers take.
struct CardLanes {
    __m128i low[2];
    __m128i high[2];
};

static inline CardLanes card_lanes(const u16* pairs) {
    const __m256i wide =
        _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs)));
    const __m256i low = _mm256_and_si256(wide, _mm256_set1_epi32(0xFF));
    const __m256i high = _mm256_srli_epi32(wide, 8);
    return CardLanes{{_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1)},
                     {_mm256_castsi256_si128(high), _mm256_extracti128_si256(high, 1)}};
}

// Four per-card sums. The masked gather with a zero source and a full mask
// is the plain gather; its defined source keeps GCC 12 from warning about the
// undefined one of _mm256_i32gather_pd.
static inline __m256d gather_sums(const f64* sums, __m128i cards) {
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), sums, cards, all, 8);
}

// pay x (base - sums[low] - sums[high]) for four hands of the eight.
static inline __m256d scaled_minus_card_sums(__m256d base, const CardLanes& cards, int half,
                                             const f64* sums, __m256d pay) {
    const __m256d low = gather_sums(sums, cards.low[half]);
    const __m256d high = gather_sums(sums, cards.high[half]);
    return _mm256_mul_pd(pay, _mm256_sub_pd(_mm256_sub_pd(base, low), high));
}

static inline void lanes_fill(f64* out, i32 begin, i32 end, f64 value) {
    const __m256d v = _mm256_set1_pd(value);
    i32 i = begin;
    for (; i + 8 <= end; i += 8) {
        _mm256_storeu_pd(out + i, v);
        _mm256_storeu_pd(out + i + 4, v);
    }
    for (; i < end; ++i) out[i] = value;
}

static inline void lanes_fold(f64* out, i32 begin, i32 end, f64 total, const f64* reach,
                              const u16* pairs, const f64* sums, f64 pay) {
    const __m256d vt = _mm256_set1_pd(total);
    const __m256d vp = _mm256_set1_pd(pay);
    const __m256d zero = _mm256_setzero_pd();
    i32 i = begin;
    for (; i + 8 <= end; i += 8) {
        const CardLanes cards = card_lanes(pairs + i);
        for (int half = 0; half < 2; ++half) {
            // max_pd gives its second operand for a NaN, so NaN reach counts
            // as 0 just as in the scalar test r > 0.
            const __m256d r =
                reach ? _mm256_max_pd(_mm256_loadu_pd(reach + i + 4 * half), zero) : zero;
            const __m256d base = _mm256_add_pd(vt, r);
            _mm256_storeu_pd(out + i + 4 * half,
                             scaled_minus_card_sums(base, cards, half, sums, vp));
        }
    }
    for (; i < end; ++i) {
        const f64 r = reach && reach[i] > 0.0 ? reach[i] : 0.0;
        out[i] = pay * (total + r - sums[pairs[i] & 0xFFu] - sums[pairs[i] >> 8]);
    }
}

static inline void lanes_gather(f64* out, i32 begin, i32 end, f64 total, const u16* pairs,
                                const f64* sums, f64 pay) {
    const __m256d vt = _mm256_set1_pd(total);
    const __m256d vp = _mm256_set1_pd(pay);
    i32 i = begin;
    for (; i + 8 <= end; i += 8) {
        const CardLanes cards = card_lanes(pairs + i);
        _mm256_storeu_pd(out + i, scaled_minus_card_sums(vt, cards, 0, sums, vp));
        _mm256_storeu_pd(out + i + 4, scaled_minus_card_sums(vt, cards, 1, sums, vp));
    }
    for (; i < end; ++i) out[i] = pay * (total - sums[pairs[i] & 0xFFu] - sums[pairs[i] >> 8]);
}

#include "solver/payoff_kernels_impl.h"

}  // namespace payoff_avx2

const PayoffKernels& payoff_kernels_avx2() {
    static const PayoffKernels table{
        payoff_avx2::fold_combos,    payoff_avx2::showdown_combos, payoff_avx2::showdown_pair,
        payoff_avx2::showdown_pair2, payoff_avx2::fold_approx,     payoff_avx2::showdown_approx,
    };
    return table;
}
