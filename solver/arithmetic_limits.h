// What the solver's arithmetic carries, and the tests that the commands make
// before a number reaches it. Reach, values and payoffs are doubles, but the
// stores keep regrets and strategy sums as floats (at most 3.4e38):
//
//   - a regret moves per iteration by a difference of two values, and a value
//     is at most 1326 hands x the largest weight x the largest payoff x 100
//     (the largest EV boost factor, 1 / (1 - 0.99));
//   - a strategy sum grows per iteration by a weight times the averaging
//     weight, whose sum over the 9000 iterations of a solve stays below
//     1.2e19 (a river root averages with exponent 4 and no cap).
//
// Weights up to 1e12 and payoffs up to 2e12 keep the first below 3e29 and the
// second below 1.2e31, far from the float limit. Every accepted number goes
// through the arithmetic unchanged: ordinary weights (0 to 1) are not scaled.
#pragma once

#include <span>

#include "platform/int_types.h"

// A range weight; weights run from 0 up to this.
inline constexpr f64 kMaxRangeWeight = 1e12;
// An amount of a betting line (a total commitment).
inline constexpr f64 kMaxLineAmount = 1e12;
// A terminal payoff: a line amount plus half the pot (a 32-bit number).
inline constexpr f64 kMaxPayoffAmount = 2e12;
// A value of `set_strategy`, stored as the regret 1000 x value: 1e33 per
// action keeps the sum over the actions of a hand finite and leaves the
// solver's later regret updates room.
inline constexpr f64 kMaxStrategyValue = 1e30;

// What is wrong with the first weight of a range that the solver cannot take
// ("weight below 0" or "weight too large (at most 1e+12)"), or nullptr when
// every weight runs from 0 to kMaxRangeWeight. A negative weight would enter
// both players' payoffs with the wrong sign. The one test of range weights:
// `set_range` asks it of a new range and `build_tree` of the ranges it builds
// from, whatever set them.
const char* range_weight_fault(std::span<const f64> weights);
