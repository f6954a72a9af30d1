#include "cards/eval_tables.h"
#include "cards/hand_categories.h"
#include "cards/hand_category_kernels.h"
#include "cards/hand_tables.h"

namespace categories_generic {
// Each body uses the ones before it.
// clang-format off
#include "cards/eval_mask_impl.h"
#include "cards/made_hand_category_impl.h"
#include "cards/draw_category_impl.h"
// clang-format on

const HandCategoryKernels kKernels = {kernel_classify_made_hands, kernel_classify_draws};
}  // namespace categories_generic

const HandCategoryKernels& hand_category_kernels_generic() {
    return categories_generic::kKernels;
}
