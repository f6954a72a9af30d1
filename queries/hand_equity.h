// Showdown equity of every two-card hand at one point of the built tree's
// board structure (the tree's board, optionally with a dealt turn card and a
// dealt river card) against an opponent range, averaged over every turn and
// river card still to come, with exact card removal. Only the tree's board
// and runout records and the two ranges enter it: no solver data, strategy
// or betting action. The equity commands and the hand order by equity call
// it on the command thread; it takes no lock.
#pragma once

#include "platform/int_types.h"

struct NodeWorkRecord;

// Runouts per compatible pair of hands at each level: 45 turn x 44 river
// cards after a flop, 44 river cards after a turn, one on a full board.
inline constexpr f64 kFlopRunouts = 1980.0;
inline constexpr f64 kTurnRunouts = 44.0;

// For every combo c (1326 entries, combo order, actual suits):
//   equity[c] = mean showdown result of c, from -1 (always loses) to 1
//   (always wins), over the opponent's compatible hands (by weight) and the
//   runouts that meet neither hand; 0 when the opponent has no compatible
//   weight;
//   weight[c] = runouts per pair x own weight of c x compatible opponent
//   weight.
// Both are NaN for a combo that meets the board (turn and river included) or
// whose weight is exactly 0 in the tree's range of `player`. turn_card and
// river_card are card indices or -1; a river card needs a turn card of the
// tree. Without a current tree both outputs are left as they were.
void hand_equity(u32 player, i32 turn_card, i32 river_card, const f64* own_range,
                 const f64* opponent_range, f64* equity, f64* weight);

// The walk below `hand_equity`: fills the record's values from its opponent
// reach on the level that the record's turn and river indices name, each
// value the reach-weighted sum of wins minus losses over the runouts still
// to come, divided by their number. The record has no node.
void equity_subtree(NodeWorkRecord& record);
