// Per-hand kernels of the board hand-list builder (cards/board_hand_lists.h),
// in a generic and an AVX2/BMI2 variant with identical results. They work on
// raw arrays that the caller has sized; the sort between `make_sort_keys` and
// `fill_sorted_lists` is the caller's.
#pragma once

#include "platform/int_types.h"

// Sort key of a live hand: value << 27 | suit class << 11 | parent position.
// Value (< 2^28), suit class (< 2^16) and position (< 2^11) do not overlap, so
// an ascending sort of the keys is the stable sort by (value, suit class).
constexpr int kKeyValueShift = 27;
constexpr int kKeyClassShift = 11;
constexpr u64 kKeyPositionMask = 0x7ff;

struct RunoutKernels {
    // Keys of the hands that share no card with the board, in parent order;
    // the suit class term only when by_suit_class. Returns the key count.
    i32 (*make_sort_keys)(const u64* hands, i32 n, u64 board, bool by_suit_class, u64* keys);
    // From sorted keys: the listed hands, their values and their parent
    // positions (map 0).
    void (*fill_sorted_lists)(const u64* keys, i32 n, const u64* parent_hands, u64* hands,
                              u32* values, i16* map0);
    // Lower card index in the low byte, higher card index in the high byte.
    void (*fill_card_pairs)(const u64* hands, i32 n, u16* card_pairs);
    // Parent position of each hand's image under the swap of two suits,
    // read from the parent's combo map (0xFFFF, i.e. -1, when absent).
    void (*fill_image_map)(const u64* hands, i32 n, int suit_a, int suit_b,
                           const u16* parent_combo_map, i16* out);
    // Lengths of the runs of equal value; returns the number of runs.
    i32 (*value_runs)(const u32* values, i32 n, i16* runs);
    // 1326 entries: position of each listed hand, 0xFFFF elsewhere.
    void (*fill_combo_map)(const u64* hands, i32 n, u16* combo_map);
};

// The variant chosen once for this processor.
const RunoutKernels& runout_kernels();
const RunoutKernels& runout_kernels_generic();
// Only on a processor with the AVX2 feature set.
const RunoutKernels& runout_kernels_avx2();
