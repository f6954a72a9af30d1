// Suit isomorphism: boards that differ only by a renaming of suits are
// strategically identical. Boards are relabelled into a canonical suit order,
// 1326-entry per-hand arrays are permuted between actual and canonical suits,
// and when a card is dealt the child board's hand list is built with maps that
// send each child hand, and its images under the suit swaps that the record
// stands for, into the parent's hand list. Used by the tree builder, the
// board hand-list builder and the queries.
#pragma once

#include <vector>

#include "platform/int_types.h"

struct RunoutKernels;

// map[s] = canonical suit of actual suit s: flop suits first by their card
// counts, then the turn's and the river's suit, then the rest. Rewrites the
// flop mask and every non-empty turn / river mask in canonical suits.
void canonical_suit_order(u8 map[4], u64& flop, u64& turn, u64& river);
// The suit map of that board without rewriting anything.
void board_suit_map(u8 map[4], u64 flop, u64 turn, u64 river);
// Card mask with the 13-bit group of suit s moved to suit map[s].
u64 relabel_mask(u64 mask, const u8 map[4]);

// Direction 0: dst[canonical combo of k] = src[k] (actual to canonical);
// any other direction the inverse. Masks in actual suits.
void permute_combos_by_suit(u64 flop, u64 turn, u64 river, f64* dst, const f64* src, u8 direction);

// (13 x high rank + low rank) << 8 | suit flags of a hand on a board; -1 for an
// empty hand. The flags tell which of the hand's suits the board holds.
i32 hand_suit_class(u64 board, u64 hand);

// Value of board plus hand for every mask (board cards in ascending order,
// then the hand's lower and higher card); 0xFFFFFFFF for an empty mask.
std::vector<u32> evaluate_hand_list(const std::vector<u64>& hands, u64 board);

// Appends to the child lists the parent hands that miss `board` (the child
// board, dealt card included), sorted by value (and on a five-card board by
// suit class), stably; child map 0 gets their parent positions, map m >= 1 the
// parent positions of their images under the swap of the dealt card's suit s
// with suit s + m. An image missing from the parent list is printed as an
// "isomorph error: " line and left as -1 in its map. Returns the number of
// missing images.
u32 isomorph_groups(std::vector<u64>& child_hands, std::vector<u32>& child_values,
                    std::vector<std::vector<i16>>& child_maps, u64 board, i32 card, i32 map_count,
                    const std::vector<u64>& parent_hands, const u16* parent_combo_map);
// The same with the given kernel variant.
u32 isomorph_groups_with(const RunoutKernels& kernels, std::vector<u64>& child_hands,
                         std::vector<u32>& child_values, std::vector<std::vector<i16>>& child_maps,
                         u64 board, i32 card, i32 map_count, const std::vector<u64>& parent_hands,
                         const u16* parent_combo_map);
