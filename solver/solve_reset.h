// Solve reset and the solver's tuning parameters. `reset_solve` gives every
// decision node of the current tree fresh, empty stores for a pair of
// compression modes and discards all solving progress; `build_tree`,
// `load_tree` and a compression change on a present tree call it. Tree
// creation and the reset set the tuning values below, which depend on the
// street of the root.
#pragma once

#include <memory>

#include "platform/int_types.h"
#include "storage/store_modes.h"
#include "tree/tree.h"
#include "tree/tree_create.h"

struct Tree;

// Storage modes of a compression level 0..4 (storage/store_modes.h), (0, 0)
// for any other value.
StoreModes store_modes_of_level(i32 level);

// Highest iteration count a solve runs to.
extern i32 g_iteration_cap;
// Averaging weight of the strategy sums: (iteration + 1)^exponent, capped.
extern f64 g_avg_weight_exponent;
extern f64 g_avg_weight_cap;
// Iterations during which river regret updates receive their runout's tie
// groups (only with coded regret stores).
extern i32 g_river_early_iterations;
// The base of the tree's regret scale (kRegretScaleBase, tree/tree.h).
extern f64 g_regret_scale_base;

// The defaults every new tree starts with (tree creation); a root on the
// river averages with exponent 4 and no cap.
void set_new_tree_solver_defaults(u32 root_street);

// make_tree, then the new tree replaces the current one and the solver's
// defaults for a new tree are set. The built-in benchmark and the tests build
// their trees with it.
void create_tree(const TreeSpec& spec);

// Gives every node of the tree fresh, empty stores for the requested modes
// (uncompressed unless the root is on the flop: storage/node_data_factory.h),
// recomputes the size figures and sets the iteration counter to 0. Touches
// nothing but the tree, so that a tree being built aside can be reset and
// still be refused without a trace. Returns false, leaving the tree without
// stores, when memory for a store cannot be obtained.
bool reset_tree_stores(Tree& tree, const u32 modes[2]);
// The process-wide part of a reset, for the tree that is or becomes current:
// the solver parameters for its root street and the requested modes, and
// zeroed storage rates.
void set_solver_parameters(const Tree& tree, const u32 modes[2]);
// Both: the reset of a tree, which then solves from scratch. False, with the
// parameters untouched, when the stores cannot be made.
bool reset_solve(Tree& tree, const u32 modes[2]);
// The same on the current tree; false without one.
bool reset_solve(const u32 modes[2]);

// The largest range weight that the 32-bit strategy sums of compressed river
// stores can carry over a whole solve of a flop tree: every iteration from
// 61 to the iteration cap adds at most its averaging weight times the reach
// (never above the largest range weight), plus 0.5 of rounding, and the total
// must stay below 2^31 - 1. About 1.264: weights from 0 to 1 always fit.
f64 max_weight_for_integer_sums();

// Copy of the current tree's size figures; null without a tree.
std::unique_ptr<TreeSizeStats> copy_tree_size_stats();
