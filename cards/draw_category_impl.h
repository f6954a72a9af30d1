// Draw classifier body, compiled once per processor variant: included after
// cards/made_hand_category_impl.h (whose value helpers it uses) by
// hand_category_kernels_generic.cpp and hand_category_kernels_avx2.cpp.
//
// A card that is not on the board is an out of a hand when it lifts the
// hand to a straight (from below a straight) or to a flush or straight flush
// (from below a flush) that beats the reference: nothing after a flop, the
// five-card board alone after a turn, so that a straight or flush the board
// makes by itself is no out.

static inline i32 draw_category(int straight_outs, int flush_outs) {
    if (flush_outs == 0) return straight_outs / 4;
    return straight_outs == 0 ? kDrawFlush : kDrawCombo;
}

static inline void kernel_classify_draws(i32* out, const CategoryBoard& board) {
    if (board.count != 3 && board.count != 4) return;
    u64 hands[kHandCount];
    u32 current_category[kHandCount];
    u8 straight_outs[kHandCount] = {};
    u8 flush_outs[kHandCount] = {};
    for (int i = 0; i < kHandCount; ++i) {
        hands[i] = board.card_bits[g_classifier_card1[i]] | board.card_bits[g_classifier_card2[i]];
        current_category[i] =
            (hands[i] & board.mask)
                ? 0
                : value_category(board_and_hand_value(board.mask | hands[i], board.count));
    }
    for (int card = 0; card < 52; ++card) {
        const u64 bit = board.card_bits[card];
        if (bit & board.mask) continue;
        const u64 next_board = board.mask | bit;
        const u32 reference = board.count == 4 ? kernel_eval5(next_board) : 0;
        for (int i = 0; i < kHandCount; ++i) {
            if (hands[i] & next_board) continue;
            const u64 mask = next_board | hands[i];
            const u32 next = board.count == 3 ? kernel_eval6(mask) : kernel_eval7(mask);
            if (next <= reference) continue;
            const u32 next_category = value_category(next);
            if (next_category == 4 && current_category[i] < 4) ++straight_outs[i];
            if ((next_category == 5 || next_category == 8) && current_category[i] < 5) {
                ++flush_outs[i];
            }
        }
    }
    for (int i = 0; i < kHandCount; ++i) {
        out[i] =
            (hands[i] & board.mask) ? kDeadHand : draw_category(straight_outs[i], flush_outs[i]);
    }
}
