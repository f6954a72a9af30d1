// Expected values per hand at a node, from the expected-value kernel of
// queries/node_ev.h: `calc_ev` prints every hand's expected value (with half
// the pot the tree was built with added back) and its weight, `calc_ev_pp`
// the same hand by hand in the hand order by equity at the node, and
// `calc_ev_line` checks its arguments like `calc_ev` and prints two constant
// rows. None prints a confirmation.
#pragma once

#include "shell/tokenizer.h"

void cmd_calc_ev(const Tokens& tokens);
void cmd_calc_ev_pp(const Tokens& tokens);
void cmd_calc_ev_line(const Tokens& tokens);
