// The line editing commands: `add_line`, `force_line`, `remove_line`,
// `clear_lines` and `free_schematic_tree` edit the line tree (`g_line_tree`)
// from which `build_tree` builds the game tree. Amounts are the acting
// player's total commitment along the whole line; the fold is key -1.0.
// Editing lines never touches a built tree.
#pragma once

#include "platform/int_types.h"
#include "shell/tokenizer.h"

// A line longer than this is refused whole, so that no line can be deeper
// than what the recursive walks over a built tree can take.
inline constexpr i32 kMaxLineAmounts = 1000;

void cmd_add_line(const Tokens& tokens);
void cmd_force_line(const Tokens& tokens);
void cmd_remove_line(const Tokens& tokens);
void cmd_clear_lines(const Tokens& tokens);
void cmd_free_schematic_tree(const Tokens& tokens);

// Inserts the line of tokens 1.. into the line tree, completing each new node
// with its automatic responses (the call or check behind, and the fold when a
// bet is pending). Forced, every alternative along the way is removed first.
void add_line_impl(const Tokens& tokens, bool forced);
