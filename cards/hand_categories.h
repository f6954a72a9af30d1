// Hand categories of the category reports: on a board of three to five cards
// every two-card hand gets a made-hand category (how it relates to the board:
// top pair, overpair, set, top full house...) and, on three- and four-card
// boards, a draw category (straight outs, flush draw, combo draw). Boards and
// hands are in classifier card numbers (cards/classifier_boards.h); results
// are per protocol hand index. queries/category_report.h prints them.
#pragma once

#include "cards/classifier_boards.h"
#include "platform/int_types.h"

constexpr int kMadeCategoryCount = 19;
constexpr int kDrawCategoryCount = 5;

// Indices of g_made_hand_names; a made value is 100 x the index.
enum MadeCategory : i32 {
    kMadeNothing,
    kMadeKingHigh,
    kMadeAceHigh,
    kMadeLowPair,
    kMadeThirdPair,
    kMadeSecondPair,
    kMadeUnderpair,
    kMadeTopPair,
    kMadeTopPairTp,  // named, never produced
    kMadeOverpair,
    kMadeTwoPair,
    kMadeTrips,
    kMadeSet,
    kMadeStraight,
    kMadeFlush,
    kMadeFullhouse,
    kMadeTopFullhouse,
    kMadeQuads,
    kMadeStraightFlush,
};

// Indices of g_draw_names; a draw value is the index itself.
enum DrawCategory : i32 {
    kDrawNone,
    kDrawFourOutStraight,
    kDrawEightOutStraight,
    kDrawFlush,
    kDrawCombo,
};

constexpr i32 kMadeValueStep = 100;
// Made and draw value of a hand that shares a card with the board.
constexpr i32 kDeadHand = -1;

extern const char* const g_made_hand_names[kMadeCategoryCount];
extern const char* const g_draw_names[kDrawCategoryCount];

// Made value of every hand into out[1326]. Returns false when a hand cannot
// be placed (trips on a board that alone shows two pair, which no board of
// distinct cards gives); out is then incomplete. The board is not validated:
// the caller hands over 3 to 5 distinct cards.
bool classify_made_hands(i32* out, const ClassifierBoard& board);
// Draw value of every hand into out[1326]; on a five-card board out is left
// as it stands.
void classify_draws(i32* out, const ClassifierBoard& board);
