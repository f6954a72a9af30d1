#include "shell/shutdown.h"

#include "shell/output.h"

// A running solver is not waited for: "exit" and the end of input end the
// process at once, so the solver neither finishes its iteration nor prints
// its stop line; the end of the process takes its thread and the workers of
// its pool with it.
void shutdown_and_exit(int code) {
    exit_after_pending_output(code);
}
