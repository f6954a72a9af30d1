#include <immintrin.h>

#include "platform/int_types.h"
#include "solver/payoff_kernels.h"

namespace payoff_avx2 {

// The lane selections that pack the kept lanes of four to the front, by the
// 4-bit mask of the lanes kept: for four doubles the two 32-bit halves of
// each kept lane, for four 32-bit hands the lane itself; and how many are
// kept. Constant data, so that nothing of this file runs before the dispatch.
struct PackTable {
    i32 doubles[16][8];
    i32 hands[16][8];
    i32 kept[16];
};

static constexpr PackTable make_pack_table() {
    PackTable t{};
    for (int mask = 0; mask < 16; ++mask) {
        int k = 0;
        for (int lane = 0; lane < 4; ++lane) {
            if (!(mask >> lane & 1)) continue;
            t.doubles[mask][2 * k] = 2 * lane;
            t.doubles[mask][2 * k + 1] = 2 * lane + 1;
            t.hands[mask][k] = lane;
            ++k;
        }
        t.kept[mask] = k;
    }
    return t;
}

static constexpr PackTable kPack = make_pack_table();

static inline __m256i pack_lanes(const i32 (&lanes)[8]) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
}

// Four card pairs widened to 32-bit lanes.
static inline __m128i pairs4(const u16* pairs) {
    return _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(pairs)));
}

// Four per-card sums. The masked gather with a zero source and a full mask
// is the plain gather; its defined source keeps GCC 12 from warning about the
// undefined one of _mm256_i32gather_pd.
static inline __m256d gather_sums(const f64* sums, __m128i cards) {
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), sums, cards, all, 8);
}

// pay x (base - sums[low] - sums[high]) for the four hands from pairs.
static inline __m256d scaled_minus_card_sums(__m256d base, const u16* pairs, const f64* sums,
                                             __m256d pay) {
    const __m128i cards = pairs4(pairs);
    const __m256d low = gather_sums(sums, _mm_and_si128(cards, _mm_set1_epi32(0xFF)));
    const __m256d high = gather_sums(sums, _mm_srli_epi32(cards, 8));
    return _mm256_mul_pd(pay, _mm256_sub_pd(_mm256_sub_pd(base, low), high));
}

// max(r, 0) as the max instruction takes it: 0 for NaN, as in the scalar
// test r > 0.
static inline __m256d positive_part4(const f64* reach) {
    return _mm256_max_pd(_mm256_loadu_pd(reach), _mm256_setzero_pd());
}
static inline f64 positive_part(f64 r) {
    return _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(r), _mm_setzero_pd()));
}

// Every group of four stores four reach values and four hands at k, of which
// the first `kept` are the group's counted ones; k <= i keeps the stores
// inside the first n entries.
static inline i32 lanes_collect(const f64* reach, i32 n, const u16* pairs, u32* hands,
                                f64* counted) {
    const __m128i lane_positions = _mm_setr_epi32(0, 1 << 16, 2 << 16, 3 << 16);
    i32 k = 0;
    i32 i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d r = positive_part4(reach + i);
        const int mask = _mm256_movemask_pd(_mm256_cmp_pd(r, _mm256_setzero_pd(), _CMP_GT_OQ));
        const __m256 packed_reach =
            _mm256_permutevar8x32_ps(_mm256_castpd_ps(r), pack_lanes(kPack.doubles[mask]));
        _mm256_storeu_pd(counted + k, _mm256_castps_pd(packed_reach));
        const __m128i positions = _mm_add_epi32(_mm_set1_epi32(i << 16), lane_positions);
        const __m128i group = _mm_or_si128(pairs4(pairs + i), positions);
        const __m256i packed_hands = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(group),
                                                                 pack_lanes(kPack.hands[mask]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(hands + k),
                         _mm256_castsi256_si128(packed_hands));
        k += kPack.kept[mask];
    }
    for (; i < n; ++i) {
        const f64 r = positive_part(reach[i]);
        hands[k] = static_cast<u32>(i) << 16 | pairs[i];
        counted[k] = r;
        k += r > 0.0 ? 1 : 0;
    }
    return k;
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

// The output loops below take four hands at a time, and a range of at least
// four ends with the last four, which may overlap the group before: those
// hands are written twice with the same value.
static inline void fold4(f64* out, i32 i, __m256d total, const f64* reach, const u16* pairs,
                         const f64* sums, __m256d pay) {
    const __m256d base = reach ? _mm256_add_pd(total, positive_part4(reach + i)) : total;
    _mm256_storeu_pd(out + i, scaled_minus_card_sums(base, pairs + i, sums, pay));
}

static inline void lanes_fold(f64* out, i32 begin, i32 end, f64 total, const f64* reach,
                              const u16* pairs, const f64* sums, f64 pay) {
    if (end - begin < 4) {
        for (i32 i = begin; i < end; ++i) {
            const f64 r = reach ? positive_part(reach[i]) : 0.0;
            out[i] = pay * (total + r - sums[pairs[i] & 0xFFu] - sums[pairs[i] >> 8]);
        }
        return;
    }
    const __m256d vt = _mm256_set1_pd(total);
    const __m256d vp = _mm256_set1_pd(pay);
    for (i32 i = begin; i + 4 < end; i += 4) fold4(out, i, vt, reach, pairs, sums, vp);
    fold4(out, end - 4, vt, reach, pairs, sums, vp);
}

static inline void lanes_gather(f64* out, i32 begin, i32 end, f64 total, const u16* pairs,
                                const f64* sums, f64 pay) {
    if (end - begin < 4) {
        for (i32 i = begin; i < end; ++i)
            out[i] = pay * (total - sums[pairs[i] & 0xFFu] - sums[pairs[i] >> 8]);
        return;
    }
    const __m256d vt = _mm256_set1_pd(total);
    const __m256d vp = _mm256_set1_pd(pay);
    for (i32 i = begin; i + 4 < end; i += 4)
        _mm256_storeu_pd(out + i, scaled_minus_card_sums(vt, pairs + i, sums, vp));
    _mm256_storeu_pd(out + end - 4, scaled_minus_card_sums(vt, pairs + end - 4, sums, vp));
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
