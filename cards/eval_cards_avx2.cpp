// AVX2/BMI2 variant of `eval_cards`: the card mask of four to seven cards is
// built in vector lanes instead of a loop over the cards, and turned into the
// evaluator mask by one PDEP instead of a table lookup per card.
#include <immintrin.h>

#include <cstring>

#include "cards/eval_cards_variants.h"
#include "cards/eval_tables.h"

namespace eval_avx2 {
#include "cards/eval_mask_impl.h"

// Lanes 0-3 take the first four cards and lanes 4-7 the last four: for four
// to seven cards the two loads overlap instead of reading past the array, and
// a card seen twice sets its bit twice. The lanes build the card mask (bit =
// card index); one PDEP spreads its four 13-bit suit groups to the 16-bit
// strides of the evaluator mask.
static inline u64 build_eval_mask(const u8* cards, int n) {
    u32 first;
    u32 last;
    std::memcpy(&first, cards, 4);
    std::memcpy(&last, cards + n - 4, 4);
    __m256i one = _mm256_set1_epi64x(1);
    __m256i low =
        _mm256_sllv_epi64(one, _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(static_cast<int>(first))));
    __m256i high =
        _mm256_sllv_epi64(one, _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(static_cast<int>(last))));
    __m256i both = _mm256_or_si256(low, high);
    __m128i folded = _mm_or_si128(_mm256_castsi256_si128(both), _mm256_extracti128_si256(both, 1));
    u64 card_mask = static_cast<u64>(_mm_cvtsi128_si64(folded)) |
                    static_cast<u64>(_mm_extract_epi64(folded, 1));
    return _pdep_u64(card_mask, 0x1fff1fff1fff1fffull);
}

// Three cards are too few for the overlapping loads.
static inline u64 build_eval_mask_three(const u8* cards) {
    u64 card_mask = u64{1} << cards[0] | u64{1} << cards[1] | u64{1} << cards[2];
    return _pdep_u64(card_mask, 0x1fff1fff1fff1fffull);
}

}  // namespace eval_avx2

u32 eval_cards_avx2(const u8* cards, int n) {
    if (n < 3 || n > 7) return 0;
    u64 mask =
        n == 3 ? eval_avx2::build_eval_mask_three(cards) : eval_avx2::build_eval_mask(cards, n);
    return eval_avx2::kernel_eval_mask(mask, n);
}
