// Output redirection: standard output (file descriptor 1, so that both the
// deferred command output and the solver thread's locked output follow) into
// a file and back to the output that the process started with.
#pragma once

#include "shell/tokenizer.h"

// Keeps a duplicate of the starting standard output for `stdoutback`; called
// once at start-up, before any redirection.
void remember_console_output();

void cmd_stdoutredi(const Tokens& tokens);
void cmd_stdoutredi_append(const Tokens& tokens);
void cmd_stdoutback(const Tokens& tokens);
