#include <emmintrin.h>

#include "platform/int_types.h"
#include "solver/payoff_kernels.h"

namespace payoff_generic {

static inline u32 lane_low(u16 pair) {
    return pair & 0xFFu;
}
static inline u32 lane_high(u16 pair) {
    return pair >> 8;
}

// max(r, 0) as the max instruction takes it (0 for NaN), without the branch
// that a comparison may compile to: reach is zero or not in no pattern a
// predictor could learn.
static inline f64 positive_part(f64 r) {
    return _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(r), _mm_setzero_pd()));
}

static inline i32 lanes_collect(const f64* reach, i32 n, const u16* pairs, u32* hands,
                                f64* counted) {
    i32 k = 0;
    for (i32 i = 0; i < n; ++i) {
        const f64 r = positive_part(reach[i]);
        hands[k] = static_cast<u32>(i) << 16 | pairs[i];
        counted[k] = r;
        k += r > 0.0 ? 1 : 0;
    }
    return k;
}

static inline void lanes_fill(f64* out, i32 begin, i32 end, f64 value) {
    for (i32 i = begin; i < end; ++i) out[i] = value;
}

static inline void lanes_fold(f64* out, i32 begin, i32 end, f64 total, const f64* reach,
                              const u16* pairs, const f64* sums, f64 pay) {
    for (i32 i = begin; i < end; ++i) {
        const f64 r = reach ? positive_part(reach[i]) : 0.0;
        out[i] = pay * (total + r - sums[lane_low(pairs[i])] - sums[lane_high(pairs[i])]);
    }
}

static inline void lanes_gather(f64* out, i32 begin, i32 end, f64 total, const u16* pairs,
                                const f64* sums, f64 pay) {
    for (i32 i = begin; i < end; ++i)
        out[i] = pay * (total - sums[lane_low(pairs[i])] - sums[lane_high(pairs[i])]);
}

#include "solver/payoff_kernels_impl.h"

}  // namespace payoff_generic

const PayoffKernels& payoff_kernels_generic() {
    static const PayoffKernels table{
        payoff_generic::fold_combos,   payoff_generic::showdown_combos,
        payoff_generic::showdown_pair, payoff_generic::showdown_pair2,
        payoff_generic::fold_approx,   payoff_generic::showdown_approx,
    };
    return table;
}
