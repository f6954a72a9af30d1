// AVX2 FSE compression kernels: the count tables summed eight symbols at a
// time, and the primary normalisation four symbols at a time in 64-bit lanes.
#include <immintrin.h>

#include <cstring>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"

namespace {

using fse_detail::PrimaryNormalization;

u32 sum_count_tables(u32* count, const u32 (*tables)[256], u32 max_symbol_value) {
    const u32 n = max_symbol_value + 1;
    __m256i largest = _mm256_setzero_si256();
    u32 s = 0;
    for (; s + 8 <= n; s += 8) {
        const auto load = [&](int t) {
            return _mm256_load_si256(reinterpret_cast<const __m256i*>(tables[t] + s));
        };
        const __m256i c = _mm256_add_epi32(_mm256_add_epi32(load(0), load(1)),
                                           _mm256_add_epi32(load(2), load(3)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(count + s), c);
        largest = _mm256_max_epu32(largest, c);
    }
    __m128i m =
        _mm_max_epu32(_mm256_castsi256_si128(largest), _mm256_extracti128_si256(largest, 1));
    m = _mm_max_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_max_epu32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    u32 result = static_cast<u32>(_mm_cvtsi128_si32(m));
    for (; s < n; ++s) {
        const u32 c = tables[0][s] + tables[1][s] + tables[2][s] + tables[3][s];
        count[s] = c;
        if (c > result) result = c;
    }
    return result;
}

// Unsigned 64-bit product of lanes below 2^32 with a 64-bit factor whose
// product fits in 64 bits.
inline __m256i mul_u32_u64(__m256i a, __m256i b) {
    const __m256i low = _mm256_mul_epu32(a, b);
    const __m256i high = _mm256_mul_epu32(a, _mm256_srli_epi64(b, 32));
    return _mm256_add_epi64(low, _mm256_slli_epi64(high, 32));
}

PrimaryNormalization normalize_primary(i16* norm, const u32* count, u32 max_symbol_value, u64 total,
                                       u32 table_log);

#include "codecs/fse/fse_compress_impl.h"

// The lanes of a group of four symbols: 0 for an absent symbol, -1 for one at
// or below total / 2^table_log, else the rounded share; `shares` keeps the
// shares alone, to find the largest.
PrimaryNormalization normalize_primary(i16* norm, const u32* count, u32 max_symbol_value, u64 total,
                                       u32 table_log) {
    const u32 n = max_symbol_value + 1;
    const u32 groups = (n + 3) / 4;
    alignas(32) u32 padded[kFseMaxSymbolValue + 1] = {};
    std::memcpy(padded, count, n * sizeof(u32));
    alignas(32) i16 out[kFseMaxSymbolValue + 1] = {};

    const u32 scale = 62 - table_log;
    const __m128i scale_shift = _mm_cvtsi32_si128(static_cast<int>(scale));
    const __m128i beat_shift = _mm_cvtsi32_si128(static_cast<int>(scale - 20));
    const __m256i step = _mm256_set1_epi64x(static_cast<i64>((u64{1} << 62) / total));
    const __m256i low_threshold = _mm256_set1_epi64x(static_cast<i64>(total >> table_log));
    const __m256i round_to_beat =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kRoundToBeat));
    const __m256i low_half = _mm256_set1_epi64x(0xFFFFFFFF);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i pack_order = _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0);
    __m256i states = zero;
    __m256i largest = zero;
    for (u32 g = 0; g < groups; ++g) {
        const __m256i c =
            _mm256_cvtepu32_epi64(_mm_load_si128(reinterpret_cast<const __m128i*>(padded + 4 * g)));
        const __m256i absent = _mm256_cmpeq_epi64(c, zero);
        const __m256i low = _mm256_andnot_si256(
            absent, _mm256_xor_si256(_mm256_cmpgt_epi64(c, low_threshold), _mm256_set1_epi64x(-1)));
        const __m256i normal =
            _mm256_xor_si256(_mm256_or_si256(absent, low), _mm256_set1_epi64x(-1));
        const __m256i scaled = mul_u32_u64(c, step);
        __m256i share = _mm256_srl_epi64(scaled, scale_shift);
        const __m256i rest = _mm256_sub_epi64(scaled, _mm256_sll_epi64(share, scale_shift));
        // rtb[share & 7] lands in the low half of each lane; the high half
        // picks rtb[0] = 0 but is cleared all the same.
        const __m256i rtb =
            _mm256_and_si256(_mm256_permutevar8x32_epi32(round_to_beat, share), low_half);
        const __m256i beat = _mm256_sll_epi64(rtb, beat_shift);
        const __m256i small = _mm256_cmpgt_epi64(_mm256_set1_epi64x(8), share);
        const __m256i bump = _mm256_and_si256(small, _mm256_cmpgt_epi64(rest, beat));
        share = _mm256_and_si256(_mm256_sub_epi64(share, bump), normal);
        states = _mm256_add_epi64(states, _mm256_sub_epi64(share, low));
        largest = _mm256_blendv_epi8(largest, share, _mm256_cmpgt_epi64(share, largest));
        const __m256i lanes = _mm256_or_si256(share, low);
        const __m128i words =
            _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(lanes, pack_order));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * g), _mm_packs_epi32(words, words));
    }
    alignas(32) i64 lane[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lane), states);
    const i64 given = lane[0] + lane[1] + lane[2] + lane[3];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lane), largest);
    i64 largest_share = lane[0];
    for (int k = 1; k < 4; ++k) largest_share = lane[k] > largest_share ? lane[k] : largest_share;

    u32 largest_symbol = 0;
    if (largest_share > 0) {
        const __m256i target = _mm256_set1_epi16(static_cast<i16>(largest_share));
        for (u32 s = 0;; s += 16) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + s));
            const u32 hits = static_cast<u32>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(v, target)));
            if (hits) {
                largest_symbol = s + static_cast<u32>(__builtin_ctz(hits)) / 2;
                break;
            }
        }
    }
    std::memcpy(norm, out, n * sizeof(i16));
    return {static_cast<i32>((i64{1} << table_log) - given), largest_symbol};
}

}  // namespace

const FseCompressKernels& fse_compress_kernels_avx2() {
    return kKernels;
}
