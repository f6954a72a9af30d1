// Board tree builder: the card side of a tree. One `BoardRecord` per turn card
// that has a record and, below it, one `RiverRecord` per river card, gathered
// in the tree's `StreetData` with the hand lists and maps of every board, the
// root's range weights, and one river layout per number of actions. With
// isomorphism on, boards are held in canonical suit order and one record
// stands for every card that is isomorphic to its own (its multiplicity).
// Tree creation (tree/tree_create.h) runs it once per tree.
#pragma once

#include <vector>

#include "cards/board_records.h"
#include "platform/int_types.h"
#include "tree/tree.h"

// A chance card of the enumeration; the sort key is always 0.
struct CardRecord {
    u32 sort_key = 0;
    u32 multiplicity = 1;
    u32 card = 0;
};

// Fills the tree's board mask, street data, ranges, root indices and weights
// and layouts; needs the action nodes (the root's street and the largest
// action count). Ranges: 1326 weights each, combo order, actual suits.
// Throws TreeBuildError when an isomorphic image is missing from a hand list
// or when the ranges have no compatible pair of hands on the root's board.
void build_board_tree(Tree& tree, u64 flop_mask, i32 turn, i32 river, const f64* range_oop,
                      const f64* range_ip, u8 isomorphism);

// The records of a root board (flop mask in canonical suits when isomorphism
// is on; turn and river -1 where the root lies before them), hand lists not
// yet filled.
void build_street_data(StreetData& out, u64 flop_mask, u32 hand_grouping, i32 turn, i32 river,
                       u8 isomorphism);

// Appends the turn board of `card` and its runouts (only the one of `river`
// when river >= 0).
void build_street_nodes(StreetData& street, u32 card, u32 multiplicity, u32 hand_grouping,
                        i32 river, u8 isomorphism);

// Appends one runout per river card of the board: cards off the board's main
// suit first, then by rank and suit.
void build_runouts(BoardRecord& board, u8 isomorphism, u32 hand_grouping);

// Chance cards of a board in canonical suits: every undealt card of the suits
// the board holds, then the 13 cards of the first absent suit standing for
// every absent suit.
std::vector<CardRecord> list_undealt_cards(u64 board_mask);
