#include "solver/split_solve.h"

#include <atomic>
#include <new>
#include <utility>

#include "cards/hand_maps.h"
#include "solver/array_kernels.h"
#include "solver/node_visit.h"
#include "solver/solver_pass.h"
#include "solver/solver_thread.h"
#include "storage/block_walks.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/shared_fields.h"

namespace {

// The tree state that a split solve changes for its own iterations: the
// counter counts the split's iterations from 0, and INCOMPLETE_TREE is clear
// so that the chance nodes below the split root walk the street. Whatever way
// the solve ends, the counter comes back, the expected-value cache (whose
// entries may describe the old data) is emptied and the tree is incomplete.
class SplitSolveState {
public:
    explicit SplitSolveState(Tree& tree) : tree_(tree), saved_(tree.iteration) {
        store_tree_flags(tree_, load_tree_flags(tree_) & ~kTreeIncomplete);
        store_tree_iteration(tree_, 0);
    }
    ~SplitSolveState() {
        store_tree_iteration(tree_, saved_);
        tree_.ev_cache.empty();
        store_tree_flags(tree_, load_tree_flags(tree_) | kTreeIncomplete);
    }
    SplitSolveState(const SplitSolveState&) = delete;
    SplitSolveState& operator=(const SplitSolveState&) = delete;

private:
    Tree& tree_;
    const u32 saved_;
};

// The river blocks of a river split, open for the whole solve: compressed
// stores decode the turn board's blocks once before the iterations and encode
// them once after, every store of the subtree whatever the pass (forced).
class ForcedSplitBlocks {
public:
    ForcedSplitBlocks(Tree& tree, TreeNode& root, i32 board) {
        record_.tree = &tree;
        record_.node = &root;
        record_.turn = board;
        open(BlockStore::regrets);
        open(BlockStore::strategy_sums);
    }
    ~ForcedSplitBlocks() {
        close(BlockStore::regrets);
        close(BlockStore::strategy_sums);
    }
    ForcedSplitBlocks(const ForcedSplitBlocks&) = delete;
    ForcedSplitBlocks& operator=(const ForcedSplitBlocks&) = delete;

private:
    void open(BlockStore store) { open_split_blocks(record_, store, true); }
    void close(BlockStore store) { close_split_blocks(record_, store, true); }

    NodeWorkRecord record_;
};

bool has_reach(const DoubleArray& reach) {
    if (!reach.data) return false;
    for (i32 i = 0; i < reach.count; ++i) {
        if (reach.data[i] > 0.0) return true;
    }
    return false;
}

// The solve of one split: the walk record, both players' reach on the
// split's hand list and the masks of that list.
class SplitSolve {
public:
    SplitSolve(Tree& tree, TreeNode& root, i32 board, i32 river) : tree_(tree), root_(root) {
        const BoardRecord& turn = tree.street_data->boards[static_cast<std::size_t>(board)];
        const NodeResultRecord& stored = *split_record(root, board);
        record_.tree = &tree;
        record_.node = &root;
        record_.turn = board;
        if (root.street == kStreetRiver) {
            const RiverRecord& runout = turn.runouts[static_cast<std::size_t>(river)];
            record_.river = river;
            masks_ = &runout.hands;
            for (int p = 0; p < 2; ++p) gather_hand_values(runout, reach_[p], stored.arrays[p]);
        } else {
            masks_ = &turn.hands;
            for (int p = 0; p < 2; ++p) gather_board_values(turn, reach_[p], stored.arrays[p]);
        }
    }

    bool reached() const { return has_reach(reach_[0]) && has_reach(reach_[1]); }

    // Iterates until the target of the root's street or the budget; returns
    // the last measurement.
    f64 run() {
        const f64 target = g_recalc_accuracy[root_.street - 1];
        f64 exploitability = 0.0;
        for (i32 n = 0; n < kSplitIterations; ++n) {
            tree_.pass_mode = kPassUpdate;
            tree_.pass_phase = 1;
            walk(1);
            walk(0);
            const u32 it = tree_.iteration + 1;
            store_tree_iteration(tree_, it);
            if (it < kSplitFirstMeasurement || it % kSplitMeasureInterval != 0) continue;
            exploitability = measure();
            if (target >= exploitability) break;
        }
        return exploitability;
    }

private:
    void walk(u32 traverser) {
        tree_.traverser = traverser;
        DoubleArray& opponent = reach_[traverser ^ 1u];
        record_.opponent_reach = std::move(opponent);
        visit_node(record_);
        opponent = std::move(record_.opponent_reach);
    }

    // Half the sum of both players' best-response values at the split, each
    // per unit of matchup weight: the values are zero-sum, so this is the
    // exploitability of the split's strategies.
    f64 measure() {
        tree_.pass_mode = kPassEvaluate;
        f64 best[2] = {0.0, 0.0};
        for (const u32 p : {1u, 0u}) {
            walk(p);
            best[p] = best_response_share(p);
        }
        return 0.5 * (best[0] + best[1]);
    }

    // Own reach times the opponent's reach compatible with it, summed over
    // the split's hands: the matchup weight of player p. The reach does not
    // change during the solve, so it is summed once.
    f64 matchup_weight(u32 p) {
        if (matchups_[p] >= 0.0) return matchups_[p];
        const DoubleArray& own = reach_[p];
        const DoubleArray& other = reach_[p ^ 1u];
        const ArrayKernels& kernels = array_kernels();
        const u64* masks = masks_->data();
        const i32 n = static_cast<i32>(masks_->size());
        f64 total = 0.0;
        for (i32 i = 0; i < n; ++i) {
            if (own.data[i] == 0.0) continue;
            total += own.data[i] * kernels.masked_sum(other.data, masks, n, masks[i]);
        }
        matchups_[p] = total;
        return total;
    }

    f64 best_response_share(u32 p) {
        const f64 total = matchup_weight(p);
        const DoubleArray& own = reach_[p];
        const DoubleArray& best = record_.second_values;
        if (total <= 0.0 || !best.data) return 0.0;
        f64 value = 0.0;
        for (i32 i = 0; i < best.count; ++i) value += best.data[i] * own.data[i] / total;
        return value;
    }

    Tree& tree_;
    TreeNode& root_;
    NodeWorkRecord record_;
    DoubleArray reach_[2];
    const std::vector<u64>* masks_ = nullptr;
    f64 matchups_[2] = {-1.0, -1.0};
};

bool split_named(const TreeNode& root, const Tree& tree, SplitIndex split) {
    const StreetData& street = *tree.street_data;
    if (split.board < 0 || static_cast<std::size_t>(split.board) >= street.boards.size()) {
        return false;
    }
    if (root.street != kStreetRiver) return true;
    const BoardRecord& board = street.boards[static_cast<std::size_t>(split.board)];
    return split.river >= 0 && static_cast<std::size_t>(split.river) < board.runouts.size();
}

// A split root that the solves can work below: one that opens its street
// under a parent (a root of the tree keeps its reach on its own hand list,
// not on a parent's) and keeps result records.
bool solvable_root(const TreeNode* root) {
    return root && root->parent && root->is_decision() && !root->results.empty();
}

}  // namespace

TreeNode* split_root_of(Tree& tree, TreeNode& node) {
    const i32 level = tree.forget_level;
    if (level < 0 || static_cast<i32>(node.street) < level) return nullptr;
    TreeNode* root = &node;
    while (root->parent && static_cast<i32>(root->parent->street) >= level) root = root->parent;
    return root;
}

bool node_data_forgotten(const Tree& tree, const TreeNode& node) {
    if ((load_tree_flags(tree) & kTreeIncomplete) == 0) return false;
    return tree.forget_level >= 0 && static_cast<i32>(node.street) >= tree.forget_level;
}

NodeResultRecord* split_record(TreeNode& root, i32 board) {
    if (root.street != kStreetRiver) return root.results.empty() ? nullptr : &root.results[0];
    if (board < 0 || static_cast<std::size_t>(board) >= root.results.size()) return nullptr;
    return &root.results[static_cast<std::size_t>(board)];
}

i32 split_bit(const TreeNode& root, i32 board, i32 river) {
    return root.street == kStreetRiver ? river : board;
}

void recreate_node_stores(Tree& tree, TreeNode& node) {
    if (!node.is_decision()) return;
    // The tree's size figures keep counting the whole tree; a split's
    // re-created stores are not new data.
    u64 scratch[4] = {0, 0, 0, 0};
    create_tree_node_data(tree, node, scratch);
    if (!node.regrets->allocate()) throw std::bad_alloc();
    if (node.strategy_sums && !node.strategy_sums->allocate()) throw std::bad_alloc();
    node.stores_prepared = 1;
}

bool rebuild_subtree_storage(Tree& tree, TreeNode& node, bool force) {
    if (tree.forget_level < 0) return false;
    bool made = false;
    if (node.is_decision() && (force || !node.stores_prepared || !node.regrets)) {
        recreate_node_stores(tree, node);
        made = true;
    }
    for (const u32 child : node.children) {
        made = rebuild_subtree_storage(tree, tree.nodes[child], force) || made;
    }
    return made;
}

void clear_solved_marks(TreeNode& root) {
    for (NodeResultRecord& record : root.results) record.solved_splits = 0;
}

f64 solve_split_subtree(Tree& tree, TreeNode& root, i32 board, i32 river, bool force) {
    NodeResultRecord* record = split_record(root, board);
    if (!record) return 0.0;
    const u64 bit = u64{1} << split_bit(root, board, river);
    if (!force && (record->solved_splits & bit) != 0) return 0.0;

    // The lock comes first: the counter and the flags change only under it.
    const PassLock lock;
    const SplitSolveState state(tree);
    SplitSolve solve(tree, root, board, root.street == kStreetRiver ? river : -1);
    f64 exploitability = 0.0;
    if (solve.reached()) {
        if (root.street == kStreetRiver) {
            const ForcedSplitBlocks blocks(tree, root, board);
            exploitability = solve.run();
        } else {
            exploitability = solve.run();
        }
    }
    record->solved_splits |= bit;
    return exploitability;
}

f64 solve_partial_core(Tree& tree, i32 index, i32 turn_card, i32 river_card) {
    if (!prepare_node_stores(tree)) throw std::bad_alloc();
    TreeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    const SplitIndex split = split_of_cards(tree, turn_card, river_card);
    if (node.street == kStreetRiver && split.river < 0) return 0.0;
    if (node.street == kStreetTurn && split.board < 0) return 0.0;
    TreeNode* root = split_root_of(tree, node);
    if (!solvable_root(root) || !split_named(*root, tree, split)) return 0.0;
    // Forced: the whole subtree starts from zeros, so no split of the root
    // keeps a solved mark for data that is gone.
    rebuild_subtree_storage(tree, *root, true);
    clear_solved_marks(*root);
    return solve_split_subtree(tree, *root, split.board, split.river, true);
}

void solve_split_on_demand(Tree& tree, TreeNode& node, SplitIndex split) {
    if (solver_running()) return;
    TreeNode* root = split_root_of(tree, node);
    if (!solvable_root(root) || !split_named(*root, tree, split)) return;
    // A rebuilt tree answers from its own stores, which a solve of the split
    // would overwrite; stores that are missing have nothing to lose.
    const bool incomplete = (load_tree_flags(tree) & kTreeIncomplete) != 0;
    if (!incomplete && root->stores_prepared && root->regrets) return;
    // A mark counts only while the split's stores are there: a second forget
    // or an archive keeps the marks of data that is gone.
    if (rebuild_subtree_storage(tree, *root, false)) clear_solved_marks(*root);
    solve_split_subtree(tree, *root, split.board, split.river, false);
}
