// Terminal payoffs of the node visitors on per-hand arrays: fold and showdown
// values of a runout (`RiverRecord`), folds on a turn or flop hand list, and
// the two river shortcuts that value a node's last two children, a call and
// a fold, in one sweep. Thin wrappers over solver/payoff_kernels.h that apply
// the empty-array rules; the terminal visitor, the traverser and opponent
// visitors and the equity walk of the queries call them.
#pragma once

#include <atomic>
#include <vector>

#include "cards/board_records.h"
#include "cards/hand_arrays.h"
#include "platform/int_types.h"

// The iteration counter as the last completed iteration left it, read as
// signed: negative only after iterating a loaded tree whose stored count was
// 2^31 or more. While it is negative the runout kernels use the approximate
// removal factor instead of exact card removal. Written by the iteration
// loop, read by every pass thread and by the queries.
extern std::atomic<i32> g_last_iteration;

// Fold payoff on a runout: out[i] = payoff x compatible opponent reach. An
// empty reach gives an empty out whose count is the record's hand count.
void terminal_fold_values(const RiverRecord& record, DoubleArray& out, const DoubleArray& reach,
                          f64 payoff);
// Showdown payoff on a runout: out[i] = payoff x (compatible reach that hand i
// beats - compatible reach that beats it). The equity walk passes payoff 1.0.
// An empty reach gives an empty out with the record's hand count.
void terminal_showdown_values(const RiverRecord& record, DoubleArray& out, const DoubleArray& reach,
                              f64 payoff);
// Fold payoff before the river, on the hand list of a turn board or of the
// flop, given by its card pairs: out is sized to that list and always written
// (zeros for an empty reach); always exact.
void board_fold_values(const std::vector<u16>& card_pairs, DoubleArray& out,
                       const DoubleArray& reach, f64 payoff);

// The two river shortcuts. Precondition, which the caller checks on the node
// kinds and not on positions: showdown_out belongs to a showdown child and
// fold_out to a fold child, each payoff being that child's payoff for the
// traverser.
//
// Traverser's node: both children against one opponent reach. An empty reach
// gives both outputs empty with the record's hand count; a plain reach total
// at most FLT_MIN gives zeros.
void river_terminal_pair_values(const RiverRecord& record, DoubleArray& showdown_out,
                                DoubleArray& fold_out, const DoubleArray& reach,
                                f64 showdown_payoff, f64 fold_payoff);
// Opponent's node: each child against the opponent's reach through its own
// action. Both reaches empty: both outputs empty with the hand count; one
// empty reach counts as zeros.
void opponent_terminal_pair_values(const RiverRecord& record, DoubleArray& showdown_out,
                                   DoubleArray& fold_out, const DoubleArray& showdown_reach,
                                   const DoubleArray& fold_reach, f64 showdown_payoff,
                                   f64 fold_payoff);
