// The partial-solve commands: `solve_partial` and `explo_partial` solve again,
// from scratch, the split of a forgotten street below one decision point
// (solver/split_solve.h); the first confirms, the second prints the
// exploitability that the split solve reached ("0" when there is nothing to
// solve). The path is used as typed ("r" names no decision point).
#pragma once

#include "shell/tokenizer.h"

void cmd_solve_partial(const Tokens& tokens);
void cmd_explo_partial(const Tokens& tokens);
