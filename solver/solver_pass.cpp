#include "solver/solver_pass.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "solver/node_visit.h"
#include "solver/terminal_payoffs.h"
#include "solver/work_items.h"
#include "tree/tree.h"

namespace {

std::mutex g_pass_mutex;
// Threads blocked in taking the pass lock that the solver thread lets in
// first.
std::atomic<i32> g_pass_lock_waiters{0};
thread_local i32 t_pass_lock_depth = 0;
thread_local bool t_yields_to_commands = false;

void wait_while_commands_wait() {
    while (g_pass_lock_waiters.load(std::memory_order_acquire) > 0) std::this_thread::yield();
}

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

PassResult solver_pass_locked(Tree& tree, u32 player, u32 mode) {
    const WorkItemsCleanup cleanup;
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
    return result;
}

}  // namespace

PassLock::PassLock() {
    if (t_pass_lock_depth > 0) {
        ++t_pass_lock_depth;
        return;
    }
    if (t_yields_to_commands) {
        wait_while_commands_wait();
        g_pass_mutex.lock();
    } else {
        g_pass_lock_waiters.fetch_add(1, std::memory_order_acq_rel);
        g_pass_mutex.lock();
        g_pass_lock_waiters.fetch_sub(1, std::memory_order_acq_rel);
    }
    t_pass_lock_depth = 1;
}

PassLock::~PassLock() {
    if (--t_pass_lock_depth == 0) g_pass_mutex.unlock();
}

void yield_pass_lock_to_commands() {
    t_yields_to_commands = true;
}

PassResult solver_pass(Tree& tree, u32 player, u32 mode) {
    const PassLock lock;
    return solver_pass_locked(tree, player, mode);
}

IterationResult solver_iteration(Tree& tree) {
    const f64 ip = solver_pass(tree, 1, kPassUpdate).expected;
    const f64 oop = solver_pass(tree, 0, kPassUpdate).expected;
    // Under the pass lock, and atomically: queries that take no pass lock
    // (strategies of river nodes, under their turn locks) read the counter
    // while the solver runs.
    const PassLock lock;
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
