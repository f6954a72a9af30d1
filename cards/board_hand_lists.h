// Hand lists and hand maps of a tree's boards. The tree builder creates the
// street data with its `BoardRecord`s and `RiverRecord`s (masks, dealt cards,
// map counts) and calls `build_street_hand_maps`, which fills every list: the
// root list in combo order (hands off the flop that either range holds),
// each turn board's and runout's live hands sorted by value, the maps from
// combo order and into the parent list, and each runout's value runs (the
// showdown order of the payoff kernels).
#pragma once

#include <vector>

#include "cards/board_records.h"
#include "platform/int_types.h"

struct RunoutKernels;

// Ranges: 1326 weights each in combo order (canonical suits with isomorphism
// on). Sums the missing isomorphic images of every record into
// street.missing_images.
void build_street_hand_maps(StreetData& street, const f64* range_oop, const f64* range_ip);
// Fills one turn board and all its runouts from the parent (root) list.
void build_board_hand_maps(BoardRecord& board, const std::vector<u64>& parent_hands,
                           const u16* parent_combo_map);
// The same with the given kernel variant (tests compare the variants).
void build_board_hand_maps_with(const RunoutKernels& kernels, BoardRecord& board,
                                const std::vector<u64>& parent_hands, const u16* parent_combo_map);
