// Forgetting and rebuilding the data of the later streets. The node data of
// the turn and river is by far the largest part of a solved tree; forgetting
// frees it once the strategies above have been evaluated. Every node that
// opens the first forgotten street keeps, per split, both players' reach
// arriving there (frozen, scaled to sum 200) and the values of the last
// evaluation in its result records, which is all that the results, the
// expected values above and the split solves (solver/split_solve.h) need.
//
// State of a tree, in its fields: the forget level (-1 nothing forgotten, 3
// the rivers, 2 the turns and rivers) names the first forgotten street;
// INCOMPLETE_TREE is set while some of its stores are missing or hold split
// solves only, and the solver refuses such a tree; rebuilding gives every
// node of the forgotten streets zeroed stores again and clears the flag but
// keeps the level, so that partial solves still find their splits. The solve
// of all splits (solver/solve_splits.h) ends it: level -1, tree complete.
//
// All of it runs on the command thread while no solver thread runs.
#pragma once

#include <memory>
#include <vector>

#include "platform/int_types.h"
#include "tree/tree.h"

// Evaluates the current strategies unless the cached results belong to the
// current iteration, deletes the stores of every node on streets `level`
// (2 turns, 3 rivers) to 3, writes the frozen reach into the records of the
// nodes that open street `level`, and marks the tree incomplete with that
// forget level. A tree whose streets from `level` on are already forgotten
// (a level below the asked one while incomplete) is left as it is: its
// stores above the asked level may be gone, and the data asked for is.
void forget_streets(Tree& tree, i32 level);

// The same without freeing anything: the stores, the flags word and the
// forget level stay, and a copy of every result record is appended to
// `backup` before the record changes. A null backup makes it
// `forget_streets`.
void forget_streets_with_backup(Tree& tree, i32 level,
                                std::vector<std::unique_ptr<NodeResultRecord>>* backup);

// Gives every decision node of the forgotten streets whose stores are not
// prepared fresh, zeroed stores and clears INCOMPLETE_TREE; stores that split
// solves prepared keep their data. The tree's size figures stay as they are:
// forgetting left them, and the stores come back as they were made. Nothing
// when no street is forgotten. False, with the tree still incomplete, when a
// store cannot get its memory.
bool solver_rebuild_streets(Tree& tree);

// Creates the missing stores of the forgotten streets as the rebuild does,
// but leaves the flags alone. False when memory runs out.
bool rebuild_missing_stores(Tree& tree);

// Drops every trace of forgetting: forget level -1, INCOMPLETE_TREE clear,
// result records emptied with their flags and solved marks. For a solve that
// starts over (a compression change), before its stores are made.
void discard_forgotten_state(Tree& tree);
