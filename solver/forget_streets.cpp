#include "solver/forget_streets.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <new>

#include "solver/array_kernels.h"
#include "solver/node_visit.h"
#include "solver/results.h"
#include "solver/solver_pass.h"
#include "solver/split_solve.h"
#include "storage/block_walks.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/shared_fields.h"

namespace {

// A player whose reach at a split is at most this share of the largest reach
// total of any split keeps the reach that the update passes accumulated:
// the reach under the average strategies is too thin there to trust.
constexpr f64 kRecomputableShare = 0.01;

f64 sum_of(const DoubleArray& a) {
    f64 sum = 0.0;
    if (a.data) {
        for (i32 i = 0; i < a.count; ++i) sum += a.data[i];
    }
    return sum;
}

std::unique_ptr<NodeResultRecord> copy_record(const NodeResultRecord& record) {
    auto copy = std::make_unique<NodeResultRecord>();
    for (int k = 0; k < 6; ++k) copy_double_array(copy->arrays[k], record.arrays[k]);
    copy->reach_frozen = record.reach_frozen;
    copy->solved_splits = record.solved_splits;
    return copy;
}

// The streets from `level` on are gone already (an incomplete tree forgotten
// from an earlier street), or the stores that the reach walk needs above
// `level` are missing: nothing to walk, nothing to free.
bool nothing_to_forget(const Tree& tree, i32 level) {
    if (level <= static_cast<i32>(tree.root_street())) return true;
    const bool incomplete = (load_tree_flags(tree) & kTreeIncomplete) != 0;
    if (incomplete && tree.forget_level >= 0 && tree.forget_level < level) return true;
    for (const TreeNode& node : tree.nodes) {
        if (node.is_decision() && static_cast<i32>(node.street) < level && !node.regrets) {
            return true;
        }
    }
    return false;
}

// The cached results for the current iteration; the evaluation passes that
// make them also leave every chance node's values in its result record.
void evaluate_if_stale(Tree& tree) {
    if (tree.results_iteration == static_cast<i32>(tree.iteration)) return;
    prepare_node_stores(tree);
    store_results_summary(tree, measure_tree(tree));
}

void free_stores_from(Tree& tree, i32 level) {
    for (TreeNode& node : tree.nodes) {
        if (static_cast<i32>(node.street) < level) continue;
        node.regrets.reset();
        node.strategy_sums.reset();
        node.stores_prepared = 0;
    }
    tree.all_stores_prepared = 0;
}

void freeze_player_reach(NodeResultRecord& result, int player, const DoubleArray& reach,
                         f64 threshold) {
    DoubleArray& stored = result.arrays[player];
    const bool recomputable = sum_of(reach) > threshold;
    if (recomputable) copy_double_array(stored, reach);
    result.reach_recomputable[player] = recomputable ? 1 : 0;
    const f64 sum = sum_of(stored);
    if (sum > DBL_EPSILON) double_array_scale(stored, kFrozenReachSum / sum);
}

void freeze_reach(const NodeWorkRecords& records,
                  std::vector<std::unique_ptr<NodeResultRecord>>* backup) {
    f64 largest = 0.0;
    for (const auto& record : records) {
        largest = std::max({largest, sum_of(record->second_reach), sum_of(record->opponent_reach)});
    }
    const f64 threshold = kRecomputableShare * largest;
    for (const auto& record : records) {
        // Each record opens the street at its node: a split root.
        NodeResultRecord* result = split_record(*record->node, record->turn);
        if (!result) continue;
        if (backup) backup->push_back(copy_record(*result));
        freeze_player_reach(*result, 0, record->second_reach, threshold);
        freeze_player_reach(*result, 1, record->opponent_reach, threshold);
        result->reach_frozen = 1;
    }
}

void forget(Tree& tree, i32 level, std::vector<std::unique_ptr<NodeResultRecord>>* backup) {
    if (nothing_to_forget(tree, level)) return;
    evaluate_if_stale(tree);
    const PassLock lock;
    const bool keep_stores = backup != nullptr;
    if (!keep_stores) free_stores_from(tree, level);
    freeze_reach(street_work_records(tree, static_cast<u32>(level)), backup);
    if (keep_stores) return;
    store_tree_flags(tree, (load_tree_flags(tree) & ~kTreeNew) | kTreeIncomplete);
    tree.forget_level = level;
}

bool forgotten_node_missing(const Tree& tree, const TreeNode& node) {
    if (!node.is_decision() || static_cast<i32>(node.street) < tree.forget_level) return false;
    return !node.stores_prepared || !node.regrets;
}

}  // namespace

void forget_streets(Tree& tree, i32 level) {
    forget(tree, level, nullptr);
}

void forget_streets_with_backup(Tree& tree, i32 level,
                                std::vector<std::unique_ptr<NodeResultRecord>>* backup) {
    forget(tree, level, backup);
}

bool rebuild_missing_stores(Tree& tree) {
    const i32 level = tree.forget_level;
    if (level < 0 || level > static_cast<i32>(kStreetRiver)) return true;
    for (TreeNode& node : tree.nodes) {
        if (!forgotten_node_missing(tree, node)) continue;
        // The split root's solved marks described data that this node held.
        if (TreeNode* root = split_root_of(tree, node)) clear_solved_marks(*root);
        try {
            recreate_node_stores(tree, node);
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

bool solver_rebuild_streets(Tree& tree) {
    if (tree.forget_level < 0) return true;
    if (!rebuild_missing_stores(tree)) return false;
    store_tree_flags(tree, load_tree_flags(tree) & ~kTreeIncomplete);
    return true;
}

void discard_forgotten_state(Tree& tree) {
    tree.forget_level = -1;
    store_tree_flags(tree, load_tree_flags(tree) & ~kTreeIncomplete);
    tree.results_iteration = -1;
    for (TreeNode& node : tree.nodes) {
        for (NodeResultRecord& record : node.results) record = NodeResultRecord{};
    }
}
