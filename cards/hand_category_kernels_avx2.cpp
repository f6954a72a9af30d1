// AVX2 variant of the hand-category classifiers: the same source as the
// generic variant, compiled with the AVX2 feature set.
#include "cards/eval_tables.h"
#include "cards/hand_categories.h"
#include "cards/hand_category_kernels.h"
#include "cards/hand_tables.h"

namespace categories_avx2 {
// Each body uses the ones before it.
// clang-format off
#include "cards/eval_mask_impl.h"
#include "cards/made_hand_category_impl.h"
#include "cards/draw_category_impl.h"
// clang-format on

const HandCategoryKernels kKernels = {kernel_classify_made_hands, kernel_classify_draws};
}  // namespace categories_avx2

const HandCategoryKernels& hand_category_kernels_avx2() {
    return categories_avx2::kKernels;
}
