// Evaluation helpers over classifier card numbers (51 - (4 x rank + suit)),
// the numbering of the hand-category reports: a board record, its ordering by
// rank, a card's rank position on it, and the values of a list of hands on it.
#pragma once

#include "platform/int_types.h"

struct ClassifierBoard {
    i32 cards[5];
    i32 count;
};

// 12 bytes: the value is filled in, the last field is the caller's.
struct ClassifiedHand {
    u32 value;
    u16 first_card;
    u16 second_card;
    u32 user;
};

constexpr int classifier_rank(int card) {
    return 12 - card / 4;
}
constexpr int classifier_suit(int card) {
    return 3 - card % 4;
}
// Classifier card number of a card index (13 x suit + rank).
constexpr int classifier_card_of(int card) {
    return 51 - (4 * (card % 13) + card / 13);
}
// Evaluator mask bit (16 x suit + rank) of a classifier card number.
constexpr u64 classifier_eval_bit(int card) {
    return u64{1} << (16 * classifier_suit(card) + classifier_rank(card));
}

// Every hand whose value is not 0 gets the value of the board (3 to 5 cards)
// plus its two cards; with any other board size nothing is stored.
void evaluate_hand_records(ClassifiedHand* hands, i32 count, const ClassifierBoard& board);
// Orders the board's cards by descending rank (an exchange sort: each
// position takes, in turn, every later card of higher rank).
void sort_board_by_rank(ClassifierBoard& board);
// 2 x (distinct board ranks above the card's rank), plus 1 when the card's
// rank is on the board.
int board_rank_position(const ClassifierBoard& board, int card);
