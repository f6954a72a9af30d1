#include "shell/shutdown.h"

#include "shell/output.h"
#include "solver/solver_thread.h"
#include "solver/worker_pool.h"

// A running solver is stopped first: it finishes the iteration in progress
// and prints its stop line, so that no thread touches the tree while the
// process ends.
void shutdown_and_exit(int code) {
    flush_deferred_output();
    stop_solver_for_exit();
    stop_worker_pool();
    exit_after_pending_output(code);
}
