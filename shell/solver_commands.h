// Solver control commands: `go`, `stop`, `wait_for_solver`, `take_a_break`,
// `calc_results`, `set_accuracy`, `set_recalc_accuracy`, and the status
// block that the solver thread prints after each exploitability
// measurement. The players' values are shown shifted by half the pot the
// tree was built with.
#pragma once

#include "platform/int_types.h"
#include "shell/tokenizer.h"

void cmd_go(const Tokens& tokens);
void cmd_stop(const Tokens& tokens);
void cmd_wait_for_solver(const Tokens& tokens);
void cmd_take_a_break(const Tokens& tokens);
void cmd_calc_results(const Tokens& tokens);
void cmd_set_accuracy(const Tokens& tokens);
void cmd_set_recalc_accuracy(const Tokens& tokens);
// `forget rivers|turns`, `rebuild_forgotten_streets` and `rebuild_all` (one
// handler), `solve_all_splits rivers|turns`.
void cmd_forget(const Tokens& tokens);
void cmd_rebuild_forgotten_streets(const Tokens& tokens);
void cmd_solve_all_splits(const Tokens& tokens);

// Called by the solver thread after every measurement: prints the newest
// history record once, through the locked output.
void print_solver_status();
// Forgets what the status printer has shown, so that the first measurement
// of the next run is printed; `go` calls it before it starts the solver.
void reset_solver_status();
