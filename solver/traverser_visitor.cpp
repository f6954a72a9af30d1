#include <utility>

#include "solver/array_kernels.h"
#include "solver/node_visit.h"
#include "solver/solve_reset.h"
#include "solver/terminal_payoffs.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

// Scales a child's values by the child's EV boost b: a fold is worth
// (1 - b) of itself; a showdown or a later street gains (1 + b) when
// positive and loses 1 / (1 + b) when negative; a decision on the same
// street only gains.
void apply_ev_boost(const TreeNode& parent, const TreeNode& child, DoubleArray& values) {
    const f64 b = child.ev_boost;
    if (b == 0.0) return;
    if (child.kind == kNodeFold) {
        double_array_scale(values, 1.0 - b);
        return;
    }
    if (child.kind == kNodeDecision && child.street == parent.street) {
        double_array_scale_positive(values, 1.0 + b);
        return;
    }
    double_array_scale_signed(values, 1.0 + b, 1.0 / (1.0 + b));
}

// The call and fold children of a river node valued in one sweep, in update
// passes only; returns the number of children still to visit.
u32 precompute_call_and_fold(const NodeWorkRecord& record, std::vector<DoubleArray>& values) {
    const Tree& tree = *record.tree;
    const TreeNode& node = *record.node;
    const u32 n = node.action_count();
    if (tree.pass_mode != kPassUpdate || node.street != kStreetRiver) return n;
    if (!ends_in_call_and_fold(tree, node)) return n;
    const TreeNode& call = tree.nodes[node.children[n - 2]];
    const TreeNode& fold = tree.nodes[node.children[n - 1]];
    const RiverRecord& runout = tree.street_data->boards[record.turn].runouts[record.river];
    river_terminal_pair_values(runout, values[n - 2], values[n - 1], record.opponent_reach,
                               terminal_payoff(tree, call), terminal_payoff(tree, fold));
    return n - 2;
}

void visit_child(NodeWorkRecord& record, NodeWorkRecord& child, TreeNode& child_node,
                 const DoubleArray& row) {
    child.tree = record.tree;
    child.node = &child_node;
    child.turn = record.turn;
    child.river = record.river;
    double_array_mul(child.second_reach, record.second_reach, row);
    std::swap(child.opponent_reach, record.opponent_reach);
    visit_node(child);
    std::swap(child.opponent_reach, record.opponent_reach);
}

// Best response: the best child per hand, or at a locked node the values of
// the strategy it is held to.
void merge_second_values(NodeWorkRecord& record, DoubleArray& child_second, const DoubleArray& row,
                         u32 action, bool locked) {
    if (locked) {
        if (action == 0) {
            double_array_mul(record.second_values, child_second, row);
        } else {
            double_array_fma(record.second_values, child_second, row);
        }
        return;
    }
    if (action == 0) {
        std::swap(record.second_values, child_second);
    } else {
        double_array_max(record.second_values, child_second);
    }
}

void add_weighted(DoubleArray& values, const DoubleArray& child_values, const DoubleArray& row,
                  u32 action) {
    if (action == 0) {
        double_array_mul(values, child_values, row);
    } else {
        double_array_fma(values, child_values, row);
    }
}

// Tie groups for the 16-bit river regrets during the first iterations.
const std::vector<i16>* early_tie_groups(const NodeWorkRecord& record) {
    const Tree& tree = *record.tree;
    if (tree.hand_grouping != 0 || record.node->street != kStreetRiver) return nullptr;
    if (static_cast<i32>(tree.iteration) > g_river_early_iterations) return nullptr;
    return &tree.street_data->boards[record.turn].runouts[record.river].value_runs;
}

void update_regrets(NodeWorkRecord& record, const std::vector<DoubleArray>& action_values) {
    const Tree& tree = *record.tree;
    if (tree.pass_phase == 0 || tree.pass_mode != kPassUpdate || node_locked(record)) return;
    record.node->regrets->update_regrets(record.turn, record.river, record.values, action_values, 0,
                                         early_tie_groups(record), tree.regret_scale);
}

}  // namespace

// The traverser plays its strategy here against an unchanged opponent reach:
// its values are the strategy-weighted sum of the children's, its regrets
// grow by how much better each action did.
void visit_traverser_node(NodeWorkRecord& record) {
    Tree& tree = *record.tree;
    TreeNode& node = *record.node;
    const u32 n = node.action_count();
    FrameLease frame;
    std::vector<DoubleArray>& rows = frame->rows_for(n);
    std::vector<DoubleArray>& action_values = frame->action_values_for(n);
    load_node_strategy(record, rows, frame->sums_for(n), frame->defaults);

    const bool update = tree.pass_mode == kPassUpdate;
    const bool evaluate = tree.pass_mode == kPassEvaluate;
    const bool reached = record.opponent_reach.data != nullptr;
    const bool locked = evaluate && node_locked(record);
    const u32 visited = precompute_call_and_fold(record, action_values);
    NodeWorkRecord& child = frame->child;
    for (u32 a = 0; a < n; ++a) {
        TreeNode& child_node = tree.nodes[node.children[a]];
        if (a < visited) {
            visit_child(record, child, child_node, rows[a]);
            std::swap(child.values, action_values[a]);
            if (evaluate) merge_second_values(record, child.second_values, rows[a], a, locked);
        }
        if (update) apply_ev_boost(node, child_node, action_values[a]);
        if (reached) add_weighted(record.values, action_values[a], rows[a], a);
    }
    if (!reached || !record.values.data) {
        double_array_set_empty(record.values, action_values[0].count);
        return;
    }
    update_regrets(record, action_values);
}
