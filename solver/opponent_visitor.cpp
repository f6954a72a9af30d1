#include <algorithm>
#include <cmath>
#include <utility>

#include "solver/array_kernels.h"
#include "solver/node_visit.h"
#include "solver/solve_reset.h"
#include "solver/terminal_payoffs.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

constexpr u32 kLastUnweightedIteration = 60;

// Weight of this iteration's strategy in the average: (t - 60)^exponent
// under iteration-weighted averaging, capped; 1 under any other averaging.
f64 averaging_weight(const Tree& tree) {
    if (tree.averaging_mode != 1) return 1.0;
    const i64 t = static_cast<i32>(tree.iteration);
    if (t <= kLastUnweightedIteration) return 0.0;
    const f64 base = static_cast<f64>(t - kLastUnweightedIteration);
    return std::min(g_avg_weight_cap, std::pow(base, g_avg_weight_exponent));
}

void accumulate_average(const NodeWorkRecord& record, const std::vector<DoubleArray>& rows) {
    const Tree& tree = *record.tree;
    if (tree.pass_phase == 0 || tree.pass_mode != kPassUpdate || tree.averaging_mode == 0) return;
    const f64 weight = averaging_weight(tree);
    if (!(weight > 0.0) || node_locked(record)) return;
    record.node->strategy_sums->accumulate_strategy(record.turn, record.river, rows,
                                                    record.opponent_reach, weight);
}

// The call and fold children of a river node valued in one sweep from the
// reaches through those two actions; returns the children still to visit.
u32 precompute_call_and_fold(const NodeWorkRecord& record, const std::vector<DoubleArray>& reaches,
                             std::vector<DoubleArray>& values) {
    const Tree& tree = *record.tree;
    const TreeNode& node = *record.node;
    const u32 n = node.action_count();
    if (tree.pass_mode != kPassUpdate || node.street != kStreetRiver) return n;
    if (!ends_in_call_and_fold(tree, node)) return n;
    if (!reaches[n - 2].data || !reaches[n - 1].data) return n;
    const TreeNode& call = tree.nodes[node.children[n - 2]];
    const TreeNode& fold = tree.nodes[node.children[n - 1]];
    const RiverRecord& runout = tree.street_data->boards[record.turn].runouts[record.river];
    opponent_terminal_pair_values(runout, values[n - 2], values[n - 1], reaches[n - 2],
                                  reaches[n - 1], terminal_payoff(tree, call),
                                  terminal_payoff(tree, fold));
    return n - 2;
}

void visit_child(NodeWorkRecord& record, NodeWorkRecord& child, TreeNode& child_node,
                 DoubleArray& reach) {
    child.tree = record.tree;
    child.node = &child_node;
    child.turn = record.turn;
    child.river = record.river;
    std::swap(child.opponent_reach, reach);
    std::swap(child.second_reach, record.second_reach);
    visit_node(child);
    std::swap(child.second_reach, record.second_reach);
    std::swap(child.opponent_reach, reach);
}

void add_child(DoubleArray& sum, DoubleArray& child_values, u32 action) {
    if (action == 0) {
        std::swap(sum, child_values);
    } else {
        double_array_add(sum, child_values);
    }
}

}  // namespace

// The opponent's reach splits over its actions by its strategy; the node's
// values are the plain sum of the children's. Update passes add the
// opponent's reach-weighted strategy into the strategy sums.
void visit_opponent_node(NodeWorkRecord& record) {
    Tree& tree = *record.tree;
    TreeNode& node = *record.node;
    const u32 n = node.action_count();
    FrameLease frame;
    std::vector<DoubleArray>& reaches = frame->rows_for(n);
    std::vector<DoubleArray>& action_values = frame->action_values_for(n);
    load_node_strategy(record, reaches, frame->sums_for(n), frame->defaults);
    accumulate_average(record, reaches);
    for (u32 a = 0; a < n; ++a) double_array_mul_inplace(reaches[a], record.opponent_reach);

    const bool evaluate = tree.pass_mode == kPassEvaluate;
    const u32 visited = precompute_call_and_fold(record, reaches, action_values);
    NodeWorkRecord& child = frame->child;
    for (u32 a = 0; a < n; ++a) {
        if (a >= visited) {
            add_child(record.values, action_values[a], a);
            continue;
        }
        visit_child(record, child, tree.nodes[node.children[a]], reaches[a]);
        add_child(record.values, child.values, a);
        if (evaluate) add_child(record.second_values, child.second_values, a);
    }
}
