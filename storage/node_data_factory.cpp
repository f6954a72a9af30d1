#include "storage/node_data_factory.h"

#include <memory>

#include "storage/block_node_data.h"
#include "storage/compressed_node_data.h"
#include "storage/plain_node_data.h"
#include "tree/tree.h"

namespace {

// Two bytes per regret value and, with an average strategy, four per
// strategy-sum value.
constexpr u64 kBytesWithStrategy = 6;
constexpr u64 kBytesRegretsOnly = 2;

std::unique_ptr<NodeDataBase> flop_store(i32 actions, const StreetData& street) {
    return std::make_unique<PlainNodeData>(actions, static_cast<i32>(street.hands.size()));
}

std::unique_ptr<NodeDataBase> turn_store(i32 actions, const StreetData& street) {
    return std::make_unique<CompositeNodeData>(actions, street.board_counts);
}

// Float regrets where the river is the tree's root street or its turn-rooted
// data is of format 5; otherwise quantised 16-bit regrets, compressed when
// the regret mode asks for it.
std::unique_ptr<NodeDataBase> river_regret_store(const NodeDataLayout& layout, u32 root_street,
                                                 bool format5, u32 mode) {
    const bool float_rows = root_street == kStreetRiver || (root_street == kStreetTurn && format5);
    if (float_rows) return std::make_unique<FloatBlockNodeData>(layout);
    if (mode != 0) return std::make_unique<CompressedNodeData>(layout, mode, true);
    return std::make_unique<U16BlockNodeData>(layout);
}

// Float sums, or 32-bit integer sums compressed when the strategy mode asks
// for it.
std::unique_ptr<NodeDataBase> river_sum_store(const NodeDataLayout& layout, u32 mode) {
    if (mode != 0) return std::make_unique<CompressedNodeData>(layout, mode, false);
    return std::make_unique<FloatBlockNodeData>(layout);
}

std::unique_ptr<NodeDataBase> store_of(const TreeNode& node, const StreetData& street,
                                       const NodeDataLayout* layout, bool regrets, u32 root_street,
                                       const u32 modes[2], bool format5) {
    const i32 actions = static_cast<i32>(node.action_count());
    if (node.street == kStreetFlop) return flop_store(actions, street);
    if (node.street == kStreetTurn) return turn_store(actions, street);
    if (regrets) return river_regret_store(*layout, root_street, format5, modes[0]);
    return river_sum_store(*layout, modes[1]);
}

bool on_kept_street(const Tree& tree, const TreeNode& node) {
    return tree.forget_level < 0 || static_cast<i64>(node.street) < tree.forget_level;
}

const NodeDataLayout* layout_for(const Tree& tree, const TreeNode& node) {
    const std::size_t k = node.action_count();
    return k < tree.layouts.size() ? tree.layouts[k].get() : nullptr;
}

u64 bytes_per_value(const Tree& tree) {
    return tree.averaging_mode != 0 ? kBytesWithStrategy : kBytesRegretsOnly;
}

void set_data_sizes(Tree& tree) {
    TreeSizeStats& stats = tree.size_stats;
    const u64 bytes = bytes_per_value(tree);
    for (int i = 0; i < 4; ++i) stats.data_sizes[i] = stats.value_counts[i] * bytes;
}

}  // namespace

void create_node_data(TreeNode& node, const StreetData& street, const NodeDataLayout* layout,
                      u64 value_counts[4], bool with_strategy, u32 root_street, const u32 modes[2],
                      bool format5) {
    if (!node.is_decision()) return;
    node.regrets.reset();
    node.strategy_sums.reset();
    node.stores_prepared = 0;
    node.regrets = store_of(node, street, layout, true, root_street, modes, format5);
    if (with_strategy) {
        node.strategy_sums = store_of(node, street, layout, false, root_street, modes, format5);
    }
    value_counts[node.street] += static_cast<u64>(node.regrets->value_count(-1));
}

void create_tree_node_data(Tree& tree, TreeNode& node, u64 value_counts[4]) {
    create_node_data(node, *tree.street_data, layout_for(tree, node), value_counts,
                     tree.averaging_mode != 0, tree.root_street(), tree.store_modes,
                     tree.format_version >= 5);
    tree.all_stores_prepared = 0;
}

void create_all_node_data(Tree& tree) {
    TreeSizeStats& stats = tree.size_stats;
    for (u64& count : stats.value_counts) count = 0;
    for (TreeNode& node : tree.nodes) {
        if (!on_kept_street(tree, node)) continue;
        create_tree_node_data(tree, node, stats.value_counts);
    }
    set_data_sizes(tree);
    tree.iteration = 0;
    tree.all_stores_prepared = 0;
}

u64 whole_tree_data_bytes(const Tree& tree) {
    u64 values = 0;
    for (const TreeNode& node : tree.nodes) {
        if (!node.is_decision() || node.street != kStreetRiver) continue;
        const NodeDataLayout* layout = layout_for(tree, node);
        if (layout) values += static_cast<u64>(layout->values);
    }
    return values * bytes_per_value(tree);
}

bool prepare_node_stores(Tree& tree) {
    if (tree.all_stores_prepared) return true;
    for (TreeNode& node : tree.nodes) {
        if (!node.regrets || node.stores_prepared) continue;
        if (!node.regrets->allocate()) return false;
        if (node.strategy_sums && !node.strategy_sums->allocate()) return false;
        node.stores_prepared = 1;
    }
    tree.all_stores_prepared = 1;
    return true;
}
