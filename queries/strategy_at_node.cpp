#include "queries/strategy_at_node.h"

#include <algorithm>
#include <vector>

#include "cards/card_text.h"
#include "cards/hand_arrays.h"
#include "cards/hand_tables.h"
#include "cards/suit_isomorphism.h"
#include "queries/solver_shared_state.h"
#include "queries/split_blocks.h"
#include "queries/split_lookup.h"
#include "solver/split_solve.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

namespace {

// Completed iterations from which the current strategy, and then the
// average strategy, are worth showing; before, every action is shown as
// equally likely.
constexpr u32 kFirstCurrentIteration = 25;
constexpr u32 kFirstAverageIteration = 63;

void fill_uniform(std::vector<DoubleArray>& rows, u32 actions, i32 hands) {
    rows.resize(actions);
    const f64 share = 1.0 / static_cast<f64>(actions);
    for (DoubleArray& row : rows) {
        row.resize(hands);
        std::fill(row.data, row.data + hands, share);
    }
}

bool rows_hold(const std::vector<DoubleArray>& rows, i32 hands) {
    for (const DoubleArray& row : rows) {
        if (!row.data || row.count < hands) return false;
    }
    return true;
}

// Hands with a defined average take it; the others keep the current strategy.
void take_defined_average(std::vector<DoubleArray>& rows, const std::vector<DoubleArray>& average,
                          i32 hands) {
    if (!rows_hold(average, hands) || !rows_hold(rows, hands)) return;
    for (i32 h = 0; h < hands; ++h) {
        f64 total = 0.0;
        for (const DoubleArray& row : average) total += row.data[h];
        if (total == 0.0) continue;
        for (std::size_t a = 0; a < rows.size(); ++a) rows[a].data[h] = average[a].data[h];
    }
}

// `iteration` is read once, before the split's blocks are opened: on the
// river the solver may move the tree's count meanwhile, and the sums are
// read only when they counted at the opening.
void strategy_rows(u32 iteration, TreeNode& node, SplitIndex split, i32 hands,
                   std::vector<DoubleArray>& rows) {
    const u32 actions = node.action_count();
    if (iteration < kFirstCurrentIteration || !node.regrets) {
        fill_uniform(rows, actions, hands);
        return;
    }
    const std::vector<f32> uniform(actions, 1.0f / static_cast<f32>(actions));
    node.regrets->average_strategy(rows, split.board, split.river, uniform);
    if (iteration < kFirstAverageIteration || !node.strategy_sums) return;
    std::vector<DoubleArray> average;
    const std::vector<f32> zeros(actions, 0.0f);
    node.strategy_sums->average_strategy(average, split.board, split.river, zeros);
    take_defined_average(rows, average, hands);
}

}  // namespace

namespace {

// The rows of every action at the split, on the split's hand list, read in
// one bracket: under the pass lock before the river, under the split's lock
// on it, so that they all come from the same pass.
struct SplitRows {
    std::vector<DoubleArray> rows;
    SplitLevel level;
};

SplitRows read_split_rows(Tree& tree, TreeNode& node, i32 turn_card, i32 river_card) {
    // A failure leaves the stores as they are; the rows then read as empty.
    prepare_node_stores(tree);
    const SplitIndex split = find_node_data(tree, turn_card, river_card);
    require_split_for(node, split);
    // A node of a forgotten street gets its split solved again first.
    solve_split_on_demand(tree, node, split);
    SplitRows read{{}, split_level(tree, split)};
    const u32 iteration = tree_iteration_now(tree);
    SplitBlocks blocks(tree, node, split.board);
    strategy_rows(iteration, node, split, read.level.hand_count, read.rows);
    return read;
}

void project_row(const Tree& tree, const TreeNode& node, const DoubleArray& row,
                 const SplitLevel& level, i32 turn_card, i32 river_card, f64* out) {
    std::vector<f64> projected(kHandCount);
    gather_combos(projected.data(), row, level.combo_map);
    if (tree_is_isomorphic(tree)) {
        permute_combos_by_suit(tree.board_mask, card_mask_of(turn_card), card_mask_of(river_card),
                               out, projected.data(), 1);
    } else {
        std::copy(projected.begin(), projected.end(), out);
    }
    const std::vector<f64>& range = tree.ranges[node.player];
    for (int c = 0; c < kHandCount; ++c) {
        if (range[static_cast<std::size_t>(c)] == 0.0) out[c] = 0.0;
    }
}

}  // namespace

void compute_node_strategy(i32 index, i32 position, i32 turn_card, i32 river_card, f64* out) {
    if (!g_tree) return;
    Tree& tree = *g_tree;
    TreeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    const SplitRows read = read_split_rows(tree, node, turn_card, river_card);
    project_row(tree, node, read.rows[static_cast<std::size_t>(position)], read.level, turn_card,
                river_card, out);
}

std::vector<std::vector<f64>> compute_point_strategy(i32 index, i32 turn_card, i32 river_card) {
    if (!g_tree) return {};
    Tree& tree = *g_tree;
    TreeNode& node = tree.nodes[static_cast<std::size_t>(index)];
    const SplitRows read = read_split_rows(tree, node, turn_card, river_card);
    std::vector<std::vector<f64>> rows(read.rows.size(), std::vector<f64>(kHandCount));
    for (std::size_t a = 0; a < rows.size(); ++a) {
        project_row(tree, node, read.rows[a], read.level, turn_card, river_card, rows[a].data());
    }
    return rows;
}
