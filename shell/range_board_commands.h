// The situation to solve: both players' ranges, the board and the pot, with
// the hand-order and clock probes, and the player-name and card-mask helpers
// that the range, node and report commands share.
#pragma once

#include <string>

#include "platform/int_types.h"
#include "shell/tokenizer.h"

// 0 for "OOP" or "hero", 1 for "IP" or "villain" (exact, case-sensitive);
// anything else fails with "incorrect player name".
int parse_player_name(const std::string& name);

// Card mask of a card text: cards written as a rank and a suit character in
// either case ("QsJh2h", "qs jh 2h"), blanks after each card skipped. A bad
// character, a card given twice or a text of more than 255 characters fails
// with "ERROR: invalid card" (no command word).
u64 parse_card_list(const std::string& text);

// Cards of the mask in ascending card index, e.g. "Kh Ah"; "" for 0.
std::string cards_to_text(u64 mask);

void cmd_set_range(const Tokens& tokens);
void cmd_set_board(const Tokens& tokens);
void cmd_set_pot(const Tokens& tokens);
void cmd_show_hand_order(const Tokens& tokens);
void cmd_solver_time(const Tokens& tokens);
