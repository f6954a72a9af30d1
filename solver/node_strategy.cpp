#include <algorithm>
#include <atomic>
#include <span>

#include "solver/node_visit.h"
#include "storage/node_data.h"
#include "tree/tree.h"

namespace {

// Under iteration-weighted averaging the first 60 iterations stay out of the
// average strategy: evaluation plays the current strategy until then.
constexpr u32 kLastUnaveragedIteration = 60;
// Default of the first action while updating: a node without positive regret
// leans on its first action (the largest bet) and shares the rest.
constexpr f64 kFirstActionDefault = 0.9;
constexpr f64 kOtherActionsShare = 0.09999999999999998;

void fill_update_defaults(std::vector<f32>& defaults, u32 n) {
    defaults.resize(n);
    defaults[0] = static_cast<f32>(std::max(kFirstActionDefault, 1.0 / n));
    if (n < 2) return;
    const f32 rest = static_cast<f32>(kOtherActionsShare / static_cast<f64>(n - 1));
    for (u32 a = 1; a < n; ++a) defaults[a] = rest;
}

void fill_uniform_defaults(std::vector<f32>& defaults, u32 n, f32 value) {
    defaults.assign(n, value);
}

// Hands without any strategy sum yet keep the current strategy.
void mix_average_into(std::vector<DoubleArray>& rows, const std::vector<DoubleArray>& sums, u32 n) {
    for (u32 a = 0; a < n; ++a) {
        if (!sums[a].data || !rows[a].data) return;
    }
    const i32 hands = rows[0].count;
    for (i32 h = 0; h < hands; ++h) {
        f64 total = 0.0;
        for (u32 a = 0; a < n; ++a) total += sums[a].data[h];
        if (total == 0.0) continue;
        for (u32 a = 0; a < n; ++a) rows[a].data[h] = sums[a].data[h];
    }
}

void fetch_average_strategy(const NodeWorkRecord& record, std::vector<DoubleArray>& rows,
                            std::vector<DoubleArray>& sums, std::vector<f32>& defaults) {
    TreeNode& node = *record.node;
    const u32 n = node.action_count();
    fill_uniform_defaults(defaults, n, 0.0f);
    node.strategy_sums->average_strategy(sums, record.turn, record.river, defaults);
    fill_uniform_defaults(defaults, n, 1.0f / static_cast<f32>(n));
    node.regrets->average_strategy(rows, record.turn, record.river, defaults);
    mix_average_into(rows, sums, n);
}

}  // namespace

bool averaging_active(const Tree& tree) {
    if (tree.averaging_mode == 0) return false;
    return tree.averaging_mode != 1 || tree.iteration > kLastUnaveragedIteration;
}

// `lock_node` and `unlock_node` flip the mark while the solver runs.
bool node_locked(const NodeWorkRecord& record) {
    std::atomic_ref<u32> flags(record.node->regrets->entry(record.turn, record.river).flags);
    return (flags.load(std::memory_order_relaxed) & k_entry_locked) != 0;
}

void load_node_strategy(const NodeWorkRecord& record, std::vector<DoubleArray>& rows,
                        std::vector<DoubleArray>& sums, std::vector<f32>& defaults) {
    const Tree& tree = *record.tree;
    TreeNode& node = *record.node;
    const u32 n = node.action_count();
    if (tree.pass_mode == kPassUpdate) {
        fill_update_defaults(defaults, n);
    } else if (averaging_active(tree) && node.strategy_sums) {
        fetch_average_strategy(record, rows, sums, defaults);
        return;
    } else {
        fill_uniform_defaults(defaults, n, 1.0f / static_cast<f32>(n));
    }
    node.regrets->average_strategy(rows, record.turn, record.river, defaults);
}
