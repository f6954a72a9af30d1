// The compression level of a tree's river data: the automatic choice from
// the tree's uncompressed need and the memory available, and the range
// weights that a level can carry. `build_tree` and `ai6_set_compression`
// use them (shell/tree_commands.cpp).
#pragma once

#include "platform/int_types.h"

struct Tree;

// The automatic level: 0 while the need fits in 85 % of the available
// memory; otherwise by how far the need overshoots that budget, the first
// that holds of budget > 0.58 need (1), > 0.39 need (2), > 0.31 need (3),
// else 4. A rainbow flop compresses worse: 0.39 and 0.31 become 0.312 and
// 0.248.
i32 automatic_compression_level(i64 need, u64 available, bool rainbow_flop);

// The level for a need that overshoots the budget (the table above).
i32 compression_level_for_budget(f64 budget, f64 need, bool rainbow_flop);

// Whether the three flop cards of a board mask are of three suits.
bool rainbow_flop(u64 flop_mask);

// Whether every level can carry the tree's range weights: the 32-bit
// integer strategy sums of levels 1 to 4 on a flop root hold weights up to
// max_weight_for_integer_sums (about 1.264). The automatic level is 0 when
// they cannot.
bool weights_fit_every_level(const Tree& tree);

// Raises the command failure that refuses `level` for the tree when its
// strategy sums are 32-bit integers and a range weight is larger than they
// can carry.
void check_range_weights_for_level(const Tree& tree, i32 level);
