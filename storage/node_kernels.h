// Per-hand kernels of the node-data stores: normalisation of rows into
// strategies, the float and quantised 16-bit regret updates, and strategy
// accumulation. Each exists in a generic (SSE2) and an AVX2/FMA variant that
// work eight hands at a time with estimated reciprocals and square roots
// refined by one Newton step, and exact arithmetic for the hands after the
// last full group; `node_kernels` picks the variant once.
//
// Arrays of doubles may be null where noted: null stands for zeros.
#pragma once

#include "platform/int_types.h"

struct NodeKernels {
    // out[h] = row[h] / totals[h] as float, or `fallback` where
    // totals[h] < 2^-126; results widened to double.
    void (*normalize_f32)(f64* out, const f32* row, const f32* totals, i32 n, f32 fallback);
    void (*normalize_u16)(f64* out, const u16* row, const f32* totals, i32 n, f32 fallback);
    // A node's whole row set, row a at rows + a x stride, normalised by its
    // per-hand totals in one pass: out[a][h] as normalize_f32 gives it with
    // totals[h] = row 0 + row 1 + ... in float, in action order (the 16-bit
    // form: the exact integer sum turned to float), and fallbacks[a].
    // actions >= 1; out holds `actions` arrays of n values.
    void (*normalize_f32_rows)(f64* const* out, const f32* rows, u64 stride, i32 actions, i32 n,
                               const f32* fallbacks);
    void (*normalize_u16_rows)(f64* const* out, const u16* rows, u64 stride, i32 actions, i32 n,
                               const f32* fallbacks);
    // row[h] += sign(r)|r|^0.75 with r = (f32)(action[h] - node[h]); sums
    // below 2^-126 become 0. `action` and `node` may be null.
    void (*update_regrets_f32)(f32* row, const f64* action, const f64* node, i32 n);
    // Quantised: r >= t adds trunc(k * r^0.75), r <= -t subtracts
    // trunc(k * |r|^0.75); the value saturates at 0 and 65535. `action` and
    // `node` may be null.
    void (*update_regrets_u16)(u16* row, const f64* action, const f64* node, i32 n, f32 k, f32 t);
    // row[h] += (f32)(weight * strategy[h] * reach[h]), product in double.
    void (*accumulate_f32)(f32* row, const f64* strategy, const f64* reach, i32 n, f64 weight);
    // 32-bit strategy sums: out[a][h] = (f32)row a[h] / (f32)total[h] with
    // the exact total over the actions, or fallbacks[a] where it is 0.
    void (*normalize_i32_rows)(f64* const* out, const i32* rows, u64 stride, i32 actions, i32 n,
                               const f32* fallbacks);
    // row[h] = trunc(row[h] + 0.5 + weight * strategy[h] * reach[h]) in
    // double (the AVX2 variant fuses the multiply by reach and the 0.5, so
    // the last bit before truncation may differ), held in 0..2^31-1 with NaN
    // giving 0: a sum saturates rather than wrapping.
    void (*accumulate_i32)(i32* row, const f64* strategy, const f64* reach, i32 n, f64 weight);
};

// The variant for this processor, chosen on first use.
const NodeKernels& node_kernels();

// Both variants, for tests and benchmarks; the AVX2 one may only run where
// cpu_features().avx2_set holds.
const NodeKernels& node_kernels_generic();
const NodeKernels& node_kernels_avx2();
