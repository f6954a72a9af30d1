// What the solver has found at one point: `show_strategy` prints, per
// action, the probability with which each hand takes it; `show_strategy_pp`
// the same hand by hand, strongest hands first; `show_range` a player's
// range as it reaches a point; `show_probs` how likely each player is to
// reach the point and how the player to act splits over the actions.
#pragma once

#include "shell/tokenizer.h"

void cmd_show_strategy(const Tokens& tokens);
void cmd_show_strategy_pp(const Tokens& tokens);
void cmd_show_range(const Tokens& tokens);
void cmd_show_probs(const Tokens& tokens);
