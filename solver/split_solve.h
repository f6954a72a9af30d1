// Solving one split of a forgotten street again. Once the turn or river data
// of a solved tree has been forgotten (solver/forget_streets.h), each node
// that opens the first forgotten street keeps the two players' reach arriving
// there, per split, in its result records. A split solve re-creates the node
// data below such a split root, solves that subtree alone from the stored
// reach for at most 1000 iterations or until the street's accuracy target
// (`g_recalc_accuracy`) is met, marks the split solved and reports the
// split's exploitability.
//
// A split is one turn board below a node that opens the turn, or one turn
// board and runout below a node that opens the river. The partial-solve
// commands force a solve (`solve_partial_core`); the strategy and
// expected-value queries ask for one on demand (`solve_split_on_demand`),
// which solves a split once and reuses it afterwards.
//
// Everything here runs on the command thread while no solver thread runs
// (the commands refuse, and on-demand solves happen only on an incomplete
// tree, which the solver does not run on). The solve itself holds the pass
// lock. A store that cannot get its memory raises std::bad_alloc before any
// iteration runs.
#pragma once

#include "platform/int_types.h"
#include "tree/tree.h"

// Iteration budget of one split solve, and where its measurements begin.
inline constexpr i32 kSplitIterations = 1000;
inline constexpr i32 kSplitFirstMeasurement = 50;
inline constexpr i32 kSplitMeasureInterval = 25;

// The split root of a node: the highest node on its path from the root whose
// street is not below the forget level, the node that opens the first
// forgotten street there. Null when nothing is forgotten or the node lies on
// an earlier street.
TreeNode* split_root_of(Tree& tree, TreeNode& node);

// Whether the node's data belongs to a forgotten street: the tree is
// incomplete and the node lies on or after the forget level. Such data is
// missing, or holds a split solved again for a query, which the tree's
// results do not follow and a partial solve starts over: nothing there can
// be edited.
bool node_data_forgotten(const Tree& tree, const TreeNode& node);

// The result record that keeps the split's reach and solved mark: the one of
// `board` on a river split root, the only one on a turn split root; null
// when the root has none for it.
NodeResultRecord* split_record(TreeNode& root, i32 board);

// Bit of a split in its record's solved-splits mask: the runout on a river
// split root, the turn board on a turn split root.
i32 split_bit(const TreeNode& root, i32 board, i32 river);

// Fresh, zeroed stores for a decision node with the tree's own settings,
// allocated and marked prepared. std::bad_alloc when memory for them cannot
// be had; the node then stays unprepared.
void recreate_node_stores(Tree& tree, TreeNode& node);

// Re-creates the stores of the decision nodes from `node` down: those not
// prepared, or all of them when forced. Nothing when no street is forgotten.
// Returns whether any store was re-created.
bool rebuild_subtree_storage(Tree& tree, TreeNode& node, bool force);

// Forgets which splits of the root were solved: its data was re-created.
void clear_solved_marks(TreeNode& root);

// Solves split (board, river) below its split root (indices, not cards; the
// river index is read on a river split root only) from the reach in the
// root's result record, and returns the exploitability of its last
// measurement in chips per matchup. Without force a split already marked
// solved is left alone (0). A split without reach of either player is marked
// solved at once (0). The stores below the root must be prepared. The tree's
// iteration counter is back and INCOMPLETE_TREE set on every way out.
f64 solve_split_subtree(Tree& tree, TreeNode& root, i32 board, i32 river, bool force);

// The partial solve of the commands: the split of the node's street named by
// the cards (actual suits, -1 for none) is re-created from scratch and
// solved, forced. 0 when there is nothing to solve: no forget level, a node
// before it, a turn or river card that is not named or has no record.
f64 solve_partial_core(Tree& tree, i32 node, i32 turn_card, i32 river_card);

// The queries' solve on demand, before they read the data of a node on a
// forgotten street: while the tree is incomplete and the split of the node's
// split root is named, the root's missing stores are created and the split
// solved unless it is marked solved already.
void solve_split_on_demand(Tree& tree, TreeNode& node, SplitIndex split);
