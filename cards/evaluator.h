// Hand evaluator: three to seven cards to a 32-bit value ordered by strength
// (category in bits 24 and up, rank nibbles below). Table-driven over 13-bit
// rank sets; tables are built once by `init_eval_tables` at start-up and are
// read-only (and lock-free) afterwards.
#pragma once

#include "cards/eval_tables.h"
#include "platform/int_types.h"

i64 init_eval_tables();
// Value of n (3..7) card indices; 0 for any other n.
u32 eval_cards(const u8* cards, int n);
// Values of evaluator masks (bit 16 x suit + rank) holding exactly 7..3 cards.
u32 eval7_mask(u64 mask);
u32 eval6_mask(u64 mask);
u32 eval5_mask(u64 mask);
u32 eval4_mask(u64 mask);
u32 eval3_mask(u64 mask);

// Evaluator mask bit of a card index.
inline u64 eval_bit(int card) {
    return u64{1} << (16 * (card / 13) + card % 13);
}
