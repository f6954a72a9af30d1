#include "queries/node_editing.h"

#include <atomic>
#include <vector>

#include "cards/card_text.h"
#include "cards/hand_arrays.h"
#include "cards/hand_tables.h"
#include "cards/suit_isomorphism.h"
#include "queries/solver_shared_state.h"
#include "queries/split_blocks.h"
#include "queries/split_lookup.h"
#include "shell/command_reply.h"
#include "solver/solver_pass.h"
#include "solver/split_solve.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

namespace {

// A strategy value is stored as a regret of this size: the current strategy
// normalises regrets, so only the ratios matter, and 1000 keeps the
// quantised 16-bit river regrets three digits deep.
constexpr f64 kStrategyRegretScale = 1000.0;

// The solver reads the mark while it runs: one atomic read-modify-write, so
// that the other bits of the flags word are never lost.
void mark_entry(BlockEntry& entry, bool locked) {
    std::atomic_ref<u32> flags(entry.flags);
    if (locked) {
        flags.fetch_or(k_entry_locked);
    } else {
        flags.fetch_and(~k_entry_locked);
    }
}

// The row of the split's hand list: each combo's value at its list position.
void fill_split_row(DoubleArray& row, const f64* combo_values, const SplitLevel& level) {
    row.resize(level.hand_count);
    for (i32 i = 0; i < level.hand_count; ++i) row.data[i] = 0.0;
    for (int c = 0; c < kHandCount; ++c) {
        const i16 position = level.combo_map[c];
        if (position >= 0 && position < level.hand_count) {
            row.data[position] = combo_values[c] * kStrategyRegretScale;
        }
    }
}

// A point of a forgotten street is refused rather than confirmed for a
// change that would not be in force: its stores are missing, or hold a
// split that a query solved again on its own, which the results above do not
// follow, which a partial solve starts over and which forgetting again drops.
// One rule for every edit, whatever a query has solved meanwhile.
void require_node_data(const Tree& tree, const TreeNode& node) {
    if (node_data_forgotten(tree, node) || !node.regrets) throw_command_error("incomplete tree");
}

}  // namespace

void set_node_locked(i32 index, i32 turn_card, i32 river_card, bool locked) {
    if (!g_tree) return;
    const PassLock between_passes;
    TreeNode& node = g_tree->nodes[static_cast<std::size_t>(index)];
    require_node_data(*g_tree, node);
    const SplitIndex split = find_node_data(*g_tree, turn_card, river_card);
    require_split_for(node, split);
    mark_entry(node.regrets->entry(split.board, split.river), locked);
    if (node.strategy_sums) {
        mark_entry(node.strategy_sums->entry(split.board, split.river), locked);
    }
}

// Under the pass lock throughout, river nodes included: an edit that turns
// an action's reach on or off must not fall between the walks of one pass,
// whose chance nodes meet their work items by their order.
void set_node_strategy(i32 index, i32 position, i32 turn_card, i32 river_card, const f64* values) {
    if (!g_tree) return;
    const PassLock between_passes;
    Tree& tree = *g_tree;
    TreeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    require_node_data(tree, node);
    prepare_node_stores(tree);
    const SplitIndex split = find_node_data(tree, turn_card, river_card);
    require_split_for(node, split);

    std::vector<f64> canonical(values, values + kHandCount);
    if (tree_is_isomorphic(tree)) {
        permute_combos_by_suit(tree.board_mask, card_mask_of(turn_card), card_mask_of(river_card),
                               canonical.data(), values, 0);
    }
    DoubleArray row;
    fill_split_row(row, canonical.data(), split_level(tree, split));

    SplitBlocks blocks(tree, node, split.board);
    node.regrets->store_row(split.board, split.river, position, row);
    if (blocks.sums_counted() && node.strategy_sums) {
        for (i32 i = 0; i < row.count; ++i) row.data[i] = 0.0;
        node.strategy_sums->store_row(split.board, split.river, position, row);
    }
    blocks.mark_written();
    // The cached results and the values that chance nodes keep from the last
    // evaluation pass describe the strategy before this edit.
    tree.results_iteration = -1;
}

void set_node_ev_boost(i32 index, f32 boost) {
    if (!g_tree || index < 0 || static_cast<std::size_t>(index) >= g_tree->nodes.size()) return;
    const PassLock between_passes;
    TreeNode& node = g_tree->nodes[static_cast<std::size_t>(index)];
    if (node_data_forgotten(*g_tree, node)) throw_command_error("incomplete tree");
    node.ev_boost = boost;
}
