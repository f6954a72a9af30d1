// The hands at one point of the tree ranked by raw strength on that point's
// board: each hand's equity against an opponent who holds every hand with
// the same weight, averaged over the cards still to come. The listings that
// print one line per hand (`show_strategy_pp`, `calc_ev_pp`, `calc_eq_pp`)
// walk this order. It depends only on the board at the point and, as a
// filter, on the build range of the point's acting player.
#pragma once

#include <string>
#include <vector>

#include "platform/int_types.h"

// Protocol hand indices (0..1325), strongest first; equal equities keep
// ascending protocol order. Hands whose equity is undefined at the point
// (they meet its board, or have weight 0 in the acting player's build range)
// are left out. "r" stands for "r:0". Path failures are command failures of
// the calling command ("incorrect path", "missing/incorrect tree").
std::vector<i32> equity_hand_order(std::string path);

// The ranking step alone: given the equity of every combo (NaN = undefined),
// the protocol indices sorted as above.
std::vector<i32> order_by_equity(const f64* combo_equity);
