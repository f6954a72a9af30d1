// Kernel bodies of cards/runout_kernels.h, compiled once per processor
// variant: included inside a namespace of its own, after
// cards/eval_mask_impl.h, by runout_kernels_generic.cpp and
// runout_kernels_avx2.cpp. The includer defines `card_to_eval_mask` (card
// mask to evaluator mask), the only routine that differs.

static inline u32 suit_group(u64 mask, int suit) {
    return static_cast<u32>(mask >> (13 * suit)) & 0x1fff;
}

static inline int low_card(u64 mask) {
    return __builtin_ctzll(mask);
}
static inline int high_card(u64 mask) {
    return 63 - __builtin_clzll(mask);
}

static inline int combo_of_mask(u64 mask) {
    int hi = high_card(mask);
    return hi * (hi - 1) / 2 + low_card(mask);
}

// (13 x high rank + low rank) << 8 | suit flags; see `hand_suit_class`.
static inline i32 kernel_hand_suit_class(u64 board, u64 hand) {
    if (hand == 0) return -1;
    int lo = low_card(hand);
    int hi = high_card(hand);
    int first = lo % 13 >= hi % 13 ? lo : hi;
    int second = first == lo ? hi : lo;
    int first_rank = first % 13;
    int second_rank = second % 13;
    int first_suit = first / 13;
    int second_suit = second / 13;
    i32 ranks = (13 * first_rank + second_rank) << 8;
    if (first_suit == second_suit) {
        return ranks | 64 | (suit_group(board, first_suit) ? 4 - first_suit : 0);
    }
    i32 flags = suit_group(board, first_suit) ? 32 - 8 * first_suit : 0;
    flags |= suit_group(board, second_suit) ? 4 - second_suit : 0;
    return ranks | flags;
}

static inline i32 kernel_make_sort_keys(const u64* hands, i32 n, u64 board, bool by_suit_class,
                                        u64* keys) {
    int cards = __builtin_popcountll(board) + 2;
    i32 kept = 0;
    for (i32 i = 0; i < n; ++i) {
        u64 hand = hands[i];
        if (hand & board) continue;
        u64 value = kernel_eval_mask(card_to_eval_mask(board | hand), cards);
        u64 suit_class = by_suit_class ? static_cast<u64>(kernel_hand_suit_class(board, hand)) : 0;
        keys[kept++] = value << kKeyValueShift | suit_class << kKeyClassShift | static_cast<u64>(i);
    }
    return kept;
}

static inline void kernel_fill_sorted_lists(const u64* keys, i32 n, const u64* parent_hands,
                                            u64* hands, u32* values, i16* map0) {
    for (i32 i = 0; i < n; ++i) {
        i32 position = static_cast<i32>(keys[i] & kKeyPositionMask);
        hands[i] = parent_hands[position];
        values[i] = static_cast<u32>(keys[i] >> kKeyValueShift);
        map0[i] = static_cast<i16>(position);
    }
}

static inline void kernel_fill_card_pairs(const u64* hands, i32 n, u16* card_pairs) {
    for (i32 i = 0; i < n; ++i) {
        card_pairs[i] = static_cast<u16>(high_card(hands[i]) << 8 | low_card(hands[i]));
    }
}

static inline u64 swap_suits(u64 mask, int a, int b) {
    u64 groups = u64{0x1fff} << (13 * a) | u64{0x1fff} << (13 * b);
    return (mask & ~groups) | u64{suit_group(mask, a)} << (13 * b) |
           u64{suit_group(mask, b)} << (13 * a);
}

static inline void kernel_fill_image_map(const u64* hands, i32 n, int suit_a, int suit_b,
                                         const u16* parent_combo_map, i16* out) {
    for (i32 i = 0; i < n; ++i) {
        out[i] =
            static_cast<i16>(parent_combo_map[combo_of_mask(swap_suits(hands[i], suit_a, suit_b))]);
    }
}

static inline i32 kernel_value_runs(const u32* values, i32 n, i16* runs) {
    i32 count = 0;
    i32 start = 0;
    for (i32 i = 1; i <= n; ++i) {
        if (i < n && values[i] == values[start]) continue;
        runs[count++] = static_cast<i16>(i - start);
        start = i;
    }
    return count;
}

static inline void kernel_fill_combo_map(const u64* hands, i32 n, u16* combo_map) {
    for (int c = 0; c < 1326; ++c) combo_map[c] = 0xFFFF;
    for (i32 i = 0; i < n; ++i) combo_map[combo_of_mask(hands[i])] = static_cast<u16>(i);
}
