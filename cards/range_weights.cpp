#include "cards/range_weights.h"

#include <algorithm>
#include <cmath>

#include "cards/hand_tables.h"

namespace {

f64 compatible_sum(const u64* hands, const f64* weights, i32 n, u64 hand) {
    f64 sum = 0.0;
    for (i32 j = 0; j < n; ++j) {
        if (!(hands[j] & hand)) sum += weights[j];
    }
    return sum;
}

// Sum over i of mine[i] x (the opponent's weight on hands compatible with i).
f64 matchup_total(const u64* hands, const f64* mine, const f64* theirs, i32 n) {
    f64 total = 0.0;
    for (i32 i = 0; i < n; ++i) total += mine[i] * compatible_sum(hands, theirs, n, hands[i]);
    return total;
}

bool normalize_player(std::vector<f64>& normalized, const std::vector<f64>& mine,
                      const std::vector<f64>& theirs, const std::vector<u64>& hands) {
    const i32 n = static_cast<i32>(hands.size());
    normalized.assign(hands.size(), 0.0);
    f64 total = matchup_total(hands.data(), mine.data(), theirs.data(), n);
    if (!(total > 0.0) || !std::isfinite(total)) return false;
    for (i32 i = 0; i < n; ++i) normalized[i] = mine[i] / total;
    return true;
}

}  // namespace

bool normalize_range_weights(std::vector<f64> weights[2], std::vector<f64> normalized[2],
                             const f64* range_oop, const f64* range_ip,
                             const std::vector<u64>& hands) {
    weights[0].clear();
    weights[1].clear();
    for (u64 hand : hands) {
        int combo = combo_of_mask(hand);
        weights[0].push_back(range_oop[combo]);
        weights[1].push_back(range_ip[combo]);
    }
    bool oop_ok = normalize_player(normalized[0], weights[0], weights[1], hands);
    bool ip_ok = normalize_player(normalized[1], weights[1], weights[0], hands);
    if (oop_ok && ip_ok) return true;
    std::fill(normalized[0].begin(), normalized[0].end(), 0.0);
    std::fill(normalized[1].begin(), normalized[1].end(), 0.0);
    return false;
}

bool normalize_range_weights(RootWeights& root, const f64* range_oop, const f64* range_ip,
                             const std::vector<u64>& hands) {
    return normalize_range_weights(root.weights, root.normalized, range_oop, range_ip, hands);
}

f64 matchup_weighted_average(const f64* a, const f64* b, const f64* c, const u64* hands, i32 n) {
    if (n <= 0) return 0.0;
    f64 denominator = matchup_total(hands, b, c, n);
    if (denominator == 0.0) return 0.0;
    f64 sum = 0.0;
    for (i32 i = 0; i < n; ++i) sum += a[i] * b[i] / denominator;
    return sum;
}
