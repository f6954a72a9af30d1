#include "queries/range_at_path.h"

#include <cmath>

#include "cards/hand_tables.h"
#include "queries/node_display.h"
#include "queries/node_path.h"
#include "queries/strategy_at_node.h"
#include "shell/command_reply.h"
#include "shell/settings.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

// Multiplies the range by the strategy of the action that leads from `up`
// to `below`, when `up` is a decision of the player.
void apply_own_action(std::vector<f64>& range, int player, const NodeRef& up, const NodeRef& below,
                      std::vector<f64>& strategy) {
    if (!is_decision_point(up) || up.node->player != static_cast<u32>(player)) return;
    const i32 position = child_position(*up.node, below.node);
    compute_node_strategy(up.node->index, position, up.turn_card, up.river_card, strategy.data());
    for (int c = 0; c < kHandCount; ++c) range[c] *= strategy[c];
}

}  // namespace

const std::vector<f64>& query_range(int player) {
    const bool built = g_tree_present && g_tree;
    const std::vector<f64>& range = built ? g_tree->ranges[player] : g_ranges[player];
    if (range.size() != static_cast<std::size_t>(kHandCount)) throw_command_error("ranges not set");
    return range;
}

std::vector<f64> range_at_path(int player, const std::string& path) {
    if (path.empty()) return query_range(player);
    // A path needs a tree, and with a tree the ranges are always there: the
    // path's own failure comes first.
    NodeRef below = resolve_node_path(path);
    std::vector<f64> range = query_range(player);
    NodeRef up = parent_node_ref(below);
    std::vector<f64> strategy(kHandCount);
    while (up.node) {
        apply_own_action(range, player, up, below, strategy);
        below = up;
        up = parent_node_ref(up);
    }
    return range;
}

f64 path_reach_probability(int player, const std::string& path) {
    const std::vector<f64> reached = range_at_path(player, path);
    const std::vector<f64>& range = query_range(player);
    f64 reached_sum = 0.0;
    f64 weight = 0.0;
    for (int c = 0; c < kHandCount; ++c) {
        if (std::isnan(reached[c])) continue;
        reached_sum += reached[c];
        weight += range[c];
    }
    return reached_sum / weight;
}
