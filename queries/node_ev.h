// Expected value of every two-card hand of one player at one node of the
// built tree, and the weight with which each hand reaches that node. The
// solver's own evaluation walk runs from the node in capture mode after both
// players' reaches have been carried down the path from the root, and the
// node visit hands the node's values back through a capture request
// (solver/capture_request.h). The expected-value commands call it on the
// command thread; it holds the pass lock for its capture walk, so it may run
// while the solver thread runs.
#pragma once

#include <vector>

#include "platform/int_types.h"

struct Tree;

// For every combo c (1326 entries, combo order, actual suits): ev[c] = the
// expected value of c for `player` at the node and split (without the pot
// already in the middle), against the opponent's range there, both playing
// the strategies that evaluation passes play; weight[c] = runouts still to
// come x c's reach x the opponent's reach compatible with c. Both are NaN
// for a combo that meets the node's board or has weight 0 in the player's
// build range; a combo without compatible opponent reach gets 0 in both.
// `node` is a `TreeNode` index; turn_card and river_card are card indices or
// -1 (a river card only with a turn card). Without a tree nothing is
// written.
void compute_node_ev(u32 player, i32 node, i32 turn_card, i32 river_card, f64* ev, f64* weight);

// The capture walk of the request that the tree's capture-request pointer
// names, for `player`. Called with the pass lock held.
void node_ev_subtree(Tree& tree, u32 player);
