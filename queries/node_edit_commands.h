// Commands that fix what the solver does at one decision point: `lock_node`
// and `unlock_node` set and clear a split's locked mark, `set_strategy`
// writes one action's probability for every hand, `set_ev_boost` stores the
// node's EV boost.
#pragma once

#include "shell/tokenizer.h"

void cmd_lock_node(const Tokens& tokens);
void cmd_unlock_node(const Tokens& tokens);
void cmd_set_strategy(const Tokens& tokens);
void cmd_set_ev_boost(const Tokens& tokens);
