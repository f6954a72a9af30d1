// The bracket around every read or write of a node's data by a query. A
// river node's split blocks are opened (decoded, for compressed stores) under
// the lock that the solver's work on that split also takes, and closed again
// when the bracket ends; only the blocks that the query changed are written
// back, whatever pass the solver is in. A node before the river is read and
// written under the pass lock, so that its rows are those of one pass and an
// edit lands between two passes.
#pragma once

#include <mutex>
#include <optional>

#include "platform/int_types.h"
#include "solver/solver_pass.h"

struct Tree;
struct TreeNode;

class SplitBlocks {
public:
    // Opens the blocks of turn board `board` from the node's first river
    // node down; a node before the river opens nothing and holds the pass
    // lock.
    SplitBlocks(Tree& tree, TreeNode& node, i32 board);
    ~SplitBlocks();
    SplitBlocks(const SplitBlocks&) = delete;
    SplitBlocks& operator=(const SplitBlocks&) = delete;

    // The rows were changed: closing writes the blocks back.
    void mark_written() { written_ = true; }

    // Whether the strategy sums counted when the bracket began, and so had
    // their blocks opened: a writer of sums asks this rather than the tree,
    // whose iteration count the solver may move meanwhile.
    bool sums_counted() const { return with_sums_; }

private:
    void open_blocks();
    void close_blocks();

    Tree& tree_;
    TreeNode* river_root_ = nullptr;  // highest river ancestor; null before the river
    i32 board_;
    bool with_sums_ = false;
    bool written_ = false;
    std::optional<PassLock> pass_lock_;
    std::unique_lock<std::mutex> turn_lock_;
};

// The lock that guards the river data of `node` for turn board `board`: the
// per-turn-card lock of the turn node that the solver's turn work items
// take, or null for the pass lock where no work item takes such a lock
// (trees rooted on the turn or the river).
std::mutex* river_turn_lock(TreeNode& node, i32 board);

// Whether the strategy sums count yet: averaging on and, under
// iteration-weighted averaging, more than 60 iterations done.
bool strategy_sums_active(const Tree& tree);
