// Pauses of the command thread; a running solver goes on meanwhile.
#pragma once

#include "shell/tokenizer.h"

void cmd_sleep(const Tokens& tokens);
