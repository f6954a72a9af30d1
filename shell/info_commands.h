// Probes that a driving program uses (memory, tree presence, tree parameters,
// instruction set) and two switches (suit isomorphism, memory check).
#pragma once

#include "shell/tokenizer.h"

void cmd_show_memory(const Tokens& tokens);
void cmd_is_tree_present(const Tokens& tokens);
void cmd_show_settings(const Tokens& tokens);
void cmd_show_tree_params(const Tokens& tokens);
void cmd_ai6_get_instruction_set(const Tokens& tokens);
void cmd_set_isomorphism(const Tokens& tokens);
void cmd_ignore_mem_check(const Tokens& tokens);
