// Helpers of the game-tree tests: flattened line records written by hand,
// ranges, boards in card text, and a fixture that builds the card tables once
// and leaves no current tree behind.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cards/card_text.h"
#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "solver/solve_reset.h"
#include "tree/line_records.h"
#include "tree/tree.h"
#include "tree/tree_create.h"

// Line records in flattening order: every call appends one record and
// returns its index.
struct RecordList {
    std::vector<LineRecord> records;

    i32 decision(i32 parent, u32 player, u32 street) {
        return add({kLineDecision, parent, player, street, 0.0});
    }
    i32 showdown(i32 parent, f64 amount) {
        return add({kLineShowdown, parent, kLineUnused, kLineUnused, amount});
    }
    i32 fold(i32 parent, f64 amount) {
        return add({kLineFold, parent, kLineUnused, kLineUnused, amount});
    }

private:
    i32 add(LineRecord r) {
        records.push_back(r);
        return static_cast<i32>(records.size()) - 1;
    }
};

// A root decision on `street` with a bet (answered by call and fold) and a
// check that ends in a showdown: the smallest tree with every node kind.
inline RecordList bet_or_check(u32 street) {
    RecordList list;
    const i32 root = list.decision(-1, 0, street);
    const i32 bet = list.decision(root, 1, street);
    list.showdown(bet, 15.0);
    list.fold(bet, 5.0);
    list.showdown(root, 5.0);
    return list;
}

inline i32 card(const char* text) {
    return parse_card(std::string(text));
}

inline u64 board_mask(const std::vector<const char*>& cards) {
    u64 mask = 0;
    for (const char* c : cards) mask |= u64{1} << card(c);
    return mask;
}

inline std::vector<f64> full_range() {
    return std::vector<f64>(kHandCount, 1.0);
}

// Weight 1 on every combo of the given hand classes (class numbers of
// g_hand_class_combos): suit-symmetric, so isomorphic boards agree.
inline std::vector<f64> class_range(const std::vector<int>& classes) {
    std::vector<f64> range(kHandCount, 0.0);
    for (int c : classes) {
        for (u16 combo : g_hand_class_combos[c]) range[combo] = 1.0;
    }
    return range;
}

inline TreeSpec spec_for(const RecordList& list, const std::vector<const char*>& board,
                         const std::vector<f64>& oop, const std::vector<f64>& ip, u8 iso) {
    TreeSpec spec;
    spec.records = list.records.data();
    spec.record_count = static_cast<u32>(list.records.size());
    for (int i = 0; i < 3; ++i) spec.flop[i] = card(board[static_cast<std::size_t>(i)]);
    if (board.size() > 3) spec.turn = card(board[3]);
    if (board.size() > 4) spec.river = card(board[4]);
    spec.ranges[0] = oop.data();
    spec.ranges[1] = ip.data();
    spec.isomorphism = iso;
    return spec;
}

class TreeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_eval_tables();
        init_hand_tables();
    }
    void TearDown() override { release_tree(); }
};
