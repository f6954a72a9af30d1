// Showdown equity per hand, from the hand equity of queries/hand_equity.h:
// `calc_eq` gives a player's equity against the other's range at the tree's
// own board, `calc_eq_node` the same at a node with both ranges as they
// reach it (and the player's weighted total), and `calc_eq_pp` lists the
// `calc_eq` values hand by hand in the hand order by equity at the root.
// None prints a confirmation.
#pragma once

#include "shell/tokenizer.h"

void cmd_calc_eq(const Tokens& tokens);
void cmd_calc_eq_pp(const Tokens& tokens);
void cmd_calc_eq_node(const Tokens& tokens);
