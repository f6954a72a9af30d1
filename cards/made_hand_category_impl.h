// Made-hand classifier body, compiled once per processor variant: included
// inside a namespace of its own, after cards/eval_mask_impl.h, by
// hand_category_kernels_generic.cpp and hand_category_kernels_avx2.cpp.
// Static inline functions only (see eval_mask_impl.h for why).
//
// A hand's made category is read from V, the value of board plus hand, and
// Bv, the value of the board alone: the hand only earns what it adds to the
// board. H and B are their categories, V1/B1 and V2/B2 their nibbles at bits
// 16-19 and 12-15.

static inline u32 value_category(u32 value) {
    return value >> 24;
}
static inline u32 nibble(u32 value, int shift) {
    return value >> shift & 0xf;
}

static inline u32 board_alone_value(u64 mask, i32 count) {
    if (count == 3) return kernel_eval3(mask);
    if (count == 4) return kernel_eval4(mask);
    return kernel_eval5(mask);
}

static inline u32 board_and_hand_value(u64 mask, i32 count) {
    if (count == 3) return kernel_eval5(mask);
    if (count == 4) return kernel_eval6(mask);
    return kernel_eval7(mask);
}

// Kicker rule: at the first nibble, from bits 16-19 down, where the hand
// raises the board's value, an ace gives ace high and a king king high.
static inline i32 kicker_category(u32 value, u32 board_value) {
    for (int shift = 16; shift >= 0; shift -= 4) {
        u32 own = nibble(value, shift);
        if (own <= nibble(board_value, shift)) continue;
        if (own == 12) return kMadeAceHigh;
        if (own == 11) return kMadeKingHigh;
        return kMadeNothing;
    }
    return kMadeNothing;
}

// Pair by the rank position P of the card that pairs the board (odd P), or
// of the second card when the first does not pair it.
static inline i32 pair_category(const CategoryBoard& board, i32 first, i32 second) {
    i32 position = board.card_position[first];
    if (!(position & 1)) position = board.card_position[second];
    switch (position) {
        case 0:
            return kMadeOverpair;
        case 1:
            return kMadeTopPair;
        case 2:
            return kMadeUnderpair;
        case 3:
            return kMadeSecondPair;
        case 4:
        case 5:
            return kMadeThirdPair;
        default:
            return kMadeLowPair;
    }
}

// Sentinel of a hand the decision table cannot place.
constexpr i32 kUnplaceable = -1000;

static inline i32 made_category(const CategoryBoard& board, u32 value, u32 board_value, i32 first,
                                i32 second) {
    const u32 hand_category = value_category(value);
    const u32 board_category = value_category(board_value);
    const bool raises_first = nibble(value, 16) > nibble(board_value, 16);
    const bool raises_second = nibble(value, 12) > nibble(board_value, 12);
    switch (hand_category) {
        case 8:
            return board_category < 8 || value > board_value ? kMadeStraightFlush : kMadeNothing;
        case 7:
            return board_category < 7 ? kMadeQuads : kicker_category(value, board_value);
        case 6:
            if (board_category < 6) return kMadeFullhouse;
            if (raises_first) return kMadeTopFullhouse;
            return raises_second ? kMadeFullhouse : kMadeNothing;
        case 5:
            return board_category < 5 ? kMadeFlush : kMadeNothing;
        case 4:
            if (board_category < 4 || value > board_value) return kMadeStraight;
            return kicker_category(value, board_value);
        case 3:
            if (board_category == 0) return kMadeSet;
            if (board_category == 1) return kMadeTrips;
            if (board_category == 2) return kUnplaceable;
            return kicker_category(value, board_value);
        case 2:
            if (board_category == 0) return kMadeTwoPair;
            if (board_category == 1 || raises_first || raises_second) {
                return pair_category(board, first, second);
            }
            return kicker_category(value, board_value);
        case 1:
            if (board_category == 0) return pair_category(board, first, second);
            return kicker_category(value, board_value);
        default:
            return kicker_category(value, board_value);
    }
}

static inline bool kernel_classify_made_hands(i32* out, const CategoryBoard& board) {
    const u32 board_value = board_alone_value(board.mask, board.count);
    for (int i = 0; i < kHandCount; ++i) {
        const i32 first = g_classifier_card1[i];
        const i32 second = g_classifier_card2[i];
        const u64 hand = board.card_bits[first] | board.card_bits[second];
        if (hand & board.mask) {
            out[i] = kDeadHand;
            continue;
        }
        const u32 value = board_and_hand_value(board.mask | hand, board.count);
        const i32 category = made_category(board, value, board_value, first, second);
        if (category == kUnplaceable) return false;
        out[i] = kMadeValueStep * category;
    }
    return true;
}
