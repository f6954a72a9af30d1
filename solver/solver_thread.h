// The solver thread: exactly one background thread at a time that iterates
// over the current tree until a stop condition holds, measures the
// exploitability every so often, keeps the measurements in the history and
// prints the status block. The command thread starts it (`go`), asks it to
// stop (`stop`, `take_a_break`), waits for it (`wait_for_solver`) and asks
// whether it runs (every command that would free or replace the tree).
//
// Life cycle: idle -> running (start_solver) -> idle again once the thread
// has printed its "SOLVER: stopped" line. A stop request belongs to one
// run: a new run starts without one, and a request made while running is
// seen by that run or made moot by its end.
#pragma once

#include <functional>

#include "platform/int_types.h"

// Runs on the solver thread after every measurement, once its record is in
// the history: the shell prints its status block there.
using MeasurementReport = void (*)();

// Starts a run with a limit in seconds (0 or less: none) or in iterations.
// False, without any change, when a solver runs or the tree is incomplete;
// false when a node's stores cannot be allocated (the shell's "out of
// memory"). Expects a tree. `announce` runs once the run is certain, before
// "SOLVER: started" is printed, so that the command's own answer comes first.
bool start_solver(i32 limit, bool limit_is_steps, const std::function<void()>& announce = {},
                  MeasurementReport report = nullptr);
// Asks a running solver to stop after the iteration in progress.
void request_solver_stop();
// Returns once no solver runs, that is after its "SOLVER: stopped" line.
void solver_wait();
bool solver_running();
// Whether the current tree has every street's data; expects a tree.
bool tree_is_complete();
// Stops a running solver and waits for its thread to end: the process may
// only exit after this.
void stop_solver_for_exit();

// Targets of the split solves per street (flop, turn, river), absolute.
extern f64 g_recalc_accuracy[3];
void solver_set_recalc_accuracy(f64 flop, f64 turn, f64 river);
