#include "solver/terminal_payoffs.h"

#include "solver/array_kernels.h"
#include "solver/payoff_kernels.h"

std::atomic<i32> g_last_iteration{0};

namespace {

i32 hand_count(const RiverRecord& record) {
    return static_cast<i32>(record.card_pairs.size());
}

bool exact_removal() {
    return g_last_iteration.load(std::memory_order_relaxed) >= 0;
}

}  // namespace

void terminal_fold_values(const RiverRecord& record, DoubleArray& out, const DoubleArray& reach,
                          f64 payoff) {
    const i32 n = hand_count(record);
    if (!reach.data) {
        double_array_set_empty(out, n);
        return;
    }
    out.resize(n);
    if (exact_removal()) {
        fold_value_combos(out.data, reach.data, n, record.card_pairs.data(), payoff);
        return;
    }
    fold_value_combos_approx(out.data, reach.data, n, payoff);
}

void terminal_showdown_values(const RiverRecord& record, DoubleArray& out, const DoubleArray& reach,
                              f64 payoff) {
    const i32 n = hand_count(record);
    if (!reach.data) {
        double_array_set_empty(out, n);
        return;
    }
    out.resize(n);
    if (exact_removal()) {
        showdown_value_combos(out.data, reach.data, n, record.value_runs.data(),
                              record.card_pairs.data(), payoff);
        return;
    }
    showdown_value_combos_approx(out.data, reach.data, n, record.value_runs.data(), payoff);
}

void board_fold_values(const std::vector<u16>& card_pairs, DoubleArray& out,
                       const DoubleArray& reach, f64 payoff) {
    const i32 n = static_cast<i32>(card_pairs.size());
    out.resize(n);
    fold_value_combos(out.data, reach.data, n, card_pairs.data(), payoff);
}

void river_terminal_pair_values(const RiverRecord& record, DoubleArray& showdown_out,
                                DoubleArray& fold_out, const DoubleArray& reach,
                                f64 showdown_payoff, f64 fold_payoff) {
    const i32 n = hand_count(record);
    if (!reach.data) {
        double_array_set_empty(showdown_out, n);
        double_array_set_empty(fold_out, n);
        return;
    }
    showdown_out.resize(n);
    fold_out.resize(n);
    showdown_value_pair(showdown_out.data, fold_out.data, reach.data, n, record.value_runs.data(),
                        record.card_pairs.data(), showdown_payoff, fold_payoff);
}

void opponent_terminal_pair_values(const RiverRecord& record, DoubleArray& showdown_out,
                                   DoubleArray& fold_out, const DoubleArray& showdown_reach,
                                   const DoubleArray& fold_reach, f64 showdown_payoff,
                                   f64 fold_payoff) {
    const i32 n = hand_count(record);
    if (!showdown_reach.data && !fold_reach.data) {
        double_array_set_empty(showdown_out, n);
        double_array_set_empty(fold_out, n);
        return;
    }
    showdown_out.resize(n);
    fold_out.resize(n);
    showdown_value_pair2(showdown_out.data, fold_out.data, showdown_reach.data, fold_reach.data, n,
                         record.value_runs.data(), record.card_pairs.data(), showdown_payoff,
                         fold_payoff);
}
