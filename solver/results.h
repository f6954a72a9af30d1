// Results of a solve: each player's expected value under the strategies
// played, each player's best-response value (maximally exploiting strategy,
// "MES") against the other, and the exploitability derived from them. The
// solver thread measures them every so often and keeps the measurements in
// a history that the status printer reads; `calc_results` asks for the
// current figures through `prepare_results`. Values exclude the pot already
// in the middle: the printers add half the pot.
#pragma once

#include <mutex>
#include <vector>

#include "platform/int_types.h"

struct Tree;

struct SolverStatsRecord {
    u32 iteration = 0;
    // Whole milliseconds from the start of the run to the measurement, in
    // seconds; 0 in records of `prepare_results`.
    f64 time = 0.0;
    f64 ev_oop = 0.0;
    f64 ev_ip = 0.0;
    f64 mes_oop = 0.0;
    f64 mes_ip = 0.0;
    f64 exploitability = 0.0;
};

// Two evaluation passes, OOP's then IP's: expected and best-response values
// of both players and the exploitability, half the sum over both players of
// best response minus expected value.
SolverStatsRecord measure_tree(Tree& tree);

// Keeps a measurement as the tree's result summary for its iteration.
void store_results_summary(Tree& tree, const SolverStatsRecord& record);

// The figures for the current tree's iteration: prepares unprepared stores,
// then measures, except on an incomplete tree whose cached results already
// hold the iteration. Runs on the command thread, also while the solver runs
// (its passes fall between the solver's). Expects a tree.
SolverStatsRecord prepare_results();

void append_solver_history(const SolverStatsRecord& record);
void clear_solver_history();
// A copy of the history while a solver thread exists; empty otherwise.
std::vector<SolverStatsRecord> copy_solver_history();
// A copy of the history of the running or the last run, kept until the next
// run starts: what a watcher needs to see the run's last measurement after
// the solver has stopped.
std::vector<SolverStatsRecord> copy_last_run_history();
