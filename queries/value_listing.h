// The one-line-per-hand listing of `calc_ev_pp` and `calc_eq_pp`: for each
// hand of a hand order (protocol indices, queries/hand_equity_order.h), its
// 4-character text and two values of that hand with two decimals.
#pragma once

#include <vector>

#include "platform/int_types.h"

// Prints "%s: %.2f; %.2f\n" per listed hand, the values taken from two
// combo-ordered arrays; an undefined value (NaN) prints as "nan".
void print_value_listing(const std::vector<i32>& order, const f64* first, const f64* second);
