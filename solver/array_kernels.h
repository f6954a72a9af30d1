// Per-hand array kernels of the node visitors: products with strategy rows,
// sums over actions, maxima for best responses, scalings for chance nodes and
// EV boosts. An empty `DoubleArray` (no data, with or without a count) stands
// for all zeros; each kernel states what it does with one. A kernel works
// over the count of its target (first) array; the other arrays must hold at
// least that many values. Also the capture kernel of expected-value queries
// and the hand permutation of strategy writes and equity queries. Called by
// the visitors, the node-data code and the query commands. The loops run in
// the generic or the AVX2 variant of solver/array_kernel_table.h.
#pragma once

#include "cards/hand_arrays.h"
#include "platform/int_types.h"
#include "solver/array_kernel_table.h"

struct NodeResultRecord;

// Drops the data but keeps the count: the empty (all zeros) form of an array.
void double_array_set_empty(DoubleArray& a, i32 count);

// out = a x b; out takes a's count. a or b empty: out empty with a's count.
void double_array_mul(DoubleArray& out, const DoubleArray& a, const DoubleArray& b);
// The same for the second reach of a child. a empty: out stays empty and
// takes a's count, and an out holding data at that moment is an inconsistent
// record (fatal `fail`). b empty (zeros): out empty with a's count.
void double_array_mul_sum(DoubleArray& out, const DoubleArray& a, const DoubleArray& b);
// a = a x b, then a is released (count kept) when its sum is below DBL_MIN,
// so that a subtree without reach runs on an empty array. b empty: a becomes
// empty with b's count.
void double_array_mul_inplace(DoubleArray& a, const DoubleArray& b);
// a += b x c. b or c empty: nothing; a empty: zeros of b's count first.
void double_array_fma(DoubleArray& a, const DoubleArray& b, const DoubleArray& c);
// a += b. b empty: nothing; a empty: zeros of b's count first.
void double_array_add(DoubleArray& a, const DoubleArray& b);
// a = max(a, b). a empty: zeros first (of b's count when b has data); b
// empty: a = max(a, 0).
void double_array_max(DoubleArray& a, const DoubleArray& b);
// a = a x s. a empty: nothing.
void double_array_scale(DoubleArray& a, f64 s);
// x >= 0 becomes x x s_nonneg, x < 0 becomes x x s_neg. a empty: nothing.
void double_array_scale_signed(DoubleArray& a, f64 s_nonneg, f64 s_neg);
// x > 0 becomes x x s; other values stay. a empty: nothing.
void double_array_scale_positive(DoubleArray& a, f64 s);
// a += s x b. b empty: nothing; a empty: zeros of b's count first.
void double_array_add_scaled(DoubleArray& a, const DoubleArray& b, f64 s);

// Adds weight x source into array k of a node's cached results, where the
// chance visitors sum the reach arriving at a node over update passes. A
// record whose reach is frozen is left alone; an empty array k first becomes
// zeros of the source's count; an empty source adds nothing more.
void accumulate_result_array(NodeResultRecord& record, i32 k, const DoubleArray& source,
                             f64 weight);

// The per-hand pair that an expected-value query captures at a node: with
// c_i = opponent reach of the hands whose mask shares no card with hand i's,
// values_out[i] = values[i] / c_i (0 when c_i is not above 0) over the
// values' count, and weights_out[i] = factor x c_i x second_reach[i] (0 when
// the second reach is empty) over the second reach's count. hand_masks holds
// the two-card masks of the node's hand list. The compatible reach is a
// masked sum rather than per-card sums: a hand that meets no reach gets
// exactly 0, never a rounding residue to divide by.
void capture_node_value(DoubleArray& values_out, DoubleArray& weights_out,
                        const DoubleArray& values, const DoubleArray& opponent_reach,
                        const DoubleArray& second_reach, const u64* hand_masks, f64 factor);

// out[map[c]] = in[c] for each of the 1326 combos c whose map entry is not
// negative (a u16 combo map's 0xFFFF reads as -1); other entries of out keep
// their values, and so does everything when out has no data. Targets at or
// beyond out's count are skipped.
void permute_hands(DoubleArray& out, const f64* in, const i16* map);
