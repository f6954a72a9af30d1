// Batch commands: run a script file, skip to a label when a result file
// exists, and print text into the output stream.
#pragma once

#include "shell/tokenizer.h"

// Scripts may load scripts this deep (the start-up script counts as one);
// a deeper `load_script` fails, so a script that loads itself ends.
constexpr int kMaxScriptDepth = 64;

void cmd_load_script(const Tokens& tokens);
void cmd_skip_if_done(const Tokens& tokens);
void cmd_echo(const Tokens& tokens);
void cmd_repeat(const Tokens& tokens);
