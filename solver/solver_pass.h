// Iterations and passes. A pass walks the whole tree once for one traversing
// player in one mode, in three phases: a walk from the root that stops at
// the chance nodes (which queue work items), the work items run in
// parallel, and a second walk in which each chance node takes its items'
// merged values. An iteration is one update pass for IP, then one for OOP.
// The solver thread, the results query and the expected-value queries run
// passes; each holds the pass lock for its whole length.
#pragma once

#include <mutex>

#include "platform/int_types.h"

struct Tree;

// Held by every pass, by the split solves and by the expected-value queries
// for their whole work, so that none of them overlap.
extern std::mutex g_pass_mutex;

struct PassResult {
    // The traverser's best-response value (evaluation passes; else 0).
    f64 best_response = 0.0;
    // The traverser's expected value under the strategies played.
    f64 expected = 0.0;
};

// One pass for `player` (0 OOP, 1 IP) in `mode` (kPassEvaluate, kPassUpdate,
// kPassCapture); values are per unit of matchup weight.
PassResult solver_pass(Tree& tree, u32 player, u32 mode);
// The same for a caller that already holds the pass lock.
PassResult solver_pass_locked(Tree& tree, u32 player, u32 mode);

struct IterationResult {
    f64 mean = 0.0;
    f64 ip = 0.0;
    f64 oop = 0.0;
};

// Update passes for IP and OOP, then the iteration counter grows by one and
// the tree is no longer new.
IterationResult solver_iteration(Tree& tree);
