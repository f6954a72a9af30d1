// Report bodies of the hand-category commands: the category names, and the
// made-hand and draw category of every hand on a board in protocol hand order
// (cards/hand_categories.h classifies). Both print through the output layer.
#pragma once

#include "cards/classifier_boards.h"

// The made-hand names, then the draw names, one line each with a blank after
// every name, then "END".
void print_category_names();
// A line with the made-hand category index of every hand (a dead hand's -1
// made value divided by 100 prints 0), a line with the draw category of every
// hand (-1 for a dead hand on a flop or turn board, 0 for every hand on a
// river board), then "END". The board holds 3 to 5 distinct cards. A hand
// the classifier cannot place ends the process with exit code 1.
void print_hand_categories(const ClassifierBoard& board);
