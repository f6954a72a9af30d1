// Card side of a game tree: the street data of the root board with one
// `BoardRecord` per turn card that has a record and, below each, one
// `RiverRecord` per river card. The tree builder creates the records (board
// masks, dealt cards, map counts, grouping modes, card-to-record tables);
// cards/board_hand_lists.h fills their hand lists, values and maps; the solver
// reads them. Hand lists hold two-card masks; hand maps are 16-bit positions.
#pragma once

#include <vector>

#include "platform/int_types.h"

// A runout: flop, turn and river card.
struct RiverRecord {
    u32 grouping_mode = 0;  // the tree's hand grouping; only 0 is built
    u64 board_mask = 0;
    u32 card = 0;                 // the river card (canonical with isomorphism on)
    u32 map_count = 0;            // river cards this record stands for = parent map count
    std::vector<u64> hands;       // sorted by (value, suit class), weakest first
    std::vector<u16> card_pairs;  // low byte lower card index, high byte higher
    std::vector<u16> combo_map;   // 1326: combo -> position, 0xFFFF when absent
    std::vector<u32> hand_values;
    std::vector<i16> value_runs;  // run lengths of equal value: the showdown order
    // One map per represented card into the BoardRecord's hand list; map 0 is
    // the dealt card itself.
    std::vector<std::vector<i16>> parent_maps;
    std::vector<i16> group_sizes;
    std::vector<i32> group_data;
    std::vector<f64> group_card_frequencies;
    // Entries of parent maps 1 and up whose image hand is missing from the
    // parent list (ranges that are not suit-symmetric); such a map must not be
    // scattered through, so the tree build refuses a record with any.
    u32 missing_images = 0;
};

// A turn board: flop and turn card.
struct BoardRecord {
    u64 board_mask = 0;
    u32 card = 0;            // the turn card (canonical with isomorphism on)
    u32 map_count = 0;       // turn cards this record stands for
    std::vector<u64> hands;  // sorted by value, weakest first
    std::vector<u16> card_pairs;
    std::vector<u16> combo_map;
    std::vector<u32> hand_values;
    std::vector<std::vector<i16>> parent_maps;  // into the root hand list
    std::vector<RiverRecord> runouts;
    std::vector<u32> runout_counts;  // hand-list length of each runout
    // Card index -> runout index, 0xFFFF (read as signed: -1) when none.
    std::vector<u16> card_to_runout = std::vector<u16>(52, 0xFFFF);
    // Missing images of this record's own parent maps (see RiverRecord).
    u32 missing_images = 0;
};

struct StreetData {
    u64 board_mask = 0;      // the flop (canonical with isomorphism on)
    std::vector<u64> hands;  // root hand list, combo order
    std::vector<u16> card_pairs;
    std::vector<u16> combo_map;
    std::vector<BoardRecord> boards;
    std::vector<u32> board_counts;  // hand-list length of each board
    // Per board, a copy of its runout counts: the input of the node layouts.
    std::vector<std::vector<u32>> board_runout_counts;
    // Card index -> board index, -1 when none.
    std::vector<i16> card_to_board = std::vector<i16>(52, -1);
    // Missing images over every board and runout; non-zero means the ranges do
    // not suit the isomorphism and the tree must not be used.
    u32 missing_images = 0;
};

// The two players' range weights on the root record's hand list, and the same
// divided by the total matchup weight (player 0 = OOP, 1 = IP).
struct RootWeights {
    std::vector<f64> weights[2];
    std::vector<f64> normalized[2];
};

// Frees every list of every board and of its runouts, then the list itself.
void destroy_board_records(std::vector<BoardRecord>& boards);
