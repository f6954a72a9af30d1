// Range weights over a hand list: the root weights of a tree (each player's
// weight per hand of the root record's list, and the same divided by the total
// matchup weight of the two ranges), and a matchup-weighted average.
#pragma once

#include <vector>

#include "cards/board_records.h"
#include "platform/int_types.h"

// Ranges: 1326 weights in combo order. Fills weights[p] and normalized[p] over
// the hand list. Returns false, with the normalised weights left at zero, when
// the total matchup weight is not positive (no pair of compatible hands
// carries weight), which would otherwise divide by zero.
bool normalize_range_weights(std::vector<f64> weights[2], std::vector<f64> normalized[2],
                             const f64* range_oop, const f64* range_ip,
                             const std::vector<u64>& hands);
bool normalize_range_weights(RootWeights& root, const f64* range_oop, const f64* range_ip,
                             const std::vector<u64>& hands);

// Sum over hands of a_i x b_i / D, D = sum over i of b_i x (sum of c_j over
// the hands j that share no card with hand i); 0 for an empty list or D = 0.
f64 matchup_weighted_average(const f64* a, const f64* b, const f64* c, const u64* hands, i32 n);
