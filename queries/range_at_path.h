// A player's range as it reaches a point: the weights the tree was built
// with, times the probability of each of the player's own actions along the
// path. `show_range`, `show_probs` and the equity commands read it.
#pragma once

#include <string>
#include <vector>

#include "platform/int_types.h"

// The weights that queries start from: the ranges of the current tree, or
// the ranges as last set while no tree exists. Fails with "ranges not set"
// when there are none for the player.
const std::vector<f64>& query_range(int player);

// 1326 weights in combo order. An empty path gives the range itself. Hands
// off the hand list of a point where the player acted (they meet that
// point's board) come out as NaN, hands outside the range as 0.
std::vector<f64> range_at_path(int player, const std::string& path);

// Share of the player's range that reaches the point: the sum of
// range_at_path over the combos where it is defined, divided by the range's
// weight over the same combos (NaN when that weight is 0).
f64 path_reach_probability(int player, const std::string& path);
