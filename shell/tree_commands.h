// Commands about the built tree: `build_tree` turns the shell's settings
// (ranges, board, pot, line tree) into the current game tree and prepares its
// solve, `free_tree` destroys it, `node_count` counts the line tree's nodes,
// `show_effective_stack` prints the stack of the last build, and a change of
// the compression setting resets the solve of a present tree. A build is made
// completely aside: a refused build leaves the previous tree, the root
// street, the effective stack and the line nodes' indices as they were.
#pragma once

#include <memory>
#include <vector>

#include "platform/int_types.h"
#include "shell/tokenizer.h"

struct LineFlattening;
struct LineTreeNode;
struct Tree;

// The largest amount of the line tree at the last build, truncated.
extern i32 g_effective_stack;

void cmd_build_tree(const Tokens& tokens);
void cmd_free_tree(const Tokens& tokens);
void cmd_node_count(const Tokens& tokens);
void cmd_show_effective_stack(const Tokens& tokens);

// The largest amount of the line tree, truncated toward zero (saturating at
// the 32-bit range).
i32 effective_stack_of(const LineTreeNode& root);

// What a game tree is built from, by `build_tree` from the settings or by
// `load_tree` from an archive's head. The root street follows from the turn
// and river masks.
struct GameSetup {
    LineTreeNode* lines = nullptr;
    const std::vector<f64>* ranges = nullptr;  // both players', combo order
    u64 flop_mask = 0;
    u64 turn_mask = 0;
    u64 river_mask = 0;
    f64 pot = 0.0;
    bool isomorphism = false;
};

// The build core that both share: with suit isomorphism on a flop root every
// combo of a hand class that avoids the flop must carry the same weight in
// each range ("inconsistent range: ..."); the lines are flattened into `flat`
// ("invalid line"); ranges and line amounts are tested against what the
// solver's arithmetic carries ("range weight too large", "payoff too large");
// then the tree is created and given its pot. Raises command failures;
// nothing current changes.
std::unique_ptr<Tree> build_game_tree(const GameSetup& setup, LineFlattening& flat);

// The build of `build_tree`: the core from the settings, then the compression
// level is chosen and the solve reset. Raises command failures; on success
// the tree is present.
void build_tree_dispatch();

// Fresh stores for the modes of compression `level` (0 to 4; any other value
// stores uncompressed) on a tree, or the command failure "out of memory".
// Nothing outside the tree changes: a tree built or loaded aside is reset so,
// and the solver's parameters follow only when it becomes current.
void reset_stores_or_fail(Tree& tree, i32 level);
// The solver parameters for the current `tree` solved at `level`.
void set_level_parameters(const Tree& tree, i32 level);
// Makes a tree that was reset aside current, with its solver parameters.
void install_reset_tree(std::unique_ptr<Tree> tree, i32 level);

// `ai6_set_compression`: stores the setting (-1 automatic, else 0 to 4) and
// applies it at once to a present tree, whose solve starts afresh.
void set_compression_setting(i32 setting);

// Fails with "Can't do that when solver is running" while the solver thread
// runs: the commands that free, replace, reset or solve the tree again call
// it before they touch anything.
void refuse_while_solving();
