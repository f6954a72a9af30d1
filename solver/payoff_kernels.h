// Terminal payoff kernels: for every hand of one board's hand list, a payoff
// amount times the opponent reach that the hand can actually meet. Only
// opponent hands sharing no card with it count (exact card removal, through
// per-card reach sums, so a call is linear in the hand count), and at a
// showdown each counts with the sign of the comparison of the hand values.
// The terminal handlers (solver/terminal_payoffs.h) call them for fold and
// showdown nodes and for the two river shortcuts of the node visitors.
//
// Arguments common to every kernel:
// - out: n doubles, sized by the caller; every entry is written.
// - reach: n opponent reach values in hand-list order, or null for all zeros.
//   Only entries greater than 0.0 take part in the sums of the exact kernels.
// - pairs: per hand its two card indices (0..51): lower in the low byte,
//   higher in the high byte.
// - runs: lengths of the runs of equal hand value (they add up to n); the hand
//   list is sorted by hand value ascending, weakest first.
// - n: at most kMaxHandList, as a list of distinct two-card hands is.
// Scratch is on the stack (a few 52-entry per-card tables and the list of the
// hands with positive reach, about 16 KB); nothing allocates.
#pragma once

#include "platform/int_types.h"

// Every two-card combination of the deck.
constexpr i32 kMaxHandList = 1326;

// Zero thresholds: all zeros when the amount times the counted reach is at
// most DBL_MIN in absolute value (fold) or at most FLT_MIN (showdown).
constexpr f64 kFoldZeroTotal = 2.2250738585072014e-308;
constexpr f64 kShowdownZeroTotal = 1.1754943508222875e-38;
// Of the 1081 hands that the 47 unseen cards form, 990 avoid two given cards:
// the approximate kernels scale plain sums by this instead of removing cards.
constexpr f64 kApproxRemovalFactor = 0.9158186864014801;

struct PayoffKernels {
    // out[i] = pay x (reach of the hands sharing no card with hand i).
    void (*fold)(f64* out, const f64* reach, i32 n, const u16* pairs, f64 pay);
    // out[i] = pay x (compatible reach of weaker hands - that of stronger
    // hands); hands of one run score 0 against each other.
    void (*showdown)(f64* out, const f64* reach, i32 n, const i16* runs, const u16* pairs, f64 pay);
    // One sweep for a showdown with `showdown_pay` into out1 and a fold with
    // `fold_pay` into out2, against the same reach. All zeros when the plain
    // reach total is at most FLT_MIN.
    void (*showdown_pair)(f64* out1, f64* out2, const f64* reach, i32 n, const i16* runs,
                          const u16* pairs, f64 showdown_pay, f64 fold_pay);
    // Showdown against `showdown_reach` into out1, fold against `fold_reach`
    // into out2; either reach may be null. All zeros only when both scaled
    // totals are at most FLT_MIN.
    void (*showdown_pair2)(f64* out1, f64* out2, const f64* showdown_reach, const f64* fold_reach,
                           i32 n, const i16* runs, const u16* pairs, f64 showdown_pay,
                           f64 fold_pay);
    // Uniform removal factor instead of card removal; every reach entry is
    // summed, whatever its sign.
    void (*fold_approx)(f64* out, const f64* reach, i32 n, f64 pay);
    void (*showdown_approx)(f64* out, const f64* reach, i32 n, const i16* runs, f64 pay);
};

// The variant for this processor, chosen on first use.
const PayoffKernels& payoff_kernels();
// Both variants, for tests and benchmarks; the AVX2 one may only run where
// cpu_has_avx2_set() holds.
const PayoffKernels& payoff_kernels_generic();
const PayoffKernels& payoff_kernels_avx2();

void fold_value_combos(f64* out, const f64* reach, i32 n, const u16* pairs, f64 pay);
void showdown_value_combos(f64* out, const f64* reach, i32 n, const i16* runs, const u16* pairs,
                           f64 pay);
void showdown_value_pair(f64* out1, f64* out2, const f64* reach, i32 n, const i16* runs,
                         const u16* pairs, f64 showdown_pay, f64 fold_pay);
void showdown_value_pair2(f64* out1, f64* out2, const f64* showdown_reach, const f64* fold_reach,
                          i32 n, const i16* runs, const u16* pairs, f64 showdown_pay, f64 fold_pay);
void fold_value_combos_approx(f64* out, const f64* reach, i32 n, f64 pay);
void showdown_value_combos_approx(f64* out, const f64* reach, i32 n, const i16* runs, f64 pay);
