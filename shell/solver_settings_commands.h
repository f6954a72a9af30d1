// Settings of how the solver stores and computes: the compression level of
// node data, the OpenMP thread count and the work-item scheduler.
#pragma once

#include "shell/tokenizer.h"

void cmd_ai6_set_compression(const Tokens& tokens);
void cmd_ai6_get_actual_compression(const Tokens& tokens);
void cmd_set_threads(const Tokens& tokens);
void cmd_set_scheduler(const Tokens& tokens);
