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

// Every river decision node from `node` down, a node before its children,
// children in action order: the order of the storage walks, which keeps the
// blocks of one player consecutive in that player's arena.
template <class Visit>
void for_each_river_decision(Tree& tree, TreeNode& node, Visit&& visit) {
    if (!node.is_decision()) return;
    if (node.street == kStreetRiver) visit(node);
    for (const u32 child : node.children) for_each_river_decision(tree, tree.nodes[child], visit);
}

NodeDataBase* store_of(TreeNode& node, BlockStore store) {
    return store == BlockStore::regrets ? node.regrets.get() : node.strategy_sums.get();
}

void open_store_blocks(Tree& tree, TreeNode& root, i32 board, BlockStore store) {
    NodeWorkRecord record;
    record.tree = &tree;
    record.node = &root;
    record.turn = board;
    u64 totals[2] = {0, 0};
    walk_count_values(record, store, totals);
    BlockArena* arenas[2] = {nullptr, nullptr};
    for_each_river_decision(tree, root, [&](TreeNode& node) {
        NodeDataBase* data = store_of(node, store);
        if (!data) return;
        BlockArena*& arena = arenas[node.player];
        arena = data->open_block(arena, board, static_cast<i64>(totals[node.player]));
    });
    end_block_reads(arenas);
}

void close_store_blocks(Tree& tree, TreeNode& root, i32 board, BlockStore store, bool write_back) {
    BlockArena* arenas[2] = {nullptr, nullptr};
    for_each_river_decision(tree, root, [&](TreeNode& node) {
        NodeDataBase* data = store_of(node, store);
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
