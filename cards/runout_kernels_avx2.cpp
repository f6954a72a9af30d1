// AVX2/BMI2 variant of the runout kernels: the evaluator mask comes from one
// PDEP, card pairs and combo indices from TZCNT/LZCNT.
#include <immintrin.h>

#include "cards/eval_tables.h"
#include "cards/runout_kernels.h"

namespace runout_avx2 {
#include "cards/eval_mask_impl.h"

// Spreads the four 13-bit suit groups of a card mask to 16-bit strides.
static inline u64 card_to_eval_mask(u64 cards) {
    return _pdep_u64(cards, 0x1fff1fff1fff1fffull);
}

#include "cards/runout_kernels_impl.h"

const RunoutKernels kKernels = {kernel_make_sort_keys,  kernel_fill_sorted_lists,
                                kernel_fill_card_pairs, kernel_fill_image_map,
                                kernel_value_runs,      kernel_fill_combo_map};
}  // namespace runout_avx2

const RunoutKernels& runout_kernels_avx2() {
    return runout_avx2::kKernels;
}
