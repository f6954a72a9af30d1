// Iterations and passes. A pass walks the whole tree once for one traversing
// player in one mode, in three phases: a walk from the root that stops at
// the chance nodes (which queue work items), the work items run in
// parallel, and a second walk in which each chance node takes its items'
// merged values. An iteration is one update pass for IP, then one for OOP.
// The solver thread, the results query and the expected-value queries run
// passes; each holds the pass lock for its whole length.
#pragma once

#include "platform/int_types.h"

struct Tree;

// The pass lock: held by every pass for its whole length, and by everything
// that reads or writes solver data while the solver thread may run (the
// results and expected-value queries, the strategy queries and edits of flop
// and turn nodes, locking, EV boosts), so that none of them lands inside a
// pass. Re-entrant on the thread that holds it. A command waiting for it is
// let in at the solver's next pass boundary: the solver thread, before it
// takes the lock for a pass, steps back while a command waits, so that it
// cannot take the lock again and again ahead of the command. That costs the
// solver one atomic load per pass, nothing inside a pass.
class PassLock {
public:
    PassLock();
    ~PassLock();
    PassLock(const PassLock&) = delete;
    PassLock& operator=(const PassLock&) = delete;
};

// The calling thread lets waiting commands take the pass lock first: set by
// the solver thread for itself.
void yield_pass_lock_to_commands();

struct PassResult {
    // The traverser's best-response value (evaluation passes; else 0).
    f64 best_response = 0.0;
    // The traverser's expected value under the strategies played.
    f64 expected = 0.0;
};

// One pass for `player` (0 OOP, 1 IP) in `mode` (kPassEvaluate, kPassUpdate,
// kPassCapture); values are per unit of matchup weight.
PassResult solver_pass(Tree& tree, u32 player, u32 mode);

struct IterationResult {
    f64 mean = 0.0;
    f64 ip = 0.0;
    f64 oop = 0.0;
};

// Update passes for IP and OOP, then the iteration counter grows by one and
// the tree is no longer new.
IterationResult solver_iteration(Tree& tree);
