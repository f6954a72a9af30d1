// Body of the per-hand array loops, compiled once per processor variant inside
// a namespace of its own (array_kernels_generic.cpp, array_kernels_avx2.cpp).
// Only static functions here, so that neither variant emits a symbol that the
// other could be linked against. The masked sum of the capture kernel is not
// here but in each variant's file (see there).
//
// The main part of most loops takes eight hands at a time and reads all of
// them before it writes any, so that an output that is also an input (the
// in-place kernels, or out == a) never stops the compiler from keeping the
// eight in vector registers: two AVX registers, or four SSE2 registers in the
// generic variant. The hands after the last full group run one by one.

static constexpr i32 kLanes = 8;

static void mul_loop(f64* out, const f64* a, const f64* b, i32 n) {
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] * b[i + k];
        for (i32 k = 0; k < kLanes; ++k) out[i + k] = x[k];
    }
    for (; i < n; ++i) out[i] = a[i] * b[i];
}

// Products are reach times strategy, never negative, so the order in which
// the eight partial sums are combined only matters in the last bits.
static f64 mul_inplace_loop(f64* a, const f64* b, i32 n) {
    f64 acc[kLanes] = {};
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] * b[i + k];
        for (i32 k = 0; k < kLanes; ++k) {
            a[i + k] = x[k];
            acc[k] += x[k];
        }
    }
    f64 sum = ((acc[0] + acc[4]) + (acc[1] + acc[5])) + ((acc[2] + acc[6]) + (acc[3] + acc[7]));
    for (; i < n; ++i) {
        a[i] *= b[i];
        sum += a[i];
    }
    return sum;
}

static void fma_loop(f64* a, const f64* b, const f64* c, i32 n) {
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] + b[i + k] * c[i + k];
        for (i32 k = 0; k < kLanes; ++k) a[i + k] = x[k];
    }
    for (; i < n; ++i) a[i] += b[i] * c[i];
}

static void add_loop(f64* a, const f64* b, i32 n) {
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] + b[i + k];
        for (i32 k = 0; k < kLanes; ++k) a[i + k] = x[k];
    }
    for (; i < n; ++i) a[i] += b[i];
}

// Written as the max instruction compares (second operand on a tie or NaN),
// so that the vector form and the scalar tail agree.
static inline f64 max_of(f64 a, f64 b) {
    return a > b ? a : b;
}

static void max_loop(f64* a, const f64* b, i32 n) {
    if (!b) {
        for (i32 i = 0; i < n; ++i) a[i] = max_of(a[i], 0.0);
        return;
    }
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = max_of(a[i + k], b[i + k]);
        for (i32 k = 0; k < kLanes; ++k) a[i + k] = x[k];
    }
    for (; i < n; ++i) a[i] = max_of(a[i], b[i]);
}

static void scale_loop(f64* a, f64 s, i32 n) {
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] * s;
        for (i32 k = 0; k < kLanes; ++k) a[i + k] = x[k];
    }
    for (; i < n; ++i) a[i] *= s;
}

static inline f64 signed_factor(f64 x, f64 s_nonneg, f64 s_neg) {
    return x >= 0.0 ? s_nonneg : s_neg;
}

static void scale_signed_loop(f64* a, f64 s_nonneg, f64 s_neg, i32 n) {
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] * signed_factor(a[i + k], s_nonneg, s_neg);
        for (i32 k = 0; k < kLanes; ++k) a[i + k] = x[k];
    }
    for (; i < n; ++i) a[i] *= signed_factor(a[i], s_nonneg, s_neg);
}

// Only EV boosts use this, rarely, so it stays a plain loop: the compiler
// turns x x 1.0 into x, and a multiplication that only some hands do cannot
// be vectorised without changing floating-point exception behaviour.
static void scale_positive_loop(f64* a, f64 s, i32 n) {
    for (i32 i = 0; i < n; ++i)
        if (a[i] > 0.0) a[i] *= s;
}

static void add_scaled_loop(f64* a, const f64* b, f64 s, i32 n) {
    i32 i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        f64 x[kLanes];
        for (i32 k = 0; k < kLanes; ++k) x[k] = a[i + k] + s * b[i + k];
        for (i32 k = 0; k < kLanes; ++k) a[i + k] = x[k];
    }
    for (; i < n; ++i) a[i] += s * b[i];
}
