// Split lookup and per-hand projection. A node's data is stored per split:
// the turn board (`BoardRecord` index) and the runout under it (`RiverRecord`
// index) of the current tree, in canonical suits when the tree was built with
// suit isomorphism. `find_node_data` turns the actual turn and river cards of
// a point into those indices; `split_level` gives the hand list that the
// split's rows follow; `gather_combos` spreads one value per list position
// over the 1326 combos. Every query that reads or writes per-hand node data
// or per-list values goes through them.
#pragma once

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "tree/tree.h"

// Cards in actual suits, -1 for none; `split_of_cards` of tree/tree.h.
SplitIndex find_node_data(const Tree& tree, i32 turn_card, i32 river_card);

// The level whose hand list a split's rows follow: the runout when
// split.river >= 0, else the turn board when split.board >= 0, else the top
// level. combo_map has 1326 entries, negative where the combo is off the list.
struct SplitLevel {
    const i16* combo_map = nullptr;
    i32 hand_count = 0;
};
SplitLevel split_level(const Tree& tree, SplitIndex split);

// Fails with "incorrect path" when the split lacks an index that the node's
// street needs (a turn node without a turn board, a river node without a
// runout): its rows would not exist.
void require_split_for(const TreeNode& node, SplitIndex split);

// out[c] = src[map[c]] for the 1326 combos, or NaN (0x7FF8000000000000) where
// map[c] is negative. A source without data stands for zeros.
void gather_combos(f64* out, const DoubleArray& src, const i16* map);

// The two processor variants behind `gather_combos`; src must hold data.
void gather_combos_generic(f64* out, const f64* src, const i16* map);
void gather_combos_avx2(f64* out, const f64* src, const i16* map);
