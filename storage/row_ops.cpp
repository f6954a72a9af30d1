#include "storage/row_ops.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

void check_defaults(std::span<const f32> defaults, i32 actions) {
    if (static_cast<i64>(defaults.size()) < actions) {
        throw std::invalid_argument("fewer strategy defaults than actions");
    }
}

void check_update_args(const DoubleArray& node_values,
                       const std::vector<DoubleArray>& action_values, i32 actions, i32 hands) {
    if (static_cast<i64>(action_values.size()) < actions) {
        throw std::invalid_argument("fewer action values than actions");
    }
    const i32 n = node_values.count;
    if (n > hands) throw std::invalid_argument("node values longer than the rows");
    for (i32 a = 0; a < actions; ++a) {
        const DoubleArray& v = action_values[a];
        if (v.data && v.count < n)
            throw std::invalid_argument("action values shorter than node values");
    }
}

void check_accumulate_args(const std::vector<DoubleArray>& strategy, const DoubleArray& reach,
                           i32 actions, i32 hands) {
    if (static_cast<i64>(strategy.size()) < actions) {
        throw std::invalid_argument("fewer strategy rows than actions");
    }
    for (i32 a = 0; a < actions; ++a) {
        const DoubleArray& s = strategy[a];
        if (!s.data) continue;
        if (s.count > hands || s.count > reach.count) {
            throw std::invalid_argument("strategy row longer than the rows or the reach");
        }
    }
}

void shape_output(std::vector<DoubleArray>& out, i32 actions, i32 hands) {
    out.resize(static_cast<std::size_t>(actions));
    for (DoubleArray& a : out) a.resize(hands);
}

void fill_defaults(std::vector<DoubleArray>& out, std::span<const f32> defaults) {
    for (std::size_t a = 0; a < out.size(); ++a) {
        DoubleArray& row = out[a];
        for (i32 h = 0; h < row.count && row.data; ++h) row.data[h] = defaults[a];
    }
}

u16 saturate_u16(f64 v) {
    if (!(v > 0.0)) return 0;
    if (v >= 65535.0) return 65535;
    return static_cast<u16>(v);
}

void average_tie_groups(u16* row, i32 hands, const std::vector<i16>& tie_groups) {
    i32 h = 0;
    for (const i16 length : tie_groups) {
        if (h >= hands) return;
        if (length < 1) continue;
        // A run of one hand is its own mean (most runs are).
        if (length == 1) {
            ++h;
            continue;
        }
        const i32 g = std::min<i32>(length, hands - h);
        u32 sum = 0;
        for (i32 j = 0; j < g; ++j) sum += row[h + j];
        const u16 mean = static_cast<u16>(sum / static_cast<u32>(g));
        for (i32 j = 0; j < g; ++j) row[h + j] = mean;
        h += g;
    }
}

void update_u16_regret_rows(u16* first, u64 stride, i32 actions, i32 hands,
                            const DoubleArray& node_values,
                            const std::vector<DoubleArray>& action_values,
                            const std::vector<i16>* tie_groups, f64 scale) {
    check_update_args(node_values, action_values, actions, hands);
    const f32 k = static_cast<f32>(std::pow(scale, 0.75));
    const f32 t = static_cast<f32>(1.0 / scale);
    const NodeKernels& kernels = node_kernels();
    for (i32 a = 0; a < actions; ++a) {
        u16* row = first + stride * a;
        kernels.update_regrets_u16(row, action_values[a].data, node_values.data, node_values.count,
                                   k, t);
        if (tie_groups) average_tie_groups(row, hands, *tie_groups);
    }
}

bool finite_non_negative(const f32* values, i64 n) {
    for (i64 i = 0; i < n; ++i) {
        if (!(values[i] >= 0.0f && values[i] <= std::numeric_limits<f32>::max())) return false;
    }
    return true;
}
