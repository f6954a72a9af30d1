// Row helpers shared by the store kinds: argument checks, the output shape of
// `average_strategy`, and normalisation of a row set whose rows are reached
// through an accessor (separate buffers in the flop stores, strided rows in
// the river blocks). Not part of the store interface.
#pragma once

#include <span>
#include <vector>

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "storage/node_kernels.h"

// Hands per pass over the totals: a flop hand list (at most 1326 hands) fits
// in one, and the kernels' groups of eight stay aligned with the row's.
inline constexpr i32 k_total_window = 1328;

// Throw std::invalid_argument; see storage/node_data.h for the contracts.
void check_defaults(std::span<const f32> defaults, i32 actions);
void check_update_args(const DoubleArray& node_values,
                       const std::vector<DoubleArray>& action_values, i32 actions, i32 hands);
void check_accumulate_args(const std::vector<DoubleArray>& strategy, const DoubleArray& reach,
                           i32 actions, i32 hands);

// `out` becomes `actions` arrays of `hands` values (no data when hands is 0).
void shape_output(std::vector<DoubleArray>& out, i32 actions, i32 hands);
void fill_defaults(std::vector<DoubleArray>& out, std::span<const f32> defaults);

// The output rows of a shaped `average_strategy` result as the row-set
// kernels take them; a node with more actions than the stack list holds
// (none that a betting tree builds) gets a list on the heap.
class OutputRows {
public:
    explicit OutputRows(std::vector<DoubleArray>& out) {
        const std::size_t actions = out.size();
        if (actions > kOnStack) heap_.resize(actions);
        rows_ = actions > kOnStack ? heap_.data() : stack_;
        for (std::size_t a = 0; a < actions; ++a) rows_[a] = out[a].data;
    }
    OutputRows(const OutputRows&) = delete;
    OutputRows& operator=(const OutputRows&) = delete;
    f64* const* rows() const { return rows_; }

private:
    static constexpr std::size_t kOnStack = 16;
    f64* stack_[kOnStack];
    std::vector<f64*> heap_;
    f64** rows_;
};

// Values of `values` as they enter a store row; no data reads as zeros.
inline f64 stored_value(const DoubleArray& values, i32 h) {
    return values.data ? values.data[h] : 0.0;
}

// Whether every value is a finite number of at least 0: what a regret or a
// strategy sum read from an archive must be.
bool finite_non_negative(const f32* values, i64 n);

// The quantised regret of a stored value: truncated toward zero and held in
// 0..65535 (NaN gives 0) rather than wrapped.
u16 saturate_u16(f64 v);

// Each run of equal showdown value (lengths in order from hand 0) takes the
// truncated mean of its values; runs are cut at the row's end.
void average_tie_groups(u16* row, i32 hands, const std::vector<i16>& tie_groups);

// The quantised regret update of a 16-bit row set: `actions` rows of `hands`
// values, `stride` values apart from `first`. Checks the arguments as
// `update_regrets` does, then adds trunc(k |r|^0.75) steps with
// k = scale^0.75 (one step stands for a float regret of scale^-0.75, so
// |r| below 1/scale rounds to nothing) and, with tie groups, averages each
// row over them.
void update_u16_regret_rows(u16* first, u64 stride, i32 actions, i32 hands,
                            const DoubleArray& node_values,
                            const std::vector<DoubleArray>& action_values,
                            const std::vector<i16>* tie_groups, f64 scale);

// out[a][h] = row_at(a)[h] / total[h] with float totals summed in action
// order, or defaults[a] below 2^-126. `out` must be shaped already.
template <class RowAt>
void normalize_float_rows(std::vector<DoubleArray>& out, i32 actions, i32 hands,
                          std::span<const f32> defaults, RowAt row_at) {
    const NodeKernels& kernels = node_kernels();
    f32 totals[k_total_window];
    for (i32 h0 = 0; h0 < hands; h0 += k_total_window) {
        const i32 w = hands - h0 < k_total_window ? hands - h0 : k_total_window;
        const f32* first = row_at(0) + h0;
        for (i32 j = 0; j < w; ++j) totals[j] = first[j];
        for (i32 a = 1; a < actions; ++a) {
            const f32* row = row_at(a) + h0;
            for (i32 j = 0; j < w; ++j) totals[j] += row[j];
        }
        for (i32 a = 0; a < actions; ++a) {
            kernels.normalize_f32(out[a].data + h0, row_at(a) + h0, totals, w, defaults[a]);
        }
    }
}

// The same over 16-bit rows; totals are exact integer sums turned to float.
template <class RowAt>
void normalize_u16_rows(std::vector<DoubleArray>& out, i32 actions, i32 hands,
                        std::span<const f32> defaults, RowAt row_at) {
    const NodeKernels& kernels = node_kernels();
    u32 sums[k_total_window];
    f32 totals[k_total_window];
    for (i32 h0 = 0; h0 < hands; h0 += k_total_window) {
        const i32 w = hands - h0 < k_total_window ? hands - h0 : k_total_window;
        for (i32 j = 0; j < w; ++j) sums[j] = 0;
        for (i32 a = 0; a < actions; ++a) {
            const u16* row = row_at(a) + h0;
            for (i32 j = 0; j < w; ++j) sums[j] += row[j];
        }
        for (i32 j = 0; j < w; ++j) totals[j] = static_cast<f32>(sums[j]);
        for (i32 a = 0; a < actions; ++a) {
            kernels.normalize_u16(out[a].data + h0, row_at(a) + h0, totals, w, defaults[a]);
        }
    }
}
