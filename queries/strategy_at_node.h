// The strategy that a decision node plays at one split, as the queries show
// it: uniform before 25 completed iterations, then the current strategy
// (regrets normalised over the actions), from 63 on the average strategy
// (strategy sums normalised), with the current one for hands whose sums are
// all zero. Read per action and spread over the 1326 combos in actual suits.
// Used by `show_strategy`, `show_strategy_pp` and the range walk along a path.
#pragma once

#include <vector>

#include "platform/int_types.h"

// out (1326 doubles, combo order) = probability that each hand takes the
// action at `position` (map order) at node `index` for the split of the two
// cards (actual suits, -1 for none). NaN for hands off the split's hand
// list (they meet its board), 0 for hands with weight 0 in the tree's range
// of the node's player. Gives node data its memory first if the tree's
// stores are not all prepared. Without a tree, out is left as it was.
void compute_node_strategy(i32 index, i32 position, i32 turn_card, i32 river_card, f64* out);

// The same for every action of the node at once, in map order: rows that
// come from one pass of a running solver. Empty without a tree.
std::vector<std::vector<f64>> compute_point_strategy(i32 index, i32 turn_card, i32 river_card);
