#include "solver/solve_reset.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "storage/block_arena.h"
#include "storage/node_data.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

namespace {

constexpr i32 kIterationCap = 9000;
constexpr f64 kAvgWeightExponent = 1.5;
constexpr f64 kRiverAvgWeightExponent = 4.0;
constexpr f64 kAvgWeightCap = 262143.0;
// Coded regret stores average ties in their first iterations.
constexpr i32 kCodedRiverEarlyIterations = 30;
constexpr u32 kCodedMode = 2;
// Iteration-weighted averaging starts after this many iterations.
constexpr i32 kLastUnweightedIteration = 60;
constexpr f64 kLargestIntegerSum = 2147483647.0;

struct LevelModes {
    i32 level;
    StoreModes modes;
};

constexpr LevelModes kLevelModes[] = {
    {0, {0, 0}}, {1, {0, 1}}, {2, {1, 1}}, {3, {1, 2}}, {4, {2, 2}},
};

void set_averaging_for_root(u32 root_street) {
    const bool river = root_street == kStreetRiver;
    g_avg_weight_exponent = river ? kRiverAvgWeightExponent : kAvgWeightExponent;
    g_avg_weight_cap = river ? std::numeric_limits<f64>::max() : kAvgWeightCap;
}

void drop_stores(Tree& tree) {
    for (TreeNode& node : tree.nodes) {
        node.regrets.reset();
        node.strategy_sums.reset();
        node.stores_prepared = 0;
    }
    tree.all_stores_prepared = 0;
}

}  // namespace

i32 g_iteration_cap = kIterationCap;
f64 g_avg_weight_exponent = kAvgWeightExponent;
f64 g_avg_weight_cap = kAvgWeightCap;
i32 g_river_early_iterations = 0;
f64 g_regret_scale_base = kRegretScaleBase;

StoreModes store_modes_of_level(i32 level) {
    for (const LevelModes& entry : kLevelModes) {
        if (entry.level == level) return entry.modes;
    }
    return StoreModes{};
}

void create_tree(const TreeSpec& spec) {
    std::unique_ptr<Tree> tree = make_tree(spec);
    const u32 root_street = tree->root_street();
    install_tree(std::move(tree));
    set_new_tree_solver_defaults(root_street);
}

void set_new_tree_solver_defaults(u32 root_street) {
    g_river_early_iterations = 0;
    g_regret_scale_base = kRegretScaleBase;
    g_iteration_cap = kIterationCap;
    set_averaging_for_root(root_street);
}

bool reset_tree_stores(Tree& tree, const u32 modes[2]) {
    const bool flop_root = tree.root_street() == kStreetFlop;
    tree.store_modes[0] = flop_root ? modes[0] : 0;
    tree.store_modes[1] = flop_root ? modes[1] : 0;
    tree.regret_scale = kRegretScaleBase / tree.max_amount;
    try {
        create_all_node_data(tree);
    } catch (const std::bad_alloc&) {
        drop_stores(tree);
        return false;
    }
    return true;
}

void set_solver_parameters(const Tree& tree, const u32 modes[2]) {
    g_iteration_cap = kIterationCap;
    g_regret_scale_base = kRegretScaleBase;
    set_averaging_for_root(tree.root_street());
    // Read from the request, even where the root forces uncompressed stores.
    g_river_early_iterations =
        static_cast<i32>(modes[0]) >= static_cast<i32>(kCodedMode) ? kCodedRiverEarlyIterations : 0;
    reset_storage_rate_stats();
}

bool reset_solve(Tree& tree, const u32 modes[2]) {
    if (!reset_tree_stores(tree, modes)) return false;
    set_solver_parameters(tree, modes);
    return true;
}

bool reset_solve(const u32 modes[2]) {
    return g_tree && reset_solve(*g_tree, modes);
}

f64 max_weight_for_integer_sums() {
    static const f64 bound = [] {
        f64 weights = 0.0;
        i32 iterations = 0;
        for (i32 t = kLastUnweightedIteration + 1; t < kIterationCap; ++t) {
            const f64 base = static_cast<f64>(t - kLastUnweightedIteration);
            weights += std::min(kAvgWeightCap, std::pow(base, kAvgWeightExponent));
            ++iterations;
        }
        return (kLargestIntegerSum - 0.5 * iterations) / weights;
    }();
    return bound;
}

std::unique_ptr<TreeSizeStats> copy_tree_size_stats() {
    if (!g_tree) return nullptr;
    return std::make_unique<TreeSizeStats>(g_tree->size_stats);
}
