// The two processor variants of the hand-category classifiers, for the
// dispatch in hand_categories.cpp and the test that compares them. Both
// compile one source (made_hand_category_impl.h, draw_category_impl.h) and
// give identical results; the caller prepares the board once.
#pragma once

#include "platform/int_types.h"

// What the classifier kernels read of a board, in evaluator bits.
struct CategoryBoard {
    u64 mask;   // evaluator mask of the board's cards
    i32 count;  // 3, 4 or 5
    // Evaluator bit of every classifier card number.
    const u64* card_bits;
    // `board_rank_position` of every classifier card number.
    i32 card_position[52];
};

// The board as the kernels read it; cards/classifier_boards.h's record holds
// 3 to 5 distinct classifier card numbers.
struct ClassifierBoard;
CategoryBoard prepare_category_board(const ClassifierBoard& board);

struct HandCategoryKernels {
    bool (*classify_made_hands)(i32* out, const CategoryBoard& board);
    void (*classify_draws)(i32* out, const CategoryBoard& board);
};

const HandCategoryKernels& hand_category_kernels_generic();
// Only on a processor with the AVX2 feature set.
const HandCategoryKernels& hand_category_kernels_avx2();
