// The raw per-hand loops behind solver/array_kernels.h, one table per
// processor variant. Plain pointers and counts only, so that the AVX2
// translation unit needs no shared inline code.
#pragma once

#include "platform/int_types.h"

struct ArrayKernels {
    void (*mul)(f64* out, const f64* a, const f64* b, i32 n);
    // Returns the sum of the products it wrote.
    f64 (*mul_inplace)(f64* a, const f64* b, i32 n);
    void (*fma)(f64* a, const f64* b, const f64* c, i32 n);
    void (*add)(f64* a, const f64* b, i32 n);
    // b null: max with 0.
    void (*max)(f64* a, const f64* b, i32 n);
    void (*scale)(f64* a, f64 s, i32 n);
    void (*scale_signed)(f64* a, f64 s_nonneg, f64 s_neg, i32 n);
    void (*scale_positive)(f64* a, f64 s, i32 n);
    void (*add_scaled)(f64* a, const f64* b, f64 s, i32 n);
    // Sum of reach[j] over the j < n with (masks[j] & mine) == 0.
    f64 (*masked_sum)(const f64* reach, const u64* masks, i32 n, u64 mine);
};

// The variant for this processor, chosen on first use.
const ArrayKernels& array_kernels();
// Both variants, for tests and benchmarks; the AVX2 one may only run where
// cpu_has_avx2_set() holds.
const ArrayKernels& array_kernels_generic();
const ArrayKernels& array_kernels_avx2();
