#include "solver/results.h"

#include "solver/solver_pass.h"
#include "solver/solver_thread.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

namespace {

std::mutex g_history_mutex;
std::vector<SolverStatsRecord> g_history;

// Cached figures in the tree: best response then expected value, per player.
enum CachedResult { kMesOop, kEvOop, kMesIp, kEvIp };

SolverStatsRecord from_cache(const Tree& tree) {
    SolverStatsRecord record;
    record.iteration = static_cast<u32>(tree.results_iteration);
    record.ev_oop = tree.pass_results[kEvOop];
    record.ev_ip = tree.pass_results[kEvIp];
    record.mes_oop = tree.pass_results[kMesOop];
    record.mes_ip = tree.pass_results[kMesIp];
    record.exploitability = tree.exploitability;
    return record;
}

}  // namespace

void store_results_summary(Tree& tree, const SolverStatsRecord& record) {
    tree.results_iteration = static_cast<i32>(record.iteration);
    tree.pass_results[kMesOop] = record.mes_oop;
    tree.pass_results[kEvOop] = record.ev_oop;
    tree.pass_results[kMesIp] = record.mes_ip;
    tree.pass_results[kEvIp] = record.ev_ip;
    tree.exploitability = record.exploitability;
    tree.mean_ev = 0.5 * (record.ev_oop + record.ev_ip);
}

// Both passes under one hold of the pass lock, so that they measure the
// same iteration even while the solver thread runs.
SolverStatsRecord measure_tree(Tree& tree) {
    const PassLock lock;
    const PassResult oop = solver_pass(tree, 0, kPassEvaluate);
    const PassResult ip = solver_pass(tree, 1, kPassEvaluate);
    SolverStatsRecord record;
    record.iteration = tree.iteration;
    record.ev_oop = oop.expected;
    record.ev_ip = ip.expected;
    record.mes_oop = oop.best_response;
    record.mes_ip = ip.best_response;
    record.exploitability =
        0.5 * (((oop.best_response + ip.best_response) - oop.expected) - ip.expected);
    return record;
}

// Under the pass lock throughout: the solver thread moves the iteration
// counter and the flags word between its passes.
SolverStatsRecord prepare_results() {
    const PassLock lock;
    Tree& tree = *g_tree;
    prepare_node_stores(tree);
    // A complete tree is always measured afresh; an incomplete one (its
    // cache came from its archive) keeps its cache for the cached iteration.
    const bool complete = (tree.flags & kTreeIncomplete) == 0;
    if (complete || tree.results_iteration != static_cast<i32>(tree.iteration)) {
        store_results_summary(tree, measure_tree(tree));
    }
    return from_cache(tree);
}

void append_solver_history(const SolverStatsRecord& record) {
    std::lock_guard lock(g_history_mutex);
    g_history.push_back(record);
}

void clear_solver_history() {
    std::lock_guard lock(g_history_mutex);
    g_history.clear();
}

std::vector<SolverStatsRecord> copy_solver_history() {
    if (!solver_running()) return {};
    std::lock_guard lock(g_history_mutex);
    return g_history;
}

std::vector<SolverStatsRecord> copy_last_run_history() {
    std::lock_guard lock(g_history_mutex);
    return g_history;
}
