#include "cards/hand_categories.h"

#include <array>

#include "cards/hand_category_kernels.h"
#include "platform/cpu_features.h"

const char* const g_made_hand_names[kMadeCategoryCount] = {
    "nothing",     "king_high",     "ace_high", "low_pair",      "third_pair",
    "second_pair", "underpair",     "top_pair", "top_pair_tp",   "overpair",
    "two_pair",    "trips",         "set",      "straight",      "flush",
    "fullhouse",   "top_fullhouse", "quads",    "straight_flush"};

const char* const g_draw_names[kDrawCategoryCount] = {
    "no_draw", "4out_straight_draw", "8out_straight_draw", "flush_draw", "combo_draw"};

namespace {

constexpr std::array<u64, 52> make_card_bits() {
    std::array<u64, 52> bits{};
    for (int card = 0; card < 52; ++card) bits[card] = classifier_eval_bit(card);
    return bits;
}

constexpr std::array<u64, 52> kCardBits = make_card_bits();

const HandCategoryKernels& kernels() {
    static const HandCategoryKernels& chosen =
        cpu_has_avx2_set() ? hand_category_kernels_avx2() : hand_category_kernels_generic();
    return chosen;
}

}  // namespace

CategoryBoard prepare_category_board(const ClassifierBoard& board) {
    CategoryBoard prepared{};
    prepared.count = board.count;
    prepared.card_bits = kCardBits.data();
    for (i32 i = 0; i < board.count; ++i) prepared.mask |= kCardBits[board.cards[i]];
    for (int card = 0; card < 52; ++card) {
        prepared.card_position[card] = board_rank_position(board, card);
    }
    return prepared;
}

bool classify_made_hands(i32* out, const ClassifierBoard& board) {
    return kernels().classify_made_hands(out, prepare_category_board(board));
}

void classify_draws(i32* out, const ClassifierBoard& board) {
    kernels().classify_draws(out, prepare_category_board(board));
}
