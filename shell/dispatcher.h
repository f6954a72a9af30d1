// Runs one token vector of the text protocol: label lines and pending skips,
// comments, "exit", lookup in the command table, the token-count test and the
// handler call. Every command failure, invalid number and unexpected
// exception is answered inside, through the deferred output; nothing leaves.
// Called by the standard-input loop and by `load_script` for every line.
#pragma once

#include <string>
#include <string_view>

#include "shell/line_reader.h"
#include "shell/tokenizer.h"

// Command word of the command being run (kept after it ends); the first %s
// of every "ERROR: %s ..." message.
extern std::string g_current_command;
// Label that ends a pending skip of `skip_if_done`; empty when none is pending.
extern std::string g_skip_label;

void dispatch_command(const Tokens& tokens);

// A protocol line as read: a trailing carriage return is dropped, an empty
// line is skipped, anything else is tokenized and dispatched. Memory running
// out anywhere in it is answered with "ERROR: <command> out of memory".
void run_command_line(std::string line);

// A line as the reader gave it: a line is run; a dropped line (too long,
// beyond memory) is answered with its error.
void run_read_line(LineRead read, std::string& line);

// The answer to memory running out while running a line whose command word
// is `command`; it needs no memory of its own, giving up the pending output
// first when it must.
void report_out_of_memory(std::string_view command);
