// Fixing what the solver does at a decision node: the locked mark of a
// split, which keeps the solver's update passes from changing that split's
// regrets and strategy sums; the strategy of one action for every hand,
// written as regrets; and the EV boost that the traverser's visit adds.
// Called by the locking, strategy-editing and EV-boost commands. Each takes
// the pass lock, so that on a running solver the change lands between two
// passes. Each refuses a node of a forgotten street while the tree is
// incomplete with the command failure "incomplete tree", also where a query
// has solved its split again (solver/split_solve.h, node_data_forgotten).
#pragma once

#include "platform/int_types.h"

// Sets or clears the locked mark of the split of the two cards in both
// stores of node `index`. With suit isomorphism every card of the class of
// a given card shares the split, and so the mark.
void set_node_locked(i32 index, i32 turn_card, i32 river_card, bool locked);

// Replaces the regrets of the action at `position` for the split of the two
// cards with 1000 x values (1326 values, combo order, actual suits), so that
// values given for every action become the current strategy; clears that
// action's strategy sums while they are counted, so that the average falls
// back to it.
void set_node_strategy(i32 index, i32 position, i32 turn_card, i32 river_card, const f64* values);

// The EV boost of node `index`; nothing without a tree or for an index
// outside it.
void set_node_ev_boost(i32 index, f32 boost);
