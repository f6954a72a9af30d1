// Bodies of the node-data kernels, written once over an 8-lane float vector
// `F8` and its operations `f8_*`. Included, inside a namespace of its own, by
// node_kernels_generic.cpp (two SSE registers per F8) and node_kernels_avx2.cpp
// (one AVX register, fused multiply-add); each defines the primitives first.
// Everything here is static inline so that neither variant's code can stand in
// for the other's at link time.

static constexpr f32 k_flt_min = 0x1p-126f;
// Larger than any 16-bit step, small enough to convert to int32 exactly.
static constexpr f32 k_u16_step_cap = 65536.0f;

// Quotients and square roots are the exactly rounded operations, not the
// processor's estimates: those differ between processor makers, and the
// 16-bit regret steps truncate, so that a solve would take other paths on
// other machines. Exact operations give the same results everywhere, and the
// same in the vector part of a row as in its tail.
// r = (f32)(action - node) for hands h..h+7; a null array is zeros.
static inline F8 regret_delta8(const f64* action, const f64* node, i32 h) {
    if (action && node) return f8_from_diff(action + h, node + h);
    if (action) return f8_from_f64(action + h);
    if (node) return f8_xor(f8_from_f64(node + h), f8_set1(-0.0f));
    return f8_set1(0.0f);
}

static inline f32 regret_delta(const f64* action, const f64* node, i32 h) {
    const f64 a = action ? action[h] : 0.0;
    const f64 b = node ? node[h] : 0.0;
    return static_cast<f32>(a - b);
}

static inline f32 pow075_exact(f32 x) {
    const f32 t = __builtin_sqrtf(x);
    return t * __builtin_sqrtf(t);
}

static void normalize_f32(f64* out, const f32* row, const f32* totals, i32 n, f32 fallback) {
    const F8 vmin = f8_set1(k_flt_min);
    const F8 vdef = f8_set1(fallback);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        const F8 t = f8_load(totals + h);
        const F8 q = f8_div(f8_load(row + h), t);
        f8_store_f64(out + h, f8_select(f8_ge(t, vmin), q, vdef));
    }
    for (; h < n; ++h) out[h] = totals[h] >= k_flt_min ? row[h] / totals[h] : fallback;
}

static void normalize_u16(f64* out, const u16* row, const f32* totals, i32 n, f32 fallback) {
    const F8 vmin = f8_set1(k_flt_min);
    const F8 vdef = f8_set1(fallback);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        const F8 t = f8_load(totals + h);
        const F8 q = f8_div(f8_from_u16(row + h), t);
        f8_store_f64(out + h, f8_select(f8_ge(t, vmin), q, vdef));
    }
    for (; h < n; ++h) {
        out[h] = totals[h] >= k_flt_min ? static_cast<f32>(row[h]) / totals[h] : fallback;
    }
}

// The totals of a group of eight are summed here once for all rows; the result is that of
// normalize_f32 / normalize_u16 on precomputed totals, hand for hand.
static void normalize_f32_rows(f64* const* out, const f32* rows, u64 stride, i32 actions, i32 n,
                               const f32* fallbacks) {
    const F8 vmin = f8_set1(k_flt_min);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        F8 t = f8_load(rows + h);
        for (i32 a = 1; a < actions; ++a) t = f8_add(t, f8_load(rows + stride * a + h));
        const F8 valid = f8_ge(t, vmin);
        for (i32 a = 0; a < actions; ++a) {
            const F8 q = f8_div(f8_load(rows + stride * a + h), t);
            f8_store_f64(out[a] + h, f8_select(valid, q, f8_set1(fallbacks[a])));
        }
    }
    for (; h < n; ++h) {
        f32 t = rows[h];
        for (i32 a = 1; a < actions; ++a) t += rows[stride * a + h];
        for (i32 a = 0; a < actions; ++a)
            out[a][h] = t >= k_flt_min ? rows[stride * a + h] / t : fallbacks[a];
    }
}

static void normalize_u16_rows(f64* const* out, const u16* rows, u64 stride, i32 actions, i32 n,
                               const f32* fallbacks) {
    const F8 vmin = f8_set1(k_flt_min);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        const F8 t = f8_sum_u16_rows(rows + h, stride, actions);
        const F8 valid = f8_ge(t, vmin);
        for (i32 a = 0; a < actions; ++a) {
            const F8 q = f8_div(f8_from_u16(rows + stride * a + h), t);
            f8_store_f64(out[a] + h, f8_select(valid, q, f8_set1(fallbacks[a])));
        }
    }
    for (; h < n; ++h) {
        u32 sum = 0;
        for (i32 a = 0; a < actions; ++a) sum += rows[stride * a + h];
        const f32 t = static_cast<f32>(sum);
        for (i32 a = 0; a < actions; ++a) {
            out[a][h] = t >= k_flt_min ? static_cast<f32>(rows[stride * a + h]) / t : fallbacks[a];
        }
    }
}

static void update_regrets_f32(f32* row, const f64* action, const f64* node, i32 n) {
    const F8 vmin = f8_set1(k_flt_min);
    const F8 zero = f8_set1(0.0f);
    const F8 sign = f8_set1(-0.0f);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        const F8 r = regret_delta8(action, node, h);
        const F8 s = f8_sqrt(f8_andnot(sign, r));
        const F8 p = f8_xor(f8_mul(s, f8_sqrt(s)), f8_and(f8_lt(r, zero), sign));
        const F8 sum = f8_add(f8_load(row + h), p);
        f8_store(row + h, f8_andnot(f8_lt(sum, vmin), sum));
    }
    for (; h < n; ++h) {
        const f32 r = regret_delta(action, node, h);
        const f32 p = pow075_exact(__builtin_fabsf(r));
        const f32 sum = row[h] + (r < 0.0f ? -p : p);
        row[h] = sum < k_flt_min ? 0.0f : sum;
    }
}

static inline u16 apply_u16_step(u16 value, f32 r, i32 step, f32 t) {
    if (r >= t) {
        const i32 v = value + step;
        return static_cast<u16>(v > 65535 ? 65535 : v);
    }
    if (r <= -t) {
        const i32 v = value - step;
        return static_cast<u16>(v < 0 ? 0 : v);
    }
    return value;
}

// The group works in float: values, steps and their sums are integers below
// 2^24 and so exact, and saturation is a clamp to [0, 65535].
static void update_regrets_u16(u16* row, const f64* action, const f64* node, i32 n, f32 k, f32 t) {
    const F8 vk = f8_set1(k);
    const F8 cap = f8_set1(k_u16_step_cap);
    const F8 sign = f8_set1(-0.0f);
    const F8 zero = f8_set1(0.0f);
    const F8 top = f8_set1(65535.0f);
    const F8 up_from = f8_set1(t);
    const F8 down_from = f8_set1(-t);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        const F8 r = regret_delta8(action, node, h);
        const F8 s = f8_sqrt(f8_andnot(sign, r));
        const F8 step = f8_trunc(f8_min(f8_mul(f8_mul(vk, s), f8_sqrt(s)), cap));
        const F8 down = f8_select(f8_ge(down_from, r), f8_xor(step, sign), zero);
        const F8 delta = f8_select(f8_ge(r, up_from), step, down);
        const F8 v = f8_add(f8_from_u16(row + h), delta);
        f8_store_u16(row + h, f8_min(f8_max(v, zero), top));
    }
    for (; h < n; ++h) {
        const f32 r = regret_delta(action, node, h);
        const f32 s = __builtin_sqrtf(__builtin_fabsf(r));
        f32 mag = k * s * __builtin_sqrtf(s);
        if (!(mag < k_u16_step_cap)) mag = k_u16_step_cap;
        row[h] = apply_u16_step(row[h], r, static_cast<i32>(mag), t);
    }
}

static void accumulate_f32(f32* row, const f64* strategy, const f64* reach, i32 n, f64 weight) {
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        f8_store(row + h, f8_add(f8_load(row + h), f8_from_prod(weight, strategy + h, reach + h)));
    }
    for (; h < n; ++h) row[h] += static_cast<f32>(weight * strategy[h] * reach[h]);
}

// 32-bit strategy sums: totals are exact (summed in double, far below 2^53)
// and turned to float once, as the 64-bit integer sum would be.
static void normalize_i32_rows(f64* const* out, const i32* rows, u64 stride, i32 actions, i32 n,
                               const f32* fallbacks) {
    const F8 vmin = f8_set1(k_flt_min);
    i32 h = 0;
    for (; h + 8 <= n; h += 8) {
        const F8 t = f8_sum_i32_rows(rows + h, stride, actions);
        const F8 valid = f8_ge(t, vmin);
        for (i32 a = 0; a < actions; ++a) {
            const F8 q = f8_div(f8_from_i32(rows + stride * a + h), t);
            f8_store_f64(out[a] + h, f8_select(valid, q, f8_set1(fallbacks[a])));
        }
    }
    for (; h < n; ++h) {
        i64 sum = 0;
        for (i32 a = 0; a < actions; ++a) sum += rows[stride * a + h];
        const f32 t = static_cast<f32>(sum);
        for (i32 a = 0; a < actions; ++a) {
            out[a][h] = t >= k_flt_min ? static_cast<f32>(rows[stride * a + h]) / t : fallbacks[a];
        }
    }
}

static void accumulate_i32(i32* row, const f64* strategy, const f64* reach, i32 n, f64 weight) {
    i32 h = 0;
    for (; h + 8 <= n; h += 8) accumulate_i32_8(row + h, strategy + h, reach + h, weight);
    for (; h < n; ++h) row[h] = accumulate_i32_1(row[h], strategy[h], reach[h], weight);
}

static const NodeKernels k_table = {normalize_f32,      normalize_u16,      normalize_f32_rows,
                                    normalize_u16_rows, update_regrets_f32, update_regrets_u16,
                                    accumulate_f32,     normalize_i32_rows, accumulate_i32};
