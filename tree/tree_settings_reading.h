// The tree settings of a tree archive (60 bytes after the line tree): the
// flags word, the forget level, the cached results with the iteration they
// belong to. `load_tree` reads them before it builds the tree, because the
// flags say whether the tree was built with suit isomorphism, and checks
// them against the tree's root street; they go into the tree once it exists.
#pragma once

#include "platform/int_types.h"
#include "tree/archive_reader.h"

struct Tree;

struct TreeSettingsRecord {
    u32 flags = 0;
    i32 forget_level = -1;
    i32 results_iteration = -1;
    // Best-response value and expected value of player 0, then of player 1.
    f64 pass_results[4] = {0.0, 0.0, 0.0, 0.0};
    f64 mean_ev = 0.0;
    f64 exploitability = 0.0;
};

// Reads the record in file order; nothing is checked here.
TreeSettingsRecord read_tree_settings_record(Reader& in);

// "invalid file" unless the record can stand for a tree whose root lies on
// root_street: a forget level of -1 (nothing forgotten), 2 (turns) or 3
// (rivers), and always after the root's street.
void check_tree_settings(const TreeSettingsRecord& settings, u32 root_street);

// Whether the tree was built with suit isomorphism.
bool settings_isomorphism(const TreeSettingsRecord& settings);

// The record into the tree, which records the archive's version as its
// data-format version. Only the flags this program knows are kept; a tree
// with forgotten streets is always marked incomplete (the solver must not run
// over streets without stores), and the isomorphism mark says how the tree
// was actually built.
void apply_tree_settings(Tree& tree, const TreeSettingsRecord& settings, i32 version);
