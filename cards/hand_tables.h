// The fixed numberings of cards and two-card hands: the protocol hand text,
// the maps between protocol hand order and combo order, the card mask of each
// hand and the 169 hand classes. Built once by `init_hand_tables` at start-up,
// read-only (and lock-free) afterwards.
#pragma once

#include <vector>

#include "platform/int_types.h"

constexpr int kHandCount = 1326;
constexpr int kHandClassCount = 169;
constexpr int kHandTextLength = 6629;

// 1326 entries of 4 characters in protocol hand order, one blank between them.
extern const char g_hand_text[kHandTextLength + 1];
extern u64 g_protocol_mask[kHandCount];
extern u16 g_protocol_to_combo[kHandCount];
extern i16 g_combo_to_protocol[kHandCount];
extern std::vector<u16> g_hand_class_combos[kHandClassCount];
extern const i32 g_classifier_card1[kHandCount];
extern const i32 g_classifier_card2[kHandCount];

void init_hand_tables();

// Combo index of the two distinct card indices a and b (any order).
inline int combo_index(int a, int b) {
    int hi = a > b ? a : b;
    int lo = a > b ? b : a;
    return hi * (hi - 1) / 2 + lo;
}

// Combo index of a two-card mask.
inline int combo_of_mask(u64 mask) {
    return combo_index(__builtin_ctzll(mask), 63 - __builtin_clzll(mask));
}
