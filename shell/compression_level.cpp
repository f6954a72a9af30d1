#include "shell/compression_level.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "shell/command_reply.h"
#include "solver/solve_reset.h"
#include "tree/tree.h"

namespace {

constexpr int kRanks = 13;
constexpr int kSuits = 4;
// The automatic level keeps 15 % of the available memory free.
constexpr f64 kMemoryBudgetShare = 0.85;
constexpr f64 kLevel1Share = 0.58;
constexpr f64 kLevel2Share = 0.39;
constexpr f64 kLevel3Share = 0.31;
constexpr f64 kRainbowFactor = 0.8;

f64 largest_weight(const Tree& tree) {
    f64 largest = 0.0;
    for (const std::vector<f64>& range : tree.ranges) {
        for (const f64 w : range) largest = std::max(largest, w);
    }
    return largest;
}

}  // namespace

i32 compression_level_for_budget(f64 budget, f64 need, bool rainbow) {
    const f64 level2 = rainbow ? kLevel2Share * kRainbowFactor : kLevel2Share;
    const f64 level3 = rainbow ? kLevel3Share * kRainbowFactor : kLevel3Share;
    if (budget > kLevel1Share * need) return 1;
    if (budget > level2 * need) return 2;
    if (budget > level3 * need) return 3;
    return 4;
}

i32 automatic_compression_level(i64 need, u64 available, bool rainbow) {
    const i64 budget = static_cast<i64>(static_cast<f64>(available) * kMemoryBudgetShare);
    if (need < budget) return 0;
    return compression_level_for_budget(static_cast<f64>(budget), static_cast<f64>(need), rainbow);
}

bool rainbow_flop(u64 flop_mask) {
    int suits = 0;
    for (int suit = 0; suit < kSuits; ++suit) {
        if ((flop_mask >> (suit * kRanks)) & ((u64{1} << kRanks) - 1)) ++suits;
    }
    return suits == 3;
}

bool weights_fit_every_level(const Tree& tree) {
    return tree.root_street() != kStreetFlop ||
           !(largest_weight(tree) > max_weight_for_integer_sums());
}

void check_range_weights_for_level(const Tree& tree, i32 level) {
    if (store_modes_of_level(level).strategy == 0 || weights_fit_every_level(tree)) return;
    char reason[160];
    std::snprintf(reason, sizeof reason,
                  "range weight %g is above %.4g, the most that the strategy sums of compression "
                  "level %d can carry",
                  largest_weight(tree), max_weight_for_integer_sums(), level);
    throw_command_error(reason);
}
