#include "cards/eval_tables.h"
#include "cards/runout_kernels.h"
#include "cards/suit_isomorphism.h"
#include "platform/cpu_features.h"

namespace runout_generic {
#include "cards/eval_mask_impl.h"

// Card index 13 x suit + rank to evaluator bit 16 x suit + rank.
static inline u64 card_to_eval_mask(u64 cards) {
    return (cards & 0x1fff) | (cards >> 13 & 0x1fff) << 16 | (cards >> 26 & 0x1fff) << 32 |
           (cards >> 39 & 0x1fff) << 48;
}

#include "cards/runout_kernels_impl.h"

const RunoutKernels kKernels = {kernel_make_sort_keys,  kernel_fill_sorted_lists,
                                kernel_fill_card_pairs, kernel_fill_image_map,
                                kernel_value_runs,      kernel_fill_combo_map};
}  // namespace runout_generic

i32 hand_suit_class(u64 board, u64 hand) {
    return runout_generic::kernel_hand_suit_class(board, hand);
}

const RunoutKernels& runout_kernels_generic() {
    return runout_generic::kKernels;
}

const RunoutKernels& runout_kernels() {
    static const RunoutKernels& chosen =
        cpu_has_avx2_set() ? runout_kernels_avx2() : runout_kernels_generic();
    return chosen;
}
