#include "cards/classifier_boards.h"

#include <utility>

#include "cards/evaluator.h"

void evaluate_hand_records(ClassifiedHand* hands, i32 count, const ClassifierBoard& board) {
    if (board.count < 3 || board.count > 5) return;
    u64 board_mask = 0;
    for (i32 i = 0; i < board.count; ++i) board_mask |= classifier_eval_bit(board.cards[i]);
    for (i32 i = 0; i < count; ++i) {
        ClassifiedHand& hand = hands[i];
        if (hand.value == 0) continue;
        u64 mask = board_mask | classifier_eval_bit(hand.first_card) |
                   classifier_eval_bit(hand.second_card);
        switch (board.count) {
            case 3:
                hand.value = eval5_mask(mask);
                break;
            case 4:
                hand.value = eval6_mask(mask);
                break;
            default:
                hand.value = eval7_mask(mask);
                break;
        }
    }
}

void sort_board_by_rank(ClassifierBoard& board) {
    for (i32 i = 0; i < board.count; ++i) {
        for (i32 j = i + 1; j < board.count; ++j) {
            if (classifier_rank(board.cards[j]) > classifier_rank(board.cards[i])) {
                std::swap(board.cards[i], board.cards[j]);
            }
        }
    }
}

int board_rank_position(const ClassifierBoard& board, int card) {
    const int rank = classifier_rank(card);
    u32 above = 0;
    bool paired = false;
    for (i32 i = 0; i < board.count; ++i) {
        int board_rank = classifier_rank(board.cards[i]);
        if (board_rank > rank) above |= 1u << board_rank;
        if (board_rank == rank) paired = true;
    }
    return 2 * __builtin_popcount(above) + (paired ? 1 : 0);
}
