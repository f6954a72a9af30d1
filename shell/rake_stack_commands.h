// Readiness probe, the accepted-and-ignored effective stack, and the rake.
#pragma once

#include "shell/tokenizer.h"

// Also the handler of `set_eff_stack`, whose value is not read.
void cmd_is_ready(const Tokens& tokens);
void cmd_set_rake(const Tokens& tokens);
