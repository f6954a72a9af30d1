#include "solver/array_kernels.h"

#include "cards/fail.h"
#include "cards/hand_tables.h"
#include "platform/cpu_features.h"
#include "tree/tree.h"

const ArrayKernels& array_kernels() {
    static const ArrayKernels& chosen =
        cpu_has_avx2_set() ? array_kernels_avx2() : array_kernels_generic();
    return chosen;
}

namespace {

constexpr f64 kDblMin = 2.2250738585072014e-308;

// An empty array becomes count zeros; an array with data stays as it is.
void zeros_if_empty(DoubleArray& a, i32 count) {
    if (a.data) return;
    a.count = count;
    a.fill_zero();
}

}  // namespace

void double_array_set_empty(DoubleArray& a, i32 count) {
    a.release();
    a.count = count;
}

void double_array_mul(DoubleArray& out, const DoubleArray& a, const DoubleArray& b) {
    if (!a.data || !b.data) {
        double_array_set_empty(out, a.count);
        return;
    }
    out.resize(a.count);
    array_kernels().mul(out.data, a.data, b.data, a.count);
}

void double_array_mul_sum(DoubleArray& out, const DoubleArray& a, const DoubleArray& b) {
    if (!a.data) {
        if (out.data) fail();
        out.count = a.count;
        return;
    }
    double_array_mul(out, a, b);
}

void double_array_mul_inplace(DoubleArray& a, const DoubleArray& b) {
    if (!b.data) {
        double_array_set_empty(a, b.count);
        return;
    }
    if (!a.data) return;
    const f64 sum = array_kernels().mul_inplace(a.data, b.data, a.count);
    if (sum < kDblMin) double_array_set_empty(a, a.count);
}

void double_array_fma(DoubleArray& a, const DoubleArray& b, const DoubleArray& c) {
    if (!b.data || !c.data) return;
    zeros_if_empty(a, b.count);
    array_kernels().fma(a.data, b.data, c.data, a.count);
}

void double_array_add(DoubleArray& a, const DoubleArray& b) {
    if (!b.data) return;
    zeros_if_empty(a, b.count);
    array_kernels().add(a.data, b.data, a.count);
}

void double_array_max(DoubleArray& a, const DoubleArray& b) {
    zeros_if_empty(a, b.data ? b.count : a.count);
    if (!a.data) return;
    array_kernels().max(a.data, b.data, a.count);
}

void double_array_scale(DoubleArray& a, f64 s) {
    if (!a.data) return;
    array_kernels().scale(a.data, s, a.count);
}

void double_array_scale_signed(DoubleArray& a, f64 s_nonneg, f64 s_neg) {
    if (!a.data) return;
    array_kernels().scale_signed(a.data, s_nonneg, s_neg, a.count);
}

void double_array_scale_positive(DoubleArray& a, f64 s) {
    if (!a.data) return;
    array_kernels().scale_positive(a.data, s, a.count);
}

void double_array_add_scaled(DoubleArray& a, const DoubleArray& b, f64 s) {
    if (!b.data) return;
    zeros_if_empty(a, b.count);
    array_kernels().add_scaled(a.data, b.data, s, a.count);
}

void accumulate_result_array(NodeResultRecord& record, i32 k, const DoubleArray& source,
                             f64 weight) {
    if (record.reach_frozen) return;
    DoubleArray& target = record.arrays[k];
    zeros_if_empty(target, source.count);
    if (!source.data) return;
    array_kernels().add_scaled(target.data, source.data, weight, target.count);
}

void capture_node_value(DoubleArray& values_out, DoubleArray& weights_out,
                        const DoubleArray& values, const DoubleArray& opponent_reach,
                        const DoubleArray& second_reach, const u64* hand_masks, f64 factor) {
    const i32 value_count = values.count;
    const i32 weight_count = second_reach.count;
    values_out.resize(value_count);
    weights_out.resize(weight_count);
    const ArrayKernels& kernels = array_kernels();
    const i32 hands = value_count > weight_count ? value_count : weight_count;
    for (i32 i = 0; i < hands; ++i) {
        const f64 c = opponent_reach.data ? kernels.masked_sum(opponent_reach.data, hand_masks,
                                                               opponent_reach.count, hand_masks[i])
                                          : 0.0;
        if (i < value_count) values_out.data[i] = values.data && c > 0.0 ? values.data[i] / c : 0.0;
        if (i < weight_count)
            weights_out.data[i] = second_reach.data ? factor * c * second_reach.data[i] : 0.0;
    }
}

void permute_hands(DoubleArray& out, const f64* in, const i16* map) {
    if (!out.data) return;
    for (i32 c = 0; c < kHandCount; ++c) {
        const i32 target = map[c];
        if (target >= 0 && target < out.count) out.data[target] = in[c];
    }
}
