// `show_node` prints one point of the tree named by a node path, and
// `show_children` every point one step below it: the children of a decision
// point, or the cards that a chance point can deal.
#pragma once

#include "shell/tokenizer.h"

void cmd_show_node(const Tokens& tokens);
void cmd_show_children(const Tokens& tokens);
