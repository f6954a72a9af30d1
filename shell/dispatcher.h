// Runs one token vector of the text protocol: label lines and pending skips,
// comments, "exit", lookup in the command table, the token-count test and the
// handler call. Every command failure, invalid number and unexpected
// exception is answered inside, through the deferred output; nothing leaves.
// Called by the standard-input loop and by `load_script` for every line.
#pragma once

#include <string>

#include "shell/tokenizer.h"

// Command word of the command being run (kept after it ends); the first %s
// of every "ERROR: %s ..." message.
extern std::string g_current_command;
// Label that ends a pending skip of `skip_if_done`; empty when none is pending.
extern std::string g_skip_label;

void dispatch_command(const Tokens& tokens);

// A protocol line as read: a trailing carriage return is dropped, an empty
// line is skipped, anything else is tokenized and dispatched.
void run_command_line(std::string line);
