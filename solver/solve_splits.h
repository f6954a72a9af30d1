// The solve of all splits of a forgotten street: after the turns or rivers
// have been forgotten (solver/forget_streets.h), every subtree below a node
// that opens that street is solved again from the reach frozen at its split,
// with the iteration schedule of a full solve (as many cycles as the tree
// has iterations) and without touching anything above the splits. The
// missing stores of the street are created first. Afterwards nothing is
// forgotten any more: forget level -1, the tree complete, the reach at the
// splits no longer frozen. `solve_all_splits` calls it on the command thread.
#pragma once

#include "platform/int_types.h"

struct Tree;

// Solves every split of `street` (2 turns, 3 rivers), which must be the
// tree's forget level. River splits run in parallel on the calling thread's
// OpenMP team; turn splits deal their turn cards as work items of the
// chosen scheduler. std::bad_alloc, with nothing solved, when a store
// cannot get its memory.
void solver_solve_splits(Tree& tree, i32 street);
