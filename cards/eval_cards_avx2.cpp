// AVX2 variant of `eval_cards`: the evaluator mask of up to eight cards is
// built in one pass of vector lanes instead of a loop over the cards.
#include <immintrin.h>

#include <cstring>

#include "cards/eval_cards_variants.h"
#include "cards/eval_tables.h"

namespace eval_avx2 {
#include "cards/eval_mask_impl.h"

// Lane i holds card i; suit = c / 13 computed as (c x 79) >> 10, exact for
// c < 64; the evaluator bit 16 x suit + rank equals c + 3 x suit. Lanes past n
// get a shift of 64, which _mm256_sllv_epi64 turns into 0.
static inline u64 build_eval_mask(const u8* cards, int n) {
    u8 padded[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    std::memcpy(padded, cards, static_cast<std::size_t>(n));
    __m256i c = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(padded)));
    __m256i suit = _mm256_srli_epi32(_mm256_mullo_epi32(c, _mm256_set1_epi32(79)), 10);
    __m256i bit = _mm256_add_epi32(c, _mm256_add_epi32(suit, _mm256_slli_epi32(suit, 1)));
    __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(n), lanes);
    bit = _mm256_blendv_epi8(_mm256_set1_epi32(64), bit, live);
    __m256i one = _mm256_set1_epi64x(1);
    __m256i low = _mm256_sllv_epi64(one, _mm256_cvtepu32_epi64(_mm256_castsi256_si128(bit)));
    __m256i high = _mm256_sllv_epi64(one, _mm256_cvtepu32_epi64(_mm256_extracti128_si256(bit, 1)));
    __m256i both = _mm256_or_si256(low, high);
    __m128i folded = _mm_or_si128(_mm256_castsi256_si128(both), _mm256_extracti128_si256(both, 1));
    return static_cast<u64>(_mm_cvtsi128_si64(folded)) |
           static_cast<u64>(_mm_extract_epi64(folded, 1));
}

}  // namespace eval_avx2

u32 eval_cards_avx2(const u8* cards, int n) {
    if (n < 3 || n > 7) return 0;
    return eval_avx2::kernel_eval_mask(eval_avx2::build_eval_mask(cards, n), n);
}
