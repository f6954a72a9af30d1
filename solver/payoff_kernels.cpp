#include "solver/payoff_kernels.h"

#include "platform/cpu_features.h"

const PayoffKernels& payoff_kernels() {
    static const PayoffKernels& chosen =
        cpu_has_avx2_set() ? payoff_kernels_avx2() : payoff_kernels_generic();
    return chosen;
}

void fold_value_combos(f64* out, const f64* reach, i32 n, const u16* pairs, f64 pay) {
    payoff_kernels().fold(out, reach, n, pairs, pay);
}

void showdown_value_combos(f64* out, const f64* reach, i32 n, const i16* runs, const u16* pairs,
                           f64 pay) {
    payoff_kernels().showdown(out, reach, n, runs, pairs, pay);
}

void showdown_value_pair(f64* out1, f64* out2, const f64* reach, i32 n, const i16* runs,
                         const u16* pairs, f64 showdown_pay, f64 fold_pay) {
    payoff_kernels().showdown_pair(out1, out2, reach, n, runs, pairs, showdown_pay, fold_pay);
}

void showdown_value_pair2(f64* out1, f64* out2, const f64* showdown_reach, const f64* fold_reach,
                          i32 n, const i16* runs, const u16* pairs, f64 showdown_pay,
                          f64 fold_pay) {
    payoff_kernels().showdown_pair2(out1, out2, showdown_reach, fold_reach, n, runs, pairs,
                                    showdown_pay, fold_pay);
}

void fold_value_combos_approx(f64* out, const f64* reach, i32 n, f64 pay) {
    payoff_kernels().fold_approx(out, reach, n, pay);
}

void showdown_value_combos_approx(f64* out, const f64* reach, i32 n, const i16* runs, f64 pay) {
    payoff_kernels().showdown_approx(out, reach, n, runs, pay);
}
