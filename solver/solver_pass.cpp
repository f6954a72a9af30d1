#include "solver/solver_pass.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "solver/node_visit.h"
#include "solver/terminal_payoffs.h"
#include "solver/work_items.h"
#include "tree/tree.h"

std::mutex g_pass_mutex;

namespace {

void set_root_reach(const Tree& tree, NodeWorkRecord& root) {
    const std::vector<f64>& weights = tree.root_weights.weights[tree.traverser ^ 1u];
    const i32 n = static_cast<i32>(weights.size());
    root.opponent_reach.resize(n);
    if (n > 0) std::memcpy(root.opponent_reach.data, weights.data(), sizeof(f64) * weights.size());
}

f64 weighted_sum(const DoubleArray& values, const std::vector<f64>& own) {
    if (!values.data) return 0.0;
    const std::size_t n = std::min(static_cast<std::size_t>(values.count), own.size());
    f64 sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) sum += values.data[i] * own[i];
    return sum;
}

// Without chance nodes below the root (a river root) the first walk queues
// nothing and changes nothing; the second walk does all the work alone.
bool has_chance_nodes(const Tree& tree) {
    return tree.root_street() != kStreetRiver;
}

}  // namespace

PassResult solver_pass(Tree& tree, u32 player, u32 mode) {
    std::lock_guard lock(g_pass_mutex);
    return solver_pass_locked(tree, player, mode);
}

PassResult solver_pass_locked(Tree& tree, u32 player, u32 mode) {
    NodeWorkRecord root;
    root.tree = &tree;
    root.node = &tree.nodes[0];
    root.turn = tree.root_board_index;
    root.river = tree.root_river_index;
    tree.capture_request = nullptr;
    tree.traverser = player;
    tree.pass_mode = mode;
    if (has_chance_nodes(tree)) {
        tree.pass_phase = 0;
        set_root_reach(tree, root);
        visit_node(root);
        tree.pass_phase = 1;
        run_work_items();
    }
    tree.pass_phase = 2;
    set_root_reach(tree, root);
    g_work_cursor = 0;
    visit_node(root);

    const std::vector<f64>& own = tree.root_weights.normalized[player];
    PassResult result;
    result.expected = weighted_sum(root.values, own);
    if (mode == kPassEvaluate) result.best_response = weighted_sum(root.second_values, own);
    clear_work_items();
    return result;
}

IterationResult solver_iteration(Tree& tree) {
    const f64 ip = solver_pass(tree, 1, kPassUpdate).expected;
    const f64 oop = solver_pass(tree, 0, kPassUpdate).expected;
    // Under the pass lock, and atomically: queries that take no pass lock
    // (flop and turn strategies) read the counter while the solver runs.
    std::lock_guard lock(g_pass_mutex);
    std::atomic_ref<u32>(tree.iteration).fetch_add(1, std::memory_order_relaxed);
    // Queries read the flags word without any lock while the solver runs:
    // it is written once, by the first iteration, and atomically.
    std::atomic_ref<u32> flags(tree.flags);
    if ((flags.load(std::memory_order_relaxed) & kTreeNew) != 0) {
        flags.fetch_and(~kTreeNew, std::memory_order_relaxed);
    }
    g_last_iteration.store(static_cast<i32>(tree.iteration));
    return IterationResult{(ip + oop) * 0.5, ip, oop};
}
