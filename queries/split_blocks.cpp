#include "queries/split_blocks.h"

#include "queries/solver_shared_state.h"
#include "solver/solver_pass.h"
#include "storage/block_walks.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

// Iteration-weighted averaging leaves the first 60 iterations out.
constexpr u32 kLastUnaveragedIteration = 60;

TreeNode* highest_river_node(TreeNode& node) {
    if (node.street != kStreetRiver) return nullptr;
    TreeNode* top = &node;
    while (top->parent && top->parent->street == kStreetRiver) top = top->parent;
    return top;
}

void open_store_blocks(Tree& tree, TreeNode& root, i32 board, BlockStore store) {
    NodeWorkRecord record;
    record.tree = &tree;
    record.node = &root;
    record.turn = board;
    open_split_blocks(record, store, true);
}

void close_store_blocks(Tree& tree, TreeNode& root, i32 board, BlockStore store, bool write_back) {
    BlockArena* arenas[2] = {nullptr, nullptr};
    visit_river_decisions(tree, root, [&](TreeNode& node) {
        NodeDataBase* data = block_store(node, store);
        if (!data) return;
        BlockArena*& arena = arenas[node.player];
        arena = data->close_block(arena, board, write_back);
    });
    end_block_writes(arenas);
}

}  // namespace

bool strategy_sums_active(const Tree& tree) {
    if (tree.averaging_mode == 0) return false;
    return tree.averaging_mode != 1 || tree_iteration_now(tree) > kLastUnaveragedIteration;
}

std::mutex* river_turn_lock(TreeNode& node, i32 board) {
    TreeNode* top = &node;
    while (top->parent && top->parent->street >= kStreetTurn) top = top->parent;
    // A tree rooted on the turn keeps locks on its root, but its runout work
    // items run under the pass lock only.
    if (top->turn_locks && top->parent) return &top->turn_locks[static_cast<std::size_t>(board)];
    return nullptr;
}

SplitBlocks::SplitBlocks(Tree& tree, TreeNode& node, i32 board)
    : tree_(tree), river_root_(highest_river_node(node)), board_(board) {
    std::mutex* turn_lock = river_root_ ? river_turn_lock(node, board) : nullptr;
    if (turn_lock) {
        turn_lock_ = std::unique_lock(*turn_lock);
    } else {
        pass_lock_.emplace();
    }
    with_sums_ = strategy_sums_active(tree);
    if (river_root_) open_blocks();
}

SplitBlocks::~SplitBlocks() {
    if (river_root_) close_blocks();
}

void SplitBlocks::open_blocks() {
    open_store_blocks(tree_, *river_root_, board_, BlockStore::regrets);
    if (with_sums_) open_store_blocks(tree_, *river_root_, board_, BlockStore::strategy_sums);
}

void SplitBlocks::close_blocks() {
    close_store_blocks(tree_, *river_root_, board_, BlockStore::regrets, written_);
    if (with_sums_) {
        close_store_blocks(tree_, *river_root_, board_, BlockStore::strategy_sums, written_);
    }
}
