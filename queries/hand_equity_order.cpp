#include "queries/hand_equity_order.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "cards/hand_tables.h"
#include "queries/hand_equity.h"
#include "queries/node_path.h"
#include "tree/line_tree.h"

namespace {

// Key of a hand without a defined equity: sorts after every real equity.
constexpr f64 kNoEquity = std::numeric_limits<f64>::lowest();

}  // namespace

std::vector<i32> order_by_equity(const f64* combo_equity) {
    std::array<f64, kHandCount> key;
    for (i32 h = 0; h < kHandCount; ++h) {
        const f64 e = combo_equity[g_protocol_to_combo[h]];
        key[static_cast<std::size_t>(h)] = std::isnan(e) ? kNoEquity : e;
    }
    std::vector<i32> order(kHandCount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&key](i32 a, i32 b) {
        return key[static_cast<std::size_t>(a)] > key[static_cast<std::size_t>(b)];
    });
    const auto undefined = std::find_if(order.begin(), order.end(), [&key](i32 h) {
        return key[static_cast<std::size_t>(h)] == kNoEquity;
    });
    order.erase(undefined, order.end());
    return order;
}

std::vector<i32> equity_hand_order(std::string path) {
    if (path == "r") path = "r:0";
    const NodeRef ref = resolve_node_path(path);
    const u32 player = ref.node ? ref.node->player : 0;
    const std::vector<f64> uniform(kHandCount, 1.0);
    std::array<f64, kHandCount> equity;
    std::array<f64, kHandCount> weight;
    equity.fill(0.0);
    weight.fill(0.0);
    hand_equity(player, ref.turn_card, ref.river_card, uniform.data(), uniform.data(),
                equity.data(), weight.data());
    return order_by_equity(equity.data());
}
