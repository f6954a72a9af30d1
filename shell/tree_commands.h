// Commands about the built tree: `build_tree` turns the shell's settings
// (ranges, board, pot, line tree) into the current game tree and prepares its
// solve, `free_tree` destroys it, `node_count` counts the line tree's nodes,
// `show_effective_stack` prints the stack of the last build, and a change of
// the compression setting resets the solve of a present tree. A build is made
// completely aside: a refused build leaves the previous tree, the root
// street, the effective stack and the line nodes' indices as they were.
#pragma once

#include <vector>

#include "platform/int_types.h"
#include "shell/tokenizer.h"

struct LineFlattening;
struct LineTreeNode;

// The largest amount of the line tree at the last build, truncated.
extern i32 g_effective_stack;

void cmd_build_tree(const Tokens& tokens);
void cmd_free_tree(const Tokens& tokens);
void cmd_node_count(const Tokens& tokens);
void cmd_show_effective_stack(const Tokens& tokens);

// The largest amount of the line tree, truncated toward zero (saturating at
// the 32-bit range).
i32 effective_stack_of(const LineTreeNode& root);

// Ranges and lines, however they came (commands, an archive), tested against
// what the solver's arithmetic carries (solver/arithmetic_limits.h) before
// anything is built: "range weight too large", "payoff too large".
void check_arithmetic_limits(const std::vector<f64> ranges[2], const LineFlattening& flat);

// With suit isomorphism on a flop root, every combo of a hand class that
// avoids the flop must carry the same weight in each range; otherwise the
// command fails with "inconsistent range: ...".
void check_range_consistency(const std::vector<f64> ranges[2], u64 flop_mask, i32 root_street,
                             bool isomorphism);

// The build core of `build_tree`: checks the ranges against suit
// isomorphism, flattens the lines, creates the tree, chooses the compression
// level and resets the solve. Raises command failures; on success the tree is
// present. (`load_tree` builds from the archive's settings in
// shell/load_tree_command.cpp.)
void build_tree_dispatch();

// `ai6_set_compression`: stores the setting (-1 automatic, else 0 to 4) and
// applies it at once to a present tree, whose solve starts afresh.
void set_compression_setting(i32 setting);

// Whether the solver thread runs: build_tree, free_tree and a compression
// change refuse to replace the tree under it.
bool solver_thread_running();
